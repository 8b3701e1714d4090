// The radix-2 transform against numpy and a naive DFT.
#include "core/dsp/Fft.h"
#include "tests/core/DspTestSignals.h"

#include <complex>
#include <gtest/gtest.h>

using namespace pit::dsp;
using namespace pit::test;

TEST(Fft, MatchesNumpyOn1024Samples) {
    const Csv csv = ReadDspCsv("dsp_fft_1024.csv");
    std::vector<float> re = ToFloat(csv.column("x"));
    ASSERT_EQ(re.size(), 1024u);
    std::vector<float> im(1024, 0.0f);
    ASSERT_TRUE(FftRadix2(re.data(), im.data(), 10));
    // Relative to the largest magnitude: float arithmetic over ten stages.
    const auto eRe = csv.column("re"), eIm = csv.column("im");
    double peak = 0, err = 0;
    for (size_t k = 0; k < 1024; ++k) {
        peak = std::max(peak, std::abs(std::complex<double>(eRe[k], eIm[k])));
        err = std::max(err, std::abs(std::complex<double>(re[k] - eRe[k], im[k] - eIm[k])));
    }
    EXPECT_LT(err / peak, 2e-6);
}

TEST(Fft, SmallSizesMatchNaiveComplexDft) {
    // Sizes 1..64 pass through the special two-stage tail and the general stages.
    for (int m = 0; m <= 6; ++m) {
        const int n = 1 << m;
        std::vector<float> re(static_cast<size_t>(n)), im(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            re[size_t(i)] = float(std::sin(1.7 * i + 0.3) + 0.1 * i);
            im[size_t(i)] = float(std::cos(0.9 * i * i));
        }
        std::vector<std::complex<double>> expected(static_cast<size_t>(n));
        for (int k = 0; k < n; ++k)
            for (int i = 0; i < n; ++i)
                expected[size_t(k)] += std::complex<double>(re[size_t(i)], im[size_t(i)]) *
                                       std::polar(1.0, -2 * std::numbers::pi * double(k) * i / n);
        const FftPlan plan(m);
        ASSERT_EQ(plan.size(), n);
        plan.Forward(re.data(), im.data());
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(re[size_t(k)], expected[size_t(k)].real(), 1e-4 * n) << "n=" << n << " k=" << k;
            EXPECT_NEAR(im[size_t(k)], expected[size_t(k)].imag(), 1e-4 * n) << "n=" << n << " k=" << k;
        }
    }
}

TEST(Fft, RefusesSizesOutsideThePlanRange) {
    float re[2] = {1, 2}, im[2] = {3, 4};
    EXPECT_FALSE(FftRadix2(re, im, -1));
    EXPECT_FALSE(FftRadix2(re, im, kMaxFftLog2 + 1));
    EXPECT_EQ(re[0], 1.0f);
    EXPECT_EQ(im[1], 4.0f);
    EXPECT_FALSE(FftPlan(31).valid());
}

TEST(Fft, NextPowerOfTwo) {
    const int cases[][2] = {{-3, 1}, {0, 1},       {1, 1},       {2, 2},
                            {3, 4},  {1000, 1024}, {1024, 1024}, {1025, 2048}};
    for (const auto& c : cases)
        EXPECT_EQ(NextPowerOfTwo(c[0]), c[1]) << c[0];
}
