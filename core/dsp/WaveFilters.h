// The numeric kernels of the wave processing chain: two second-order
// Butterworth filters, the exponential amplification, the sample shift of the
// peak re-alignment, differentiation and drift-free trapezoid integration.
// Samples are single precision; every sum and product is done in double and
// rounded to float when stored, so the recursions feed back stored values.
#pragma once

// Low-pass, second order, bilinear transform without pre-warping, pi taken as
// 3.1415925f. out may equal in. The first two samples pass unchanged. Does
// nothing unless 0 <= fc <= 50000 Hz and dt > 0 µs.
void LowPassButterworth2(const float* in, float* out, int n, float dtMicros, float fcHz);

// High-pass, second order, bilinear transform with pre-warping (pi 3.1415927f),
// zero initial state. out may equal in. Does nothing unless 0 <= fc <= 50000 Hz,
// dt > 0 µs and fc < fs/2, where the poles would leave the unit circle.
void ButterworthHighPass(const float* in, float* out, int n, float dtMicros, float fcHz);

// Ramp x[s..e-1] by exp((i - s + 1) ln K / (e - s + 1)) and multiply x[e..n-1]
// by K; nothing unless K > 1, e > s and s >= 0. Both stop at n.
void ApplyExponentialGain(float* x, int n, int start, int end, int K);
// Whether ApplyExponentialGain may change samples (false: it does nothing).
inline bool ExponentialGainChanges(int start, int end, int K) {
    return K > 1 && end > start && start >= 0;
}

// Moves the samples by d = to - from (the sample at to goes to from); the
// vacated end repeats the old end sample. Nothing when |d| > 200.
void ShiftSamples(float* x, int n, int from, int to);

// Forward difference / h; the last sample repeats the one before it (0 for n = 1).
void Differentiate(const float* in, int n, float* out, double h);

// Trapezoid integral minus the mean-drift line h * mean(in) * i; out[0] = in[0] h.
// out must not alias in.
void IntegrateTrapezoid(const float* in, float* out, int n, double h);
