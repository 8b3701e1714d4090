#include "core/dsp/Hilbert.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pit::dsp {

namespace {

struct Levels {
    float peak = 0, threshold = 0, a = 0;
};

// Four partial sums: independent chains the processor can overlap.
double Dot(const double* a, const double* b, int count) {
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        s0 += a[k] * b[k];
        s1 += a[k + 1] * b[k + 1];
        s2 += a[k + 2] * b[k + 2];
        s3 += a[k + 3] * b[k + 3];
    }
    for (; k < count; ++k)
        s0 += a[k] * b[k];
    return (s0 + s1) + (s2 + s3);
}

Levels LevelsOf(std::span<const float> x) {
    Levels l;
    for (float v : x)
        l.peak = std::max(l.peak, std::fabs(v));
    l.threshold = l.peak * 0.02f;
    l.a = l.threshold * 0.1f;
    return l;
}

} // namespace

std::vector<float> HilbertTransformDirect(std::span<const float> x) {
    const int n = int(x.size());
    std::vector<float> h(size_t(n), 0.0f);
    if (n < 2)
        return h;
    // The two halves of the trapezoid add up to 1/d for every offset d >= 2
    // and to 1/2 for d = 1, so this is one odd kernel applied directly.
    std::vector<double> c(size_t(n), 0.0);
    c[1] = 0.5;
    for (int d = 2; d < n; ++d)
        c[size_t(d)] = 1.0 / d;
    // x forwards and backwards, so that both sides are contiguous dot products.
    std::vector<double> fwd(x.begin(), x.end());
    std::vector<double> rev(fwd.rbegin(), fwd.rend());
    for (int i = 0; i < n; ++i) {
        const double right = Dot(c.data() + 1, fwd.data() + i + 1, n - 1 - i); // x[i + d]
        const double left = Dot(c.data() + 1, rev.data() + (n - i), i);        // x[i - d]
        h[size_t(i)] = float(-(right - left) / std::numbers::pi);
    }
    return h;
}

void ReshapeForPhase(std::vector<float>& x) {
    const int n = int(x.size());
    const Levels lv = LevelsOf(x);
    if (!(lv.peak > 0.0f))
        return;
    const float T = lv.threshold, a = lv.a;
    const float lowPlateau = a / 2, highPlateau = 2 * a;

    std::vector<int> s(size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        if (std::fabs(x[size_t(i)]) > T)
            s[size_t(i)] = x[size_t(i)] > 0 ? 1 : -1;
    }
    int i = 0;
    while (i < n && s[size_t(i)] == 0)
        x[size_t(i++)] = -lowPlateau;

    while (i < n) {
        const int sign = s[size_t(i)];
        int j = i + 1;
        while (j < n && sign * s[size_t(j)] >= 0)
            ++j;
        int k = i;
        for (int p = i + 1; p < j; ++p) {
            if (s[size_t(p)] != 0)
                k = p;
        }
        if (sign > 0) {
            for (int p = i + 1; p < k; ++p) {
                if (s[size_t(p)] == 0 && x[size_t(p)] < highPlateau)
                    x[size_t(p)] = highPlateau;
            }
            // Past the end the signal counts as 0: the crossing is then at n.
            const float xk = x[size_t(k)];
            const float xj = j < n ? x[size_t(j)] : 0.0f;
            int z = k + int(float(j - k) * xk / (xk - xj));
            z = std::clamp(z, k + 1, std::max(k + 1, j));
            for (int p = k + 1; p < z && p < n; ++p) {
                if (x[size_t(p)] < highPlateau) {
                    const float ramp = xk - float(p - k) * (xk - lowPlateau) / float(z - k);
                    x[size_t(p)] = std::max(ramp, highPlateau);
                }
            }
            // The crossing marks stay in the gap: at j the next pulse begins.
            if (z < j && z < n)
                x[size_t(z)] = lowPlateau;
            if (z + 1 < j && z + 1 < n)
                x[size_t(z + 1)] = -lowPlateau;
            for (int p = z + 2; p < j; ++p) {
                if (x[size_t(p)] > -highPlateau)
                    x[size_t(p)] = -highPlateau;
            }
        } else {
            for (int p = i + 1; p < k; ++p) {
                if (s[size_t(p)] == 0 && x[size_t(p)] > -highPlateau)
                    x[size_t(p)] = -highPlateau;
            }
            // A negative pulse of one sample is widened to two, unless the
            // next sample already starts the following pulse.
            if (k == i && k + 1 < j) {
                s[size_t(k + 1)] = -1;
                if (x[size_t(k + 1)] > -highPlateau)
                    x[size_t(k + 1)] = (-1.0f - highPlateau) / 2;
                ++k;
            }
            const int m = (j + k) / 2;
            for (int p = k + 1; p <= m && p < n; ++p) {
                if (x[size_t(p)] > -highPlateau)
                    x[size_t(p)] = -lowPlateau;
            }
            for (int p = m + 1; p < j; ++p) {
                if (x[size_t(p)] < highPlateau)
                    x[size_t(p)] = lowPlateau;
            }
        }
        i = std::max(j, i + 1);
    }
}

std::vector<float> PhaseFromHilbert(std::span<const float> x, std::span<const float> h, float a) {
    const int n = int(std::min(x.size(), h.size()));
    std::vector<float> phase(size_t(n), 0.0f);
    constexpr float halfPi = std::numbers::pi_v<float> / 2;
    constexpr float pi = std::numbers::pi_v<float>;
    // f = 1: small samples read 0 (after a negative lobe); f = 0: +-pi.
    int f = 1;
    for (int i = 0; i < n; ++i) {
        if (std::fabs(x[size_t(i)]) > a) {
            f = x[size_t(i)] < 0 ? 0 : 1;
            break;
        }
    }
    for (int i = 0; i < n; ++i) {
        const float v = x[size_t(i)];
        if (std::fabs(v) >= a && v != 0.0f) {
            const float angle = std::atan(h[size_t(i)] / v);
            if (v > a) {
                phase[size_t(i)] = angle + halfPi;
                f = 0;
            } else {
                phase[size_t(i)] = angle - halfPi;
                f = 1;
            }
        } else if (f == 1) {
            phase[size_t(i)] = 0.0f;
        } else {
            phase[size_t(i)] = v <= 0 ? -pi : pi;
        }
    }
    return phase;
}

std::vector<float> ComputePhase(std::span<const float> samples) {
    std::vector<float> x(samples.begin(), samples.end());
    const Levels lv = LevelsOf(x);
    if (!(lv.peak > 0.0f))
        return std::vector<float>(x.size(), 0.0f);
    ReshapeForPhase(x);
    const std::vector<float> h = HilbertTransformDirect(x);
    return PhaseFromHilbert(x, h, lv.a);
}

} // namespace pit::dsp
