// The processing chain of a channel: refresh with the
// exponential amplification, the filters, the data form and the maxima.
#include "core/wave/WaveRecord.h"

#include "core/dsp/WaveFilters.h"
#include "core/wave/WaveMath.h"

#include <algorithm>
#include <cmath>

void CWaveRecord::Refresh() {
    if (ExponentialGainChanges(expStart, toeIndex, expGain)) {
        display = source;
        ApplyExponentialGain(display.Writable().data(), sampleCount, expStart, toeIndex, expGain);
    } else {
        // The display is the source: it shares the samples and their maximum,
        // scanned once for both.
        source.MaxAbs();
        display = source;
    }
    displayMax100 = 100.0 * double(GetMaxAbsDisplay());
}

int CWaveRecord::SetExpGain(int K, int /*unused*/) {
    expGain = K;
    Refresh();
    return 1;
}

int CWaveRecord::SetLowPass(int fc) {
    if (fc < 1 || fc > 49999 || !HasInterval())
        return 0;
    lowPassHz = fc;
    ApplyFilter(true);
    Refresh();
    return 1;
}

int CWaveRecord::SetHighPass(int fc) {
    if (fc < 1 || fc > 49999 || !HasInterval())
        return 0;
    // fs / 2 = 10^6 / (2 dt); at or above it tan() of the pre-warp passes pi/2
    // and the poles leave the unit circle.
    if (double(fc) * 2.0 * double(sampleInterval) >= 1e6)
        return 0;
    highPassHz = fc;
    ApplyFilter(false);
    Refresh();
    return 1;
}

bool CWaveRecord::ApplyFilter(bool lowPass) {
    const int N = sampleCount;
    if (!HasInterval() || N < 1)
        return false;
    if (!lowPass &&
        (highPassHz < 0 || highPassHz > 50000 || double(highPassHz) * 2.0 * double(sampleInterval) >= 1e6))
        return false;
    float* x = source.Writable().data();

    // 1. The first-quarter peak, to be put back where it was.
    const int W = int(int64_t(N) * 255 / 1024);
    int p = 0;
    float best = -1.0f;
    for (int i = 0; i < W; ++i) {
        const float a = std::fabs(x[i]);
        if (a > best) {
            best = a;
            p = i;
        }
    }
    // 2.
    if (lowPass && lowPassHz < 1)
        lowPassHz = 1;
    if (lowPass && lowPassHz > 50000)
        return false;

    // 3. Padded work copy: the first sample repeated before, zeros after.
    const int h = N / 2;
    std::vector<float> a(size_t(2) * size_t(N), 0.0f);
    std::fill(a.begin(), a.begin() + h, x[0]);
    std::copy(x, x + N, a.begin() + h);
    std::vector<float> b(a.size(), 0.0f);

    // 4.
    if (lowPass)
        LowPassButterworth2(a.data(), b.data(), 2 * N, sampleInterval, float(lowPassHz));
    else
        ButterworthHighPass(a.data(), b.data(), 2 * N, sampleInterval, float(highPassHz));

    // 5.
    std::copy(b.begin() + h, b.begin() + h + N, x);

    // 6. Where the filter moved the peak; the running best starts at sample 0.
    const int lo = std::max(p - 200, 0);
    const int hi = std::min(p + 200, N - 1);
    int q = 0;
    float run = x[0];
    const bool positive = x[p] >= 0.0f;
    for (int i = lo; i < hi; ++i) {
        if (positive ? x[i] > run : x[i] < run) {
            run = x[i];
            q = i;
        }
    }
    // 7.
    ShiftSamples(x, N, p, q);
    return true;
}

int CWaveRecord::IntegrateStep(bool integrate) {
    if (integrate ? dataForm >= 1 : dataForm < 0)
        return 0;
    if (!HasInterval())
        return 0;
    const double hSec = double(sampleInterval) / 1e6;
    pit::SampleBuffer out = pit::SampleBuffer::Uninitialized(source.size());
    float* y = out.Writable().data();
    if (integrate)
        IntegrateTrapezoid(source.data(), y, sampleCount, hSec);
    else
        Differentiate(source.data(), sampleCount, y, hSec);
    source = std::move(out);
    dataForm += integrate ? 1 : -1;
    Refresh();
    return 1;
}

void CWaveRecord::SetDataForm(float factor) {
    // Scaling commutes with the linear integration and differentiation, so the
    // recorded form need not be restored first; that round trip lost the mean
    // and the first sample.
    if (factor == 0.0f)
        return;
    for (float& v : source.Writable())
        v = float(double(v) * double(factor));
    Refresh();
}

float CWaveRecord::GetMaxAbsDisplay() const {
    return display.MaxAbs();
}

float CWaveRecord::GetDisplayMax(bool recompute) const {
    if (!recompute && commonPeak > 0.0f)
        return commonPeak;
    return pit::wave::MaxAbs(display.data(), display.size(), -100.0f);
}

int CWaveRecord::FindMaxAbsIndex() const {
    return pit::wave::FirstIndexOfMaxAbs(source.data(), size_t(sampleCount));
}

float CWaveRecord::GetValueAtMaxAbs() const {
    const int i = FindMaxAbsIndex();
    return i < sampleCount ? source[size_t(i)] : 0.1f;
}

float CWaveRecord::MaxInWindow(int start, int count) const {
    const int first = std::max(start + 1, 0);
    const int64_t endWide = int64_t(start) + int64_t(count);
    const int end = int(std::min<int64_t>(endWide, sampleCount));
    if (first >= end)
        return 0.0f;
    float m = display[size_t(first)];
    for (int i = first + 1; i < end; ++i)
        if (display[size_t(i)] > m)
            m = display[size_t(i)];
    return m;
}

float CWaveRecord::GetGlobalMaxAbs() const {
    return context->GlobalMaxAbs(source);
}
