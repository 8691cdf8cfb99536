"""Small helpers shared by the lesion, tensor and fMRI builders."""

import numpy as np
from scipy import ndimage as ndi


def smooth_noise(rng, shape, sigma_px):
    """Gaussian random field of unit standard deviation and the given correlation."""
    field = ndi.gaussian_filter(rng.standard_normal(shape), sigma_px, mode="wrap")
    return field / max(field.std(), 1e-12)


def smoothstep(edge0, edge1, x):
    t = np.clip((x - edge0) / (edge1 - edge0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def irregular_radius(rng, theta, mean_radius, roughness, harmonics=6):
    """A lobulated outline r(theta) around mean_radius."""
    r = np.ones_like(theta)
    for k in range(2, 2 + harmonics):
        amp = roughness * rng.uniform(0.4, 1.0) / k
        r += amp * np.cos(k * theta + rng.uniform(0.0, 2.0 * np.pi))
    return mean_radius * r


def radial_push(centre, strength, reach_mm):
    """Displacement that makes room for a mass at centre.

    The returned function maps screen positions (MNI mm) to the positions in
    the undeformed head: tissue near the centre comes from a shrunken region,
    so it appears pushed outwards; beyond a few reach_mm nothing moves.
    strength < 1 keeps the mapping one-to-one.
    """
    cx, cy = centre

    def warp(x, y):
        dx, dy = x - cx, y - cy
        r2 = dx * dx + dy * dy
        factor = 1.0 - strength * np.exp(-r2 / (reach_mm * reach_mm))
        return cx + dx * factor, cy + dy * factor

    return warp
