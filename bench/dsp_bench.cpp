// Speed of the analysis kernels on one 1024-sample channel: the transform,
// the refined spectrum, the phase trace and a wavelet de-noising round trip.
#include "core/dsp/Fft.h"
#include "core/dsp/Hilbert.h"
#include "core/dsp/Spectrum.h"
#include "core/dsp/Wavelet.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

namespace {

std::vector<float> Channel() {
    std::vector<float> x(1024);
    for (int i = 0; i < 1024; ++i) {
        const double t = i * 20e-6;
        x[size_t(i)] = float(std::exp(-std::pow((t - 1e-3) / 0.25e-3, 2)) -
                             0.4 * std::exp(-std::pow((t - 1.7e-3) / 0.3e-3, 2)) + 0.02 * std::sin(0.7 * i));
    }
    return x;
}

} // namespace

static void BM_Fft1024(benchmark::State& state) {
    const std::vector<float> x = Channel();
    const pit::dsp::FftPlan plan(10);
    std::vector<float> re(1024), im(1024);
    for (auto _ : state) {
        re = x;
        std::fill(im.begin(), im.end(), 0.0f);
        plan.Forward(re.data(), im.data());
        benchmark::DoNotOptimize(re.data());
    }
}
BENCHMARK(BM_Fft1024)->Unit(benchmark::kMicrosecond);

static void BM_Spectrum1024(benchmark::State& state) {
    const std::vector<float> x = Channel();
    const int refine = int(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(pit::dsp::ComputeAmplitudeSpectrum(x, 20.0, refine));
}
BENCHMARK(BM_Spectrum1024)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);

static void BM_Phase1024(benchmark::State& state) {
    const std::vector<float> x = Channel();
    for (auto _ : state)
        benchmark::DoNotOptimize(pit::dsp::ComputePhase(x));
}
BENCHMARK(BM_Phase1024)->Unit(benchmark::kMicrosecond);

static void BM_WaveletRoundTrip1024(benchmark::State& state) {
    const std::vector<float> x = Channel();
    const auto family = pit::dsp::WaveletFamily(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(pit::dsp::WaveletDenoise(x, family, 4, pit::dsp::WaveletThreshold::Soft));
}
// 0 db6, 1 mayer, 2 morlet; four levels, soft thresholds.
BENCHMARK(BM_WaveletRoundTrip1024)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
