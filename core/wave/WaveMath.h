// Float-to-integer conversions of the wave code: truncation toward zero that
// never converts a non-finite or out-of-range value (undefined in C++).
#pragma once

#include <cmath>
#include <cstdint>

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

} // namespace pit::wave
