#!/usr/bin/python3
"""Times scipy.signal.lfilter on the data of bench/wave_bench.cpp: the two
second-order Butterworth filters on 1 M samples, and the padded 2048-sample
run of one ApplyFilter, reported as samples per second. Compare with
build/bench/pit_bench --benchmark_filter='1M|ApplyFilter'.

Needs Debian's python3-numpy and python3-scipy.
"""
import sys
import timeit

import numpy as np
from scipy import signal

DT_US = 20.0
FS = 1e6 / DT_US
N_MILLION = 1 << 20


def make_signal(n, seed=3):
    rng = np.random.default_rng(seed)
    i = np.arange(n)
    j = i % 1024
    x = 0.03 * np.sin(2 * np.pi * i / 97.0) + 0.01 * rng.standard_normal(n)
    pulse = (j >= 40) & (j <= 80)
    x[pulse] += np.sin(np.pi * (j[pulse] - 40) / 40.0)
    echo = (j >= 300) & (j <= 330)
    x[echo] += 0.25 * np.sin(np.pi * (j[echo] - 300) / 30.0)
    return x


def low_pass_ba(fc):
    wc = 2 * np.pi * fc
    return signal.bilinear([wc * wc], [1.0, np.sqrt(2.0) * wc, wc * wc], fs=FS)


def high_pass_ba(fc):
    return signal.butter(2, fc, "highpass", fs=FS)


def rate(fn, n, repeat=7):
    number = max(1, int(2e6 // n))
    best = min(timeit.repeat(fn, number=number, repeat=repeat)) / number
    return n / best, best


def main():
    print("scipy", __import__("scipy").__version__, "numpy", np.__version__)
    for dtype in (np.float64, np.float32):
        x = make_signal(N_MILLION).astype(dtype)
        for name, (b, a) in (("low-pass 1500 Hz", low_pass_ba(1500.0)), ("high-pass 50 Hz", high_pass_ba(50.0))):
            b = np.asarray(b, dtype)
            a = np.asarray(a, dtype)
            r, t = rate(lambda: signal.lfilter(b, a, x), N_MILLION)
            print(f"lfilter {np.dtype(dtype).name:7s} {name:17s} 1M samples: {t * 1e3:8.3f} ms  {r / 1e6:8.1f} M samples/s")
    x = make_signal(2048).astype(np.float32)
    b, a = low_pass_ba(1500.0)
    r, t = rate(lambda: signal.lfilter(b, a, x), 2048)
    print(f"lfilter float64 coefficients, float32 data, 2048 samples (one ApplyFilter's run): {t * 1e6:8.2f} us  "
          f"{r / 1e6:8.1f} M samples/s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
