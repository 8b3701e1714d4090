// Direct Hilbert transform, plateau reshaping and the phase rules.
#include "core/dsp/Hilbert.h"
#include "tests/core/DspTestSignals.h"

#include <gtest/gtest.h>

using namespace pit::dsp;
using namespace pit::test;

namespace {
constexpr float kPi = std::numbers::pi_v<float>;
}

TEST(Hilbert, GainForALowFrequencyCosineFollowsTheTrapezoidKernel) {
    const int n = 4096;
    for (double w : {0.1, 0.2, 0.4, 0.8}) {
        std::vector<float> x(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            x[size_t(i)] = float(std::cos(w * i));
        const std::vector<float> h = HilbertTransformDirect(x);
        // Least-squares amplitude of sin(w i) over the middle half, where the
        // truncated kernel tails matter least.
        double num = 0, den = 0;
        for (int i = n / 4; i < 3 * n / 4; ++i) {
            num += h[size_t(i)] * std::sin(w * i);
            den += std::sin(w * i) * std::sin(w * i);
        }
        const double gain = 1 - w / std::numbers::pi - std::sin(w) / std::numbers::pi;
        EXPECT_NEAR(num / den, gain, 0.005 * gain) << "w=" << w;
    }
}

TEST(Hilbert, PulseMatchesScipyTransformTimesKernelGain) {
    const Csv csv = ReadDspCsv("dsp_hilbert_pulse.csv");
    const std::vector<float> h = HilbertTransformDirect(ToFloat(csv.column("x")));
    EXPECT_LT(RelativeMaxError(h, csv.column("h")), 1e-3);
}

TEST(Hilbert, TinyArrays) {
    EXPECT_TRUE(HilbertTransformDirect({}).empty());
    const float one = 3.0f;
    EXPECT_EQ(HilbertTransformDirect({&one, 1}), std::vector<float>{0.0f});
    // Two samples: only the half-weight neighbour term, -(1/pi) (+-x[other] / 2).
    const std::vector<float> h = HilbertTransformDirect(std::vector<float>{1.0f, 0.0f});
    EXPECT_FLOAT_EQ(h[0], 0.0f);
    EXPECT_FLOAT_EQ(h[1], float(0.5 / std::numbers::pi));
}

TEST(PhaseReshape, PlateauRulesOnSmallSignals) {
    // Peak 10 (a = 0.02) or 5 (a = 0.01): T = 2 % of the peak, plateaus a/2, 2a.
    const struct {
        const char* name;
        std::vector<float> in, out;
    } cases[] = {
        // The last run is positive: past the end counts as 0, so the
        // crossing lies at n and the tail ramps down from the last peak.
        {"positive run to the end", {0, 10, 0, 0}, {-0.01f, 10, 10 - 9.99f / 3, 10 - 2 * 9.99f / 3}},
        // A one-sample negative pulse is widened, then half its gap reads
        // -a/2 and the rest +a/2.
        {"single negative sample", {0, -10, 0, 0, 0, 0}, {-0.01f, -10, -0.52f, -0.01f, -0.01f, 0.01f}},
        // Crossing at 1 + (int)(3 * 5 / 10) = 1 gets +a/2, the next -a/2.
        {"positive then negative",
         {5, 0, 0, -5, 0, 0, 0, 0},
         {5, 0.005f, -0.005f, -5, -0.51f, -0.005f, -0.005f, 0.005f}},
        // Small samples inside a run are lifted to the 2a plateau.
        // Past the last peak only samples below 2a join the ramp to the end.
        {"gap inside a positive run",
         {10, 0.01f, 10, 0.1f, 0, 0},
         {10, 0.04f, 10, 0.1f, 10 - 2 * 9.99f / 4, 10 - 3 * 9.99f / 4}},
        {"single sample", {-4}, {-4}},
        // Pulses that touch keep their samples: the crossing marks and the
        // widening stay inside the gap between them.
        {"positive touching negative", {5, -5, 0}, {5, -5, -0.51f}},
        {"negative touching positive", {0, -5, 5}, {-0.005f, -5, 5}},
    };
    for (const auto& c : cases) {
        std::vector<float> x = c.in;
        ReshapeForPhase(x);
        ASSERT_EQ(x.size(), c.out.size()) << c.name;
        for (size_t i = 0; i < x.size(); ++i)
            EXPECT_NEAR(x[i], c.out[i], 1e-5) << c.name << " at " << i;
    }
}

TEST(PhaseReshape, EverySignPatternOfUpToSixSamplesStaysInBounds) {
    // Exhaustive over {-5, 0, 0.05, 5}^n: the run rules index around runs
    // and the array ends; AddressSanitizer builds check every access.
    const float values[] = {-5.0f, 0.0f, 0.05f, 5.0f};
    for (int n = 1; n <= 6; ++n) {
        int combos = 1;
        for (int i = 0; i < n; ++i)
            combos *= 4;
        for (int c = 0; c < combos; ++c) {
            std::vector<float> x(static_cast<size_t>(n));
            for (int i = 0, v = c; i < n; ++i, v /= 4)
                x[size_t(i)] = values[v % 4];
            const std::vector<float> phase = ComputePhase(x);
            ASSERT_EQ(phase.size(), x.size());
            for (float p : phase)
                ASSERT_TRUE(std::isfinite(p) && std::fabs(p) <= kPi + 1e-6f) << "pattern " << c << " n " << n;
        }
    }
}

TEST(Phase, RulesForSignificantAndSmallSamples) {
    // a = 1; h = 1 throughout, so atan(h / x) is known.
    const std::vector<float> x = {0.5f, 2.0f, 0.5f, -0.5f, -3.0f, 0.2f, 1.0f, 0.5f};
    const std::vector<float> h(x.size(), 1.0f);
    const std::vector<float> expected = {
        0.0f,                              // before a positive first pulse
        std::atan(0.5f) + kPi / 2,         // positive: +pi/2 plus the angle
        kPi,                               // small after a positive lobe, above 0
        -kPi,                              // and at or below 0
        std::atan(1.0f / -3.0f) - kPi / 2, // negative
        0.0f,                              // small after a negative lobe
        std::atan(1.0f) - kPi / 2,         // exactly a counts as the negative branch
        0.0f,
    };
    const std::vector<float> phase = PhaseFromHilbert(x, h, 1.0f);
    for (size_t i = 0; i < x.size(); ++i)
        EXPECT_FLOAT_EQ(phase[i], expected[i]) << i;
    // A negative first pulse makes the leading small samples read -pi.
    const std::vector<float> lead =
        PhaseFromHilbert(std::vector<float>{-0.5f, 0.0f, -2.0f}, std::vector<float>{0, 0, 0}, 1.0f);
    EXPECT_FLOAT_EQ(lead[0], -kPi);
    EXPECT_FLOAT_EQ(lead[1], -kPi);
}

TEST(Phase, SineBurstHasPositiveAndNegativeHalves) {
    std::vector<float> x(256, 0.0f);
    for (int i = 0; i < 40; ++i)
        x[size_t(100 + i)] = float(std::sin(2 * std::numbers::pi * i / 40));
    const std::vector<float> phase = ComputePhase(x);
    for (int i = 0; i < 40; ++i) {
        const float v = x[size_t(100 + i)];
        if (v > 0.05f)
            EXPECT_TRUE(phase[size_t(100 + i)] > 0 && phase[size_t(100 + i)] < kPi) << i;
        if (v < -0.05f)
            EXPECT_TRUE(phase[size_t(100 + i)] < 0 && phase[size_t(100 + i)] > -kPi) << i;
    }
    // The trace before the burst reads 0, after its last (negative) lobe 0
    // again once the signal has settled.
    EXPECT_EQ(phase[10], 0.0f);
    EXPECT_EQ(phase[250], 0.0f);
}

TEST(Phase, AllZeroOrEmptyChannelGivesAFlatTrace) {
    EXPECT_EQ(ComputePhase(std::vector<float>(8, 0.0f)), std::vector<float>(8, 0.0f));
    EXPECT_TRUE(ComputePhase({}).empty());
}
