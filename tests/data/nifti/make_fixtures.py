#!/usr/bin/python3
"""Writes the small NIfTI volumes that the import tests read.

Usage: python3 tests/data/nifti/make_fixtures.py   (needs python3-nibabel)

nibabel writes them, so the import is checked against a writer that is not
ours. Every volume samples the same world: voxels of 2 mm whose centres lie
at x = -9..9, y = -11..11, z = -5..5 mm (RAS), value 1000 everywhere and
2000 on an asymmetric marker at (5, 7, 1), (3, 7, 1), (5, 5, 1) and
(5, 7, 3) mm. The files differ only in how the voxels are stored.
"""

import gzip
import os

import numpy as np
import nibabel as nib

HERE = os.path.dirname(os.path.abspath(__file__))
X = np.arange(-9.0, 10.0, 2.0)
Y = np.arange(-11.0, 12.0, 2.0)
Z = np.arange(-5.0, 6.0, 2.0)
MARKER = ((5.0, 7.0, 1.0), (3.0, 7.0, 1.0), (5.0, 5.0, 1.0), (5.0, 7.0, 3.0))


def world_values():
    """The RAS-ordered array [x, y, z] of the marker world."""
    v = np.full((X.size, Y.size, Z.size), 1000.0, dtype=np.float32)
    for x, y, z in MARKER:
        v[np.searchsorted(X, x), np.searchsorted(Y, y), np.searchsorted(Z, z)] = 2000.0
    return v


def stored(ras, axes, flips):
    """ras re-stored so that voxel axis n runs along world axis axes[n],
    reversed where flips[n]; returns the array and its affine."""
    data = np.transpose(ras, axes)
    affine = np.zeros((4, 4))
    affine[3, 3] = 1.0
    lows = (X[0], Y[0], Z[0])
    counts = (X.size, Y.size, Z.size)
    for n, (axis, flip) in enumerate(zip(axes, flips)):
        if flip:
            data = np.flip(data, n)
            affine[axis, n] = -2.0
            affine[axis, 3] = lows[axis] + 2.0 * (counts[axis] - 1)
        else:
            affine[axis, n] = 2.0
            affine[axis, 3] = lows[axis]
    return np.ascontiguousarray(data), affine


def save(data, affine, name, qform_only=False, nifti2=False, dtype=np.float32):
    cls = nib.Nifti2Image if nifti2 else nib.Nifti1Image
    image = cls(data.astype(dtype), None)
    if qform_only:
        image.set_qform(affine, code=1)
        image.set_sform(None, code=0)
    else:
        image.set_sform(affine, code=1)
        image.set_qform(affine, code=1)
    nib.save(image, os.path.join(HERE, name))


def markers():
    ras = world_values()
    save(*stored(ras, (0, 1, 2), (False, False, False)), "marker_ras.nii.gz")
    save(*stored(ras, (0, 1, 2), (True, False, False)), "marker_las.nii.gz")
    save(*stored(ras, (0, 1, 2), (True, True, False)), "marker_lps_qform.nii.gz", qform_only=True)
    save(*stored(ras, (2, 0, 1), (False, True, False)), "marker_permuted.nii.gz")
    save(*stored(ras, (0, 1, 2), (False, False, False)), "marker_nifti2.nii", nifti2=True)
    # Voxels of 1 x 2 x 2 mm: each 2 mm voxel split in two along x.
    data, affine = stored(ras, (0, 1, 2), (False, False, False))
    affine[0, 0], affine[0, 3] = 1.0, X[0] - 0.5
    save(np.repeat(data, 2, axis=0), affine, "marker_anisotropic.nii.gz")


def tensor_world(direction):
    """A cigar-shaped tensor (mm^2/s) along direction, in world axes."""
    d = np.asarray(direction, dtype=float)
    d /= np.linalg.norm(d)
    return 0.3e-3 * np.eye(3) + 1.2e-3 * np.outer(d, d)


def tensors():
    """Right-anterior cigars (world direction (1, 1, 0)) in FSL's order and
    frame: components along the voxel axes, the first axis reversed when the
    voxel-to-world matrix has a positive determinant."""
    world = tensor_world((1.0, 1.0, 0.0))
    for name, axes, flips in (("tensor_ras.nii.gz", (0, 1, 2), (False, False, False)),
                              ("tensor_las.nii.gz", (0, 1, 2), (True, False, False)),
                              ("tensor_permuted.nii.gz", (2, 0, 1), (False, True, False))):
        data, affine = stored(world_values(), axes, flips)
        frame = affine[:3, :3] / 2.0  # columns: world directions of the voxel axes
        if np.linalg.det(frame) > 0:
            frame[:, 0] *= -1.0
        d = frame.T @ world @ frame
        components = (d[0, 0], d[0, 1], d[0, 2], d[1, 1], d[1, 2], d[2, 2])
        volume = np.stack([np.full(data.shape, c, dtype=np.float32) for c in components], axis=3)
        save(volume, affine, name)


def segmentation():
    data, affine = stored(world_values(), (0, 1, 2), (False, False, False))
    labels = np.zeros(data.shape, dtype=np.uint8)
    labels[2:8, 2:10, :] = 1
    labels[3:7, 3:9, :] = 2
    labels[4:6, 4:8, :] = 3
    save(labels, affine, "labels.nii.gz", dtype=np.uint8)
    labels[5, 5, 3] = 7
    save(labels, affine, "labels_unknown.nii.gz", dtype=np.uint8)
    fractions = np.zeros(data.shape + (3,), dtype=np.float32)
    fractions[..., 1] = 1.0
    fractions[2, :, :, :] = (0.5, 0.0, 0.5)
    fractions[0, :, :, :] = 0.0
    for k, name in enumerate(("pve_csf.nii.gz", "pve_grey.nii.gz", "pve_white.nii.gz")):
        save(fractions[..., k], affine, name)


def bad_inputs():
    ras = world_values()
    data, affine = stored(ras, (0, 1, 2), (False, False, False))
    save(data[:, :-1, :], affine, "bad_grid.nii.gz")
    save(np.stack([data, data], axis=3), affine, "bad_two_volumes.nii.gz")
    save(data[..., None], affine, "one_volume_4d.nii.gz")
    save(data, affine, "bad_complex.nii.gz", dtype=np.complex64)
    rgb = np.zeros(data.shape, dtype=[("R", "u1"), ("G", "u1"), ("B", "u1")])
    save(rgb, affine, "bad_rgb.nii.gz", dtype=rgb.dtype)
    holes = data.copy()
    holes[0, 0, :] = np.nan
    holes[1, 0, :] = -50.0
    save(holes, affine, "t1_holes.nii.gz")
    save(data / 1000.0, affine, "t1_seconds.nii.gz")

    save(data, affine, "whole.nii")
    whole = open(os.path.join(HERE, "whole.nii"), "rb").read()
    os.remove(os.path.join(HERE, "whole.nii"))
    with open(os.path.join(HERE, "bad_short_data.nii"), "wb") as out:
        out.write(whole[:len(whole) - 400])
    packed = gzip.compress(whole, mtime=0)
    with open(os.path.join(HERE, "bad_truncated.nii.gz"), "wb") as out:
        out.write(packed[:len(packed) // 2])


if __name__ == "__main__":
    markers()
    tensors()
    segmentation()
    bad_inputs()
    with open(os.path.join(HERE, "tissues.csv"), "w") as table:
        table.write("label,name,PD,T1,T2\n1,outer,900,3000,1500\n2,middle,700,1200,90\n"
                    "3,inner,600,700,60\n")
