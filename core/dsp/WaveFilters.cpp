#include "core/dsp/WaveFilters.h"

#include "core/dsp/FloatImage.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

using pit::dsp::FloatImage;

constexpr double kSqrt2 = 1.41421356;
// The two filters were written with different single-precision pi constants;
// the low-pass coefficients depend on the smaller one.
constexpr float kPiLowPass = 3.1415925f;
constexpr float kPiHighPass = 3.1415927f;

bool validCutoff(float dtMicros, float fcHz) {
    return fcHz >= 0.0f && fcHz <= 50000.0f && dtMicros > 0.0f && std::isfinite(dtMicros);
}

} // namespace

void LowPassButterworth2(const float* in, float* out, int n, float dtMicros, float fcHz) {
    if (n <= 0 || !validCutoff(dtMicros, fcHz))
        return;
    const double fs = 1e6 / double(dtMicros);
    const double p = kPiLowPass;
    const double A = p * p * double(fcHz) * double(fcHz);
    const double B = kSqrt2 * p * double(fcHz) * fs;
    const double D = fs * fs + A + B;
    const double b1 = (2.0 * fs * fs - 2.0 * A) / D;
    const double b2 = (fs * fs + A - B) / D;
    const double g = A / D;

    if (n < 3) {
        if (out != in)
            for (int i = 0; i < n; ++i)
                out[i] = in[i];
        return;
    }
    // The input is consumed as we go, so keep the two previous unfiltered
    // values; out may be the input array. Stored values are floats; their
    // exact double images are kept so that each is converted once.
    double x2 = in[0], x1 = in[1];
    out[0] = in[0];
    out[1] = in[1];
    double y2 = out[0], y1 = out[1];
    for (int i = 2; i < n; ++i) {
        const double x0 = in[i];
        // The terms that do not wait for y1 first: the recursion's latency is
        // the one multiply-add through y1 and the rounding to float.
        const double ahead = g * (x0 + 2.0 * x1 + x2) - b2 * y2;
        const double t = ahead + b1 * y1;
        out[i] = float(t);
        y2 = y1;
        y1 = FloatImage(t);
        x2 = x1;
        x1 = x0;
    }
}

void ButterworthHighPass(const float* in, float* out, int n, float dtMicros, float fcHz) {
    // At fs/2 and above the pre-warped k turns negative and the poles leave
    // the unit circle.
    if (n <= 0 || !validCutoff(dtMicros, fcHz) || double(fcHz) * 2.0 * double(dtMicros) >= 1e6)
        return;
    const float k = std::tan(kPiHighPass * fcHz * dtMicros / 1e6f);
    const float sqrt2 = float(kSqrt2);
    const float D = k * k + sqrt2 * k + 1.0f;
    const double b1 = double((2.0f - 2.0f * k * k) / D);
    const double b2 = double((k * k + 1.0f - sqrt2 * k) / D);
    const double g = double(1.0f / D);

    const double x0first = in[0];
    out[0] = float(g * x0first);
    if (n == 1)
        return;
    const double x1first = in[1];
    out[1] = float(b1 * double(out[0]) + g * (x1first - 2.0 * x0first));
    double x2 = x0first, x1 = x1first;
    double y2 = out[0], y1 = out[1];
    for (int i = 2; i < n; ++i) {
        const double x0 = in[i];
        const double ahead = g * (x0 - 2.0 * x1 + x2) - b2 * y2;
        const double t = ahead + b1 * y1;
        out[i] = float(t);
        y2 = y1;
        y1 = FloatImage(t);
        x2 = x1;
        x1 = x0;
    }
}

void ApplyExponentialGain(float* x, int n, int start, int end, int K) {
    if (!ExponentialGainChanges(start, end, K))
        return;
    const float c = float(std::log(double(K)) / double(end - start + 1));
    const int rampEnd = end < n ? end : n;
    for (int i = start; i < rampEnd; ++i)
        x[i] = float(double(x[i]) * std::exp(double(i - start + 1) * double(c)));
    for (int i = end; i < n; ++i)
        x[i] = float(double(x[i]) * double(K));
}

void ShiftSamples(float* x, int n, int from, int to) {
    const int d = to - from;
    if (n <= 0 || d == 0 || std::abs(d) > 200)
        return;
    if (d > 0) {
        const float last = x[n - 1];
        int i = 0;
        for (; i < n - d; ++i)
            x[i] = x[i + d];
        for (; i < n; ++i)
            x[i] = last;
    } else {
        const int a = -d;
        const float first = x[0];
        for (int i = n - 1; i >= a; --i)
            x[i] = x[i - a];
        for (int i = (a < n ? a : n) - 1; i >= 0; --i)
            x[i] = first;
    }
}

void Differentiate(const float* in, int n, float* out, double h) {
    if (n <= 0)
        return;
    if (n == 1) {
        out[0] = 0.0f;
        return;
    }
    for (int i = 0; i < n - 1; ++i)
        out[i] = float((double(in[i + 1]) - double(in[i])) / h);
    out[n - 1] = out[n - 2];
}

void IntegrateTrapezoid(const float* in, float* out, int n, double h) {
    if (n <= 0)
        return;
    double sum = 0.0;
    for (int i = 0; i < n; ++i)
        sum += double(in[i]);
    const double m = h * sum / double(n);
    out[0] = float(double(in[0]) * h);
    double prev = out[0];
    for (int i = 1; i < n; ++i) {
        // The step and the drift first; only the running sum waits on prev.
        const double v = ((double(in[i]) + double(in[i - 1])) * h / 2.0 - m) + prev;
        out[i] = float(v);
        prev = FloatImage(v);
    }
}
