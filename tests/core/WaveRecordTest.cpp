// The channel record: defaults, the constructors from a header image and from
// an "AD" block, the partial copy, the layout and the small accessors.
#include "core/wave/WaveRecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// A pile header image (PileHeaderRaw) with the fields the channel takes.
struct HeaderBuilder {
    std::vector<uint8_t> b = std::vector<uint8_t>(459, 0);
    template <typename T> HeaderBuilder& at(size_t off, T v) {
        std::memcpy(b.data() + off, &v, sizeof(T));
        return *this;
    }
};

std::vector<uint8_t> StandardHeader() {
    HeaderBuilder h;
    h.at<float>(9, 10.0f)      // pile length m
        .at<int32_t>(17, 4000) // wave speed
        .at<int32_t>(29, 0)    // form flag
        .at<int32_t>(33, 1)    // sensor kind: velocity
        .at<int32_t>(37, 1)    // gain
        .at<float>(57, 20.0f)  // dt µs
        .at<float>(90, -1.0f)  // no amplification depth
        .at<int32_t>(119, 0)   // sensor distance mm
        .at<int32_t>(133, 30); // grade
    return h.b;
}

// A blow: a half-sine pulse peaking at 50 and a toe echo.
std::vector<float> Blow(int n = 1024) {
    std::vector<float> s(size_t(n), 0.0f);
    for (int i = 30; i <= 70 && i < n; ++i)
        s[size_t(i)] = float(std::sin(M_PI * (i - 30) / 40.0));
    for (int i = 290; i <= 310 && i < n; ++i)
        s[size_t(i)] = 0.2f * float(std::sin(M_PI * (i - 290) / 20.0));
    return s;
}

} // namespace

TEST(WaveRecord, DefaultsOfThePart) {
    pit::WaveContext ctx;
    CWaveRecord w;
    EXPECT_EQ(w.SampleCount(), 1024);
    EXPECT_EQ(w.Source().size(), 1024u);
    EXPECT_EQ(w.Display().size(), 1024u);
    EXPECT_EQ(w.drawA, 1);
    EXPECT_EQ(w.drawB, 3);
    EXPECT_FLOAT_EQ(w.sampleInterval, 10.0f);
    EXPECT_EQ(w.highPassHz, 0);
    EXPECT_EQ(w.lowPassHz, 50000);
    EXPECT_EQ(w.expGain, 1);
    EXPECT_EQ(w.expStart, 0);
    EXPECT_EQ(w.dataForm, 0);
    EXPECT_FLOAT_EQ(w.scale, 1.0f);
    EXPECT_FLOAT_EQ(w.zoom, 1.0f);
    EXPECT_EQ(w.colours[0], 0x000000u);
    EXPECT_EQ(w.colours[1], 0xC83232u);
    EXPECT_EQ(w.colours[7], 0x00FF00u);
    EXPECT_EQ(w.drawC, 1);
    EXPECT_EQ(w.waveWidth, 2);
    EXPECT_EQ(w.headIndex, 0);
    EXPECT_EQ(w.toeIndex, 1);
    EXPECT_EQ(w.tiltStart, 1000000);
    EXPECT_EQ(w.axisMode, 1);
    EXPECT_EQ(w.speedAbove, 1);
    EXPECT_EQ(w.speed, 1);
    EXPECT_FLOAT_EQ(w.localGain, 1.0f);
    EXPECT_EQ(w.margins, (std::array<int32_t, 5>{1, 2, 2, 2, 23}));
    EXPECT_FLOAT_EQ(w.commonPeak, -1.0f);
    EXPECT_FLOAT_EQ(w.groupPeak, -1.0f);
    EXPECT_EQ(w.printLabelMode, 0);
    EXPECT_EQ(w.printSketch, nullptr);
    EXPECT_EQ(w.readout, nullptr);
}

TEST(WaveRecord, WaveColourComesFromTheContext) {
    pit::WaveContext ctx;
    ctx.SetDefaultWaveColour(0x123456);
    CWaveRecord w;
    w.SetContext(&ctx);
    w.Reset();
    EXPECT_EQ(w.colours[1], 0x123456u);
}

TEST(WaveRecord, SamplesConstructorTakesTheHeaderAndPlacesMarkers) {
    const auto s = Blow();
    CWaveRecord w(s.data(), int(s.size()), StandardHeader());
    EXPECT_EQ(w.speed, 4000);
    EXPECT_FLOAT_EQ(w.pileLength, 10.0f);
    EXPECT_FLOAT_EQ(w.sampleInterval, 20.0f);
    EXPECT_EQ(w.pairCount, 30);
    EXPECT_EQ(w.sensorKind, 1);
    EXPECT_EQ(w.derivedForm, 0);
    EXPECT_EQ(w.dataForm, 0);
    // (10 x 1.2 - 0) / (10 x 2 / 4000 x 0.6) = 4000
    EXPECT_NEAR(w.speedAbove, 4000, 1);
    EXPECT_EQ(w.headIndex, 50);
    EXPECT_EQ(w.refIndex, 50);
    EXPECT_EQ(w.toeIndex, 300); // 50 + 2 x 10 m / 4000 m/s / 20 µs
    EXPECT_EQ(w.peakIndex, 50);
    EXPECT_EQ(w.expStart, 50);
}

TEST(WaveRecord, SamplesConstructorDerivedFormForAccelerationSensor) {
    HeaderBuilder h;
    h.b = StandardHeader();
    h.at<int32_t>(33, 0).at<int32_t>(29, 1);
    const auto s = Blow();
    CWaveRecord w(s.data(), int(s.size()), h.b);
    EXPECT_EQ(w.sensorKind, 0);
    EXPECT_EQ(w.derivedForm, 1);
    EXPECT_EQ(w.dataForm, -1);
}

TEST(WaveRecord, AdConstructor) {
    pit::AdChannelParams p;
    p.pileLength = 10.0f;
    p.speed = 4000;
    p.highPassHz = 15;
    p.lowPassHz = 2000;
    p.expGain = 2;
    p.ampStartDepth = 2.0f; // 2 x 2 m / (4000 m/s x 20 µs) = 50 samples
    p.headIndex = 40;
    p.toeIndex = 290;
    p.defectIndex = 250;
    const auto s = Blow();
    CWaveRecord w(p, s, StandardHeader());
    EXPECT_EQ(w.SampleCount(), 1024);
    EXPECT_EQ(w.highPassHz, 15);
    EXPECT_EQ(w.lowPassHz, 2000);
    EXPECT_EQ(w.expGain, 2);
    EXPECT_EQ(w.headIndex, 40);
    EXPECT_EQ(w.toeIndex, 290);
    EXPECT_EQ(w.refIndex, 40);
    EXPECT_EQ(w.expStart, 90);
    ASSERT_EQ(w.GetDefectMarks().size(), 1u);
    EXPECT_EQ(w.GetDefectMarks()[0], (DefectMark{250, 0, 0, 0}));
    EXPECT_FLOAT_EQ(w.Display()[500], 2.0f * w.Source()[500]);
}

namespace {

// A blow record of a 10 m pile at 4000 m/s, its head at 40, without a defect.
pit::AdChannelParams BlowRecord(float ampStartDepth, int32_t toe) {
    pit::AdChannelParams p;
    p.pileLength = 10.0f;
    p.speed = 4000;
    p.expGain = 1;
    p.ampStartDepth = ampStartDepth;
    p.headIndex = 40;
    p.toeIndex = toe;
    p.defectIndex = 0;
    return p;
}

} // namespace

TEST(WaveRecord, AdConstructorStartAtOrBeyondToe) {
    CWaveRecord w(BlowRecord(12.0f, 290), Blow(), StandardHeader());
    EXPECT_EQ(w.expStart, 289);
    EXPECT_TRUE(w.GetDefectMarks().empty());
}

// A blow record's toe outside the samples marks the last sample, as in a
// channel record, and the amplification start stays below it.
TEST(WaveRecord, AdConstructorBoundsTheStoredToe) {
    for (int32_t toe : {INT32_MIN, -5, 1024, INT32_MAX}) {
        CWaveRecord w(BlowRecord(2.0f, toe), Blow(), StandardHeader());
        EXPECT_EQ(w.toeIndex, 1023) << toe;
        EXPECT_EQ(w.expStart, 90) << toe;
    }
}

TEST(WaveRecord, AdParamsFromBytes) {
    std::vector<uint8_t> b(36);
    const float L = 11.5f;
    const int32_t vals[] = {3900, 10, 3000, 5};
    std::memcpy(b.data(), &L, 4);
    std::memcpy(b.data() + 4, vals, 16);
    const int32_t tail[] = {12, 312, 200};
    const float depth = 1.5f;
    std::memcpy(b.data() + 20, &depth, 4);
    std::memcpy(b.data() + 24, tail, 12);
    const auto p = pit::AdChannelParams::FromBytes(b);
    EXPECT_FLOAT_EQ(p.pileLength, 11.5f);
    EXPECT_EQ(p.speed, 3900);
    EXPECT_EQ(p.highPassHz, 10);
    EXPECT_EQ(p.lowPassHz, 3000);
    EXPECT_EQ(p.expGain, 5);
    EXPECT_FLOAT_EQ(p.ampStartDepth, 1.5f);
    EXPECT_EQ(p.headIndex, 12);
    EXPECT_EQ(p.toeIndex, 312);
    EXPECT_EQ(p.defectIndex, 200);
}

TEST(WaveRecord, CopyIsPartial) {
    const auto s = Blow(512);
    CWaveRecord a;
    a.SetData(s);
    a.speed = 3800;
    a.pileLength = 9.0f;
    a.sensorDistance = 0.2f;
    a.speedAbove = 3600;
    a.sampleInterval = 25.0f;
    a.ampStartDepth = -1.0f;
    a.highPassHz = 12;
    a.lowPassHz = 1800;
    a.headIndex = 45;
    a.refIndex = 60; // recomputed from the head by the copy
    a.toeIndex = 400;
    a.sensorSamples = 3.5f;
    a.expGain = 3;
    a.expStart = 80; // recomputed: the head
    a.DefectMarks() = {{100, 1, 1, 0}};
    // Not copied: stay at the defaults.
    a.zoom = 2.0f;
    a.scale = 3.0f;
    a.drawA = 5;
    a.selected = 1;
    a.waveletHz = 700;
    a.dataForm = 1;
    a.tiltStart = 30;
    a.drawD = 2;
    a.isAverage = 1;

    CWaveRecord b;
    b.drawA = 9;
    b = a;
    EXPECT_EQ(b.SampleCount(), 512);
    EXPECT_EQ(b.Source(), a.Source());
    EXPECT_EQ(b.speed, 3800);
    EXPECT_FLOAT_EQ(b.pileLength, 9.0f);
    EXPECT_FLOAT_EQ(b.sensorDistance, 0.2f);
    EXPECT_EQ(b.speedAbove, 3600);
    EXPECT_FLOAT_EQ(b.sampleInterval, 25.0f);
    EXPECT_EQ(b.highPassHz, 12);
    EXPECT_EQ(b.lowPassHz, 1800);
    EXPECT_EQ(b.headIndex, 45);
    EXPECT_EQ(b.toeIndex, 400);
    EXPECT_FLOAT_EQ(b.sensorSamples, 3.5f);
    EXPECT_EQ(b.refIndex, 45);
    EXPECT_EQ(b.expStart, 45);
    EXPECT_EQ(b.expGain, 3);
    EXPECT_EQ(b.GetDefectMarks(), a.GetDefectMarks());
    EXPECT_FLOAT_EQ(b.Display()[450], 3.0f * b.Source()[450]);

    EXPECT_FLOAT_EQ(b.zoom, 1.0f);
    EXPECT_FLOAT_EQ(b.scale, 1.0f);
    EXPECT_EQ(b.drawA, 1);
    EXPECT_EQ(b.selected, 0);
    EXPECT_EQ(b.waveletHz, 0);
    EXPECT_EQ(b.dataForm, 0);
    EXPECT_EQ(b.tiltStart, 1000000);
    EXPECT_EQ(b.drawD, 0);
    EXPECT_EQ(b.isAverage, 0);

    CWaveRecord c(a);
    EXPECT_EQ(c.Source(), a.Source());
    EXPECT_EQ(c.headIndex, 45);

    b = b; // self-assignment keeps everything
    EXPECT_EQ(b.headIndex, 45);
}

TEST(WaveRecord, SetDataReallocatesAndRefreshes) {
    CWaveRecord w;
    w.expGain = 2;
    w.expStart = 1;
    w.toeIndex = 2;
    const std::vector<float> s = {1, 1, 1, 1, 1};
    w.SetData(s);
    EXPECT_EQ(w.SampleCount(), 5);
    EXPECT_EQ(w.Display().size(), 5u);
    EXPECT_FLOAT_EQ(w.Display()[4], 2.0f);
    w.SetData(nullptr, 3);
    w.SetData(s.data(), 0);
    EXPECT_EQ(w.SampleCount(), 5);
}

TEST(WaveRecord, LayoutOnScreen) {
    CWaveRecord w;
    w.Layout(0, 0, 800, 200);
    EXPECT_EQ(w.frameRect, gdi::Rect(0, 0, 800, 200));
    // digits 0 with the unset group peak
    EXPECT_EQ(w.scaleRect, gdi::Rect(1, 2, 81, 2 + 133));
    // The sketch below the plot would be 200-2 - (135+23) = 40 high: kept.
    EXPECT_EQ(w.plotRect, gdi::Rect(81, 2, 680, 135));
    EXPECT_EQ(w.sketchRect, gdi::Rect(81, 158, 680, 198));
    EXPECT_EQ(w.readoutRect, gdi::Rect(680, 2, 798, 158));
    EXPECT_EQ(w.labelRect, gdi::Rect(1, 1, 40, 20));
    EXPECT_EQ(w.infoRect1, gdi::Rect(81 + 599 * 3 / 4, 115, 81 + 599 * 3 / 4 + 50, 135));
    EXPECT_EQ(w.infoRect2.left, w.infoRect1.left + 599 / 8);
}

TEST(WaveRecord, LayoutTallFrameCapsTheSketchAndWidensForDigits) {
    CWaveRecord w;
    w.groupPeak = 12.0f; // v = 1200 -> 3 digits
    w.Layout(10, 20, 1010, 620, 192);
    const int s = 2;
    EXPECT_EQ(w.scaleRect.left, 11);
    EXPECT_EQ(w.scaleRect.top, 20 + 2 * s);
    EXPECT_EQ(w.scaleRect.right, 11 + (80 + 18) * s);
    EXPECT_EQ(w.scaleRect.bottom, 24 + 2 * 600 / 3);
    EXPECT_EQ(w.sketchRect.bottom, 620 - 2 * s);
    EXPECT_EQ(w.sketchRect.Height(), 50);
    EXPECT_EQ(w.plotRect.bottom, w.sketchRect.top - 23);
    EXPECT_EQ(w.labelRect, gdi::Rect(12, 22, 90, 60));
}

TEST(WaveRecord, Accessors) {
    CWaveRecord w;
    w.SetPileLength(0.05f);
    EXPECT_FLOAT_EQ(w.GetPileLength(), 0.0f);
    w.SetPileLength(8.0f);
    EXPECT_FLOAT_EQ(w.PileLength(), 8.0f);
    w.SetWaveSpeed(-5);
    EXPECT_EQ(w.GetWaveSpeed(), 1);
    w.SetWaveSpeed(3500);
    EXPECT_EQ(w.GetWaveSpeed(), 3500);
    EXPECT_EQ(w.SetWaveletFrequency(800), 0);
    EXPECT_EQ(w.SetWaveletFrequency(900), 800);
    w.SetBottomShape(7);
    EXPECT_EQ(w.bottomShape, 0);
    w.SetBottomShape(2);
    EXPECT_EQ(w.bottomShape, 2);
    EXPECT_EQ(w.SetFillMode(4), 0);
    EXPECT_EQ(w.SetFillMode(3), 1);
    EXPECT_EQ(w.GetFillMode(), 3);
    w.SetStyleFlag(true);
    EXPECT_EQ(w.margins[4], 5);
    w.SetStyleFlag(false);
    EXPECT_EQ(w.margins[4], 23);
    w.drawA = 3;
    EXPECT_TRUE(w.IsOddChannel());
    w.isAverage = 1;
    EXPECT_FALSE(w.IsOddChannel());
    w.SetMode(0, true);
    EXPECT_EQ(w.dataForm, -1);
    w.Layout(0, 0, 800, 200);
    w.SetCentre(100);
    EXPECT_EQ(w.labelOffsetY, 100 - (2 + 135) / 2);
    w.labelOffsetX = 7;
    EXPECT_EQ(w.GetMarkerLabelPoint(), QPoint(81 + 7, 100));
}

TEST(WaveRecord, LengthToTimeAndSpeedAbove) {
    CWaveRecord w;
    w.speed = 4000;
    w.pileLength = 10.0f;
    w.SetLength(0.0f);
    EXPECT_FLOAT_EQ(w.LengthToTime(true), 0.0f);
    w.SetLength(600.0f); // 0.6 m
    // (12 - 0.6) / (20 / 4000 x 0.6) = 3800
    EXPECT_NEAR(w.speedAbove, 3800, 1); // float arithmetic as stored
    EXPECT_NEAR(w.LengthToTime(true), 0.6 / (w.speedAbove * 0.6) * 1e6, 1e-2);
    EXPECT_NEAR(w.LengthToTime(false), 0.6 / (4000 * 0.6) * 1e6, 1e-2);
    w.speedAbove = 0; // unknown: no division
    EXPECT_FLOAT_EQ(w.LengthToTime(true), 0.0f);
}

TEST(WaveRecord, SetLengthAndSpeedMovesTheToeInRange) {
    CWaveRecord w;
    w.sampleInterval = 20.0f;
    w.headIndex = 50;
    EXPECT_EQ(w.SetLengthAndSpeed(10.0f, 4000), 300);
    EXPECT_EQ(w.toeIndex, 300);
    EXPECT_EQ(w.SetLengthAndSpeed(1000.0f, 4000), 1023);
    w.toeIndex = 77;
    EXPECT_EQ(w.SetLengthAndSpeed(10.0f, 0), 77); // speed unknown: toe kept
    EXPECT_EQ(w.speed, 0);
}

TEST(WaveRecord, PadTextAndPointInBox) {
    EXPECT_EQ(PadText(QStringLiteral("A-B"), 5), QStringLiteral("A-B") + QString(5, QLatin1Char(' ')));
    EXPECT_EQ(PadText(QStringLiteral("  AB "), 1), QStringLiteral("AB"));
    EXPECT_TRUE(PointInBox(0, 0, 10, 10, 10, 10));
    EXPECT_FALSE(PointInBox(0, 0, 10, 10, 11, 10));
}
