// Wavelet decomposition, thresholds and rebuild against pywt and numpy.
#include "core/dsp/Wavelet.h"
#include "tests/core/DspTestSignals.h"

#include <gtest/gtest.h>

using namespace pit::dsp;
using namespace pit::test;

TEST(Wavelet, Db6LevelsMatchPywtPeriodizationRotatedByOne) {
    const Csv in = ReadDspCsv("dsp_wavelet_denoise.csv");
    const Csv ref = ReadDspCsv("dsp_wavelet_db6_levels.csv");
    WaveletCoefficients c;
    ASSERT_TRUE(WaveletDecompose(ToFloat(in.column("x")), WaveletFamily::Db6, 4, c));
    ASSERT_EQ(c.levels(), 4);
    const auto level = ref.column("level"), approx = ref.column("approx"), detail = ref.column("detail");
    for (int lv = 1; lv <= 4; ++lv) {
        std::vector<double> a, d;
        for (size_t i = 0; i < level.size(); ++i) {
            if (int(level[i]) == lv) {
                a.push_back(approx[i]);
                d.push_back(detail[i]);
            }
        }
        ASSERT_EQ(c.approximations[size_t(lv - 1)].size(), size_t(1024 >> lv));
        ASSERT_EQ(a.size(), size_t(1024 >> lv));
        // The stored high-pass carries 7 digits.
        EXPECT_LT(RelativeMaxError(c.approximations[size_t(lv - 1)], a), 2e-6) << "level " << lv;
        EXPECT_LT(RelativeMaxError(c.details[size_t(lv - 1)], d), 1e-5) << "level " << lv;
    }
}

TEST(Wavelet, Db6RebuildsItsInput) {
    const std::vector<float> x = PileTrace(1024, 20.0);
    for (int levels = 1; levels <= 4; ++levels) {
        WaveletCoefficients c;
        ASSERT_TRUE(WaveletDecompose(x, WaveletFamily::Db6, levels, c));
        EXPECT_LT(RelativeMaxError(WaveletReconstruct(c), x), 1e-5) << levels;
    }
}

TEST(Wavelet, DenoiseMatchesReferenceForEachFamilyAndRule) {
    // db6 against pywt; mayer and morlet against a numpy implementation with
    // reflect padding.
    const Csv csv = ReadDspCsv("dsp_wavelet_denoise.csv");
    const std::vector<float> x = ToFloat(csv.column("x"));
    const struct {
        const char* column;
        WaveletFamily family;
        int levels;
        WaveletThreshold mode;
    } cases[] = {
        {"db6_soft3", WaveletFamily::Db6, 3, WaveletThreshold::Soft},
        {"db6_zero4", WaveletFamily::Db6, 4, WaveletThreshold::ZeroDetails},
        {"mayer_soft2", WaveletFamily::Mayer, 2, WaveletThreshold::Soft},
        {"morlet_hard3", WaveletFamily::Morlet, 3, WaveletThreshold::Hard},
    };
    for (const auto& c : cases) {
        const std::vector<float> y = WaveletDenoise(x, c.family, c.levels, c.mode);
        ASSERT_EQ(y.size(), x.size()) << c.column;
        EXPECT_LT(RelativeMaxError(y, csv.column(c.column)), 1e-5) << c.column;
    }
}

TEST(Wavelet, ThresholdRulesMatchPywt) {
    const Csv csv = ReadDspCsv("dsp_wavelet_threshold.csv");
    const std::vector<float> d = ToFloat(csv.column("d"));
    EXPECT_NEAR(EstimateNoiseThreshold(d), csv.column("t")[0], 1e-6);
    for (auto [mode, column] :
         {std::pair{WaveletThreshold::Soft, "soft"}, std::pair{WaveletThreshold::Hard, "hard"}}) {
        WaveletCoefficients c;
        c.details = {d};
        ThresholdDetails(c, mode);
        const std::vector<double> expected = csv.column(column);
        for (size_t i = 0; i < d.size(); ++i)
            EXPECT_NEAR(c.details[0][i], expected[i], 1e-6) << column << " " << i;
    }
}

TEST(Wavelet, ThresholdOfEqualMagnitudesZeroesTheWholeBlock) {
    const std::vector<float> block = {0.3f, -0.3f, 0.3f, -0.3f, 0.3f};
    EXPECT_FLOAT_EQ(EstimateNoiseThreshold(block), 0.3f / 0.677f);
    EXPECT_EQ(EstimateNoiseThreshold({}), 0.0f);
    for (WaveletThreshold mode : {WaveletThreshold::Soft, WaveletThreshold::Hard}) {
        WaveletCoefficients c;
        c.details = {block, {}};
        ThresholdDetails(c, mode);
        EXPECT_EQ(c.details[0], std::vector<float>(5, 0.0f));
    }
}

TEST(Wavelet, MayerKeepsAConstant) {
    const std::vector<float> x(1024, 2.5f);
    for (int levels = 1; levels <= 4; ++levels) {
        for (WaveletThreshold mode :
             {WaveletThreshold::Soft, WaveletThreshold::Hard, WaveletThreshold::ZeroDetails}) {
            const std::vector<float> y = WaveletDenoise(x, WaveletFamily::Mayer, levels, mode);
            ASSERT_EQ(y.size(), x.size());
            EXPECT_LT(RelativeMaxError(y, x), 1e-5) << levels << " " << int(mode);
        }
    }
}

TEST(Wavelet, MorletLosesAboutEightPercentOfAConstant) {
    // One level of a constant without thresholding: the gain follows from the
    // coefficient sums (even and odd taps), about 0.924 on both phases.
    const WaveletBank& b = GetWaveletBank(WaveletFamily::Morlet);
    double lo = 0, hi = 0, loEven = 0, loOdd = 0, hiEven = 0, hiOdd = 0;
    for (size_t t = 0; t < b.lowPass.size(); ++t) {
        lo += b.lowPass[t];
        hi += b.highPass[t];
        (t % 2 ? loOdd : loEven) += b.lowPass[t];
        (t % 2 ? hiOdd : hiEven) += b.highPass[t];
    }
    const double gainEven = 2 * (loEven * lo + hiOdd * hi);
    const double gainOdd = 2 * (loOdd * lo + hiEven * hi);
    EXPECT_NEAR(gainEven, 0.9244, 1e-4);
    EXPECT_NEAR(gainOdd, 0.9245, 1e-4);

    WaveletCoefficients c;
    ASSERT_TRUE(WaveletDecompose(std::vector<float>(256, 1.0f), WaveletFamily::Morlet, 1, c));
    const std::vector<float> y = WaveletReconstruct(c);
    for (size_t p = 0; p < y.size(); ++p)
        EXPECT_NEAR(y[p], p % 2 ? gainOdd : gainEven, 1e-6) << p;
}

TEST(Wavelet, LevelsTooDeepForTheLengthAreRefused) {
    const struct {
        int n;
        WaveletFamily family;
        int maxLevels;
    } cases[] = {
        {1024, WaveletFamily::Db6, 4},    {1024, WaveletFamily::Mayer, 4},
        {1024, WaveletFamily::Morlet, 4}, {100, WaveletFamily::Db6, 2}, // 100, 50, then 25 is odd
        {24, WaveletFamily::Mayer, 1},                                  // 12 is shorter than 23 taps
        {22, WaveletFamily::Mayer, 0},    {26, WaveletFamily::Morlet, 1},
        {13, WaveletFamily::Morlet, 0},   {0, WaveletFamily::Db6, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MaxWaveletLevels(c.n, c.family), c.maxLevels) << c.n << " " << int(c.family);
        const std::vector<float> x(size_t(c.n), 1.0f);
        WaveletCoefficients coeffs;
        EXPECT_FALSE(WaveletDecompose(x, c.family, c.maxLevels + 1, coeffs));
        EXPECT_EQ(coeffs.levels(), 0);
        EXPECT_TRUE(WaveletDenoise(x, c.family, c.maxLevels + 1, WaveletThreshold::Soft).empty());
        if (c.maxLevels > 0)
            EXPECT_EQ(WaveletDenoise(x, c.family, c.maxLevels, WaveletThreshold::Hard).size(), x.size());
    }
    WaveletCoefficients none;
    EXPECT_FALSE(WaveletDecompose(std::vector<float>(1024, 1.0f), WaveletFamily::Db6, 0, none));
}

TEST(Wavelet, ReflectIndexMirrorsWithoutRepeatingTheEdge) {
    const int cases[][3] = {{3, 8, 3}, {0, 8, 0}, {-1, 8, 1}, {-7, 8, 7}, {8, 8, 6}, {9, 8, 5}, {14, 8, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ReflectIndex(c[0], c[1]), c[2]) << c[0];
}
