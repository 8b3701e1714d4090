#include "core/dsp/Spectrum.h"

#include "core/dsp/Fft.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace pit::dsp {

namespace {

float Magnitude(float re, float im) {
    return std::sqrt(re * re + im * im);
}

} // namespace

int RoundSpectrumRefine(int requested) {
    const int r = std::clamp(requested, kMinSpectrumRefine, kMaxSpectrumRefine);
    return int(std::bit_floor(unsigned(r)));
}

int SpectrumLength(int sampleCount) {
    return std::max(2, NextPowerOfTwo(sampleCount));
}

double AmplitudeSpectrum::binWidthHz() const {
    if (!(sampleIntervalUs > 0.0) || magnitude.empty())
        return 0.0;
    return 1e6 / (refine * sampleIntervalUs * length());
}

int AmplitudeSpectrum::peakBin() const {
    int best = -1;
    float bestValue = 0.0f;
    for (int k = 1; k < shownBins(); ++k) {
        if (magnitude[size_t(k)] > bestValue) {
            bestValue = magnitude[size_t(k)];
            best = k;
        }
    }
    return best;
}

float AmplitudeSpectrum::curvePeak() const {
    float p = 0.0f;
    for (float v : magnitude)
        p = std::max(p, std::fabs(v));
    return p;
}

AmplitudeSpectrum ComputeAmplitudeSpectrum(std::span<const float> samples, double sampleIntervalUs,
                                           int refine) {
    AmplitudeSpectrum out;
    out.sampleIntervalUs = sampleIntervalUs;
    if (samples.empty())
        return out;
    const int count = int(samples.size());
    const int L = SpectrumLength(count);
    const FftPlan& plan = FftPlan::Shared(std::countr_zero(unsigned(L)));
    if (!plan.valid() || L < count)
        return out; // beyond the largest transform: no spectrum rather than a wrong one
    // At most one shifted transform per value of the result.
    const int r = std::min(RoundSpectrumRefine(refine), L);
    out.refine = r;
    out.magnitude.assign(size_t(L), 0.0f);

    std::vector<float> re(static_cast<size_t>(L)), im(static_cast<size_t>(L));
    if (r < 2) {
        std::fill(re.begin(), re.end(), 0.0f);
        std::fill(im.begin(), im.end(), 0.0f);
        std::copy(samples.begin(), samples.end(), re.begin());
        plan.Forward(re.data(), im.data());
        for (int k = 0; k < L / 2; ++k)
            out.magnitude[size_t(k)] = Magnitude(re[size_t(k)], im[size_t(k)]);
        return out;
    }

    // Shift j moves the signal down by j / r of a bin: value k r + j is bin k
    // of that transform, i.e. bin k r + j of the r L point transform. For a
    // real signal |X(f)| = |X(1 - f)|, so the top bins of shift j, read
    // backwards, are the low bins of shift r - j: half the transforms do.
    const int perShift = L / r;
    for (int j = 0; j <= r / 2; ++j) {
        const double step = -2.0 * std::numbers::pi * j / (double(L) * r);
        const double cr = std::cos(step), ci = std::sin(step);
        double pr = 1.0, pi = 0.0; // exp(i step k), advanced by rotation in double
        for (int k = 0; k < count; ++k) {
            const double x = samples[size_t(k)];
            re[size_t(k)] = float(x * pr);
            im[size_t(k)] = float(x * pi);
            const double t = pr * cr - pi * ci;
            pi = pr * ci + pi * cr;
            pr = t;
        }
        std::fill(re.begin() + count, re.end(), 0.0f);
        std::fill(im.begin() + count, im.end(), 0.0f);
        plan.Forward(re.data(), im.data());
        for (int k = 0; k < perShift; ++k)
            out.magnitude[size_t(k * r + j)] = Magnitude(re[size_t(k)], im[size_t(k)]);
        if (j == 0 || 2 * j == r)
            continue;
        for (int k = 0; k < perShift; ++k) {
            const size_t mirror = size_t(L - 1 - k);
            out.magnitude[size_t(k * r + r - j)] = Magnitude(re[mirror], im[mirror]);
        }
    }
    return out;
}

int SpectrumIndexAtX(int x, int plotLeft, int plotWidth, int shownBins) {
    if (shownBins < 1)
        return 0;
    if (plotWidth <= 0)
        return x < plotLeft ? 0 : shownBins - 1;
    const double pos = double(x - plotLeft) / plotWidth * shownBins;
    if (!(pos > 0.0))
        return 0;
    if (pos >= shownBins)
        return shownBins - 1;
    return int(pos);
}

SpectrumReadout ComputeSpectrumReadout(const AmplitudeSpectrum& spectrum, float storedPeakHz, int cursorIndex,
                                       int referenceHz, float waveSpeedMps) {
    SpectrumReadout out;
    const int shown = spectrum.shownBins();
    if (storedPeakHz < 1e-6f) {
        const int p = spectrum.peakBin();
        out.peakFrequencyHz = p < 0 ? 0 : int(spectrum.frequencyHz(p));
    } else {
        out.peakFrequencyHz = int(storedPeakHz);
    }
    out.cursorIndex = shown > 0 ? std::clamp(cursorIndex, 0, shown - 1) : 0;
    out.cursorFrequencyHz = int(spectrum.frequencyHz(out.cursorIndex));
    out.cursorAmplitude = shown > 0 ? spectrum.magnitude[size_t(out.cursorIndex)] : 0.0f;
    out.maxFrequencyHz = float(spectrum.maxFrequencyHz());
    out.deltaFrequencyHz = referenceHz == -1 ? 0 : out.cursorFrequencyHz - referenceHz;
    const float a = std::max(std::fabs(float(out.deltaFrequencyHz)), 1.0f);
    out.deltaLengthM = waveSpeedMps * 50.0f / a / 100.0f;
    return out;
}

} // namespace pit::dsp
