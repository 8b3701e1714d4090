// The fast double image of a float equals double(float(t)) bit for bit, and
// the filter recursions built on it equal the plain conversions.
#include "core/dsp/FloatImage.h"
#include "core/dsp/WaveFilters.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

uint64_t Bits(double v) {
    return std::bit_cast<uint64_t>(v);
}
double Plain(double t) {
    return double(float(t));
}

} // namespace

TEST(FloatImage, EqualsTheConversionsOnRandomBitPatterns) {
    std::mt19937_64 rng(17);
    for (int i = 0; i < 2000000; ++i) {
        const double t = std::bit_cast<double>(rng());
        ASSERT_EQ(Bits(pit::dsp::FloatImage(t)), Bits(Plain(t))) << std::hexfloat << t;
    }
}

TEST(FloatImage, EqualsTheConversionsOnSampleSizedValues) {
    std::mt19937_64 rng(18);
    std::uniform_real_distribution<double> u(-1e3, 1e3);
    for (int i = 0; i < 2000000; ++i) {
        const double t = u(rng);
        ASSERT_EQ(Bits(pit::dsp::FloatImage(t)), Bits(Plain(t))) << std::hexfloat << t;
    }
}

TEST(FloatImage, EqualsTheConversionsOnTiesAndRangeEdges) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> cases = {0.0,
                                 -0.0,
                                 inf,
                                 -inf,
                                 std::numeric_limits<double>::quiet_NaN(),
                                 double(std::numeric_limits<float>::max()),
                                 double(std::numeric_limits<float>::min()),
                                 double(std::numeric_limits<float>::denorm_min()),
                                 1e-40,
                                 -1e-45,
                                 3.5e38,
                                 1e300,
                                 1e-300};
    // Exact ties between two floats, with even and odd kept bits, and their
    // neighbours one double ulp away.
    for (uint64_t mant : {0x0000000ull, 0x20000000ull, 0xFFFFFE0000000ull, 0xFFFFFC0000000ull}) {
        for (uint64_t exp : {897ull, 1000ull, 1023ull, 1150ull, 896ull, 1151ull}) {
            const uint64_t tie = (exp << 52) | mant | 0x10000000ull;
            for (int64_t d : {-1, 0, 1}) {
                cases.push_back(std::bit_cast<double>(tie + uint64_t(d)));
                cases.push_back(-std::bit_cast<double>(tie + uint64_t(d)));
            }
        }
    }
    // Just below the smallest normal float, where the float steps are coarser.
    const double minNormal = std::ldexp(1.0, -126);
    for (int k = 1; k < 40; ++k)
        cases.push_back(minNormal - std::ldexp(1.0, -126 - k));
    for (double t : cases)
        EXPECT_EQ(Bits(pit::dsp::FloatImage(t)), Bits(Plain(t))) << std::hexfloat << t;
}

TEST(FloatImage, LowPassEqualsTheRecursionWithPlainConversions) {
    // The kernel's recursion written out with the conversions.
    const float dt = 20.0f, fc = 1500.0f;
    const double fs = 1e6 / double(dt), p = 3.1415925f;
    const double A = p * p * double(fc) * double(fc), B = 1.41421356 * p * double(fc) * fs;
    const double D = fs * fs + A + B;
    const double b1 = (2.0 * fs * fs - 2.0 * A) / D, b2 = (fs * fs + A - B) / D, g = A / D;

    std::mt19937 rng(4);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    for (float scale : {1.0f, 1e-30f, 1e-38f, 1e30f, 0.0f}) {
        std::vector<float> x(50000);
        for (auto& v : x)
            v = scale * noise(rng);
        x[20000] = 0.0f;
        std::vector<float> want(x.size()), got(x.size());
        want[0] = x[0];
        want[1] = x[1];
        for (size_t i = 2; i < x.size(); ++i) {
            const double ahead =
                g * (double(x[i]) + 2.0 * double(x[i - 1]) + double(x[i - 2])) - b2 * double(want[i - 2]);
            want[i] = float(ahead + b1 * double(want[i - 1]));
        }
        LowPassButterworth2(x.data(), got.data(), int(x.size()), dt, fc);
        for (size_t i = 0; i < x.size(); ++i)
            ASSERT_EQ(std::bit_cast<uint32_t>(got[i]), std::bit_cast<uint32_t>(want[i]))
                << "scale " << scale << " i " << i;
    }
}
