// The vectorised magnitude scans against the plain sequential loops they replace.
#include "core/wave/WaveMath.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

using namespace pit::wave;

namespace {

// The loops as the channel code wrote them before: the first strictly greater value wins.
int sequentialFirstMax(const std::vector<float>& x, float init, bool magnitude) {
    float best = init;
    int idx = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const float a = magnitude ? std::fabs(x[i]) : x[i];
        if (a > best) {
            best = a;
            idx = int(i);
        }
    }
    return idx;
}

float sequentialMaxAbs(const std::vector<float>& x, float init) {
    float m = init;
    for (float v : x)
        m = std::max(m, std::fabs(v));
    return m;
}

} // namespace

TEST(WaveMath, ScansMatchTheSequentialLoops) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<std::vector<float>> cases = {
        {},
        {nan},
        {nan, nan, nan},
        {-0.0f, 0.0f},
        {-1e7f, -2e7f, -1e6f}, // nothing above the window's start value
        {3, -3, 1},            // equal magnitudes: the first
    };
    // Longer than one vector step, with the peak in the tail, ties across
    // lanes, NaN and negative values.
    for (size_t n : {15u, 16u, 17u, 33u, 300u, 1024u, 1031u}) {
        std::vector<float> x(n);
        for (size_t i = 0; i < n; ++i)
            x[i] = float((i * 37) % 101) - 50.0f;
        x[n / 3] = nan;
        cases.push_back(x);
        x[n - 1] = -70.0f;
        cases.push_back(x);
        x[n - 1] = 50.0f; // ties the largest earlier magnitude
        cases.push_back(x);
    }
    for (const auto& x : cases) {
        SCOPED_TRACE(testing::Message() << "n=" << x.size());
        for (float init : {-1.0f, 0.0f, -100.0f})
            EXPECT_EQ(MaxAbs(x.data(), x.size(), init), sequentialMaxAbs(x, init));
        EXPECT_EQ(FirstIndexOfMaxAbs(x.data(), x.size()), sequentialFirstMax(x, -1.0f, true));
        EXPECT_EQ(FirstIndexOfMax(x.data(), x.size(), -1e6f, Magnitude{}),
                  sequentialFirstMax(x, -1e6f, true));
        EXPECT_EQ(FirstIndexOfMax(x.data(), x.size(), -1e6f, Value{}), sequentialFirstMax(x, -1e6f, false));
    }
}

TEST(WaveMath, SumsAndQuotientsAreExactlyThoseOfTheLoop) {
    std::vector<float> acc(1027), x(1027);
    for (size_t i = 0; i < x.size(); ++i) {
        acc[i] = 0.1f * float(i);
        x[i] = 1.0f / float(i + 3);
    }
    std::vector<float> expected = acc;
    for (size_t i = 0; i < x.size(); ++i)
        expected[i] = (expected[i] + x[i]) / 3.0f;
    AddInto(acc.data(), x.data(), x.size());
    DivideAll(acc.data(), acc.size(), 3.0f);
    EXPECT_EQ(acc, expected);

    // Column sums of several rows: the rows added in order, as a loop over the rows would.
    std::vector<std::vector<float>> rows(5, std::vector<float>(1027));
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t i = 0; i < 1027; ++i)
            rows[r][i] = float(std::sin(double(i * (r + 1)))) * 1e3f + 1.0f / float(i + r + 1);
    for (size_t used : {0u, 1u, 5u}) {
        std::vector<float> loop(1027, 0.0f), columns(1027, -1.0f);
        std::vector<const float*> pointers;
        for (size_t r = 0; r < used; ++r) {
            AddInto(loop.data(), rows[r].data(), loop.size());
            pointers.push_back(rows[r].data());
        }
        if (used)
            DivideAll(loop.data(), loop.size(), float(used));
        AverageColumns(columns.data(), pointers.data(), used, columns.size(), float(used));
        EXPECT_EQ(columns, loop) << used;
    }
}
