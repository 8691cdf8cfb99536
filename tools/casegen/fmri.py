"""A block-design finger-tapping series: 99 echo-planar frames of 64 x 64.

Frames 1 and 2 are the dummy scans before the magnetisation reaches its
steady state; from frame 3 on, blocks of 10 frames alternate rest and task,
beginning with rest. The response is the task boxcar convolved with a
double-gamma haemodynamic response, so it lags the blocks by a few seconds.
Activation sits in the hand area of the left precentral gyrus (right-hand
tapping) with a weaker focus in the supplementary motor area.
"""

import numpy as np
from scipy.special import gammaln

import tissues

FRAMES = 99
SIZE = 64
PIXEL_MM = 3.6
# 2 s per frame, blocks of 20 s, as the program labels the frames. The
# program's t is the block difference over the within-block spread, which the
# rise and fall of the haemodynamic response inflate; in 20 s blocks even a
# noise-free response gives no more than t = 1.5 (p = 0.07 with the program's
# 98 degrees of freedom, inside its fixed threshold of 0.1), with 40 s blocks
# it would reach about 2.7.
REPETITION_S = 2.0
# Echo-planar gradient echo at 1.5 T: TR 2000 ms, TE 50 ms; T2* taken as a
# fraction of T2 (field inhomogeneity within the voxel shortens it).
TR_MS = 2000.0
TE_MS = 50.0
T2STAR_FACTOR = 0.7
# Receiver gain: CSF, the brightest tissue, comes out near 1500.
SCALE = 3800.0
THERMAL_SIGMA = 3.5
PHYSIOLOGICAL = 0.002
DRIFT = 0.006
DUMMY_GAIN = (1.06, 1.015)
# (MNI x, y in mm, peak relative signal change, spread in mm)
FOCI = ((-37.0, -22.0, 0.030, 7.0), (-4.0, -8.0, 0.015, 5.0))


def is_task(frame):
    """frame counted from 1; frames 1 and 2 belong to no block."""
    return frame >= 3 and ((frame - 3) // 10) % 2 == 1


def haemodynamic_response(t):
    """Double-gamma response: peak near 5 s, undershoot near 15 s."""
    def gamma_pdf(x, shape):
        x = np.maximum(x, 1e-9)
        return np.exp((shape - 1.0) * np.log(x) - x - gammaln(shape))
    h = gamma_pdf(t, 6.0) - gamma_pdf(t, 16.0) / 6.0
    return np.where(t > 0, h, 0.0)


def response_curve():
    dt = 0.1
    t = np.arange(0.0, FRAMES * REPETITION_S, dt)
    frame_of_t = (t // REPETITION_S).astype(int) + 1
    boxcar = np.array([1.0 if is_task(f) else 0.0 for f in frame_of_t])
    h = haemodynamic_response(np.arange(0.0, 32.0, dt))
    conv = np.convolve(boxcar, h)[: t.size] * dt
    steady = np.convolve(np.ones(2000), h)[1999] * dt
    # Sample at the middle of each frame's acquisition.
    centres = ((np.arange(FRAMES) + 0.5) * REPETITION_S / dt).astype(int)
    return conv[centres] / steady


def baseline_image(fractions):
    """Mixture signal of the echo-planar recording; fat is suppressed."""
    img = np.zeros(fractions.shape[:-1])
    for k, t in enumerate(tissues.ALL):
        if t.name == "fat":
            continue
        s = t.pd * (1.0 - np.exp(-TR_MS / t.t1)) * np.exp(-TE_MS / (T2STAR_FACTOR * t.t2))
        img += fractions[..., k] * s
    return img * SCALE


def series(fractions, x_mm, y_mm, rng):
    """Frames [frame, row, column] of magnitude signal."""
    base = baseline_image(fractions)
    ix = tissues.INDEX
    # A voxel half filled with cortex already shows most of the response.
    grey = np.minimum(1.0, (fractions[..., ix["grey"]] + 0.25 * fractions[..., ix["white"]]) / 0.6)
    amplitude = np.zeros_like(base)
    for fx, fy, peak, spread in FOCI:
        d2 = (x_mm - fx) ** 2 + (y_mm - fy) ** 2
        amplitude = np.maximum(amplitude, peak * np.exp(-0.5 * d2 / spread ** 2) * grey)
    response = response_curve()
    frames = np.zeros((FRAMES,) + base.shape)
    for f in range(FRAMES):
        gain = 1.0 + DRIFT * f / (FRAMES - 1)
        if f < len(DUMMY_GAIN):
            gain *= DUMMY_GAIN[f]
        physio = 1.0 + PHYSIOLOGICAL * rng.standard_normal(base.shape)
        clean = base * gain * physio * (1.0 + amplitude * response[f])
        re = clean + THERMAL_SIGMA * rng.standard_normal(base.shape)
        im = THERMAL_SIGMA * rng.standard_normal(base.shape)
        frames[f] = np.hypot(re, im)
    return frames, amplitude
