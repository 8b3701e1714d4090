// Layout numbers and curve geometry of the wave drawings, without a device.
#include "core/draw/WaveDrawGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

using gdi::Point;
using gdi::Rect;

TEST(WaveDrawGeometry, SampleWindowStaysInsideTheChannel) {
    struct Case {
        const char* name;
        int first, count;
        float zoom;
        int n;
        int wantFirst, wantCount;
    };
    const Case cases[] = {
        {"whole channel", 0, 1024, 1.0f, 1024, 0, 1024},
        {"stretched shows fewer", 0, 1024, 2.0f, 1024, 0, 512},
        {"count beyond the end is cut", 1000, 1024, 1.0f, 1024, 1000, 24},
        {"first beyond the end is the last sample", 5000, 1024, 1.0f, 1024, 1023, 1},
        {"negative first starts at 0", -7, 100, 1.0f, 1024, 0, 100},
        {"short channel", 0, 1024, 1.0f, 512, 0, 512},
        {"zoom out of range counts as 1", 0, 1024, 9.0f, 1024, 0, 1024},
        {"negative count draws nothing", 0, -3, 1.0f, 1024, 0, 0},
    };
    for (const Case& c : cases) {
        const pit::SampleWindow w = pit::ClampSampleWindow(c.first, c.count, c.zoom, c.n);
        EXPECT_EQ(w.first, c.wantFirst) << c.name;
        EXPECT_EQ(w.count, c.wantCount) << c.name;
        EXPECT_EQ(w.drawable(), c.wantCount >= 2) << c.name;
    }
}

TEST(WaveDrawGeometry, FlatOrEmptyChannelGetsAFiniteScale) {
    EXPECT_DOUBLE_EQ(pit::AmplitudeScale(200, 0.5, 1.0f), 200.0);
    EXPECT_DOUBLE_EQ(pit::AmplitudeScale(200, 0.5, 2.0f), 400.0);
    for (double peak : {0.0, -1.0, std::nan("")})
        EXPECT_DOUBLE_EQ(pit::AmplitudeScale(200, peak, 1.0f), 100.0) << peak;
}

TEST(WaveDrawGeometry, BandCrossingMatchesTheLineIntersection) {
    // Reference: the intersection of the line through a and b with y = edge
    // by Cramer's rule; and where it is defined, the ratio form
    // t = (y1 - h) / (h - y0), x = (x1 + x0 t) / (t + 1).
    struct Case {
        Point a, b;
        int edge;
    };
    const Case cases[] = {
        {{0, 10}, {10, 30}, 20},    {{5, -5}, {9, -45}, -20}, {{100, 30}, {103, -60}, -40},
        {{7, 25}, {8, 0}, 20},      {{0, 20}, {4, 35}, 20},   {{0, -20}, {6, -70}, -20},
        {{30, -80}, {33, 10}, -20}, {{40, 70}, {41, 3}, 20},
    };
    for (const Case& c : cases) {
        const double dx = c.b.x - c.a.x, dy = c.b.y - c.a.y;
        const double cramer = (dx * c.edge + dy * c.a.x - dx * c.a.y) / dy;
        const int got = pit::BandCrossingX(c.a, c.b, c.edge);
        EXPECT_EQ(got, int(std::trunc(cramer))) << c.a.x << "," << c.a.y << " -> " << c.b.x << "," << c.b.y;
        const bool leaving = std::abs(c.a.y) <= std::abs(c.edge);
        const Point in = leaving ? c.a : c.b, out = leaving ? c.b : c.a;
        if (in.y != c.edge) {
            const double h = c.edge;
            const double t = (out.y - h) / (h - in.y);
            EXPECT_NEAR(got, (out.x + in.x * t) / (t + 1), 1.0);
        } else {
            EXPECT_EQ(got, in.x) << "a point on the edge crosses where it stands";
        }
    }
}

TEST(WaveDrawGeometry, ClipCutsAtTheBandAndLeavesGapsBetweenOutsidePoints) {
    const int h = 20;
    // in, out (above), out, in, out (below) jumping straight to out (above), in.
    const std::vector<Point> p = {{0, 0}, {10, 30}, {20, 40}, {30, 10}, {40, -50}, {50, 60}, {60, 0}};
    const pit::BandClip clip = pit::ClipToBand(p, h);
    ASSERT_EQ(clip.runs.size(), 3u);
    EXPECT_EQ(clip.runs[0], (std::vector<Point>{{0, 0}, {6, 20}}));
    EXPECT_EQ(clip.runs[1], (std::vector<Point>{{pit::BandCrossingX({20, 40}, {30, 10}, 20), 20},
                                                {30, 10},
                                                {pit::BandCrossingX({30, 10}, {40, -50}, -20), -20}}));
    EXPECT_EQ(clip.runs[2], (std::vector<Point>{{pit::BandCrossingX({50, 60}, {60, 0}, 20), 20}, {60, 0}}));
    for (const auto& run : clip.runs)
        for (const Point& q : run)
            EXPECT_LE(std::abs(q.y), h);

    ASSERT_EQ(clip.smooth.size(), p.size());
    EXPECT_EQ(clip.smooth[1], (Point{6, 20})) << "a leaving point becomes its crossing";
    EXPECT_EQ(clip.smooth[2], (Point{20, 20})) << "further points outside sit on the edge at their own x";
    EXPECT_EQ(clip.smooth[5], (Point{50, 20}));
    EXPECT_EQ(clip.smooth[3], (Point{30, 10}));
}

TEST(WaveDrawGeometry, ClipOfACurveStartingOutsideDrawsFromTheEntry) {
    const pit::BandClip clip = pit::ClipToBand({{0, -90}, {10, 0}, {20, 5}}, 30);
    ASSERT_EQ(clip.runs.size(), 1u);
    EXPECT_EQ(clip.runs[0].front(), (Point{6, -30}));
    EXPECT_EQ(clip.smooth[0], (Point{0, -30}));
}

TEST(WaveDrawGeometry, BezierPointsPadTheTailWithTheLastPoint) {
    for (int count : {1, 2, 4, 5, 7, 1024}) {
        std::vector<Point> s(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            s[size_t(i)] = {i, -i};
        const auto b = pit::BezierPoints(s);
        ASSERT_EQ(int(b.size()), (count / 3 + 1) * 3 + 1) << count;
        EXPECT_EQ((int(b.size()) - 1) % 3, 0);
        for (size_t i = size_t(count); i < b.size(); ++i)
            EXPECT_EQ(b[i], QPointF(count - 1, -(count - 1))) << count;
    }
    EXPECT_TRUE(pit::BezierPoints({}).empty());
}

TEST(WaveDrawGeometry, FillLinesByHalfWave) {
    const std::vector<Point> p = {{0, -80}, {1, -10}, {2, 0}, {3, 15}, {4, 90}};
    const int frameH = 100;
    auto xs = [](const std::vector<pit::Segment>& v) {
        std::vector<int> out;
        for (const auto& s : v) {
            EXPECT_EQ(s.a.x, s.b.x);
            EXPECT_EQ(s.b.y, 0);
            out.push_back(s.a.x);
        }
        return out;
    };
    EXPECT_TRUE(pit::FillLineSegments(p, 0, frameH).empty());
    const auto up = pit::FillLineSegments(p, 1, frameH);
    EXPECT_EQ(xs(up), (std::vector<int>{0, 1}));
    EXPECT_EQ(up[0].a.y, -50) << "cut at half the frame";
    const auto down = pit::FillLineSegments(p, 2, frameH);
    EXPECT_EQ(xs(down), (std::vector<int>{3, 4}));
    EXPECT_EQ(down[1].a.y, 50);
    EXPECT_EQ(xs(pit::FillLineSegments(p, 3, frameH)), (std::vector<int>{0, 1, 3, 4}));
}

TEST(WaveDrawGeometry, PrintLayoutNumbers) {
    pit::PrintLayoutInput in;
    in.box = Rect(0, 0, 800, 400);
    in.labelHeight = 20;
    in.fontHeight = 16;

    // Sketch taller than (27 - rows): cut to that height, the plot just above.
    pit::PrintLayout l = pit::ComputePrintLayout(in);
    EXPECT_EQ(l.plot, Rect(0, 2, 798, 398 - 22 - 20));
    EXPECT_EQ(l.sketch, Rect(0, 398 - 22, 798, 398));
    EXPECT_TRUE(l.scale.IsRectEmpty());

    // Rows per page change the sketch height; the device unit scales margins.
    in.rows = 7;
    in.s = 6;
    in.box = Rect(0, 0, 800, 2400);
    l = pit::ComputePrintLayout(in);
    EXPECT_EQ(l.sketch.Height(), 20 * 6);
    EXPECT_EQ(l.sketch.bottom, 2400 - 12);
    EXPECT_EQ(l.plot.top, 12);
    EXPECT_EQ(l.plot.bottom, l.sketch.top - 20);
    in.s = 1;
    in.rows = 5;
    in.box = Rect(0, 0, 800, 400);

    // Labels that need more than L (their line below the ticks and their
    // height): the sketch starts below them, the plot keeps its place.
    in.rulerLabelBottom = 26;
    l = pit::ComputePrintLayout(in);
    EXPECT_EQ(l.sketch.top, 398 - 22);
    EXPECT_EQ(l.plot.bottom, 398 - 22 - 26);
    in.box = Rect(0, 0, 800, 100); // a sketch short of its cap
    l = pit::ComputePrintLayout(in);
    EXPECT_EQ(l.plot.bottom, 2 + 98 * 3 / 4);
    EXPECT_EQ(l.sketch.top, l.plot.bottom + 26);
    in.box = Rect(0, 0, 800, 400);
    in.rulerLabelBottom = 0;

    // Without the sketch the plot runs down to the label line.
    in.moniPile = false;
    l = pit::ComputePrintLayout(in);
    EXPECT_EQ(l.plot.bottom, 400 - 2 - 20);
    EXPECT_TRUE(l.sketch.IsRectEmpty());
    in.moniPile = true;

    // Compact: the sketch is at most 30 high.
    in.compact = true;
    l = pit::ComputePrintLayout(in);
    EXPECT_EQ(l.sketch.Height(), 30);
    in.compact = false;

    // Room for the amplitude axis: its width from the peak's digits and the font.
    in.withScale = true;
    in.groupPeak = 12.0; // v = 1200: 3 digits
    l = pit::ComputePrintLayout(in);
    EXPECT_EQ(l.scale, Rect(0, 2, (3 / 2 + 5) * 16, int(2 + 398 * 0.75)));
    EXPECT_EQ(l.plot.left, l.scale.right);
    in.groupPeak = 0.0; // the channel's own peak
    in.displayMax100 = 0.5;
    EXPECT_EQ(pit::ComputePrintLayout(in).scale.right, 5 * 16);
}

// The document's picture (print label mode 2): the sketch no taller than a
// seventh of the picture (or 5 units) nor the page's, down to the picture's
// edge; the wave takes the rest above the ruler.
TEST(WaveDrawGeometry, PrintLayoutOfTheDocumentPicture) {
    struct Case {
        int height, s, rows;
        int sketch;
    } cases[] = {
        {36, 1, 10, 5},   // 5 units
        {88, 1, 5, 12},   // a seventh
        {300, 1, 10, 17}, // the page's (27 - rows)
        {600, 6, 10, 85}, // a seventh on a 600-dpi device
    };
    for (const Case& c : cases) {
        pit::PrintLayoutInput in;
        in.box = Rect(0, 0, 600, c.height);
        in.s = c.s;
        in.rows = c.rows;
        in.printLabelMode = 2;
        in.labelHeight = 7 * c.s;
        in.rulerLabelBottom = 9 * c.s;
        const pit::PrintLayout l = pit::ComputePrintLayout(in);
        EXPECT_EQ(l.sketch.bottom, c.height) << c.height;
        EXPECT_EQ(l.sketch.Height(), c.sketch) << c.height;
        EXPECT_EQ(l.plot.top, 2 * c.s) << c.height;
        EXPECT_EQ(l.plot.bottom, l.sketch.top - 9 * c.s) << c.height;
        EXPECT_GT(l.plot.Height(), c.height / 2) << c.height;
    }
}

TEST(WaveDrawGeometry, PeakDigitsForLargeAndTinyPeaks) {
    EXPECT_EQ(pit::PeakDigits(-1.0), 0);
    EXPECT_EQ(pit::PeakDigits(0.005), 0);
    EXPECT_EQ(pit::PeakDigits(12.0), 3);
    EXPECT_EQ(pit::PeakDigits(0.00001), 3);
}

TEST(WaveDrawGeometry, ExportLayoutAndRows) {
    const pit::ExportLayout l = pit::ExportFirstLayout(Rect(100, 50, 1100, 450), 2);
    EXPECT_EQ(l.plot, Rect(200, 70, 200 + 880, 70 + 288));
    EXPECT_EQ(l.label, Rect(102, 52, 182, 92));

    const std::pair<int, int> rows[] = {{1, 2}, {6, 7}, {8, 9}, {9, 5}, {10, 5}, {12, 6}, {13, 7}, {15, 8}};
    for (auto [n, want] : rows)
        EXPECT_EQ(pit::ExportRowCount(n), want) << n;
}
