#include "core/dsp/CubicSpline.h"
#include "tests/support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

TEST(CubicSpline, MatchesTheHandValueOfThreeKnots)
{
    const double x[] = {0, 1, 2}, y[] = {0, 1, 0};
    CubicSpline s(x, y, 3);
    ASSERT_TRUE(s.ok());
    double v = 0;
    ASSERT_TRUE(s.Evaluate(0.5, v));
    EXPECT_NEAR(v, 0.6875, 1e-12);
    ASSERT_TRUE(s.Evaluate(1.5, v));
    EXPECT_NEAR(v, 0.6875, 1e-12);
    EXPECT_NEAR(s.slopes()[0], 1.5, 1e-12);
}

TEST(CubicSpline, CollinearKnotsResampleOnTheLineAndExtrapolateIt)
{
    const double x[] = {0, 0.5, 2, 3}, y[] = {1, 2, 5, 7};
    CubicSpline s(x, y, 4);
    ASSERT_TRUE(s.ok());
    std::vector<double> ox(7), oy(7);
    ASSERT_TRUE(s.Resample(7, ox.data(), oy.data()));
    for (int k = 0; k < 7; ++k) {
        EXPECT_NEAR(ox[size_t(k)], 0.5 * k, 1e-12);
        EXPECT_NEAR(oy[size_t(k)], 1 + 2 * ox[size_t(k)], 1e-12);
    }
    double v = 0;
    ASSERT_TRUE(s.Evaluate(-1, v));
    EXPECT_NEAR(v, -1, 1e-12);
    ASSERT_TRUE(s.Evaluate(4, v));
    EXPECT_NEAR(v, 9, 1e-12);
}

TEST(CubicSpline, RefusesWhatHasNoSpline)
{
    const double x[] = {0, 1, 1, 2}, down[] = {0, 2, 1, 3}, y[] = {0, 1, 2, 3};
    EXPECT_FALSE(CubicSpline(x, y, 4).ok());      // equal x
    EXPECT_FALSE(CubicSpline(down, y, 4).ok());   // descending x
    EXPECT_FALSE(CubicSpline(y, y, 2).ok());      // fewer than three knots
    EXPECT_FALSE(CubicSpline(nullptr, y, 4).ok());

    CubicSpline unbuilt;
    double ox[4], oy[4], v = 123;
    EXPECT_FALSE(unbuilt.Resample(4, ox, oy));
    EXPECT_FALSE(unbuilt.Evaluate(1, v));
    EXPECT_EQ(v, 123);

    CubicSpline ok(y, y, 4);
    ASSERT_TRUE(ok.ok());
    EXPECT_FALSE(ok.Resample(1, ox, oy));
    EXPECT_FALSE(ok.Resample(0, ox, oy));
}

// scipy.interpolate.CubicSpline(bc_type='natural') on the knots of
// tests/data/spline_knots.csv, sampled at the points of spline_natural.csv.
TEST(CubicSpline, AgreesWithScipyNaturalSpline)
{
    const auto knots = pit::test::readCsv(pit::test::dataDir() + "/spline_knots.csv");
    const auto ref = pit::test::readCsv(pit::test::dataDir() + "/spline_natural.csv");
    const auto kx = knots.column("x"), ky = knots.column("y");
    CubicSpline s(kx.data(), ky.data(), int(kx.size()));
    ASSERT_TRUE(s.ok());
    const auto t = ref.column("t"), expected = ref.column("s");
    ASSERT_GT(t.size(), 50u);
    for (size_t i = 0; i < t.size(); ++i) {
        double v = 0;
        ASSERT_TRUE(s.Evaluate(t[i], v));
        EXPECT_NEAR(v, expected[i], 1e-9) << "t=" << t[i];
    }
}
