"""Whole-head example volumes for the NIfTI import.

pd.nii.gz, t1.nii.gz and t2.nii.gz cover the whole Colin27 head on the
template's own 1 mm grid and in its MNI space, so that a user can cut any
slice along any axis with `relaxon-tool import` or File > Import NIfTI.
They use the tissue model of the built-in cases: the same segmentation of
the template, tissue values, partial-volume fit and texture, but no
lesions. PD is in percent of free water, T1 and T2 in ms; air is 0.
"""

import os

import numpy as np
import nibabel as nib

import anatomy
import fields
import mixing
import tissues

SEED = 7707
# The built-in cases' threshold: less tissue than this is air.
AIR = 0.02


def write_volumes(out, texture, notice):
    """Writes the three volumes and a README with the template's notice into
    out; texture(pd, t1, t2, head, noise) is the built-in cases' tissue
    texture."""
    os.makedirs(out, exist_ok=True)
    head = anatomy.Head(z_range_mm=(-1000.0, 1000.0))
    fractions = head.fractions
    occupied = fractions.sum(axis=3) >= AIR
    fractions[~occupied] = 0.0
    pd, t1, t2, _ = mixing.effective_parameters(fractions, tissues.NORMAL)
    del head.fractions, fractions
    texture(pd, t1, t2, occupied, fields.Noise(SEED))
    affine = nib.load(anatomy.TEMPLATE).affine
    for name, values in (("pd", 100.0 * pd), ("t1", t1), ("t2", t2)):
        image = nib.Nifti1Image(values.astype(np.float32), affine)
        image.set_qform(affine, code=4)
        image.set_sform(affine, code=4)
        image.header["descrip"] = (name.upper() + " Colin27 tissue model")[:79].encode()
        nib.save(image, os.path.join(out, name + ".nii.gz"))
    with open(os.path.join(out, "README"), "w") as readme:
        readme.write("Example volumes of Relaxon\n==========================\n")
        readme.write(__doc__ + "\n" + notice)
