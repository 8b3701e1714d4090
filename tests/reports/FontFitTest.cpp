// The font-height search shared by the project report's font fitting.
#include "reports/FontFit.h"

#include <gtest/gtest.h>
#include <vector>

using namespace pit;

namespace {

// A text ten pixels wide per unit of font height.
TextExtent tenPerUnit(int h) {
    return {10 * h, h};
}

TEST(FitFontHeight, KeepsTheStartWhenTheTextFits) {
    const FontFit f = FitFontHeight(12, 120, tenPerUnit);
    EXPECT_EQ(f.fontHeight, 12);
    EXPECT_TRUE(f.fits);
    EXPECT_EQ(f.extent.width, 120);
    EXPECT_EQ(f.extent.height, 12);
}

TEST(FitFontHeight, LowersOneAtATimeUntilTheWidthFits) {
    std::vector<int> asked;
    const FontFit f = FitFontHeight(20, 95, [&](int h) {
        asked.push_back(h);
        return tenPerUnit(h);
    });
    EXPECT_EQ(f.fontHeight, 9);
    EXPECT_TRUE(f.fits);
    EXPECT_EQ(asked, (std::vector<int>{20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9}));
}

// Margins typed larger than the page leave no width: the search ends at 1.
TEST(FitFontHeight, StopsAtHeightOneWhenNothingFits) {
    int calls = 0;
    for (int maxWidth : {0, -50}) {
        calls = 0;
        const FontFit f = FitFontHeight(30, maxWidth, [&](int h) {
            ++calls;
            return tenPerUnit(h);
        });
        EXPECT_EQ(f.fontHeight, 1) << maxWidth;
        EXPECT_FALSE(f.fits) << maxWidth;
        EXPECT_EQ(calls, 30) << maxWidth;
    }
    // A start height of zero or below (no room for a line) starts at 1.
    const FontFit g = FitFontHeight(-4, 1000, tenPerUnit);
    EXPECT_EQ(g.fontHeight, 1);
    EXPECT_TRUE(g.fits);
}

TEST(FitFontHeight, PointsFromTheMeasuredHeightAtTheScreenScaling) {
    EXPECT_DOUBLE_EQ(FittedPoints(16, 100), 12.0);
    EXPECT_DOUBLE_EQ(FittedPoints(20, 125), 12.0);
    EXPECT_DOUBLE_EQ(FittedPoints(17, 150), 8.25); // 11.33 cut to 11
    EXPECT_DOUBLE_EQ(FittedPoints(14, 0), 10.5);   // no scaling known: 100 %
}

} // namespace
