"""Small helpers shared by the lesion, tensor and fMRI builders."""

import numpy as np
from scipy import ndimage as ndi
from scipy import sparse
from scipy.sparse import csgraph


def smooth_noise(rng, shape, sigma_px):
    """Gaussian random field of unit standard deviation and the given correlation."""
    field = ndi.gaussian_filter(rng.standard_normal(shape), sigma_px, mode="wrap")
    return field / max(field.std(), 1e-12)


class Noise:
    """The random source of one slice, for its design grid or a finer one.

    The cases were designed on 256 x 256 pixels of 0.9 mm; correlation
    lengths are given in those pixels. On a grid oversample times finer,
    smooth fields are still drawn on the design grid and then interpolated:
    the finer image shows the same random structure, with the same
    correlation in mm. Scalar draws (rng) then come in the same order from
    the same stream as on the design grid, so lesion outlines stay the same.
    Per-pixel noise of a finer grid has a stream of its own.
    """

    def __init__(self, seed, oversample=1):
        self.rng = np.random.default_rng(seed)
        self.oversample = oversample
        self._fine = np.random.default_rng((seed, oversample))

    def _design_shape(self, shape):
        if any(n % self.oversample for n in shape):
            raise ValueError("shape %s is no multiple of %d" % (shape, self.oversample))
        return tuple(n // self.oversample for n in shape)

    def smooth(self, shape, sigma_px):
        """smooth_noise with sigma_px in pixels of the design grid."""
        field = smooth_noise(self.rng, self._design_shape(shape), sigma_px)
        if self.oversample == 1:
            return field
        # The field is far below the design grid's Nyquist limit, so a cubic
        # spline reproduces it between the design pixels.
        return ndi.zoom(field, self.oversample, order=3, mode="grid-wrap", grid_mode=True)

    def white(self, shape):
        """Independent standard normal values, one per pixel."""
        design = self.rng.standard_normal(self._design_shape(shape))
        if self.oversample == 1:
            return design
        # The design grid's draw only keeps the stream where it would be.
        return self._fine.standard_normal(shape)


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


def travel_distance(cost, seeds, pixel_mm):
    """Shortest path length (mm, weighted by cost) from the seed pixels.

    cost is the price of one mm through each pixel (1 is the cheapest);
    a step between neighbours (8-connected) pays the mean cost of its two
    pixels times its length. Pixels that cannot be reached get infinity.
    """
    shape = cost.shape
    index = np.arange(cost.size).reshape(shape)
    starts, ends, weights = [], [], []
    for dr, dc in ((0, 1), (1, 0), (1, 1), (1, -1)):
        rows = slice(0, shape[0] - dr)
        src_cols = slice(max(0, -dc), shape[1] - max(0, dc))
        dst_cols = slice(max(0, dc), shape[1] - max(0, -dc))
        a = index[rows, src_cols].ravel()
        b = index[dr:, dst_cols].ravel()
        step = pixel_mm * np.hypot(dr, dc) * 0.5 * (cost.ravel()[a] + cost.ravel()[b])
        starts += [a, b]
        ends += [b, a]
        weights += [step, step]
    graph = sparse.csr_matrix((np.concatenate(weights), (np.concatenate(starts), np.concatenate(ends))),
                              shape=(cost.size, cost.size))
    distance = csgraph.dijkstra(graph, indices=np.flatnonzero(seeds), min_only=True)
    return distance.reshape(shape)
