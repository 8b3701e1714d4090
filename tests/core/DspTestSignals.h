// Small signal builders and comparisons shared by the numeric kernel tests.
#pragma once

#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace pit::test {

// A pile-like trace: head pulse, opposite echo, a decaying ring.
inline std::vector<float> PileTrace(int n, double dtUs) {
    std::vector<float> x(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = i * dtUs * 1e-6;
        const double p1 = std::exp(-std::pow((t - 1.0e-3) / 0.25e-3, 2));
        const double p2 = 0.4 * std::exp(-std::pow((t - 1.7e-3) / 0.3e-3, 2));
        const double ring = 0.05 * std::sin(2 * std::numbers::pi * 900.0 * t) * std::exp(-t / 8e-3);
        x[size_t(i)] = float(p1 - p2 + ring);
    }
    return x;
}

inline std::vector<float> ToFloat(const std::vector<double>& v) {
    return std::vector<float>(v.begin(), v.end());
}

// Largest |a - b| over the common length, divided by the largest |b|.
template <class A, class B> double RelativeMaxError(const A& a, const B& b) {
    double err = 0.0, peak = 0.0;
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        err = std::max(err, std::fabs(double(a[i]) - double(b[i])));
        peak = std::max(peak, std::fabs(double(b[i])));
    }
    return peak > 0 ? err / peak : err;
}

inline Csv ReadDspCsv(const char* name) {
    return readCsv(dataDir() + QLatin1Char('/') + QLatin1String(name));
}

} // namespace pit::test
