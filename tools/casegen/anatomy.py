"""Tissue fractions of one axial slice of the Colin27 head.

The template is the MNI single-subject T1 average (Holmes et al. 1998) as
shipped by Debian's mricron-data; the brain mask is its brain-extracted copy.
Inside the brain the T1 intensity is split into CSF, grey and white matter by
a three-class partial-volume model: an intensity between two class means is a
linear mixture of those two classes. Outside the brain the head is split the
same way into a dark class (CSF next to the brain, bone further out), an
intermediate class (muscle, galea, skin) and a bright class (subcutaneous fat
and fatty marrow).

Slices are resampled to a 256 x 256 grid in screen orientation: array index
[row, column] = [downwards, rightwards], anterior at the top and the patient's
right on the screen's left (radiological convention).
"""

import numpy as np
import nibabel as nib
from scipy import ndimage as ndi

import tissues

TEMPLATE = "/usr/share/mricron/templates/ch2.nii.gz"
BRAIN = "/usr/share/mricron/templates/ch2bet.nii.gz"

SIZE = 256
PIXEL_MM = 0.9
# Slice profile: three 1 mm planes, a triangular profile of about 2 mm FWHM.
SLAB_OFFSETS = (-1.0, 0.0, 1.0)
SLAB_WEIGHTS = (0.25, 0.5, 0.25)
# Dark voxels this close to the brain (mm) are subarachnoid CSF; further out, bone.
CSF_SHELL_MM = 2.5
CSF_SHELL_SOFT_MM = 1.5


def _kmeans_1d(values, centres, rounds=30):
    centres = np.array(centres, dtype=float)
    for _ in range(rounds):
        label = np.argmin(np.abs(values[:, None] - centres[None, :]), axis=1)
        centres = np.array([values[label == k].mean() for k in range(len(centres))])
    return centres


def _brain_class_means(values):
    """CSF, grey and white matter intensities of the brain.

    Grey and white matter are the two peaks of the histogram. CSF has no
    peak of its own (most CSF voxels are mixed), so it is the 1st
    percentile; a clustering would pull all three means towards the mixtures.
    """
    hist, edges = np.histogram(values, bins=128, range=(0.0, 256.0))
    hist = ndi.gaussian_filter1d(hist.astype(float), 1.5)
    centres = 0.5 * (edges[1:] + edges[:-1])

    def mode(lo, hi):
        inside = (centres >= lo) & (centres < hi)
        return centres[inside][np.argmax(hist[inside])]

    return np.array([np.percentile(values, 1.0), mode(60.0, 100.0), mode(100.0, 140.0)])


def _pv_fractions(intensity, means):
    """Fractions of three ordered classes for a linear partial-volume model."""
    lo, mid, hi = means
    f = np.zeros(intensity.shape + (3,), dtype=np.float32)
    a = np.clip((intensity - lo) / (mid - lo), 0.0, 1.0)
    b = np.clip((intensity - mid) / (hi - mid), 0.0, 1.0)
    below = intensity < mid
    f[..., 0] = np.where(below, 1.0 - a, 0.0)
    f[..., 1] = np.where(below, a, 1.0 - b)
    f[..., 2] = np.where(below, 0.0, b)
    return f


class Head:
    """The segmented template volume, kept for all slices of one run."""

    def __init__(self, z_range_mm):
        t1 = np.asarray(nib.load(TEMPLATE).dataobj).astype(np.float32)
        brain = np.asarray(nib.load(BRAIN).dataobj) > 0
        affine = nib.load(TEMPLATE).affine
        self.origin = affine[:3, 3].copy()
        # The 27-scan average is already quiet; a slight blur removes the
        # last voxel noise that would otherwise read as mixed tissue.
        t1s = ndi.gaussian_filter(t1, 0.5)

        head = ndi.binary_fill_holes(ndi.binary_closing(t1 > 10, iterations=3))
        labels, n = ndi.label(head)
        sizes = ndi.sum(head, labels, range(1, n + 1))
        head = labels == (1 + int(np.argmax(sizes)))
        brain &= head

        brain_means = _brain_class_means(t1s[brain])
        outer = head & ~brain & (t1s > 2)
        outer_means = _kmeans_1d(t1s[outer], (15.0, 70.0, 135.0))
        self.brain_means = brain_means
        self.outer_means = outer_means

        distance = ndi.distance_transform_edt(~brain).astype(np.float32)
        fin = _pv_fractions(t1s, brain_means)
        fout = _pv_fractions(t1s, outer_means)
        shell = np.clip((CSF_SHELL_MM + CSF_SHELL_SOFT_MM - distance)
                        / CSF_SHELL_SOFT_MM, 0.0, 1.0)

        # Keep only the planes the slices need; the whole volume for every
        # tissue would not fit comfortably in memory.
        k0 = max(0, int(np.floor(z_range_mm[0] - self.origin[2])) - 3)
        k1 = min(t1.shape[2], int(np.ceil(z_range_mm[1] - self.origin[2])) + 4)
        self.origin[2] += k0
        crop = np.s_[:, :, k0:k1]
        fin, fout, shell = fin[crop], fout[crop], shell[crop]
        brain, head, t1s = brain[crop], head[crop], t1s[crop]

        self.fractions = np.zeros(brain.shape + (len(tissues.NORMAL),), dtype=np.float32)
        ix = tissues.INDEX
        inside = brain.astype(np.float32)
        outside = (head & ~brain).astype(np.float32)
        self.fractions[..., ix["csf"]] = inside * fin[..., 0] + outside * fout[..., 0] * shell
        self.fractions[..., ix["grey"]] = inside * fin[..., 1]
        self.fractions[..., ix["white"]] = inside * fin[..., 2]
        self.fractions[..., ix["bone"]] = outside * fout[..., 0] * (1.0 - shell)
        self.fractions[..., ix["muscle"]] = outside * fout[..., 1]
        self.fractions[..., ix["fat"]] = outside * fout[..., 2]
        self.brain = brain
        self.intensity = t1s

    def voxel(self, x_mm, y_mm, z_mm):
        return x_mm - self.origin[0], y_mm - self.origin[1], z_mm - self.origin[2]

    def slice_centre(self, z_mm):
        """In-plane centre (MNI mm) of the head's bounding box at height z."""
        k = int(round(z_mm - self.origin[2]))
        occupied = self.fractions[:, :, k, :].sum(axis=2) > 0.5
        xs = np.nonzero(occupied.any(axis=1))[0]
        ys = np.nonzero(occupied.any(axis=0))[0]
        cx = 0.5 * (xs[0] + xs[-1]) + self.origin[0]
        cy = 0.5 * (ys[0] + ys[-1]) + self.origin[1]
        return cx, cy

    def sample(self, z_mm, warp=None, size=SIZE, pixel_mm=PIXEL_MM,
               offsets=SLAB_OFFSETS, weights=SLAB_WEIGHTS, centre=None):
        """Tissue fractions [row, column, tissue] of the slice at height z_mm.

        warp, when given, maps the screen positions (x_mm, y_mm arrays, MNI
        coordinates) to the positions in the undeformed head they come from.
        """
        cx, cy = centre if centre is not None else self.slice_centre(z_mm)
        idx = (np.arange(size) - (size - 1) / 2.0) * pixel_mm
        # Screen column grows towards the patient's left (MNI -x); screen row
        # grows towards posterior (MNI -y).
        x_mm = cx - idx[None, :] + 0.0 * idx[:, None]
        y_mm = cy - idx[:, None] + 0.0 * idx[None, :]
        if warp is not None:
            x_mm, y_mm = warp(x_mm, y_mm)
        vx, vy, _ = self.voxel(x_mm, y_mm, 0.0)
        out = np.zeros((size, size, tissues.COUNT), dtype=np.float64)
        for off, w in zip(offsets, weights):
            vz = np.full_like(vx, z_mm + off - self.origin[2])
            coords = np.array([vx, vy, vz])
            for k in range(len(tissues.NORMAL)):
                channel = self.fractions[..., k]
                if not channel.any():
                    continue
                out[..., k] += w * ndi.map_coordinates(channel, coords, order=1,
                                                       mode="constant", cval=0.0)
        out = np.clip(out, 0.0, 1.0)
        # Interpolation keeps sums at or below 1; the rest is air.
        total = out.sum(axis=2, keepdims=True)
        out = np.where(total > 1.0, out / np.maximum(total, 1e-12), out)
        return out, (cx, cy)

    def screen_to_mni(self, centre, size=SIZE, pixel_mm=PIXEL_MM):
        cx, cy = centre
        idx = (np.arange(size) - (size - 1) / 2.0) * pixel_mm
        x_mm = cx - idx[None, :] + 0.0 * idx[:, None]
        y_mm = cy - idx[:, None] + 0.0 * idx[None, :]
        return x_mm, y_mm
