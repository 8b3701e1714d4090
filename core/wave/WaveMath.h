// Float-to-integer conversions of the wave code: truncation toward zero that
// never converts a non-finite or out-of-range value (undefined in C++), and
// the magnitude scans that every channel refresh makes.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pit::wave {

// trunc(v) limited to [lo, hi]; a NaN gives lo.
inline int ClampToInt(double v, int lo, int hi) {
    if (!(v >= double(lo)))
        return lo;
    if (v >= double(hi))
        return hi;
    return int(v);
}

// trunc(v) as int; NaN gives 0, infinities the int limits.
inline int TruncToInt(double v) {
    if (std::isnan(v))
        return 0;
    return ClampToInt(v, INT32_MIN, INT32_MAX);
}

// Nearest integer, an exact half going down (toward -infinity).
inline int RoundHalfDown(double v) {
    if (std::isnan(v))
        return 0;
    return ClampToInt(std::ceil(v - 0.5), INT32_MIN, INT32_MAX);
}

// The magnitude scans that every channel read and refresh makes, with four
// vector registers of running maxima: the same results as the plain
// sequential loops (a maximum does not depend on the order in which it is
// taken), several times faster.
struct Magnitude {
    float operator()(float v) const { return std::fabs(v); }
};
struct Value {
    float operator()(float v) const { return v; }
};

// The largest f(x[i]) above init (else init); NaN samples are passed over.
template <typename F = Magnitude> float MaxOf(const float* x, size_t n, float init, F f = {}) {
    size_t i = 0;
    float m = init;
#if defined(__SSE2__)
    if (n >= 16) {
        // maxps(a, b) is a > b ? a : b lane by lane, NaN a giving b.
        const __m128 mask = std::is_same_v<F, Magnitude> ? _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF))
                                                         : _mm_castsi128_ps(_mm_set1_epi32(-1));
        __m128 m0 = _mm_set1_ps(init), m1 = m0, m2 = m0, m3 = m0;
        for (; i + 16 <= n; i += 16) {
            m0 = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(x + i), mask), m0);
            m1 = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(x + i + 4), mask), m1);
            m2 = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(x + i + 8), mask), m2);
            m3 = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(x + i + 12), mask), m3);
        }
        alignas(16) float lane[16];
        _mm_store_ps(lane, m0);
        _mm_store_ps(lane + 4, m1);
        _mm_store_ps(lane + 8, m2);
        _mm_store_ps(lane + 12, m3);
        for (float v : lane)
            m = v > m ? v : m;
    }
#endif
    for (; i < n; ++i) {
        const float a = f(x[i]);
        m = a > m ? a : m;
    }
    return m;
}

inline float MaxAbs(const float* x, size_t n, float init) {
    return MaxOf(x, n, init, Magnitude{});
}

// The first index whose f(x[i]) is the largest and above init, as a loop
// keeping the first strictly greater value finds it; 0 when none is above init.
template <typename F = Magnitude> int FirstIndexOfMax(const float* x, size_t n, float init, F f = {}) {
    const float m = MaxOf(x, n, init, f);
    if (!(m > init))
        return 0;
    for (size_t i = 0; i < n; ++i)
        if (f(x[i]) == m)
            return int(i);
    return 0;
}

inline int FirstIndexOfMaxAbs(const float* x, size_t n) {
    return FirstIndexOfMax(x, n, -1.0f, Magnitude{});
}

// acc[i] += x[i], eight at a step (vector registers); acc and x do not overlap.
inline void AddInto(float* __restrict acc, const float* __restrict x, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        for (size_t j = 0; j < 8; ++j)
            acc[i + j] += x[i + j];
    for (; i < n; ++i)
        acc[i] += x[i];
}

// out[i] := (...((0 + rows[0][i]) + rows[1][i]) + ...) / d (d 0: no division), the rows
// added in order as AddInto would, but each column once, in vector registers.
inline void AverageColumns(float* __restrict out, const float* const* rows, size_t rowCount, size_t n,
                           float d) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        float acc[8] = {};
        for (size_t r = 0; r < rowCount; ++r) {
            const float* __restrict x = rows[r] + i;
            for (size_t j = 0; j < 8; ++j)
                acc[j] += x[j];
        }
        if (d != 0.0f)
            for (size_t j = 0; j < 8; ++j)
                acc[j] /= d;
        for (size_t j = 0; j < 8; ++j)
            out[i + j] = acc[j];
    }
    for (; i < n; ++i) {
        float acc = 0.0f;
        for (size_t r = 0; r < rowCount; ++r)
            acc += rows[r][i];
        out[i] = d != 0.0f ? acc / d : acc;
    }
}

// x[i] /= d, eight at a step.
inline void DivideAll(float* __restrict x, size_t n, float d) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        for (size_t j = 0; j < 8; ++j)
            x[i + j] /= d;
    for (; i < n; ++i)
        x[i] /= d;
}

} // namespace pit::wave
