// The exact double image of a double rounded to float, fast on the
// latency-bound recursions of the wave filters.
#pragma once

#include <cstdint>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace pit::dsp {

// double(float(t)), the value a stored sample feeds back into the recursion.
// The recursions are latency-bound, and the conversion to float and back
// costs two slow instructions on that path. For results in the normal float
// range that are not exact ties, rounding the bit pattern half up at the 29
// dropped bits gives the same value (round to nearest, ties to even, differs
// only on ties) in two integer operations; the checks run beside the
// recursion and send ties, zero, float subnormals, overflow and NaN to the
// conversions, so the result is always exactly double(float(t)).
inline double FloatImage(double t) {
#if defined(__SSE2__) && defined(__x86_64__)
    const __m128i bits = _mm_castpd_si128(_mm_set_sd(t));
    const __m128i rounded = _mm_and_si128(_mm_add_epi64(bits, _mm_set_epi64x(0, 0x10000000)),
                                          _mm_set_epi64x(0, ~int64_t(0x1FFFFFFF)));
    const uint64_t in = uint64_t(_mm_cvtsi128_si64(bits));
    const uint64_t e = (uint64_t(_mm_cvtsi128_si64(rounded)) >> 52) & 0x7FF;
    // Biased double exponent of a normal float: 1023 - 126 .. 1023 + 127.
    if ((in & 0x1FFFFFFF) != 0x10000000 && e - 897u <= 1150u - 897u) [[likely]]
        return _mm_cvtsd_f64(_mm_castsi128_pd(rounded));
#endif
    return double(float(t));
}

} // namespace pit::dsp
