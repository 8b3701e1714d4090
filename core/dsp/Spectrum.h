// Amplitude spectrum of one channel with refinement: a zoom of the lowest
// bins built from frequency-shifted transforms, interleaved.
#pragma once

#include <span>
#include <vector>

namespace pit::dsp {

constexpr int kMinSpectrumRefine = 1;
constexpr int kMaxSpectrumRefine = 32;

// The refinement in use for a requested one: clamped to 1..32, then the
// largest power of two not above it (3 -> 2, 12 -> 8, 50 -> 32, 0 -> 1).
int RoundSpectrumRefine(int requested);

// Transform length for a channel: the next power of two >= count, at least 2.
// Shorter channels are zero-padded to it.
int SpectrumLength(int sampleCount);

struct AmplitudeSpectrum {
    // length() magnitudes. Value i lies at i / refine of one bin of the plain
    // transform: for refine 1 the bins 0..length/2-1 (the upper half is 0),
    // else the lowest length/refine bins at 1/refine spacing.
    std::vector<float> magnitude;
    int refine = 1;
    double sampleIntervalUs = 0.0;

    int length() const { return int(magnitude.size()); }
    // Values 0..shownBins()-1 make up the curve: 0 Hz up to maxFrequencyHz().
    int shownBins() const { return length() / 2; }
    // Spacing of the values, 1e6 / (refine dt length); 0 without a positive dt.
    double binWidthHz() const;
    double frequencyHz(int index) const { return index * binWidthHz(); }
    // Upper end of the shown range, 1e6 / (2 refine dt).
    double maxFrequencyHz() const { return frequencyHz(shownBins()); }
    // The first index in 1..shownBins()-1 holding the largest value above 0;
    // -1 when there is none (an all-zero channel).
    int peakBin() const;
    // Largest value of all length() values, 0 for an empty or all-zero
    // spectrum; the curve's vertical scale (callers draw a flat line at 0).
    float curvePeak() const;
};

// |DFT| of the samples (zero-padded to SpectrumLength) at the refinement
// RoundSpectrumRefine(refine), never above the transform length. No window,
// no scaling. An empty input, or one longer than 2^kMaxFftLog2 samples,
// gives an empty spectrum.
AmplitudeSpectrum ComputeAmplitudeSpectrum(std::span<const float> samples, double sampleIntervalUs,
                                           int refine);

// Index under pixel x of a curve drawn over plotWidth pixels from plotLeft,
// clamped to 0..shownBins-1 (left of the plot 0, right of it the last).
int SpectrumIndexAtX(int x, int plotLeft, int plotWidth, int shownBins);

// The values of the spectrum read-out at one cursor index.
struct SpectrumReadout {
    int cursorIndex = 0;
    int peakFrequencyHz = 0;   // Fmax: the stored mark, else the peak's frequency
    int cursorFrequencyHz = 0; // F, whole Hz (truncated)
    float cursorAmplitude = 0; // FA
    float maxFrequencyHz = 0;  // upper end of the shown range
    int deltaFrequencyHz = 0;  // dFre: F minus the reference, 0 without one
    float deltaLengthM = 0;    // dLen: speed / (2 max(|dFre|, 1))
};

// storedPeakHz below 1e-6 means "no mark": the peak's frequency is taken
// (0 Hz when the spectrum has no peak). referenceHz -1 means no reference.
SpectrumReadout ComputeSpectrumReadout(const AmplitudeSpectrum& spectrum, float storedPeakHz, int cursorIndex,
                                       int referenceHz, float waveSpeedMps);

} // namespace pit::dsp
