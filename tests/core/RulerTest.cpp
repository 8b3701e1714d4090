#include "core/draw/Ruler.h"
#include "core/draw/AxisDraw.h"
#include "core/draw/TimeAxisDraw.h"

#include <gtest/gtest.h>

using namespace pit;
using Candidate = RulerStepChoice::Candidate;

namespace {

// Six pixels a character, ten high: labels measured without fonts.
gdi::Size fakeMeasure(const QString& text) {
    return {6 * int(text.size()), 10};
}

QStringList labelTexts(const RulerLayout& l) {
    QStringList out;
    for (const RulerLabel& label : l.labels)
        out << label.text;
    return out;
}

int countTicks(const RulerLayout& l, bool major) {
    int n = 0;
    for (const RulerTick& t : l.ticks)
        n += t.major == major;
    return n;
}

} // namespace

TEST(RulerStep, ChoosesTheNearestOneDigitCandidate) {
    struct Case {
        double v;
        int scalings;
        bool fallback;
        long long candidate;
        Candidate which;
        double power;
        int labelStep;
        bool oneDecimal;
    } cases[] = {
        {14, 20, false, 15, Candidate::Half, 1, 15, false},
        {19, 20, false, 20, Candidate::Upper, 1, 20, false},
        {12, 20, false, 10, Candidate::Lower, 1, 10, false},
        {12.5, 20, false, 15, Candidate::Half, 1, 15, false},  // tie of lower and half: the later wins
        {17.5, 20, false, 20, Candidate::Upper, 1, 20, false}, // tie of half and upper
        {3.87, 20, false, 40, Candidate::Upper, 10, 4, false}, // 1024 x 20 us on 800 px at 40 mm
        {1.4, 20, false, 15, Candidate::Half, 10, 1, true},    // a half step below 10 shows one decimal
        {0.0378, 20, false, 40, Candidate::Upper, 1000, 1, false},
        {250, 20, false, 250, Candidate::Half, 1, 250, false},
        {0, 20, true, 1, Candidate::Half, 10, 1, true}, // the depth fallback: v = 1 with p = 10
    };
    for (const Case& c : cases) {
        const auto got = ChooseRulerStep(c.v, c.scalings, c.fallback);
        ASSERT_TRUE(got.has_value()) << c.v;
        EXPECT_EQ(got->candidate, c.candidate) << c.v;
        EXPECT_EQ(got->which, c.which) << c.v;
        EXPECT_EQ(got->power, c.power) << c.v;
        EXPECT_EQ(got->labelStep, c.labelStep) << c.v;
        EXPECT_EQ(got->oneDecimal, c.oneDecimal) << c.v;
    }
}

TEST(RulerStep, RefusesSpansWithoutAStep) {
    EXPECT_FALSE(ChooseRulerStep(0, 20, false));
    EXPECT_FALSE(ChooseRulerStep(-3, 20, true));
    EXPECT_FALSE(ChooseRulerStep(std::nan(""), 20, true));
    EXPECT_FALSE(ChooseRulerStep(HUGE_VAL, 20, false));
    EXPECT_FALSE(ChooseRulerStep(1e-30, 20, false)) << "20 scalings do not reach 1";
    EXPECT_FALSE(ChooseRulerStep(1e-30, 21, false));
    EXPECT_TRUE(ChooseRulerStep(1e-30, 20, true)) << "the forward depth step falls back";
}

TEST(RulerStep, TimeUnitGrowsWithTheShownSpan) {
    struct Case {
        int first, count;
        float dt;
        const char* unit;
        int multiplier;
    } cases[] = {
        {0, 1024, 20.0f, "ms", 1000},     {0, 40, 20.0f, "us", 1},       {0, 50, 20.0f, "ms", 1000},
        {0, 1024, 2000.0f, "s", 1000000}, {0, 1024, 5e6f, "s", 1000000}, // no unit beyond seconds
        {1000, 24, 1.0f, "ms", 1000},                                    // the span counts from sample 0
    };
    for (const Case& c : cases) {
        const TimeUnit u = ChooseTimeUnit(c.first, c.count, c.dt);
        EXPECT_EQ(u.unit, QString::fromLatin1(c.unit)) << c.count << " x " << c.dt;
        EXPECT_EQ(u.multiplier, c.multiplier) << c.count << " x " << c.dt;
    }
}

TEST(TimeRuler, ExampleOf1024SamplesAt20usOn800Pixels) {
    CTimeAxisDraw ruler(0, 0, 500, 20.0f, 0, 100, 800, 130, 0, 1024);
    const RulerLayout l = ruler.Layout(RulerDevice{96, 96, false}, fakeMeasure);
    EXPECT_EQ(l.labelStep, 4);
    EXPECT_FLOAT_EQ(l.samplesPerTick, 200.0f);
    // "20" at x 782 would end where the unit begins (788): left out, its tick kept.
    EXPECT_EQ(labelTexts(l), QStringList({"ms", "0", "4", "8", "12", "16"}));
    EXPECT_EQ(countTicks(l, true), 6);
    EXPECT_EQ(countTicks(l, false), 5 * 4);

    std::vector<int> majors;
    for (const RulerTick& t : l.ticks) {
        if (t.major) {
            majors.push_back(t.x);
            EXPECT_EQ(t.y0, 100);
            EXPECT_EQ(t.y1, 104);
        } else {
            EXPECT_EQ(t.y1, 103);
        }
    }
    EXPECT_EQ(majors, (std::vector<int>{0, 200 * 800 / 1023, 400 * 800 / 1023, 600 * 800 / 1023,
                                        800 * 800 / 1023, 1000 * 800 / 1023}));
    // Labels hang centred under their ticks, a unit below the major ticks'
    // end (the gap less one unit of lift would touch it).
    const RulerLabel& four = l.labels[2];
    EXPECT_EQ(four.rect, gdi::Rect(156 - 3, 105, 156 + 3, 115));
    EXPECT_EQ(l.labels[0].rect, gdi::Rect(800 - 12, 105, 800, 115)) << "the unit at the right end";
}

TEST(TimeRuler, LabelsThatWouldOverlapAreLeftOutButTheirTicksStay) {
    // 10 mm ticks are 37 px apart; labels of up to five characters are 30 px wide.
    CTimeAxisDraw ruler(0, 0, 0, 1.0f, 0, 0, 400, 20, 0, 10000);
    ruler.SetTickSpacing(10);
    const RulerLayout l = ruler.Layout(RulerDevice{96, 96, false}, [](const QString&) {
        return gdi::Size{50, 10};
    });
    const int majors = countTicks(l, true);
    EXPECT_GE(majors, 9);
    EXPECT_LT(int(l.labels.size()), majors + 1);
    int lastRight = INT_MIN;
    for (size_t i = 1; i < l.labels.size(); ++i) { // after the unit
        EXPECT_GT(l.labels[i].rect.left, lastRight) << l.labels[i].text.toStdString();
        lastRight = l.labels[i].rect.right;
        EXPECT_LT(l.labels[i].rect.right, l.labels[0].rect.left) << "never into the unit";
    }
}

TEST(TimeRuler, FiftyTicksAfterTheOriginAndNoLimitBeforeIt) {
    // 1 mm spacing at 96 dpi: one label step of 1 ms every 1000 samples.
    CTimeAxisDraw ruler(20000, 0, 0, 1.0f, 0, 0, 10000, 20, 0, 100000);
    ruler.SetTickSpacing(1);
    const RulerLayout l = ruler.Layout(RulerDevice{96, 96, false}, fakeMeasure);
    ASSERT_FLOAT_EQ(l.samplesPerTick, 1000.0f);
    std::vector<int> after, before;
    for (const RulerTick& t : l.ticks)
        if (t.major && t.x > 2000)
            after.push_back(t.x);
        else if (t.major && t.x < 2000)
            before.push_back(t.x);
    EXPECT_EQ(after.size(), 50u);
    EXPECT_EQ(before.size(), 19u) << "1000 .. 19000, the first shown sample itself excluded";
    EXPECT_TRUE(labelTexts(l).contains(QStringLiteral("-19")));
    EXPECT_TRUE(labelTexts(l).contains(QStringLiteral("50")));
    EXPECT_FALSE(labelTexts(l).contains(QStringLiteral("51")));
}

TEST(TimeRuler, TickSpacingLimits) {
    auto steps = [](int spacing) {
        CTimeAxisDraw ruler(0, 0, 0, 20.0f, 0, 0, 800, 30, 0, 1024);
        ruler.SetTickSpacing(spacing);
        return ruler.Layout(RulerDevice{96, 96, false}, fakeMeasure).samplesPerTick;
    };
    EXPECT_EQ(steps(60), steps(50));
    EXPECT_EQ(steps(-1), steps(10));
    EXPECT_EQ(steps(0), steps(40)) << "a spacing of 0 (20 mm over 21 columns) draws with the default";
    EXPECT_NE(steps(10), steps(50));
}

TEST(TimeRuler, DegenerateInputsDrawNothingAndEnd) {
    struct Case {
        const char* name;
        int origin;
        float dt;
        int left, right;
        int first, count;
    } cases[] = {
        {"one sample", 0, 20.0f, 0, 800, 0, 1},
        {"no samples", 0, 20.0f, 0, 800, 0, 0},
        {"zero interval", 0, 0.0f, 0, 800, 0, 1024},
        {"negative interval", 0, -20.0f, 0, 800, 0, 1024},
        {"no width", 0, 20.0f, 100, 100, 0, 1024},
        {"tiny interval", 1000000, 1e-30f, 0, 800, 0, 1024},
        {"far origin", 2000000000, 20.0f, 0, 800, 0, 1024},
    };
    for (const Case& c : cases) {
        CTimeAxisDraw ruler(c.origin, 0, 0, c.dt, c.left, 0, c.right, 30, c.first, c.count);
        const RulerLayout l = ruler.Layout(RulerDevice{96, 96, false}, fakeMeasure);
        for (const RulerTick& t : l.ticks)
            EXPECT_TRUE(t.x >= c.left && t.x <= c.right) << c.name;
        EXPECT_LE(l.ticks.size(), 1024u) << c.name;
    }
}

// The label line: the gap less the lift (more of it on a printer, less
// again for fine lines), but never up to the end of the major ticks.
TEST(TimeRuler, PrinterLiftsTheLabelsUpToTheTicks) {
    struct Case {
        RulerDevice device;
        bool fine;
        int major;
        int labelTop;
    } cases[] = {
        {{96, 96, false}, false, 4, 100 + 4 + 1},
        {{96, 96, false}, false, 3, 100 + 5 - 1},
        {{600, 600, true}, false, 2, 100 + 5 * 6 - 12},
        {{600, 600, true}, false, 4, 100 + 4 * 6 + 1},
        {{600, 600, true}, true, 4, 100 + 5 * 6 - 1},
        {{300, 300, true}, false, 2, 100 + 5 * 3 - 6},
        {{300, 300, true}, false, 3, 100 + 3 * 3 + 1},
        {{72, 72, false}, false, 3, 100 + 5 - 1}, // lengths stay at least one unit
    };
    for (const Case& c : cases) {
        CTimeAxisDraw ruler(0, 0, 0, 20.0f, 0, 100, 800, 130, 0, 1024);
        ruler.SetFineLine(c.fine);
        ruler.SetTickSizes(c.major, c.major - 1);
        const RulerLayout l = ruler.Layout(c.device, fakeMeasure);
        ASSERT_FALSE(l.labels.empty());
        EXPECT_EQ(l.labels[0].rect.top, c.labelTop)
            << c.device.dpiY << " fine " << c.fine << " tick " << c.major;
        EXPECT_EQ(RulerLabelOffset(c.device, c.major, kRulerLabelGap, c.fine), c.labelTop - 100);
        ASSERT_FALSE(l.ticks.empty());
        EXPECT_EQ(l.ticks[0].y1 - l.ticks[0].y0, c.major * std::max(1, c.device.dpiY / 96));
    }
}

TEST(DepthRuler, StepsForwardFromTheStartAndBackwardFromZero) {
    // 36.96 m after the head over 5.29 ticks: 7 m; 4 m before it: 1 m.
    CAxisDraw ruler(100, 100, 600, 20.0f, 0, 0, 800, 30, 0, 1024, 4000, 4000);
    const RulerLayout l = ruler.Layout(RulerDevice{96, 96, false}, fakeMeasure);
    EXPECT_EQ(l.labelStep, 7);
    EXPECT_FLOAT_EQ(l.samplesPerTick, 175.0f);
    EXPECT_EQ(l.backLabelStep, 1);
    EXPECT_FLOAT_EQ(l.backSamplesPerTick, 25.0f);
    EXPECT_EQ(labelTexts(l), QStringList({"m", "0", "7", "14", "21", "28", "35", "-1", "-2", "-3"}));
    EXPECT_EQ(countTicks(l, true), 1 + 5 + 3);
}

TEST(DepthRuler, SpeedsAndSpansWithoutAStep) {
    struct Case {
        const char* name;
        int zero, start, first, count, speedAbove, speed;
        size_t labels; // the unit, "0" and values
    } cases[] = {
        {"no speed: nothing forward", 100, 100, 0, 1024, 4000, 0, 2 + 3},
        {"no speed above: nothing backward", 100, 100, 0, 1024, 0, 4000, 2 + 5},
        {"head at the first sample: nothing backward", 0, 0, 0, 1024, 4000, 4000, 2 + 5},
        {"negative speed takes 1000 us per step", 100, 100, 0, 1024, 4000, -4000, 0},
    };
    for (const Case& c : cases) {
        CAxisDraw ruler(c.zero, c.start, 0, 20.0f, 0, 0, 800, 30, c.first, c.count, c.speedAbove, c.speed);
        const RulerLayout l = ruler.Layout(RulerDevice{96, 96, false}, fakeMeasure);
        if (c.labels)
            EXPECT_EQ(l.labels.size(), c.labels) << c.name << ": " << labelTexts(l).join(',').toStdString();
        EXPECT_LT(l.ticks.size(), 2000u) << c.name;
    }
}

TEST(DepthRuler, PrinterWritesTheDepthOfTheLabellingStart) {
    // Labelling starts 250 samples (10 m at 4000 m/s, 20 us) below zero.
    CAxisDraw ruler(50, 300, 0, 20.0f, 0, 0, 800, 30, 0, 1024, 4000, 4000);
    EXPECT_EQ(labelTexts(ruler.Layout(RulerDevice{96, 96, false}, fakeMeasure)).value(1),
              QStringLiteral("0"));
    EXPECT_EQ(labelTexts(ruler.Layout(RulerDevice{600, 600, true}, fakeMeasure)).value(1),
              QStringLiteral("10"));
}
