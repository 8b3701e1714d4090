// Spline build and resampling at the size the local amplification uses.
#include "core/dsp/CubicSpline.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

static void BM_SplineResample(benchmark::State& state) {
    const int knots = int(state.range(0));
    std::vector<double> x(static_cast<size_t>(knots)), y(static_cast<size_t>(knots));
    for (int i = 0; i < knots; ++i) {
        x[size_t(i)] = i;
        y[size_t(i)] = std::sin(0.1 * i);
    }
    const int P = int(knots * 1.2);
    std::vector<double> ox(static_cast<size_t>(P)), oy(static_cast<size_t>(P));
    for (auto _ : state) {
        CubicSpline s(x.data(), y.data(), knots);
        benchmark::DoNotOptimize(s.Resample(P, ox.data(), oy.data()));
    }
    state.SetItemsProcessed(state.iterations() * P);
}
BENCHMARK(BM_SplineResample)->Arg(64)->Arg(1024);
