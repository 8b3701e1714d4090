// Wave processing: the filter application and the full refresh of one
// channel and of a 15-channel pile, and the plain IIR kernels on 1 M samples
// (compare with tools/bench_lfilter.py, scipy.signal.lfilter on the same data).
#include "core/dsp/WaveFilters.h"
#include "core/wave/WaveRecord.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr float kDt = 20.0f;

// The same signal as tools/bench_lfilter.py: a blow, an echo, hum and noise.
std::vector<float> Signal(int n, unsigned seed = 3) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, 0.01f);
    std::vector<float> s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int j = i % 1024;
        float v = 0.03f * float(std::sin(2 * M_PI * i / 97.0)) + noise(rng);
        if (j >= 40 && j <= 80)
            v += float(std::sin(M_PI * (j - 40) / 40.0));
        if (j >= 300 && j <= 330)
            v += 0.25f * float(std::sin(M_PI * (j - 300) / 30.0));
        s[size_t(i)] = v;
    }
    return s;
}

std::unique_ptr<CWaveRecord> Channel(const std::vector<float>& s) {
    auto w = std::make_unique<CWaveRecord>();
    w->sampleInterval = kDt;
    w->SetData(s);
    w->headIndex = 60;
    w->expStart = 60;
    w->toeIndex = 310;
    return w;
}

void Restore(CWaveRecord& w, const std::vector<float>& s) {
    std::copy(s.begin(), s.end(), w.SourceSpan().begin());
}

void BM_ApplyFilter(benchmark::State& state) {
    const bool lowPass = state.range(0) != 0;
    const auto s = Signal(1024);
    auto w = Channel(s);
    w->lowPassHz = 1500;
    w->highPassHz = 50;
    for (auto _ : state) {
        Restore(*w, s);
        benchmark::DoNotOptimize(w->ApplyFilter(lowPass));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1024);
    state.SetLabel(lowPass ? "low-pass, 1024 samples" : "high-pass, 1024 samples");
}
BENCHMARK(BM_ApplyFilter)->Arg(1)->Arg(0);

// What the analysis panel applies to a channel: both filters and the gain,
// each ending in a refresh.
void FullRefresh(CWaveRecord& w, const std::vector<float>& s) {
    Restore(w, s);
    w.SetHighPass(50);
    w.SetLowPass(1500);
    w.SetExpGain(4);
}

void BM_FullRefresh(benchmark::State& state) {
    const int channels = int(state.range(0));
    const auto s = Signal(1024);
    std::vector<std::unique_ptr<CWaveRecord>> pile;
    for (int c = 0; c < channels; ++c)
        pile.push_back(Channel(s));
    for (auto _ : state) {
        for (auto& w : pile)
            FullRefresh(*w, s);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * channels * 1024);
    state.SetLabel(std::to_string(channels) + " x 1024 samples: high-pass, low-pass, gain");
}
BENCHMARK(BM_FullRefresh)->Arg(1)->Arg(15)->Unit(benchmark::kMicrosecond);

void BM_Refresh(benchmark::State& state) {
    const int channels = int(state.range(0));
    const auto s = Signal(1024);
    std::vector<std::unique_ptr<CWaveRecord>> pile;
    for (int c = 0; c < channels; ++c) {
        pile.push_back(Channel(s));
        pile.back()->expGain = 4;
    }
    for (auto _ : state) {
        for (auto& w : pile)
            w->Refresh();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * channels * 1024);
    state.SetLabel(std::to_string(channels) + " x 1024 samples: display copy and gain");
}
BENCHMARK(BM_Refresh)->Arg(1)->Arg(15)->Unit(benchmark::kMicrosecond);

constexpr int kMillion = 1 << 20;

void BM_LowPass1M(benchmark::State& state) {
    const auto x = Signal(kMillion);
    std::vector<float> y(x.size());
    for (auto _ : state) {
        LowPassButterworth2(x.data(), y.data(), kMillion, kDt, 1500.0f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}
BENCHMARK(BM_LowPass1M)->Unit(benchmark::kMillisecond);

void BM_HighPass1M(benchmark::State& state) {
    const auto x = Signal(kMillion);
    std::vector<float> y(x.size());
    for (auto _ : state) {
        ButterworthHighPass(x.data(), y.data(), kMillion, kDt, 50.0f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}
BENCHMARK(BM_HighPass1M)->Unit(benchmark::kMillisecond);

void BM_Integrate1M(benchmark::State& state) {
    const auto x = Signal(kMillion);
    std::vector<float> y(x.size());
    for (auto _ : state) {
        IntegrateTrapezoid(x.data(), y.data(), kMillion, kDt * 1e-6);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}
BENCHMARK(BM_Integrate1M)->Unit(benchmark::kMillisecond);

} // namespace
