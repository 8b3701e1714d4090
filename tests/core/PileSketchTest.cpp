#include "core/draw/MoniPileDraw.h"

#include <gtest/gtest.h>

using namespace pit;
using Pts = std::vector<gdi::Point>;

namespace {

// A 1024-pixel strip for 1024 samples: a sample's x is its index.
const gdi::Rect kStrip(0, 100, 1024, 150);

PileSketchWave wave(int head = 100, int toe = 900) {
    PileSketchWave w;
    w.headIndex = head;
    w.toeIndex = toe;
    return w;
}

std::vector<SketchStroke> strokesOf(const PileSketchGeometry& g, SketchPen pen) {
    std::vector<SketchStroke> out;
    for (const SketchStroke& s : g.strokes)
        if (s.pen == pen)
            out.push_back(s);
    return out;
}

} // namespace

TEST(PileSketch, BodyRunsFromHeadToToeWithItsBottomShape) {
    struct Case {
        int bottom;
        Pts outline;
    } cases[] = {
        {0, {{100, 112}, {900, 112}, {900, 148}, {100, 148}, {100, 112}}},
        {1, {{100, 112}, {892, 112}, {900, 130}, {892, 148}, {100, 148}, {100, 112}}},
        {2,
         {{100, 112},
          {892, 112},
          {892, 110},
          {900, 110},
          {900, 149},
          {892, 149},
          {892, 148},
          {100, 148},
          {100, 112}}},
        {7, {}},
    };
    for (const Case& c : cases) {
        const PileSketchGeometry g = ComputePileSketch(wave(), kStrip, c.bottom, 2);
        ASSERT_TRUE(g.valid);
        EXPECT_TRUE(g.toeVisible);
        EXPECT_EQ(g.yt, 100 + 50 / 4) << "gain 1: the body sits a quarter down";
        EXPECT_EQ(g.yb, 148);
        const auto main = strokesOf(g, SketchPen::Main);
        if (c.outline.empty()) {
            EXPECT_TRUE(main.empty()) << "an unknown bottom draws no outline";
        } else {
            ASSERT_EQ(main.size(), 1u) << c.bottom;
            EXPECT_EQ(main[0].points, c.outline) << c.bottom;
        }
        EXPECT_EQ(g.factorAt, (gdi::Point{910, 112}));
    }
}

TEST(PileSketch, PositionsFollowTheVisibleSamples) {
    PileSketchWave w = wave(100, 600);
    w.zoom = 2.0f; // 512 samples shown over 1024 pixels
    PileSketchGeometry g = ComputePileSketch(w, kStrip, 0, 1);
    EXPECT_EQ(g.xh, 200);
    EXPECT_EQ(g.xt, 1024) << "a toe beyond the strip is cut at its edge";
    EXPECT_FALSE(g.toeVisible);

    g = ComputePileSketch(wave(100, 600), gdi::Rect(50, 0, 306, 40), 0, 1);
    EXPECT_EQ(g.xh, 50 + 256 * 100 / 1024);
    EXPECT_EQ(g.xt, 50 + 256 * 600 / 1024);

    EXPECT_FALSE(ComputePileSketch(wave(), gdi::Rect(0, 0, 0, 40), 0, 1).valid);
    PileSketchWave empty = wave();
    empty.sampleCount = 0;
    EXPECT_FALSE(ComputePileSketch(empty, kStrip, 0, 1).valid);
}

TEST(PileSketch, DefectSymbols) {
    const int s = 2, x = 500, yt = 112, yb = 148;
    struct Case {
        int type;
        std::vector<SketchStroke> strokes;
    } cases[] = {
        {0,
         {{SketchPen::Eraser, {{x - 6, yt}, {x + 6, yt}}},
          {SketchPen::Eraser, {{x - 6, yb}, {x + 6, yb}}},
          {SketchPen::Solid, {{x - 6, yt}, {x - 6, yt + 4}, {x + 6, yt + 4}, {x + 6, yt}}},
          {SketchPen::Solid, {{x - 6, yb}, {x - 6, yb - 4}, {x + 6, yb - 4}, {x + 6, yb}}}}},
        {5,
         {{SketchPen::Eraser, {{x - 6, yt}, {x + 6, yt}}},
          {SketchPen::Eraser, {{x - 6, yb}, {x + 6, yb}}},
          {SketchPen::Solid, {{x - 6, yt}, {x - 6, yt - 4}, {x + 6, yt - 4}, {x + 6, yt}}},
          {SketchPen::Solid, {{x - 6, yb}, {x - 6, yb + 2}, {x + 6, yb + 2}, {x + 6, yb}}}}},
        {1,
         {{SketchPen::Dotted, {{x - 6, yt + 2}, {x - 6, yb - 2}}},
          {SketchPen::Dotted, {{x - 2, yt + 2}, {x - 2, yb - 2}}},
          {SketchPen::Dotted, {{x + 2, yt + 2}, {x + 2, yb - 2}}},
          {SketchPen::Dotted, {{x + 6, yt + 2}, {x + 6, yb - 2}}}}},
        {2,
         {{SketchPen::Eraser, {{x - 4, yt}, {x + 4, yt}}},
          {SketchPen::Eraser, {{x - 4, yb}, {x + 4, yb}}},
          {SketchPen::Solid, {{x - 4, yt}, {x - 4, yb}}},
          {SketchPen::Solid, {{x + 4, yt}, {x + 4, yb}}}}},
        {3, {{SketchPen::Solid, {{x, yt}, {x, yt + 18}}}}},
        {6, {}},
    };
    for (const Case& c : cases) {
        PileSketchWave w = wave();
        w.defects = {{x, c.type}};
        const PileSketchGeometry g = ComputePileSketch(w, kStrip, 7, s);
        ASSERT_EQ(g.strokes.size(), c.strokes.size()) << "type " << c.type;
        for (size_t i = 0; i < c.strokes.size(); ++i) {
            EXPECT_EQ(g.strokes[i].pen, c.strokes[i].pen) << "type " << c.type << " stroke " << i;
            EXPECT_EQ(g.strokes[i].points, c.strokes[i].points) << "type " << c.type << " stroke " << i;
        }
    }
    // Type 4 draws as type 1; a mark at the head draws over the body's left edge.
    PileSketchWave w = wave();
    w.defects = {{100, 4}, {-5, 3}};
    const PileSketchGeometry g = ComputePileSketch(w, kStrip, 7, 1);
    ASSERT_EQ(g.strokes.size(), 4u) << "a negative index draws nothing";
    EXPECT_EQ(g.strokes[0].points.front().x, 97);
}

TEST(PileSketch, AmplificationCurveJoinsTheStartToTheToe) {
    PileSketchWave w = wave(100, 900);
    w.expGain = 4;
    w.expStart = 300;
    const int s = 1;
    const PileSketchGeometry g = ComputePileSketch(w, kStrip, 0, s);
    EXPECT_EQ(g.yt, 125) << "with a gain the body sits halfway down";
    const auto main = strokesOf(g, SketchPen::Main);
    ASSERT_EQ(main.size(), 4u); // outline, curve, two verticals
    const Pts& curve = main[1].points;
    ASSERT_EQ(curve.size(), 601u);
    EXPECT_EQ(curve.front(), (gdi::Point{300, 125}));
    EXPECT_EQ(curve.back(), (gdi::Point{900, 102}));
    for (size_t i = 1; i < curve.size(); ++i)
        EXPECT_LE(curve[i].y, curve[i - 1].y) << "rises towards the toe";
    EXPECT_EQ(main[2].points, (Pts{{300, 122}, {300, 125}}));
    EXPECT_EQ(main[3].points, (Pts{{900, 102}, {900, 125}}));

    for (int start : {900, 950}) {
        w.expStart = start;
        EXPECT_EQ(strokesOf(ComputePileSketch(w, kStrip, 0, s), SketchPen::Main).size(), 1u)
            << "no curve when the start is not left of the toe: " << start;
    }
    w.expStart = 300;
    w.toeIndex = 0;
    w.headIndex = 0;
    EXPECT_EQ(strokesOf(ComputePileSketch(w, kStrip, 0, s), SketchPen::Main).size(), 1u) << "toe at x 0";
    w = wave();
    w.expGain = 1;
    w.expStart = 300;
    EXPECT_EQ(strokesOf(ComputePileSketch(w, kStrip, 0, s), SketchPen::Main).size(), 1u)
        << "gain 1: no curve";
}

// In a strip a few pixels high the marks that reach above the body (the
// amplification start, the enlarged bottom, a bulge) stop at its top.
TEST(PileSketch, ShortStripKeepsEveryMarkInside) {
    const gdi::Rect strip(0, 100, 1024, 105);
    PileSketchWave w = wave(100, 900);
    w.expGain = 3;
    w.expStart = 100;
    w.defects = {{500, 5}};
    const PileSketchGeometry g = ComputePileSketch(w, strip, 2, 2);
    ASSERT_TRUE(g.valid);
    EXPECT_EQ(strokesOf(g, SketchPen::Main)[2].points, (Pts{{100, 100}, {100, 102}})) << "the start's mark";
    for (const SketchStroke& st : g.strokes)
        for (const gdi::Point& p : st.points)
            EXPECT_GE(p.y, strip.top);
}
