"""Diffusion tensors from the tissue fractions and a white-matter orientation field.

Tensor axes: x along the screen's horizontal axis (towards the patient's
left), y towards the top of the screen (anterior), z through the slice.

The fibre orientation of white matter is a blend of bundle models, each a
weight map and a direction, averaged as outer products (so crossing bundles
lower the anisotropy instead of picking one direction):
- corpus callosum: near the midline, left-right;
- internal capsule and corona radiata: beside the lateral ventricles,
  through the slice;
- long association bundles (superior longitudinal and fronto-occipital
  fasciculi) in the lateral white matter and the cingulum beside the
  midline above the corpus callosum: front-back;
- elsewhere the local course of the white matter in the slice, from the
  structure tensor of the white-matter map (the direction along which the
  white matter does not change).
"""

import numpy as np
from scipy import ndimage as ndi

import tissues

IX = tissues.INDEX


def _gauss(x, mean, sigma):
    return np.exp(-0.5 * ((x - mean) / sigma) ** 2)


def orientation_field(white, x_mm, y_mm, z_mm, pixel_mm, brain_centre_y):
    """Orientation tensor M [row, column, 3, 3], trace 1, symmetric."""
    sx = 1.5 / pixel_mm
    w = ndi.gaussian_filter(white, sx)
    g_row = ndi.sobel(w, axis=0)
    g_col = ndi.sobel(w, axis=1)
    s2 = 3.0 / pixel_mm
    j_cc = ndi.gaussian_filter(g_col * g_col, s2)
    j_rr = ndi.gaussian_filter(g_row * g_row, s2)
    j_cr = ndi.gaussian_filter(g_col * g_row, s2)
    # Direction of least change (screen column, screen row components).
    trace = j_cc + j_rr
    diff = np.sqrt((j_cc - j_rr) ** 2 + 4.0 * j_cr ** 2)
    lam_small = 0.5 * (trace - diff)
    vx = j_cr
    vy = lam_small - j_cc
    degenerate = np.hypot(vx, vy) < 1e-12
    vx = np.where(degenerate, 1.0, vx)
    vy = np.where(degenerate, 0.0, vy)
    norm = np.hypot(vx, vy)
    local_dir = np.stack([vx / norm, -vy / norm, np.zeros_like(vx)], axis=-1)
    coherence = np.where(trace > 1e-12, diff / np.maximum(trace, 1e-12), 0.0)

    ax = np.abs(x_mm)
    rel_y = y_mm - brain_centre_y
    bundles = [
        (1.0 + 2.0 * coherence, local_dir),
        (6.0 * _gauss(ax, 0.0, 13.0), np.array([1.0, 0.0, 0.0])),
        (8.0 * _gauss(ax, 22.0, 6.0) * _gauss(rel_y, 2.0, 18.0), np.array([0.0, 0.0, 1.0])),
        (2.0 * _gauss(ax, 36.0, 6.0) * _gauss(rel_y, -5.0, 30.0), np.array([0.0, 1.0, 0.0])),
    ]
    if z_mm > 22.0:
        bundles.append((4.0 * _gauss(ax, 8.0, 3.0), np.array([0.0, 1.0, 0.0])))

    m = np.zeros(white.shape + (3, 3))
    total = np.zeros(white.shape)
    for weight, direction in bundles:
        weight = np.broadcast_to(weight, white.shape)
        if direction.ndim == 1:
            outer = np.outer(direction, direction)[None, None]
        else:
            outer = direction[..., :, None] * direction[..., None, :]
        m += weight[..., None, None] * outer
        total += weight
    return m / total[..., None, None]


def tensor_field(fractions, orientation, pixel_mm):
    """Diffusion tensor [row, column, 3, 3] in mm^2/s, the fraction-weighted sum.

    The template cannot tell the deep grey nuclei (putamen, thalamus) from a
    grey-white mixture: both have an intermediate T1 intensity. Only white
    matter in a neighbourhood that is mostly white therefore gets the bundle
    model; the rest diffuses isotropically with the same mean diffusivity.
    """
    eye = np.eye(3)
    white_total = sum(fractions[..., IX[name]] for name in tissues.ANISOTROPIC)
    brain_total = white_total + sum(fractions[..., IX[name]] for name in ("grey", "infarct_grey"))
    share = np.where(brain_total > 0.05, white_total / np.maximum(brain_total, 1e-6), 0.0)
    # Grey-white edges are thin lines of intermediate values; the nuclei are
    # whole areas of them, which survive smoothing.
    intermediate = ndi.gaussian_filter(1.0 - np.abs(2.0 * share - 1.0), 3.0 / pixel_mm)
    coherent = (1.0 - np.clip((intermediate - 0.4) / 0.25, 0.0, 1.0))[..., None, None]
    white = tissues.ALL[IX["white"]]
    bundle = tissues.WM_RADIAL * eye + (tissues.WM_AXIAL - tissues.WM_RADIAL) * orientation
    white_model = coherent * bundle + (1.0 - coherent) * white.md * eye
    d = np.zeros(fractions.shape[:-1] + (3, 3))
    for k, t in enumerate(tissues.ALL):
        f = fractions[..., k]
        if not f.any():
            continue
        if t.name in tissues.ANISOTROPIC:
            d += f[..., None, None] * (t.md / white.md) * white_model
        else:
            d += f[..., None, None] * t.md * eye
    # Symmetric by construction; make it exact after rounding to float too.
    return 0.5 * (d + np.swapaxes(d, -1, -2))

