// Wavelet de-noising: decomposition into up to four levels with one of
// three filter banks, thresholding of the detail coefficients, rebuild.
#pragma once

#include <span>
#include <vector>

namespace pit::dsp {

// In the order of the de-noising dialog's lists.
enum class WaveletFamily { Db6 = 0, Mayer = 1, Morlet = 2 };
enum class WaveletThreshold { Soft = 0, Hard = 1, ZeroDetails = 2 };

constexpr int kMaxWaveletLevels = 4;

struct WaveletBank {
    std::span<const double> lowPass;
    std::span<const double> highPass;
    // Periodic extension (db6); otherwise symmetric extension by ReflectIndex
    // with the filters centred on these taps.
    bool periodic = false;
    int lowCentre = 0;         // low-pass, both directions
    int highCentre = 0;        // high-pass, decomposition
    int highRebuildCentre = 0; // high-pass, rebuild
};

// The stored coefficients of a family. "mayer" and "morlet" are short
// approximations and do not rebuild perfectly (morlet keeps about 0.92 of
// a smooth signal).
const WaveletBank& GetWaveletBank(WaveletFamily family);

// Mirror index without repeating the edge sample: |i| inside 0..length-1,
// else 2 length - |i| - 2. Valid for |i| <= 2 length - 2.
int ReflectIndex(int i, int length);

// The deepest decomposition (0..4) of sampleCount samples: each level's input
// must be of even length and at least as long as the filters.
int MaxWaveletLevels(int sampleCount, WaveletFamily family);

struct WaveletCoefficients {
    WaveletFamily family = WaveletFamily::Db6;
    int sampleCount = 0;
    // Level i (1-based) at index i - 1; level i has sampleCount >> i values.
    std::vector<std::vector<float>> approximations;
    std::vector<std::vector<float>> details;

    int levels() const { return int(details.size()); }
};

// Decomposes x into levels levels; false (out cleared) when levels is not in
// 1..MaxWaveletLevels(x.size(), family).
bool WaveletDecompose(std::span<const float> x, WaveletFamily family, int levels, WaveletCoefficients& out);

// Rebuilds sampleCount samples from the deepest approximation and the details.
// Empty for coefficients without levels.
std::vector<float> WaveletReconstruct(const WaveletCoefficients& coefficients);

// Noise threshold of one detail block: the magnitude at index len / 2 of the
// magnitudes sorted ascending, divided by 0.677. 0 for an empty block.
float EstimateNoiseThreshold(std::span<const float> block);

// Each level with its own threshold T: coefficients below T + 1e-5 in
// magnitude become 0, the others shrink by T (soft) or stay (hard);
// ZeroDetails clears every detail.
void ThresholdDetails(WaveletCoefficients& coefficients, WaveletThreshold mode);

// Decompose, threshold and rebuild in one call; empty when the level count is
// refused for this length and family.
std::vector<float> WaveletDenoise(std::span<const float> x, WaveletFamily family, int levels,
                                  WaveletThreshold mode);

} // namespace pit::dsp
