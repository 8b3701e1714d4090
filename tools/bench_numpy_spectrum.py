#!/usr/bin/env python3
"""Times numpy's FFT on one 1024-sample channel beside the spectrum benchmark.

Prints microseconds per call for numpy.fft.fft of 1024 points and for the
refined spectrum built from numpy FFTs (r shifted transforms of 1024 points,
the same work as ComputeAmplitudeSpectrum), to compare with bench/dsp_bench.cpp.
Run with /usr/bin/python3 (Debian's python3-numpy).
"""
import timeit

import numpy as np


def channel():
    t = np.arange(1024) * 20e-6
    return (np.exp(-(((t - 1e-3) / 0.25e-3) ** 2)) - 0.4 * np.exp(-(((t - 1.7e-3) / 0.3e-3) ** 2))
            + 0.02 * np.sin(0.7 * np.arange(1024))).astype(np.float32)


def refined(x, r, shifts):
    n = len(x)
    if r == 1:
        return np.abs(np.fft.fft(x))[: n // 2]
    mags = np.abs(np.fft.fft(x[None, :] * shifts, axis=1))[:, : n // r]
    return mags.T.reshape(-1)


def per_call_us(fn, number):
    return min(timeit.repeat(fn, number=number, repeat=5)) / number * 1e6


def main():
    x = channel()
    print("numpy %s" % np.__version__)
    print("numpy.fft.fft(1024)              %8.1f us" % per_call_us(lambda: np.fft.fft(x), 20000))
    for r in (1, 8, 32):
        # The modulation table is built once, as a caller keeping it would.
        k = np.arange(1024)
        shifts = np.exp(-2j * np.pi * np.outer(np.arange(r), k) / (1024 * r)).astype(np.complex64)
        print("refined spectrum r=%-2d            %8.1f us" % (r, per_call_us(lambda: refined(x, r, shifts), 2000)))
        print("padded fft(x, 1024 r) r=%-2d      %8.1f us" % (r, per_call_us(lambda: np.abs(np.fft.fft(x, 1024 * r))[:1024], 2000)))


if __name__ == "__main__":
    main()
