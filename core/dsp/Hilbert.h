// Phase trace of a pulse signal: small parts are flattened into low
// plateaus, a direct time-domain Hilbert transform is taken, and each
// sample's phase follows from the signal and its transform.
#pragma once

#include <span>
#include <vector>

namespace pit::dsp {

// Direct Hilbert transform with the trapezoid-averaged 1/k kernel:
// h[i] = -(1/pi) sum_k ((x[i+k] - x[i-k]) / 2k + (x[i+k+1] - x[i-k-1]) / 2(k+1)),
// samples outside the array counting as 0. O(n^2). Its gain for a cosine
// of w rad/sample is 1 - w/pi - sin(w)/pi rather than 1.
std::vector<float> HilbertTransformDirect(std::span<const float> x);

// Replaces the parts of x below 2 % of its peak by plateaus at +-a/2 and
// +-2a (a = 0.2 % of the peak) so that only significant pulses keep their
// shape; in place. An all-zero signal stays as it is.
void ReshapeForPhase(std::vector<float>& x);

// Phase in radians (-pi..pi) of each sample of the reshaped signal x with its
// Hilbert transform h; a is the small-signal level (0.2 % of x's peak).
std::vector<float> PhaseFromHilbert(std::span<const float> x, std::span<const float> h, float a);

// The whole chain on a channel's samples: reshape, transform, phase.
// An all-zero or empty channel gives a flat trace of zeros.
std::vector<float> ComputePhase(std::span<const float> samples);

} // namespace pit::dsp
