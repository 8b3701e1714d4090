#include "core/dsp/Fft.h"

#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <numbers>
#include <utility>

namespace pit::dsp {

int NextPowerOfTwo(int count) {
    int n = 1;
    while (n < count && n < (1 << 30))
        n <<= 1;
    return n;
}

FftPlan::FftPlan(int log2Size) {
    if (log2Size < 0 || log2Size > kMaxFftLog2)
        return;
    m_log2 = log2Size;
    m_size = 1 << log2Size;
    const int n = m_size;
    m_wr.assign(size_t(n), 1.0f);
    m_wi.assign(size_t(n), 0.0f);
    // Each twiddle straight from cos/sin in double: no drift from rotation.
    for (int h = 1; h < n; h <<= 1) {
        for (int j = 0; j < h; ++j) {
            const double a = std::numbers::pi * j / h;
            m_wr[size_t(h + j)] = float(std::cos(a));
            m_wi[size_t(h + j)] = float(-std::sin(a));
        }
    }
    for (int i = 0; i < n; ++i) {
        int r = 0;
        for (int b = 0; b < log2Size; ++b)
            r |= ((i >> b) & 1) << (log2Size - 1 - b);
        if (i < r) {
            m_swaps.push_back(std::uint32_t(i));
            m_swaps.push_back(std::uint32_t(r));
        }
    }
}

const FftPlan& FftPlan::Shared(int log2Size) {
    static const FftPlan invalid(-1);
    if (log2Size < 0 || log2Size > kMaxFftLog2)
        return invalid;
    static std::array<std::once_flag, kMaxFftLog2 + 1> once;
    static std::array<std::unique_ptr<FftPlan>, kMaxFftLog2 + 1> plans;
    std::call_once(once[size_t(log2Size)],
                   [&] { plans[size_t(log2Size)] = std::make_unique<FftPlan>(log2Size); });
    return *plans[size_t(log2Size)];
}

void FftPlan::Forward(float* re, float* im) const {
    const int n = m_size;
    if (n < 2)
        return;
    // Decimation in frequency; the last two stages (h = 2, h = 1) are done
    // together below without twiddle loads.
    for (int h = n / 2; h >= 4; h >>= 1) {
        const float* wr = m_wr.data() + h;
        const float* wi = m_wi.data() + h;
        for (int base = 0; base < n; base += 2 * h) {
            float* ar = re + base;
            float* ai = im + base;
            float* br = ar + h;
            float* bi = ai + h;
            // The halves never overlap: tell the vectoriser so.
#pragma GCC ivdep
            for (int j = 0; j < h; ++j) {
                const float tr = ar[j] - br[j];
                const float ti = ai[j] - bi[j];
                ar[j] += br[j];
                ai[j] += bi[j];
                br[j] = tr * wr[j] - ti * wi[j];
                bi[j] = tr * wi[j] + ti * wr[j];
            }
        }
    }
    if (n >= 4) {
        // h = 2 (twiddles 1 and -i), then h = 1, on each block of four.
        for (int base = 0; base < n; base += 4) {
            float* r = re + base;
            float* i = im + base;
            const float t0r = r[0] + r[2], t0i = i[0] + i[2];
            const float t1r = r[1] + r[3], t1i = i[1] + i[3];
            const float t2r = r[0] - r[2], t2i = i[0] - i[2];
            // (r1 - r3) times -i
            const float t3r = i[1] - i[3], t3i = r[3] - r[1];
            r[0] = t0r + t1r;
            i[0] = t0i + t1i;
            r[1] = t0r - t1r;
            i[1] = t0i - t1i;
            r[2] = t2r + t3r;
            i[2] = t2i + t3i;
            r[3] = t2r - t3r;
            i[3] = t2i - t3i;
        }
    } else {
        const float tr = re[0] - re[1], ti = im[0] - im[1];
        re[0] += re[1];
        im[0] += im[1];
        re[1] = tr;
        im[1] = ti;
    }
    for (size_t s = 0; s < m_swaps.size(); s += 2) {
        std::swap(re[m_swaps[s]], re[m_swaps[s + 1]]);
        std::swap(im[m_swaps[s]], im[m_swaps[s + 1]]);
    }
}

bool FftRadix2(float* re, float* im, int log2Size) {
    const FftPlan& plan = FftPlan::Shared(log2Size);
    if (!plan.valid())
        return false;
    plan.Forward(re, im);
    return true;
}

} // namespace pit::dsp
