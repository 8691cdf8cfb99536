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
X, Y, Z = np.arange(-9.0, 10.0, 2.0), np.arange(-11.0, 12.0, 2.0), np.arange(-5.0, 6.0, 2.0)
MARKER = ((5.0, 7.0, 1.0), (3.0, 7.0, 1.0), (5.0, 5.0, 1.0), (5.0, 7.0, 3.0))


def world_values():
    """The RAS-ordered array [x, y, z] of the marker world."""
    v = np.full((X.size, Y.size, Z.size), 1000.0, dtype=np.float32)
    for x, y, z in MARKER:
        v[np.searchsorted(X, x), np.searchsorted(Y, y), np.searchsorted(Z, z)] = 2000.0
    return v


def stored(axes=(0, 1, 2), flips=(False, False, False)):
    """The world re-stored so that voxel axis n runs along world axis axes[n],
    reversed where flips[n]; returns the array and its affine."""
    data = np.transpose(world_values(), axes)
    affine = np.diag([0.0, 0.0, 0.0, 1.0])
    for n, (axis, flip) in enumerate(zip(axes, flips)):
        low, count = (X, Y, Z)[axis][0], (X, Y, Z)[axis].size
        if flip:
            data = np.flip(data, n)
        affine[axis, n] = -2.0 if flip else 2.0
        affine[axis, 3] = low + 2.0 * (count - 1) if flip else low
    return np.ascontiguousarray(data), affine


def save(data, affine, name, qform_only=False, nifti2=False, dtype=np.float32):
    image = (nib.Nifti2Image if nifti2 else nib.Nifti1Image)(data.astype(dtype), None)
    image.set_qform(affine, code=1)
    image.set_sform(None if qform_only else affine, code=0 if qform_only else 1)
    nib.save(image, os.path.join(HERE, name))


def markers():
    save(*stored(), "marker_ras.nii.gz")
    save(*stored(flips=(True, False, False)), "marker_las.nii.gz")
    save(*stored(flips=(True, True, False)), "marker_lps_qform.nii.gz", qform_only=True)
    save(*stored((2, 0, 1), (False, True, False)), "marker_permuted.nii.gz")
    save(*stored(), "marker_nifti2.nii", nifti2=True)
    # Voxels of 1 x 2 x 2 mm: each 2 mm voxel split in two along x.
    data, affine = stored()
    affine[0, 0], affine[0, 3] = 1.0, X[0] - 0.5
    save(np.repeat(data, 2, axis=0), affine, "marker_anisotropic.nii.gz")


def tensors():
    """Right-anterior cigars (0.3e-3 I + 1.2e-3 d d^T mm^2/s along world (1, 1, 0)) in
    FSL's order and frame: components along the voxel axes, the first axis reversed
    when the voxel-to-world matrix has a positive determinant."""
    d = np.array([1.0, 1.0, 0.0]) / np.sqrt(2.0)
    world = 0.3e-3 * np.eye(3) + 1.2e-3 * np.outer(d, d)
    for name, axes, flips in (("tensor_ras.nii.gz", (0, 1, 2), (False, False, False)),
                              ("tensor_las.nii.gz", (0, 1, 2), (True, False, False)),
                              ("tensor_permuted.nii.gz", (2, 0, 1), (False, True, False))):
        data, affine = stored(axes, flips)
        frame = affine[:3, :3] / 2.0  # columns: world directions of the voxel axes
        if np.linalg.det(frame) > 0:
            frame[:, 0] *= -1.0
        t = frame.T @ world @ frame
        components = (t[0, 0], t[0, 1], t[0, 2], t[1, 1], t[1, 2], t[2, 2])
        save(np.stack([np.full(data.shape, c, dtype=np.float32) for c in components], axis=3), affine, name)


def segmentation():
    data, affine = stored()
    labels = np.zeros(data.shape, dtype=np.uint8)
    labels[2:8, 2:10, :], labels[3:7, 3:9, :], labels[4:6, 4:8, :] = 1, 2, 3
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
    data, affine = stored()
    save(data[:, :-1, :], affine, "bad_grid.nii.gz")
    save(np.stack([data, data], axis=3), affine, "bad_two_volumes.nii.gz")
    save(data[..., None], affine, "one_volume_4d.nii.gz")
    save(data, affine, "bad_complex.nii.gz", dtype=np.complex64)
    rgb = np.zeros(data.shape, dtype=[("R", "u1"), ("G", "u1"), ("B", "u1")])
    save(rgb, affine, "bad_rgb.nii.gz", dtype=rgb.dtype)
    holes = data.copy()
    holes[0, 0, :], holes[1, 0, :] = np.nan, -50.0
    save(holes, affine, "t1_holes.nii.gz")
    save(data / 1000.0, affine, "t1_seconds.nii.gz")
    # The whole file, cut short once plain and once compressed.
    save(data, affine, "whole.nii")
    with open(os.path.join(HERE, "whole.nii"), "rb") as whole_file:
        whole = whole_file.read()
    os.remove(os.path.join(HERE, "whole.nii"))
    packed = gzip.compress(whole, mtime=0)
    for name, content in (("bad_short_data.nii", whole[:len(whole) - 400]),
                          ("bad_truncated.nii.gz", packed[:len(packed) // 2])):
        with open(os.path.join(HERE, name), "wb") as out:
            out.write(content)


if __name__ == "__main__":
    markers()
    tensors()
    segmentation()
    bad_inputs()
    with open(os.path.join(HERE, "tissues.csv"), "w") as table:
        table.write("label,name,PD,T1,T2\n1,outer,900,3000,1500\n2,middle,700,1200,90\n"
                    "3,inner,600,700,60\n")
