// Radix-2 complex FFT over split real/imaginary float arrays.
#pragma once

#include <cstdint>
#include <vector>

namespace pit::dsp {

// Largest transform the plans accept (2^kMaxFftLog2 points).
constexpr int kMaxFftLog2 = 24;

// Smallest power of two that is >= count (1 for count <= 1).
int NextPowerOfTwo(int count);

// A transform of 2^log2Size points with its twiddles and bit-reversal table
// built once, for callers that run many transforms of one length.
class FftPlan {
public:
    // log2Size outside 0..kMaxFftLog2 gives an invalid plan (size 0).
    explicit FftPlan(int log2Size);

    // A shared plan per size, built on first use (thread-safe); the invalid
    // plan for sizes outside the range.
    static const FftPlan& Shared(int log2Size);

    bool valid() const { return m_size > 0; }
    int size() const { return m_size; }
    int log2Size() const { return m_log2; }

    // In place, forward sign (exp(-i 2 pi j k / size)), no scaling. Both
    // arrays hold size() values; output in natural order.
    void Forward(float* re, float* im) const;

private:
    int m_log2 = 0;
    int m_size = 0;
    // Twiddles of the stage with half-length h at [h, 2h): exp(-i pi j / h).
    std::vector<float> m_wr, m_wi;
    // Index pairs (i, j), i < j, swapped by the bit-reversal permutation.
    std::vector<std::uint32_t> m_swaps;
};

// One-off transform of 2^log2Size points; false (arrays untouched) when the
// size is outside the plan's range.
bool FftRadix2(float* re, float* im, int log2Size);

} // namespace pit::dsp
