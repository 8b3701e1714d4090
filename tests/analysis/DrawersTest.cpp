// The curve drawers under the wave (spectrum and phase) and the read-out
// panels: what they compute, read out and put on the painter.
#include "core/draw/ParaWave.h"
#include "core/draw/PhaseDraw.h"
#include "core/draw/SpectrumDraw.h"
#include "core/wave/WaveRecord.h"
#include "platform/FontSetup.h"
#include "platform/RecordingDevice.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

using gdi::RecordedItem;
using Kind = RecordedItem::Kind;

namespace {

// A channel of n samples at dt µs holding a tone on refined bin 43 of a
// 1024-point transform at refinement 8 (262 Hz at 20 µs).
void MakeTone(CWaveRecord& w, int n = 1024, float dt = 20.0f, float amplitude = 1.0f) {
    std::vector<float> s(static_cast<size_t>(n));
    const double f = 43 * 1e6 / (8 * double(dt) * 1024);
    for (int i = 0; i < n; ++i)
        s[size_t(i)] = float(amplitude * std::cos(2 * std::numbers::pi * f * i * dt * 1e-6));
    w.sampleInterval = dt;
    w.SetData(s);
    w.SetWaveSpeed(4000);
}

// A canvas over a recording device; end() closes it before the items are read.
struct Recorder {
    gdi::RecordingDevice device;
    QPainter painter;
    std::unique_ptr<gdi::Canvas> canvas;
    gdi::Canvas& dc;
    explicit Recorder(int dpi = 96, bool printing = false)
        : device(2000, 1000, dpi, dpi), painter(&device),
          canvas(std::make_unique<gdi::Canvas>(painter, 0, 0, printing)), dc(*canvas) {}
    void end() {
        canvas.reset();
        if (painter.isActive())
            painter.end();
    }
    std::vector<RecordedItem> items(Kind k) {
        end();
        return device.itemsOf(k);
    }
    QStringList texts() {
        end();
        return device.textList();
    }
};

// The polyline with the most points: the curve.
RecordedItem Curve(const std::vector<RecordedItem>& lines) {
    return *std::max_element(lines.begin(), lines.end(),
                             [](const auto& a, const auto& b) { return a.points.size() < b.points.size(); });
}

class DrawersTest : public ::testing::Test {
protected:
    void SetUp() override { pit::RegisterFontSubstitutions(); }
};

} // namespace

TEST_F(DrawersTest, BaseDefaultsPeakAndFillMode) {
    CWaveRecord w;
    w.SetData(std::vector<float>(16, 0.0f));
    CPhase phase(&w);
    EXPECT_EQ(phase.GetPeak(), 0.0f); // all-zero: 0 wins over the start value
    EXPECT_EQ(phase.Count(), 16);
    EXPECT_EQ(phase.curveColour, 0xC83232u);
    EXPECT_TRUE(phase.SetFillMode(3));
    EXPECT_FALSE(phase.SetFillMode(4));
    EXPECT_FALSE(phase.SetFillMode(-1));
    EXPECT_EQ(phase.GetFillMode(), 3);
    phase.SetData(nullptr, 0);
    EXPECT_EQ(phase.GetPeak(), -100.0f);

    phase.SetRect(gdi::Rect(10, 20, 610, 220));
    EXPECT_EQ(phase.GetPlotRect(), gdi::Rect(11, 22, 490, 200));
}

TEST_F(DrawersTest, SpectrumRefinementIsRoundedAndLimited) {
    CWaveRecord w;
    MakeTone(w);
    CSpectrum s(&w);
    EXPECT_EQ(s.GetRefine(), 8);
    const std::pair<int, int> cases[] = {{1, 1}, {3, 2}, {8, 8}, {12, 8}, {50, 32}, {0, 1}, {-5, 1}};
    for (auto [asked, used] : cases) {
        s.SetRefine(asked);
        EXPECT_EQ(s.GetRefine(), used) << asked;
        EXPECT_EQ(s.Count(), 1024);
    }
}

TEST_F(DrawersTest, ShortChannelIsPaddedToAPowerOfTwo) {
    CWaveRecord w;
    MakeTone(w, 300);
    CSpectrum s(&w);
    EXPECT_EQ(s.Count(), 512);
    s.SetRect(0, 0, 700, 200);
    Recorder r;
    s.Render(r.dc);
    EXPECT_EQ(Curve(r.items(Kind::Polyline)).points.size(), 257u);
}

TEST_F(DrawersTest, SpectrumReadoutLines) {
    CWaveRecord w;
    MakeTone(w);
    CSpectrum s(&w);
    s.SetRect(0, 0, 633, 200); // plot 1..513: one pixel per shown value
    s.SetCursorPoint(1 + 43, 50);
    s.UpdateReadout();
    const auto& lines = s.ReadoutLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], QStringLiteral("Fmax: 262Hz      ")); // 11 characters, three pairs of spaces
    EXPECT_EQ(lines[1], QStringLiteral("F: 262Hz"
                                       "            "));
    EXPECT_TRUE(lines[2].startsWith(QString::asprintf("FA: %.2E", double(s.Data()[43]))))
        << lines[2].toStdString();
    EXPECT_EQ(lines[3], QStringLiteral("dFre: 0Hz          "));
    EXPECT_EQ(lines[4], QStringLiteral("dLen:2000.00m  "));

    // Cursor left of the plot reads bin 0, right of it the last shown bin.
    s.SetCursorPoint(-50, 0);
    s.UpdateReadout();
    EXPECT_EQ(s.CursorFrequency(), 0.0f);
    s.SetCursorPoint(5000, 0);
    s.UpdateReadout();
    EXPECT_EQ(s.CursorFrequency(), float(int(511 * 1e6 / (8 * 20.0 * 1024))));

    // A stored mark wins over the curve's peak; the reference gives dFre and dLen.
    s.SetPeakFrequency(123.9f);
    s.SetReferenceFrequency(200);
    s.SetCursorPoint(1 + 43, 0);
    s.SetDecimals(1);
    s.UpdateReadout();
    EXPECT_EQ(s.ReadoutLines()[0], QStringLiteral("Fmax: 123Hz      "));
    EXPECT_EQ(s.DeltaFrequency(), 62.0f);
    EXPECT_EQ(s.ReadoutLines()[4].trimmed(), QStringLiteral("dLen:32.3m"));
}

TEST_F(DrawersTest, ClickPicksABinAndItsFrequency) {
    CWaveRecord w;
    MakeTone(w);
    CSpectrum s(&w);
    s.SetRect(0, 0, 633, 200);
    EXPECT_EQ(s.GetCursorFrequency(), 0);
    s.SetCursorPos(1 + 43, 10);
    EXPECT_EQ(s.GetClickBin(), 43);
    EXPECT_EQ(s.GetCursorFrequency(), 262);
    s.SetCursorPos(-3, 10);
    EXPECT_EQ(s.GetClickBin(), 0);
    s.SetCursorPos(900, 10);
    EXPECT_EQ(s.GetClickBin(), 511);
    int range = 0, peak = 0;
    s.GetRangeAndPeak(range, peak);
    EXPECT_EQ(range, 3125);
    EXPECT_EQ(peak, 262);
}

TEST_F(DrawersTest, AxisStepTableReachesDownToOneHertz) {
    const std::pair<double, double> cases[] = {{3125, 600}, {31250, 5000}, {500, 100}, {100, 20}, {12, 2},
                                               {7, 1},      {3, 1},        {0, 0},     {-1, 0}};
    for (auto [range, step] : cases)
        EXPECT_EQ(CSpectrum::AxisStep(range), step) << range;
    double d = 0;
    EXPECT_EQ(CSpectrum::AxisUnit(999, d), QStringLiteral("Hz"));
    EXPECT_EQ(CSpectrum::AxisUnit(3125, d), QStringLiteral("kHz"));
    EXPECT_EQ(d, 1000);
    EXPECT_EQ(CSpectrum::AxisUnit(2e6, d), QStringLiteral("MHz"));
    EXPECT_EQ(d, 1e6);
}

TEST_F(DrawersTest, SpectrumCurveAxisAndFill) {
    CWaveRecord w;
    MakeTone(w);
    CSpectrum s(&w);
    s.SetRect(100, 50, 733, 250); // plot 101..613 x 52..230
    s.SetFillMode(1);
    Recorder r;
    s.Render(r.dc);
    r.end();
    const RecordedItem curve = Curve(r.device.itemsOf(Kind::Polyline));
    ASSERT_EQ(curve.points.size(), 513u);
    // Drawn into the picture: the plot moved to the origin, bottom at 180.
    EXPECT_EQ(curve.points.front(), QPointF(1, 180));
    EXPECT_EQ(curve.points[44], QPointF(1 + 43, 2)); // the peak reaches the plot's top
    // The fill covers the whole shown curve.
    const auto paths = r.device.itemsOf(Kind::Path);
    ASSERT_EQ(paths.size(), 1u);
    const QRectF box = paths[0].path.boundingRect();
    EXPECT_NEAR(box.left(), 1, 0.5);
    EXPECT_NEAR(box.right(), 1 + 511, 0.5);
    // 3125 Hz shown, step 600: labels 0.60 .. 2.40 in kHz.
    const QStringList texts = r.device.textList();
    EXPECT_TRUE(texts.contains(QStringLiteral("kHz"))) << texts.join('|').toStdString();
    // The unit ends inside the picture's plot, clear of the read-out panel beside it.
    for (const RecordedItem& t : r.device.texts())
        if (t.text == QStringLiteral("kHz"))
            EXPECT_LE(t.rect.right(), 1 + 511 + 1) << t.rect.right();
    EXPECT_TRUE(texts.contains(QStringLiteral("0.60")));
    EXPECT_TRUE(texts.contains(QStringLiteral("2.40")));
    EXPECT_FALSE(texts.contains(QStringLiteral("0.00")));
}

TEST_F(DrawersTest, AllZeroChannelGivesAFlatSpectrum) {
    CWaveRecord w;
    w.sampleInterval = 20.0f;
    w.SetData(std::vector<float>(1024, 0.0f));
    CSpectrum s(&w);
    s.SetRect(0, 0, 632, 200);
    Recorder r;
    s.Render(r.dc);
    const RecordedItem curve = Curve(r.items(Kind::Polyline));
    for (const QPointF& p : curve.points)
        EXPECT_EQ(p.y(), 180.0);
    s.UpdateReadout();
    EXPECT_EQ(s.ReadoutLines()[0].trimmed(), QStringLiteral("Fmax: 0Hz"));
}

TEST_F(DrawersTest, SpectrumPaintShowsPanelAndCursor) {
    CWaveRecord w;
    MakeTone(w);
    CSpectrum s(&w);
    s.SetRect(0, 0, 632, 200);
    gdi::RecordingDevice dev(800, 300);
    ASSERT_EQ(s.PrepareBitmap(&dev), 1);
    s.SetCursorPoint(200, 40);
    Recorder r;
    s.Paint(r.dc);
    r.end();
    EXPECT_EQ(r.device.itemsOf(Kind::Image).size(), 1u);
    const auto lines = r.device.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points[0].x(), 200);
    EXPECT_EQ(s.ReadoutLines().size(), 5u); // the paint refreshed the read-out
    EXPECT_FALSE(s.Panel().GetBitmap().isNull());
}

TEST_F(DrawersTest, SpectrumPrintPictureIsBlackOnTheBaseline) {
    CWaveRecord w;
    MakeTone(w);
    CSpectrum s(&w);
    s.SetRect(0, 0, 500, 200);
    s.SetFillMode(1);
    Recorder r(96, true);
    s.DrawForPrint(r.dc, gdi::Font::Create(14, 400, QStringLiteral("Arial")));
    r.end();
    const RecordedItem curve = Curve(r.device.itemsOf(Kind::Polyline));
    EXPECT_EQ(curve.pen.color(), Qt::black);
    ASSERT_EQ(curve.points.size(), 512u);
    const auto paths = r.device.itemsOf(Kind::Path);
    ASSERT_EQ(paths.size(), 1u);
    // The area under the curve: from the curve down to the baseline.
    const auto lines = r.device.lines();
    ASSERT_FALSE(lines.empty());
    const double baseline = lines[0].points[0].y();
    EXPECT_NEAR(paths[0].path.boundingRect().bottom(), baseline, 0.5);
    EXPECT_LT(paths[0].path.boundingRect().top(), baseline - 100);
}

TEST_F(DrawersTest, PanelDrawsUnderlinedLinesOrOnlyItsBackground) {
    struct Lines : CPara {
        std::vector<QString> next;
        void UpdateLines() override { SetLines(next); }
    } panel;
    panel.SetRect(gdi::Rect(500, 10, 618, 190));
    {
        Recorder r;
        panel.Render(r.dc);
        r.end();
        EXPECT_TRUE(r.device.texts().empty());
        EXPECT_TRUE(r.device.lines().empty());
        ASSERT_EQ(r.device.itemsOf(Kind::Rect).size(), 1u);
        EXPECT_EQ(r.device.itemsOf(Kind::Rect)[0].rect, QRectF(0, 0, 118, 180)); // moved into its picture
    }
    panel.next = {QStringLiteral("A: 1"), QStringLiteral("B: 2"), QStringLiteral("C: 3")};
    Recorder r(96, true);
    panel.Render(r.dc);
    r.end();
    const auto texts = r.device.texts();
    const auto lines = r.device.lines();
    ASSERT_EQ(texts.size(), 3u);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(texts[0].font.family(), QStringLiteral("Arial"));
    const double step = lines[1].points[0].y() - lines[0].points[0].y();
    EXPECT_GT(step, 0);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_LE(texts[i].rect.bottom(), lines[i].points[0].y() + 1); // each line underlined
        EXPECT_GE(lines[i].points[0].x(), 500);                        // in place on a printer
    }
    // The cursor off the wave leaves the first line empty: the others still get their rows.
    panel.next = {QString(), QStringLiteral("V: out"), QStringLiteral("dL: out-3")};
    Recorder off(96, true);
    panel.Render(off.dc);
    off.end();
    const auto offLines = off.device.lines();
    ASSERT_EQ(offLines.size(), 3u);
    EXPECT_GT(offLines[1].points[0].y() - offLines[0].points[0].y(), 5);
}

TEST_F(DrawersTest, WavePanelShowsTheCursorReadout) {
    CWaveRecord w;
    MakeTone(w);
    w.Layout(0, 0, 800, 200);
    w.SetPickPoint(w.GetPlotRect().left + 40, w.GetPlotRect().top + 5);
    CParaWave panel(&w);
    panel.UpdateLines();
    ASSERT_EQ(panel.Lines().size(), 6u);
    EXPECT_EQ(panel.Lines()[4], w.cursorLines[4]);
    EXPECT_TRUE(panel.Lines()[4].startsWith(QStringLiteral("C:4000m/s")));
    CParaWave none;
    none.UpdateLines();
    EXPECT_TRUE(none.Lines().empty());
}

TEST_F(DrawersTest, PhaseFactorZoomAndFlatTrace) {
    CWaveRecord w;
    MakeTone(w);
    CPhase p(&w);
    EXPECT_EQ(p.Kind(), 2);
    EXPECT_EQ(p.Count(), 1024);
    for (float v : p.Data())
        EXPECT_LE(std::fabs(v), std::numbers::pi_v<float> + 1e-5f);
    const std::pair<int, int> factors[] = {{0, 1}, {2, 2}, {50, 50}, {99, 50}};
    for (auto [asked, kept] : factors) {
        p.SetRefine(asked);
        EXPECT_EQ(p.GetRefine(), kept);
    }

    p.SetRect(gdi::Rect(0, 0, 632, 200)); // plot 1..512
    p.SetRefine(2);
    {
        Recorder r;
        p.Render(r.dc);
        const RecordedItem curve = Curve(r.items(Kind::Polyline));
        ASSERT_EQ(curve.points.size(), 512u + 1);                        // the first half, from the origin
        EXPECT_TRUE(r.device.textList().contains(QStringLiteral("ms"))); // the time axis underneath
        EXPECT_NEAR(curve.points.back().x(), 1 + 511, 1.5);
    }
    p.SetRefine(1);
    w.SetZoom(1.5f);
    {
        Recorder r;
        p.Render(r.dc);
        EXPECT_EQ(Curve(r.items(Kind::Polyline)).points.size(), 682u + 1);
        EXPECT_EQ(p.Count(), 1024);
    }

    CWaveRecord zero;
    zero.SetData(std::vector<float>(64, 0.0f));
    CPhase flat(&zero);
    flat.SetRect(gdi::Rect(0, 0, 632, 200));
    Recorder r;
    flat.Render(r.dc);
    const RecordedItem curve = Curve(r.items(Kind::Polyline));
    for (const QPointF& q : curve.points)
        EXPECT_EQ(q.y(), (2 + 180) / 2);
}

TEST_F(DrawersTest, PhaseFillLinesFollowTheBitsAndTheZoom) {
    CWaveRecord w;
    MakeTone(w);
    CPhase p(&w);
    p.SetFillMode(1);
    const std::vector<gdi::Point> pts = {{0, -5}, {1, 5}, {2, 0}, {3, -7}};
    {
        Recorder r;
        p.DrawFillLines(r.dc, pts);
        const auto lines = r.items(Kind::Line);
        ASSERT_EQ(lines.size(), 2u); // the two negative points only
        EXPECT_EQ(lines[0].pen.widthF(), 2.0);
    }
    p.SetFillMode(2);
    p.SetRefine(3);
    w.SetZoom(4.0f);
    Recorder r;
    p.DrawFillLines(r.dc, pts);
    const auto lines = r.items(Kind::Line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].pen.widthF(), 12.0); // 2 x 3, times zoom / 2
}

TEST_F(DrawersTest, DepthAxisScalesWithResolutionAndNeedsAValidWave) {
    CWaveRecord w;
    MakeTone(w);
    w.SetShowStyle(2);
    w.headIndex = 100;
    w.toeIndex = 600;
    w.pileLength = 20.0f;
    const auto draw = [&](int dpi) {
        CPhase p(&w);
        Recorder r(dpi);
        p.DrawAxes(r.dc, gdi::Rect(0, 0, 1023, 100));
        r.end();
        return r.device.texts();
    };
    const auto t96 = draw(96), t192 = draw(192);
    ASSERT_EQ(t96.size(), t192.size());
    QStringList labels;
    for (const auto& t : t96)
        labels << t.text;
    // 20 m: step 4 m, labels from 1 m below the head, the toe's length last.
    EXPECT_TRUE(labels.contains(QStringLiteral("5")) && labels.contains(QStringLiteral("20.0")))
        << labels.join('|').toStdString();
    // "m" sits 10 s from the right edge: twice as far at twice the resolution.
    EXPECT_EQ(1023 - t96[0].baseline.x(), 10);
    EXPECT_EQ(1023 - t192[0].baseline.x(), 20);

    for (int bad = 0; bad < 3; ++bad) {
        CWaveRecord v;
        MakeTone(v, bad == 2 ? 1 : 1024);
        v.SetShowStyle(2);
        v.headIndex = 100;
        v.toeIndex = 600;
        v.pileLength = 8.0f;
        if (bad == 0)
            v.speed = 0;
        if (bad == 1)
            v.sampleInterval = 0;
        CPhase p(&v);
        Recorder r;
        p.DrawAxes(r.dc, gdi::Rect(0, 0, 1023, 100));
        EXPECT_EQ(r.texts(), QStringList{QStringLiteral("m")}) << bad;
    }
}

TEST_F(DrawersTest, TinyChannelsDrawAndReadOutSafely) {
    for (int n : {1, 2, 3}) {
        CWaveRecord w;
        MakeTone(w, n);
        w.SetShowStyle(2);
        w.headIndex = 0;
        w.toeIndex = n - 1;
        CSpectrum s(&w);
        s.SetRect(0, 0, 633, 200);
        s.SetCursorPos(300, 10);
        s.SetCursorPoint(300, 10);
        CPhase p(&w);
        p.SetRect(gdi::Rect(0, 0, 633, 200));
        p.SetFillMode(3);
        s.SetFillMode(1);
        Recorder r;
        s.Render(r.dc);
        s.Paint(r.dc);
        p.Render(r.dc);
        p.Paint(r.dc);
        s.DrawForPrint(r.dc, gdi::Font::Create(14, 400, QStringLiteral("Arial")));
        EXPECT_EQ(s.ReadoutLines().size(), 5u) << n;
        EXPECT_EQ(p.Count(), n);
    }
}
