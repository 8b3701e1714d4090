#include "core/dsp/Wavelet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace pit::dsp {

namespace {

// Six-tap Daubechies pair (three vanishing moments), as stored.
constexpr std::array<double, 6> kDbLow = {0.33267055295,  0.806891509311,  0.459877502118,
                                          -0.13501102001, -0.085441273882, 0.035226291882};
constexpr std::array<double, 6> kDbHigh = {0.0352263,       0.08544127, -0.135011,
                                           -0.459877502118, 0.8068915,  -0.33267055};

constexpr std::array<double, 23> kMayerLow = {-0.002, -0.003, 0.006,  0.006, -0.013, -0.012, 0.03,   0.023,
                                              -0.078, -0.035, 0.307,  0.542, 0.307,  -0.035, -0.078, 0.023,
                                              0.03,   -0.012, -0.013, 0.006, 0.006,  -0.003, -0.002};
constexpr std::array<double, 23> kMayerHigh = {0.002, -0.003, -0.006, 0.006, 0.013,  -0.012, -0.03, 0.023,
                                               0.078, -0.035, -0.307, 0.542, -0.307, -0.035, 0.078, 0.023,
                                               -0.03, -0.012, 0.013,  0.006, -0.006, -0.003, 0.002};

constexpr std::array<double, 13> kMorletLow = {-0.00332761, 0.00569794, 0.0196637, -0.0482603, -0.0485391,
                                               0.292562,    0.564406,   0.292562,  -0.0485391, -0.0482602,
                                               -0.0196637,  0.00569794, -0.0033276};
constexpr std::array<double, 13> kMorletHigh = {0.00332761, 0.00569794, -0.0196637, -0.0482603, 0.0485391,
                                                0.292562,   -0.564406,  0.292562,   0.0485391,  -0.0482602,
                                                0.0196637,  0.00569794, 0.0033276};

const WaveletBank kDb{kDbLow, kDbHigh, true, 0, 0, 0};
const WaveletBank kMayer{kMayerLow, kMayerHigh, false, 11, 10, 12};
const WaveletBank kMorlet{kMorletLow, kMorletHigh, false, 6, 5, 7};

int Wrap(int i, int length) {
    const int m = i % length;
    return m < 0 ? m + length : m;
}

void DecomposePeriodic(const WaveletBank& b, std::span<const float> a, std::vector<float>& approx,
                       std::vector<float>& detail) {
    const int len = int(a.size());
    const int half = len / 2;
    const int taps = int(b.lowPass.size());
    approx.assign(size_t(half), 0.0f);
    detail.assign(size_t(half), 0.0f);
    for (int k = 0; k < half; ++k) {
        double sa = 0.0, sd = 0.0;
        for (int j = 0; j < taps; ++j) {
            const double v = a[size_t(Wrap(2 * k + j, len))];
            sa += v * b.lowPass[size_t(j)];
            sd += v * b.highPass[size_t(j)];
        }
        approx[size_t(k)] = float(sa);
        detail[size_t(k)] = float(sd);
    }
}

// The transpose of DecomposePeriodic: exact inverse for an orthonormal pair.
std::vector<float> RebuildPeriodic(const WaveletBank& b, std::span<const float> approx,
                                   std::span<const float> detail) {
    const int half = int(approx.size());
    const int phases = int(b.lowPass.size()) / 2;
    std::vector<float> out(size_t(2 * half), 0.0f);
    for (int k = 0; k < half; ++k) {
        double even = 0.0, odd = 0.0;
        for (int j = 0; j < phases; ++j) {
            const size_t src = size_t(Wrap(k - j, half));
            even += approx[src] * b.lowPass[size_t(2 * j)] + detail[src] * b.highPass[size_t(2 * j)];
            odd += approx[src] * b.lowPass[size_t(2 * j + 1)] + detail[src] * b.highPass[size_t(2 * j + 1)];
        }
        out[size_t(2 * k)] = float(even);
        out[size_t(2 * k + 1)] = float(odd);
    }
    return out;
}

void DecomposeSymmetric(const WaveletBank& b, std::span<const float> a, std::vector<float>& approx,
                        std::vector<float>& detail) {
    const int len = int(a.size());
    const int taps = int(b.lowPass.size());
    approx.assign(size_t(len / 2), 0.0f);
    detail.assign(size_t(len / 2), 0.0f);
    for (int p = 0; p < len; p += 2) {
        double sa = 0.0, sd = 0.0;
        for (int t = 0; t < taps; ++t) {
            sa += a[size_t(ReflectIndex(p + t - b.lowCentre, len))] * b.lowPass[size_t(t)];
            sd += a[size_t(ReflectIndex(p + t - b.highCentre, len))] * b.highPass[size_t(t)];
        }
        approx[size_t(p / 2)] = float(sa);
        detail[size_t(p / 2)] = float(sd);
    }
}

std::vector<float> RebuildSymmetric(const WaveletBank& b, std::span<const float> approx,
                                    std::span<const float> detail) {
    const int len = int(approx.size()) * 2;
    const int taps = int(b.lowPass.size());
    // Upsampled: the coefficient at even positions, 0 at odd ones.
    std::vector<double> ua(size_t(len), 0.0), ud(size_t(len), 0.0);
    for (size_t k = 0; k < approx.size(); ++k) {
        ua[2 * k] = approx[k];
        ud[2 * k] = detail[k];
    }
    std::vector<float> out(size_t(len), 0.0f);
    for (int p = 0; p < len; ++p) {
        double s = 0.0;
        for (int t = 0; t < taps; ++t) {
            s += b.lowPass[size_t(t)] * ua[size_t(ReflectIndex(p + t - b.lowCentre, len))];
            s += b.highPass[size_t(t)] * ud[size_t(ReflectIndex(p + t - b.highRebuildCentre, len))];
        }
        out[size_t(p)] = float(2.0 * s);
    }
    return out;
}

} // namespace

const WaveletBank& GetWaveletBank(WaveletFamily family) {
    switch (family) {
    case WaveletFamily::Mayer:
        return kMayer;
    case WaveletFamily::Morlet:
        return kMorlet;
    case WaveletFamily::Db6:
        break;
    }
    return kDb;
}

int ReflectIndex(int i, int length) {
    const int m = std::abs(i);
    return m < length ? m : 2 * length - m - 2;
}

int MaxWaveletLevels(int sampleCount, WaveletFamily family) {
    const int taps = int(GetWaveletBank(family).lowPass.size());
    int levels = 0;
    int len = sampleCount;
    while (levels < kMaxWaveletLevels && len >= taps && len % 2 == 0) {
        ++levels;
        len /= 2;
    }
    return levels;
}

bool WaveletDecompose(std::span<const float> x, WaveletFamily family, int levels, WaveletCoefficients& out) {
    out = WaveletCoefficients{};
    out.family = family;
    if (levels < 1 || levels > MaxWaveletLevels(int(x.size()), family))
        return false;
    const WaveletBank& b = GetWaveletBank(family);
    out.sampleCount = int(x.size());
    out.approximations.resize(size_t(levels));
    out.details.resize(size_t(levels));
    std::span<const float> input = x;
    for (int i = 0; i < levels; ++i) {
        if (b.periodic)
            DecomposePeriodic(b, input, out.approximations[size_t(i)], out.details[size_t(i)]);
        else
            DecomposeSymmetric(b, input, out.approximations[size_t(i)], out.details[size_t(i)]);
        input = out.approximations[size_t(i)];
    }
    return true;
}

std::vector<float> WaveletReconstruct(const WaveletCoefficients& c) {
    if (c.levels() < 1 || c.approximations.size() != c.details.size())
        return {};
    const WaveletBank& b = GetWaveletBank(c.family);
    std::vector<float> signal = c.approximations.back();
    for (int i = c.levels() - 1; i >= 0; --i) {
        const std::vector<float>& d = c.details[size_t(i)];
        if (d.size() != signal.size())
            return {};
        signal = b.periodic ? RebuildPeriodic(b, signal, d) : RebuildSymmetric(b, signal, d);
    }
    return signal;
}

float EstimateNoiseThreshold(std::span<const float> block) {
    if (block.empty())
        return 0.0f;
    std::vector<float> m(block.size());
    std::transform(block.begin(), block.end(), m.begin(), [](float v) { return std::fabs(v); });
    const auto mid = m.begin() + std::ptrdiff_t(m.size() / 2);
    std::nth_element(m.begin(), mid, m.end());
    return *mid / 0.677f;
}

void ThresholdDetails(WaveletCoefficients& c, WaveletThreshold mode) {
    for (std::vector<float>& d : c.details) {
        if (mode == WaveletThreshold::ZeroDetails) {
            std::fill(d.begin(), d.end(), 0.0f);
            continue;
        }
        const float T = EstimateNoiseThreshold(d);
        for (float& v : d) {
            if (std::fabs(v) < T + 1e-5f)
                v = 0.0f;
            else if (mode == WaveletThreshold::Soft)
                v = v > 0 ? v - T : v + T;
        }
    }
}

std::vector<float> WaveletDenoise(std::span<const float> x, WaveletFamily family, int levels,
                                  WaveletThreshold mode) {
    WaveletCoefficients c;
    if (!WaveletDecompose(x, family, levels, c))
        return {};
    ThresholdDetails(c, mode);
    return WaveletReconstruct(c);
}

} // namespace pit::dsp
