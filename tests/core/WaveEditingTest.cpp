// Markers, coordinates, zoom and the edits of one wave.
#include "core/wave/WaveRecord.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <random>
#include <vector>

namespace {

// A half-sine blow from rise to rise + 40, peaking at rise + 20.
std::vector<float> Pulse(int n, int rise, float amp = 1.0f) {
    std::vector<float> s(static_cast<size_t>(n), 0.0f);
    for (int i = rise; i <= rise + 40 && i < n; ++i)
        s[size_t(i)] = amp * float(std::sin(M_PI * (i - rise) / 40.0));
    return s;
}

CWaveRecord EditChannel(const std::vector<float>& s, float dt = 20.0f) {
    CWaveRecord w;
    w.sampleInterval = dt;
    w.SetData(s);
    return w;
}

} // namespace

// ---- markers ---------------------------------------------------------------------------

TEST(WaveMarkers, AutoToeFromLengthSpeedAndInterval) {
    CWaveRecord w = EditChannel(Pulse(1024, 30)); // peak at 50
    w.pileLength = 10.0f;
    w.speed = 4000;
    w.speedAbove = 4000;
    w.sensorDistance = 0.0f;
    w.AutoMarkers();
    EXPECT_EQ(w.headIndex, 50);
    EXPECT_EQ(w.refIndex, 50);
    EXPECT_EQ(w.toeIndex, 300);
    EXPECT_EQ(w.expStart, 50);
    EXPECT_EQ(w.peakIndex, 50);
    EXPECT_EQ(w.riseIndex, 30);
    EXPECT_EQ(w.pulseEnd, 70);
}

TEST(WaveMarkers, AutoMarkersWithSensorDistanceAndGainDepth) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.pileLength = 10.0f;
    w.speed = 4000;
    w.SetLength(600.0f); // speedAbove ~3800
    w.ampStartDepth = 1.0f;
    w.AutoMarkers();
    const float ss = float(double(w.LengthToTime(true)) / 20.0);
    EXPECT_FLOAT_EQ(w.sensorSamples, ss);
    EXPECT_EQ(w.toeIndex, 50 + int(250.0 - double(ss)));
    EXPECT_EQ(w.expStart, 50 + 25); // 2 x 1 m / (4000 m/s x 20 µs)
}

struct AutoCase {
    const char* name;
    float length;
    int speed;
    float dt;
    float depth;
    int toe, start;
};

// Case names in test listings instead of bytes.
void PrintTo(const AutoCase& c, std::ostream* os) {
    *os << c.name;
}

class WaveAutoMarkersRange : public ::testing::TestWithParam<AutoCase> {};

TEST_P(WaveAutoMarkersRange, MarkersStayInRange) {
    const AutoCase& c = GetParam();
    CWaveRecord w = EditChannel(Pulse(1024, 30), c.dt);
    w.pileLength = c.length;
    w.speed = c.speed;
    w.ampStartDepth = c.depth;
    w.AutoMarkers();
    EXPECT_EQ(w.toeIndex, c.toe);
    EXPECT_EQ(w.expStart, c.start);
    EXPECT_GE(w.headIndex, 0);
    EXPECT_LE(w.refIndex, 1023);
}

INSTANTIATE_TEST_SUITE_P(Cases, WaveAutoMarkersRange,
                         ::testing::Values(AutoCase{"VeryLongPile", 1000.0f, 4000, 20.0f, -1.0f, 1023, 50},
                                           AutoCase{"DepthBeyondToe", 10.0f, 4000, 20.0f, 50.0f, 300, 299},
                                           AutoCase{"SpeedZeroKeepsToe", 10.0f, 0, 20.0f, 1.0f, 1, 50},
                                           AutoCase{"IntervalZeroKeepsToe", 10.0f, 4000, 0.0f, 1.0f, 1, 50},
                                           AutoCase{"NegativeSpeed", 10.0f, -4000, 20.0f, -1.0f, 0, 50},
                                           AutoCase{"HugeLength", 3e38f, 1, 20.0f, 3e38f, 1023, 1022}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WaveMarkers, RiseUsesTheLargestSignedValueWhenTheBlowIsNegative) {
    auto s = Pulse(1024, 30, -1.0f);
    for (int i = 0; i < 300; ++i)
        s[size_t(i)] -= 0.5f; // all of the first 300 negative
    CWaveRecord w = EditChannel(s);
    w.FindPeakAndRise();
    // The largest signed value is the least negative, at the first sample.
    EXPECT_EQ(w.peakIndex, 0);
    EXPECT_EQ(w.FindMaxAbsIndex(), 50);
}

TEST(WaveMarkers, ShortWavesStayInsideTheArray) {
    for (int n : {1, 2, 5, 40, 299}) {
        SCOPED_TRACE(n);
        auto s = Pulse(n, 0);
        s.back() = 0.6f; // the forward scan stops at the last sample
        CWaveRecord w = EditChannel(s);
        w.pileLength = 10.0f;
        w.speed = 4000;
        w.AutoMarkers();
        EXPECT_LT(w.toeIndex, n);
        EXPECT_LT(w.headIndex, n);
        EXPECT_LT(w.pulseEnd, n);
        EXPECT_GE(w.FindRiseIndex(), 0);
    }
}

TEST(WaveMarkers, DepthWithTwoSpeeds) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.headIndex = 50;
    w.refIndex = 100;
    w.toeIndex = 400;
    w.speedAbove = 3000;
    w.speed = 4000;
    w.sensorSamples = 0.0f;
    EXPECT_FLOAT_EQ(w.IndexToDepth(80), 30 * 20 * 3000 / 1e6f / 2);   // 0.9 m above the reference
    EXPECT_FLOAT_EQ(w.IndexToDepth(100), 50 * 20 * 3000 / 1e6f / 2);  // at the reference: the upper speed
    EXPECT_FLOAT_EQ(w.IndexToDepth(200), 100 * 20 * 4000 / 1e6f / 2); // 4 m below it
    w.sensorSamples = 5.0f;
    EXPECT_FLOAT_EQ(w.IndexToDepth(200), 105 * 20 * 4000 / 1e6f / 2);
    EXPECT_FLOAT_EQ(w.IndexToDepth(50), 0.0f);
    EXPECT_FLOAT_EQ(w.IndexToDepth(400), 0.0f);
}

TEST(WaveMarkers, AlignCursorClipAndToeReflection) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.headIndex = 10;
    w.toeIndex = 260;
    w.AutoAlignHead(1);
    EXPECT_EQ(w.headIndex, 50);
    EXPECT_EQ(w.toeIndex, 300);
    w.AutoAlignHead(0);
    EXPECT_EQ(w.headIndex, 30);
    EXPECT_EQ(w.toeIndex, 280);
    w.AutoAlignHead(2);
    EXPECT_EQ(w.headIndex, 30);
    w.SetCursor(1024);
    EXPECT_EQ(w.headIndex, 30);
    w.SetCursor(1000); // the toe would pass the end: it stops at N - 1
    EXPECT_EQ(w.headIndex, 1000);
    EXPECT_EQ(w.toeIndex, 1023);

    w.headIndex = 50;
    w.toeIndex = 300;
    w.DefectMarks() = {{20, 0, 0, 0}, {100, 1, 0, 0}, {300, 2, 0, 0}, {301, 3, 0, 0}};
    w.ClipDefectMarks();
    ASSERT_EQ(w.GetDefectMarks().size(), 2u);
    EXPECT_EQ(w.GetDefectMarks()[0].index, 100);
    EXPECT_EQ(w.GetDefectMarks()[1].index, 300);

    w.peakIndex = 50;
    EXPECT_TRUE(w.IsToeReflectionWeak()); // display[300] is 0
    w.toeIndex = 45;
    EXPECT_FALSE(w.IsToeReflectionWeak());
    w.toeIndex = 1024;
    EXPECT_FALSE(w.IsToeReflectionWeak());
}

// ---- coordinates -----------------------------------------------------------------------

TEST(WaveCoordinates, IndexAndPixelMapping) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.plotRect = gdi::Rect(100, 0, 100 + 2046, 200); // 2 px per sample
    EXPECT_EQ(w.IndexToX(0), 0);
    EXPECT_EQ(w.IndexToX(10), 20);
    EXPECT_EQ(w.XToIndex(120), 10);
    EXPECT_EQ(w.XToIndex(121), 10); // 10.5: an exact half goes down
    EXPECT_EQ(w.XToIndex(122), 11);
    EXPECT_EQ(w.XToIndex(90), -5); // not clamped
    EXPECT_EQ(w.IndexToOffset(1023), 2046);
    EXPECT_EQ(w.XToIndexClamped(50, 0, true), 0);
    EXPECT_EQ(w.XToIndexClamped(100 + 2046, 0, false), 1023);
    EXPECT_EQ(w.XToIndexClamped(100 + 5000, 0, false), 1023);
    EXPECT_EQ(w.XToIndexClamped(101, 0, false), 0);
    EXPECT_EQ(w.XToIndexClamped(101, 0, true), 1);
    w.zoom = 2.0f; // n' = 512: 4 px per sample
    EXPECT_EQ(w.IndexToX(10), 40);
    EXPECT_EQ(w.XToIndex(140), 10);

    w.headIndex = 5;
    w.toeIndex = 20;
    EXPECT_TRUE(w.IsIndexInPile(140, 0));
    EXPECT_FALSE(w.IsIndexInPile(100, 0));
}

TEST(WaveCoordinates, EmptyPlotDividesByNothing) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.plotRect = gdi::Rect(10, 0, 10, 0);
    EXPECT_EQ(w.IndexToX(100), 0);
    EXPECT_EQ(w.XToIndex(50), -1);
    EXPECT_EQ(w.XToIndexClamped(50, 0, true), 0);
    QPoint p(-7, -7);
    w.pickX = 50;
    EXPECT_EQ(w.MoveCursorStep(p, true), 0);
    EXPECT_EQ(p, QPoint(-7, -7));
    int g = -1, t = -1;
    w.rulerTickStep = 10.0f;
    EXPECT_EQ(w.XToGridTick(50, g, t), 0);
    EXPECT_EQ(w.DragEditToPoint(10, 0), 0);
    EXPECT_EQ(w.SetAdjustStartFromPoint(10, 0), 1); // unset: takes the head
    EXPECT_EQ(w.SetAdjustStartFromPoint(10, 0), 0);

    CWaveRecord one = EditChannel({1.0f});
    one.plotRect = gdi::Rect(0, 0, 100, 100);
    EXPECT_EQ(one.IndexToX(0), 0);
    EXPECT_EQ(one.IndexToOffset(0), 0);
    EXPECT_EQ(one.XToIndex(50), -1);
}

TEST(WaveCoordinates, GridLinesAndSubTicks) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.plotRect = gdi::Rect(0, 0, 1023, 100); // 1 px per sample
    w.refIndex = 50;
    w.rulerTickStep = 100.0f;
    int g = -1, t = -1;
    ASSERT_EQ(w.XToGridTick(250, g, t), 1);
    EXPECT_EQ(g, 2);
    EXPECT_EQ(t, 0);
    ASSERT_EQ(w.XToGridTick(270, g, t), 1);
    EXPECT_EQ(g, 2);
    EXPECT_EQ(t, 1);
    ASSERT_EQ(w.XToGridTick(330, g, t), 1);
    EXPECT_EQ(t, 4);
    EXPECT_EQ(w.XToGridTick(275, g, t), 0);
    EXPECT_EQ(w.XToGridTick(1020, g, t), 0); // the next line would be beyond N
    w.rulerTickStep = 0.0f;
    EXPECT_EQ(w.XToGridTick(250, g, t), 0);
}

TEST(WaveCoordinates, PickPointAndCursorSteps) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.plotRect = gdi::Rect(100, 0, 100 + 2046, 200);
    EXPECT_EQ(w.SetPickPoint(50, 10), 1);
    EXPECT_EQ(w.pickX, 0); // outside: not stored
    w.SetPickPoint(120, 10);
    EXPECT_EQ(w.pickX, 120);
    QPoint p;
    ASSERT_EQ(w.MoveCursorStep(p, false), 1);
    EXPECT_EQ(p, QPoint(122, 10));
    ASSERT_EQ(w.MoveCursorStep(p, true), 1);
    EXPECT_EQ(p, QPoint(118, 10));
    w.SetPickPoint(100, 10);
    EXPECT_EQ(w.MoveCursorStep(p, true), 0);
    w.pickX = 100 + 2046;
    EXPECT_EQ(w.MoveCursorStep(p, false), 0);
}

// ---- zoom ------------------------------------------------------------------------------

TEST(WaveZoom, StretchUpWithFourSteps) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.Layout(0, 0, 800, 200);
    const float want[] = {1.25f, 1.6666666f, 2.5f, 4.0f, 4.0f, 4.0f};
    for (float z : want) {
        w.ZoomStep(true, 4);
        EXPECT_FLOAT_EQ(w.zoom, z);
    }
    EXPECT_EQ(w.ZoomStep(true, 4), 4);
}

TEST(WaveZoom, CompressStepsBackDown) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.Layout(0, 0, 800, 200);
    for (int i = 0; i < 4; ++i)
        w.ZoomStep(true, 4);
    ASSERT_FLOAT_EQ(w.zoom, 4.0f);
    const float want[] = {2.5f, 1.6666666f, 1.25f, 1.0f, 1.0f};
    for (float z : want) {
        w.ZoomStep(false, 4);
        EXPECT_FLOAT_EQ(w.zoom, z);
    }
}

TEST(WaveZoom, TableRowsAndLimits) {
    EXPECT_FLOAT_EQ(CWaveRecord::StretchFactor(2, 1), 2.0f);
    EXPECT_FLOAT_EQ(CWaveRecord::StretchFactor(3, 1), 1.3333334f);
    EXPECT_FLOAT_EQ(CWaveRecord::StretchFactor(5, 3), 2.2727273f);
    EXPECT_FLOAT_EQ(CWaveRecord::StretchFactor(6, 4), 2.5f);
    EXPECT_FLOAT_EQ(CWaveRecord::StretchFactor(6, 5), 4.0f);

    CWaveRecord w = EditChannel(Pulse(1024, 30));
    EXPECT_EQ(w.SetZoom(0.5f), -1);
    EXPECT_EQ(w.SetZoom(9.0f), 4);
    EXPECT_FLOAT_EQ(w.zoom, 4.0f);
    EXPECT_EQ(w.SetZoom(2.5f), 2);
    EXPECT_EQ(w.ZoomStep(true, 0), -1);
    w.zoom = 7.0f;
    EXPECT_FLOAT_EQ(w.GetZoom(), 1.0f);
    EXPECT_FLOAT_EQ(w.zoom, 1.0f);

    CWaveRecord small = EditChannel(Pulse(256, 30));
    EXPECT_EQ(small.SetZoom(2.0f), 1);
    EXPECT_EQ(small.ZoomStep(true, 4), 1);
    EXPECT_FLOAT_EQ(small.zoom, 1.0f);

    CWaveRecord n512 = EditChannel(Pulse(512, 30)); // the largest zoom is 2
    n512.Layout(0, 0, 800, 200);
    n512.ZoomStep(true, 2);
    EXPECT_FLOAT_EQ(n512.zoom, 2.0f);
    n512.ZoomStep(true, 2);
    EXPECT_FLOAT_EQ(n512.zoom, 2.0f);
}

TEST(WaveZoom, StepZoomSnapsToTheNearestEntry) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.zoom = 1.7f;
    w.zoomStep = 0;
    w.StepZoom(4, true);
    EXPECT_EQ(w.zoomStep, 2);
    EXPECT_FLOAT_EQ(w.zoom, 1.6666666f);
    w.zoom = 2.2f;
    w.zoomStep = 3;
    w.StepZoom(5, false); // 2.2727273 at index 3 is nearest
    EXPECT_EQ(w.zoomStep, 3);
    w.zoom = 3.0f;
    w.zoomStep = 9;
    w.StepZoom(2, true); // not below steps: steps - 1
    EXPECT_EQ(w.zoomStep, 1);
    EXPECT_FLOAT_EQ(w.zoom, 2.0f);
}

TEST(WaveZoom, StretchWidensTheFrame) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.Layout(0, 0, 800, 200);
    w.ZoomStep(true, 4);
    EXPECT_EQ(w.frameRect.right, 800 + 800 * 3);
    w.ZoomStep(false, 4);
    EXPECT_EQ(w.frameRect.right, 3200 - 3200 / 4);
}

// ---- shift --------------------------------------------------------------------------------

TEST(WaveShift, LeftThenRightRestoresEverySample) {
    std::vector<float> s(1024);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = float(std::sin(0.05 * double(i))) + 0.001f * float(i);
    CWaveRecord w = EditChannel(s);
    w.headIndex = 50;
    w.refIndex = 50;
    w.toeIndex = 300;
    ASSERT_EQ(w.Shift(1, 10), 1);
    EXPECT_EQ(w.Source()[0], s[10]);
    EXPECT_EQ(w.Source()[1023], s[1023]);
    EXPECT_EQ(w.headIndex, 40);
    EXPECT_EQ(w.toeIndex, 290);
    ASSERT_EQ(w.Shift(3, 10), 1);
    EXPECT_EQ(w.Source(), s);
    EXPECT_EQ(w.headIndex, 50);
    EXPECT_EQ(w.toeIndex, 300);
}

TEST(WaveShift, RandomSequencesOfPairsRestoreExactly) {
    std::mt19937 rng(5);
    for (int n : {16, 300, 1024}) {
        std::vector<float> s(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            s[size_t(i)] = float(i) * 0.25f - 3.0f;
        CWaveRecord w = EditChannel(s);
        std::vector<std::pair<int, int>> done;
        for (int round = 0; round < 40; ++round) {
            const int k = int(rng() % unsigned(n + 1));
            const int mode = (rng() & 1) ? 1 : 3;
            ASSERT_EQ(w.Shift(mode, k), 1);
            ASSERT_EQ(w.Shift(mode == 1 ? 3 : 1, k), 1);
            ASSERT_EQ(w.Source(), s) << "n " << n << " round " << round << " k " << k;
            // Clean stacks for the next pair: a pair leaves the opposite
            // stack holding the k samples pushed by the second shift.
            w.shiftedOutLeft.clear();
            w.shiftedOutRight.clear();
        }
    }
}

TEST(WaveShift, PopsAtMostKAndRefusesBadArguments) {
    std::vector<float> s(64);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = float(i);
    CWaveRecord w = EditChannel(s);
    ASSERT_EQ(w.Shift(3, 20), 1); // 20 values on the right stack
    ASSERT_EQ(w.Shift(1, 3), 1);  // gives back 3 of them only
    EXPECT_EQ(w.shiftedOutRight.size(), 17u);
    EXPECT_EQ(w.Source()[61], 44.0f);
    EXPECT_EQ(w.Source()[63], 46.0f);
    EXPECT_EQ(w.Shift(1, -1), 0);
    EXPECT_EQ(w.Shift(3, 65), 0);
    EXPECT_EQ(w.Shift(2, 1), 0);
    EXPECT_EQ(w.Shift(1, 64), 1);
    EXPECT_EQ(w.Shift(3, 64), 1);
    for (float v : w.Source())
        EXPECT_TRUE(std::isfinite(v));
}

TEST(WaveShift, HeadNeverGoesBelowOne) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.headIndex = 5;
    w.refIndex = 5;
    w.toeIndex = 255;
    w.expStart = 8;
    ASSERT_EQ(w.Shift(1, 10), 1);
    EXPECT_EQ(w.headIndex, 1);
    EXPECT_EQ(w.refIndex, 1);
    EXPECT_EQ(w.toeIndex, 251); // moved by old head - 1
    EXPECT_EQ(w.expStart, 4);

    w.toeIndex = 1020;
    w.headIndex = 900;
    ASSERT_EQ(w.Shift(3, 10), 1);
    EXPECT_EQ(w.toeIndex, 1022);
    EXPECT_EQ(w.headIndex, 903); // moved by N - old toe - 1
    EXPECT_EQ(w.refIndex, 903);
}

// ---- other edits -----------------------------------------------------------------------

TEST(WaveEdit, OffsetInvertAndScale) {
    pit::WaveContext ctx;
    CWaveRecord w = EditChannel({1.0f, -2.0f, 0.5f});
    w.SetContext(&ctx);
    EXPECT_EQ(w.Offset(2, 0.1f), 1);
    EXPECT_FLOAT_EQ(w.Source()[0], 1.2f);
    EXPECT_EQ(w.Offset(4, 0.1f), 1);
    EXPECT_FLOAT_EQ(w.Source()[0], 1.0f);
    EXPECT_EQ(w.Offset(3, 0.1f), 0);
    EXPECT_EQ(w.Invert(), 1);
    EXPECT_FLOAT_EQ(w.Source()[1], 2.0f);
    EXPECT_FLOAT_EQ(w.Display()[1], 2.0f);
    EXPECT_EQ(w.SetScale(0.0f), 0);
    EXPECT_EQ(w.SetScale(2.0f, nullptr, 1), 1);
    EXPECT_FLOAT_EQ(w.GetScale(), 2.0f);
    EXPECT_EQ(w.GetScaleFlag(), 1);
}

TEST(WaveEdit, RotateTailOnlyInRotationMode) {
    pit::WaveContext ctx;
    std::vector<float> s(100, 0.0f);
    s[10] = 5.0f;
    CWaveRecord w = EditChannel(s);
    w.SetContext(&ctx);
    w.headIndex = 10;
    EXPECT_EQ(w.RotateTail(true, false), 0);
    EXPECT_EQ(w.tiltStart, 1000000);
    ASSERT_EQ(w.RotateTail(true, true), 1);
    EXPECT_EQ(w.tiltStart, 10);
    const float step = 5.0f * 0.01f / 90.0f;
    EXPECT_FLOAT_EQ(w.Source()[10], 5.0f);
    EXPECT_FLOAT_EQ(w.Source()[99], 89 * step);
    ASSERT_EQ(w.RotateTail(false, true), 1);
    EXPECT_NEAR(w.Source()[99], 0.0f, 1e-7f);
    w.tiltStart = 100;
    EXPECT_EQ(w.RotateTail(true, true), 0);
}

TEST(WaveEdit, AdjustStartFromPoint) {
    CWaveRecord w = EditChannel(Pulse(1024, 30));
    w.plotRect = gdi::Rect(0, 0, 512, 100);
    w.headIndex = 33;
    EXPECT_EQ(w.SetAdjustStartFromPoint(0, 0), 1);
    EXPECT_EQ(w.tiltStart, 33);
    EXPECT_EQ(w.SetAdjustStartFromPoint(100, 50), 1);
    EXPECT_EQ(w.tiltStart, 199);
    EXPECT_EQ(w.SetAdjustStartFromPoint(0, 50), 1);
    EXPECT_EQ(w.tiltStart, 0);
    EXPECT_EQ(w.SetAdjustStartFromPoint(600, 50), 0);
}

TEST(WaveEdit, DragEditZeroesThePointAndFollows) {
    std::vector<float> s(1024, 1.0f);
    CWaveRecord w = EditChannel(s);
    w.plotRect = gdi::Rect(0, 0, 1024, 100); // one pixel per sample
    EXPECT_EQ(w.DragEditToPoint(101, 50, false), 0);
    ASSERT_EQ(w.DragEditToPoint(101, 50), 1);
    EXPECT_EQ(w.lastDragIndex, 100);
    EXPECT_FLOAT_EQ(w.Source()[100], 0.0f);
    EXPECT_FLOAT_EQ(w.Source()[0], 1.0f);
    EXPECT_FLOAT_EQ(w.Source()[50], 0.5f);
    EXPECT_FLOAT_EQ(w.Source()[500], 0.0f);
    const auto after = w.Source();
    EXPECT_EQ(w.DragEditToPoint(101, 50), 0); // same sample twice
    EXPECT_EQ(w.Source(), after);
    EXPECT_EQ(w.DragEditToPoint(1, 50), 0); // i = 0
    EXPECT_EQ(w.DragEditToPoint(5000, 50), 0);
}

TEST(WaveEdit, LocalAmplifyMirrorsThePulseAboutItsPeak) {
    // Rise at 30, peak at 50: with the rise at or after peak / 2 the old
    // comparison of k with e took every knot from source[s + k].
    std::vector<float> s(1024, 0.0f);
    for (int i = 30; i <= 50; ++i)
        s[size_t(i)] = float(std::sin(M_PI / 2 * (i - 30) / 20.0)); // rising quarter wave
    for (int i = 51; i < 80; ++i)
        s[size_t(i)] = -1.0f; // a tail that is not the pulse's mirror
    CWaveRecord w = EditChannel(s);
    w.riseIndex = 30;
    w.peakIndex = 50;
    w.toeIndex = 500;
    w.localAmplifyMode = 1;
    ASSERT_EQ(w.ApplyLocalAmplify(), 1);
    EXPECT_EQ(w.localAmplifyMode, 0);
    const int m = 21, M = int(1.2 * m); // 25
    // The added pulse is the rising edge and its mirror, stretched over 2M
    // samples about the toe (the 2m knots span one sample more than the
    // symmetric pulse, hence the tolerance), and never takes the tail.
    for (int d = 1; d < M - 10; ++d)
        EXPECT_NEAR(w.Source()[size_t(500 - d)], w.Source()[size_t(500 + d)], 0.15f) << d;
    for (int q = 500 - M; q < 500 + M; ++q)
        ASSERT_GT(w.Source()[size_t(q)], -0.05f) << q;
    float top = 0;
    for (int q = 500 - M; q < 500 + M; ++q)
        top = std::max(top, w.Source()[size_t(q)]);
    EXPECT_NEAR(top, 1.0f, 0.05f);
    EXPECT_EQ(w.Source()[size_t(500 - M - 1)], 0.0f);
    for (float v : w.Source())
        ASSERT_GT(v, -1.01f);
}

TEST(WaveEdit, LocalAmplifyNearTheEndWritesOnlyInside) {
    std::vector<float> s(200, 0.0f);
    for (int i = 10; i <= 50; ++i)
        s[size_t(i)] = float(std::sin(M_PI * (i - 10) / 40.0));
    CWaveRecord w = EditChannel(s);
    w.riseIndex = 10;
    w.peakIndex = 30;
    w.toeIndex = 199;
    w.localGain = 2.0f;
    EXPECT_EQ(w.ApplyLocalAmplify(), 1);
    EXPECT_EQ(w.SampleCount(), 200);
    w.riseIndex = 0;
    w.peakIndex = 1; // M = 2: nothing
    const auto before = w.Source();
    EXPECT_EQ(w.ApplyLocalAmplify(), 0);
    EXPECT_EQ(w.Source(), before);
}

// ---- drawing support -------------------------------------------------------------------

TEST(WaveDrawSupport, FillPointsInsertCrossingsAndFlattenTheOtherSide) {
    const QPoint pts[] = {{0, 10}, {2, -10}, {4, 10}, {6, 0}};
    QPoint out[16];
    const int n = CWaveRecord::BuildFillPoints(pts, 4, out, false, 0);
    ASSERT_EQ(n, 6);
    const QPoint want[] = {{0, 10}, {1, 0}, {2, 0}, {3, 0}, {4, 10}, {6, 0}};
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(out[i + 1], want[i]) << i;
    const int m = CWaveRecord::BuildFillPoints(pts, 4, out, true, 0);
    ASSERT_EQ(m, 6);
    EXPECT_EQ(out[1], QPoint(0, 0));
    EXPECT_EQ(out[3], QPoint(2, -10));
}

TEST(WaveDrawSupport, StylePenPatterns) {
    EXPECT_TRUE(CWaveRecord::StylePenPattern(0, 2).empty());
    EXPECT_EQ(CWaveRecord::StylePenPattern(1, 2), (std::vector<int>{6, 4}));
    EXPECT_EQ(CWaveRecord::StylePenPattern(2, 1), (std::vector<int>{1, 3}));
    EXPECT_EQ(CWaveRecord::StylePenPattern(3, 1), (std::vector<int>{3, 2, 1, 2}));
    EXPECT_EQ(CWaveRecord::StylePenPattern(9, 1), (std::vector<int>{3, 2, 1, 2, 1, 2}));
}
