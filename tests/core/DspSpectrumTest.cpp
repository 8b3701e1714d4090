// Amplitude spectrum with refinement, padding and read-out values.
#include "core/dsp/Spectrum.h"
#include "tests/core/DspTestSignals.h"

#include <complex>
#include <gtest/gtest.h>

using namespace pit::dsp;
using namespace pit::test;

namespace {

// |X| at index v of the refined layout, i.e. at v / r of a bin of length L,
// straight from the definition in double precision.
double NaiveMagnitude(const std::vector<float>& x, int L, int r, int v) {
    std::complex<double> s;
    for (size_t n = 0; n < x.size(); ++n)
        s += double(x[n]) * std::polar(1.0, -2 * std::numbers::pi * double(v) * double(n) / (double(L) * r));
    return std::abs(s);
}

} // namespace

TEST(Spectrum, RefinedValuesMatchNaiveDftForEachRefinement) {
    const std::vector<float> x = PileTrace(1024, 20.0);
    const struct { int requested, used; } cases[] = {{1, 1}, {3, 2}, {8, 8}, {12, 8}, {50, 32}};
    for (const auto& c : cases) {
        const AmplitudeSpectrum s = ComputeAmplitudeSpectrum(x, 20.0, c.requested);
        ASSERT_EQ(s.length(), 1024);
        EXPECT_EQ(s.refine, c.used);
        std::vector<double> expected(1024, 0.0);
        // Refinement 1 keeps only the lower half; every refined value is a bin.
        const int filled = c.used == 1 ? 512 : 1024;
        for (int v = 0; v < filled; ++v)
            expected[size_t(v)] = NaiveMagnitude(x, 1024, c.used, v);
        EXPECT_LT(RelativeMaxError(s.magnitude, expected), 1e-3) << "r=" << c.requested;
    }
}

TEST(Spectrum, RefinementIsClampedThenRoundedDownToAPowerOfTwo) {
    const int cases[][2] = {{-4, 1}, {0, 1},  {1, 1},   {2, 2},   {3, 2},   {6, 4},
                            {8, 8},  {12, 8}, {31, 16}, {32, 32}, {50, 32}, {1000, 32}};
    for (const auto& c : cases)
        EXPECT_EQ(RoundSpectrumRefine(c[0]), c[1]) << c[0];
}

TEST(Spectrum, ShortChannelIsZeroPaddedToThePowerOfTwoAbove) {
    const Csv in = ReadDspCsv("dsp_spectrum_input.csv");
    const Csv ref = ReadDspCsv("dsp_spectrum_padded.csv");
    const std::vector<float> x = ToFloat(in.column("x"));
    ASSERT_EQ(x.size(), 1000u);
    const AmplitudeSpectrum plain = ComputeAmplitudeSpectrum(x, 20.0, 1);
    const AmplitudeSpectrum r4 = ComputeAmplitudeSpectrum(x, 20.0, 4);
    ASSERT_EQ(plain.length(), 1024);
    ASSERT_EQ(r4.length(), 1024);
    EXPECT_LT(RelativeMaxError(plain.magnitude, ref.column("r1")), 1e-5);
    EXPECT_LT(RelativeMaxError(r4.magnitude, ref.column("r4")), 1e-5);
    // Bin spacing follows the padded length.
    EXPECT_DOUBLE_EQ(r4.binWidthHz(), 1e6 / (4 * 20.0 * 1024));
}

TEST(Spectrum, LongerChannelIsNotTruncated) {
    const std::vector<float> x = PileTrace(1500, 20.0);
    const AmplitudeSpectrum s = ComputeAmplitudeSpectrum(x, 20.0, 2);
    ASSERT_EQ(s.length(), 2048);
    EXPECT_NEAR(s.magnitude[7], NaiveMagnitude(x, 2048, 2, 7), 1e-3 * s.curvePeak());
}

TEST(Spectrum, ToneOnAnExactRefinedBinPeaksThere) {
    // dt 20 us, r 8: values are 1e6 / (8 * 20 * 1024) = 6.1035 Hz apart.
    const double f = 43 * 1e6 / (8 * 20.0 * 1024);
    std::vector<float> x(1024);
    for (int n = 0; n < 1024; ++n)
        x[size_t(n)] = float(std::cos(2 * std::numbers::pi * f * n * 20e-6));
    const AmplitudeSpectrum s = ComputeAmplitudeSpectrum(x, 20.0, 8);
    EXPECT_EQ(s.peakBin(), 43);
    EXPECT_NEAR(s.maxFrequencyHz(), 1e6 / (2 * 8 * 20.0), 1e-9);
    const SpectrumReadout r = ComputeSpectrumReadout(s, 0.0f, 43, -1, 3800.0f);
    EXPECT_EQ(r.peakFrequencyHz, 262);
    EXPECT_EQ(r.cursorFrequencyHz, 262);
    EXPECT_FLOAT_EQ(r.cursorAmplitude, s.magnitude[43]);
    EXPECT_FLOAT_EQ(r.maxFrequencyHz, 3125.0f);
    // A stored mark wins over the computed peak.
    EXPECT_EQ(ComputeSpectrumReadout(s, 123.7f, 43, -1, 3800.0f).peakFrequencyHz, 123);
}

TEST(Spectrum, FirstOfEqualMaximaAboveBinZeroIsThePeak) {
    AmplitudeSpectrum s;
    s.sampleIntervalUs = 20.0;
    s.magnitude = {9, 1, 3, 3, 2, 0, 7, 7}; // bins 6 and 7 lie in the hidden half
    EXPECT_EQ(s.peakBin(), 2);
    EXPECT_FLOAT_EQ(s.curvePeak(), 9.0f);
}

TEST(Spectrum, AllZeroChannelGivesAFlatCurveAndNoPeak) {
    const std::vector<float> x(1024, 0.0f);
    const AmplitudeSpectrum s = ComputeAmplitudeSpectrum(x, 20.0, 8);
    EXPECT_TRUE(std::all_of(s.magnitude.begin(), s.magnitude.end(), [](float v) { return v == 0.0f; }));
    EXPECT_EQ(s.curvePeak(), 0.0f);
    EXPECT_EQ(s.peakBin(), -1);
    const SpectrumReadout r = ComputeSpectrumReadout(s, 0.0f, 5, -1, 4000.0f);
    EXPECT_EQ(r.peakFrequencyHz, 0);
    EXPECT_EQ(r.cursorAmplitude, 0.0f);
}

TEST(Spectrum, DegenerateInputs) {
    EXPECT_EQ(ComputeAmplitudeSpectrum({}, 20.0, 8).length(), 0);
    const float one = 2.0f;
    const AmplitudeSpectrum single = ComputeAmplitudeSpectrum({&one, 1}, 20.0, 32);
    ASSERT_EQ(single.length(), 2);
    EXPECT_LE(single.refine, 2);
    EXPECT_FLOAT_EQ(single.magnitude[0], 2.0f);
    // No sample interval: frequencies read 0 rather than infinity.
    const AmplitudeSpectrum noDt = ComputeAmplitudeSpectrum(PileTrace(64, 20.0), 0.0, 1);
    EXPECT_EQ(noDt.frequencyHz(10), 0.0);
    EXPECT_EQ(ComputeSpectrumReadout(noDt, 0.0f, 10, -1, 4000.0f).cursorFrequencyHz, 0);
}

TEST(Spectrum, CursorIndexFromPixel) {
    const struct {
        int x, left, width, shown, expected;
    } cases[] = {
        {10, 50, 400, 512, 0},    // left of the plot
        {50, 50, 400, 512, 0},    // on its left edge
        {250, 50, 400, 512, 256}, // middle
        {449, 50, 400, 512, 510}, //
        {450, 50, 400, 512, 511}, // right edge
        {900, 50, 400, 512, 511}, // right of the plot
        {60, 50, 0, 512, 511},    // empty plot
        {60, 50, 400, 0, 0},      // empty spectrum
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpectrumIndexAtX(c.x, c.left, c.width, c.shown), c.expected) << c.x << " " << c.width;
}

TEST(Spectrum, FrequencyDifferenceAndImpliedLength) {
    const AmplitudeSpectrum s = ComputeAmplitudeSpectrum(PileTrace(1024, 20.0), 20.0, 1);
    // Index 20 at r 1, dt 20: 20 * 48.828 Hz = 976.56 Hz.
    const struct {
        int reference;
        int dFre;
        float dLen;
    } cases[] = {
        {-1, 0, 2000.0f},             // no reference: dLen = speed / 2
        {776, 200, 4000.0f / 400.0f}, // 976 - 776
        {1176, -200, 10.0f},          // the magnitude counts
        {976, 0, 2000.0f},
    };
    for (const auto& c : cases) {
        const SpectrumReadout r = ComputeSpectrumReadout(s, 0.0f, 20, c.reference, 4000.0f);
        EXPECT_EQ(r.cursorFrequencyHz, 976);
        EXPECT_EQ(r.deltaFrequencyHz, c.dFre) << c.reference;
        EXPECT_FLOAT_EQ(r.deltaLengthM, c.dLen) << c.reference;
    }
    // An out-of-range cursor index reads the last shown value.
    EXPECT_EQ(ComputeSpectrumReadout(s, 0.0f, 4000, -1, 4000.0f).cursorIndex, 511);
}
