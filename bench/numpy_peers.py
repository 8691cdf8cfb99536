#!/usr/bin/python3
"""The work of the benchmarks in plain vectorised NumPy/SciPy, as a scientist
would write it. Reads the inputs that relaxon-bench wrote into the data
directory and prints the processor seconds per call of each peer as JSON.

Usage: numpy_peers.py DATA_DIRECTORY [NAME]  (NAME: one peer only)
Run it single-threaded (OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1); bench/compare
does.
"""

import json
import os
import subprocess
import sys
import time

import numpy as np
import scipy.special

TE, TR, TP = 40.0, 500.0, 100.0
ANGLE = 30.0
FMRI_PIXELS = 256


def seconds_per_call(work, repeats=5, least=0.2):
    """Best of `repeats` timings, each of enough calls to last `least` seconds."""
    work()
    calls = 1
    while True:
        start = time.process_time()
        for _ in range(calls):
            work()
        spent = time.process_time() - start
        if spent >= least:
            break
        calls *= 2
    best = spent / calls
    for _ in range(repeats - 1):
        start = time.process_time()
        for _ in range(calls):
            work()
        best = min(best, (time.process_time() - start) / calls)
    return best


def maps(data, name, n, count):
    raw = np.fromfile(os.path.join(data, "%s_%d.f64" % (name, n)), dtype="<f8")
    return [m.reshape(n, n) for m in np.split(raw, count)]


def signal(P, T1, T2):
    return (1 - np.exp(-TR / T1)) * (P * np.exp(-TE / T2))


def signal_prepulse_single_direction(P, T1, T2, Dxx, Dxy, Dxz, Dyx, Dyy, Dyz, norm):
    s, c = np.sin(np.radians(ANGLE)), np.cos(np.radians(ANGLE))
    S = (1 - np.exp(-TR / T1)) * (P * np.exp(-TE / T2))
    S *= np.abs(2 * np.exp(-TP / T1) - 1)
    vx = Dxx * s + Dyx * c
    vy = Dxy * s + Dyy * c
    vz = Dxz * s + Dyz * c
    S *= np.where(norm == 0, np.exp(-4.0), np.exp(-4 * np.sqrt(vx**2 + vy**2 + vz**2)))
    return S


def functional_series(frames, n=FMRI_PIXELS):
    """The series of bench/benchcases.cpp, as an array [frame, x, y]."""
    x = np.arange(n)[:, None]
    y = np.arange(n)[None, :]
    base = 200 + (x * 7 + y * 13) % 400
    responds = (x + y) % 7 == 0
    series = np.empty((frames, n, n))
    for f in range(1, frames + 1):
        task = f >= 3 and ((f - 3) // 10) % 2 == 1
        noise = (x * 31 + y * 17 + f * 101) % 23
        series[f - 1] = base + (6 * responds if task else 0) + noise
    return series


def fmri_statistics(series):
    frames = series.shape[0]
    difference = 0.0
    variance = 0.0
    pairs = 0
    start = 2  # frame 3
    while start + 10 < frames:
        rest = series[start:start + 10]
        task = series[start + 10:start + 20]
        rest_mean = rest.mean(axis=0)
        difference = difference + task.mean(axis=0) - rest_mean
        variance = variance + (rest.var(axis=0) + task.var(axis=0)) / 2
        pairs += 1
        start += 20
    difference /= pairs
    variance /= pairs
    t = difference / np.sqrt(variance)
    nu = frames - 1
    p2 = scipy.special.betainc(nu / 2, 0.5, nu / (nu + t * t))
    p = np.where(t >= 0, p2 / 2, 1 - p2 / 2)
    bright = rest_mean > 250
    t = np.where(bright, t, 0.0)
    p = np.where(bright, p, 0.5)
    activation = np.where(t > 0, 1000 * t, 0.0)
    return difference, variance, t, p, activation


def measure(data, name):
    """Seconds per call of one peer."""
    work, size = name.rsplit("/", 1)
    size = int(size)
    if work == "computeSignal/plain":
        P, T1, T2 = maps(data, "glioblastoma", size, 3)
        with np.errstate(divide="ignore", invalid="ignore", over="ignore"):
            return seconds_per_call(lambda: signal(P, T1, T2))
    if work == "computeSignal/prepulse_technique1":
        arrays = maps(data, "dti", size, 10)
        with np.errstate(divide="ignore", invalid="ignore", over="ignore"):
            return seconds_per_call(lambda: signal_prepulse_single_direction(*arrays))
    if work == "getmatrix/text":
        path = os.path.join(data, "matrix%d.txt" % size)
        return seconds_per_call(lambda: np.loadtxt(path, skiprows=1), repeats=3, least=0.5)
    if work == "computeFmriStatistics":
        series = functional_series(size)
        with np.errstate(divide="ignore", invalid="ignore"):
            return seconds_per_call(lambda: fmri_statistics(series), repeats=3)
    raise ValueError(name)


NAMES = (["computeSignal/plain/%d" % n for n in (64, 128, 256, 512, 1024, 2048)]
         + ["computeSignal/prepulse_technique1/%d" % n for n in (256, 1024)]
         + ["getmatrix/text/1500"]
         + ["computeFmriStatistics/%d" % f for f in (16, 32, 64, 128, 256, 299, 512)])


def main():
    data = sys.argv[1]
    if len(sys.argv) > 2:
        print(repr(measure(data, sys.argv[2])))
        return
    # Each peer runs in a fresh interpreter, so that none inherits the memory
    # allocator's state (its thresholds follow earlier allocations) from another.
    results = {}
    for name in NAMES:
        done = subprocess.run([sys.executable, os.path.abspath(__file__), data, name],
                              check=True, stdout=subprocess.PIPE, text=True)
        results[name] = float(done.stdout)
    json.dump(results, sys.stdout, indent=1)
    print()


if __name__ == "__main__":
    main()
