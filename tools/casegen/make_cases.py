#!/usr/bin/python3
"""Writes the six built-in cases into resources/files/.

Usage: python3 tools/casegen/make_cases.py [output directory]
       python3 tools/casegen/make_cases.py --glioblastoma-size N output-directory
       python3 tools/casegen/make_cases.py --volumes output-directory

The second form writes only glioblastoma-N.mri: the glioblastoma case with
N x N pixels (N a multiple of 256) over the same field of view, the same
head, tumour and tissue values, for benchmarks and for users who want a
large case. It is never compiled in nor committed; the build's
glioblastoma-1024 target makes the 1024 x 1024 one.

The third form writes pd.nii.gz, t1.nii.gz and t2.nii.gz: the whole head
with the same tissue model, no lesions, as example input for the NIfTI
import (docs/own-cases.md). They are never committed either.

Needs Debian's python3-numpy, python3-scipy, python3-nibabel and mricron-data
(the Colin27 template). Every random choice comes from a fixed seed, so a
second run writes byte-identical files.
"""

import argparse
import os
import sys
from collections import namedtuple

# A multithreaded BLAS may split sums differently from run to run, and the
# partial-volume fit amplifies a last-bit difference into another local
# step; one thread keeps the files byte-identical.
for _var in ("OPENBLAS_NUM_THREADS", "OMP_NUM_THREADS", "MKL_NUM_THREADS"):
    os.environ[_var] = "1"

import numpy as np  # noqa: E402

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import anatomy  # noqa: E402
import fields  # noqa: E402
import fmri  # noqa: E402
import lesions  # noqa: E402
import mixing  # noqa: E402
import tensors  # noqa: E402
import tissues  # noqa: E402
import volumes  # noqa: E402
from writer import write_case, file_maps  # noqa: E402

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MRI_TAIL = b"MRI PD,T1,T2 DATA"
DTI_TAIL = b"MRI PD,T1,T2,DTI DATA\n"
FMRI_TAIL = b"fmri\n%d\n" % fmri.FRAMES
GLIOBLASTOMA_PD_PEAK = 2761.0
DTI_PD_PEAK = 570.0
# Fraction of a pixel below which it counts as air: its maps stay 0.
AIR = 0.02


def _clear_air(fractions):
    total = fractions.sum(axis=2)
    fractions[total < AIR] = 0.0
    return total >= AIR


def _texture(pd, t1, t2, head, noise):
    """Slight tissue heterogeneity and measurement noise, so that the
    simulated images do not look painted."""
    shape = pd.shape
    pd *= 1.0 + 0.015 * noise.smooth(shape, 2.0) + 0.006 * noise.white(shape)
    t1 *= 1.0 + 0.02 * noise.smooth(shape, 2.0) + 0.008 * noise.white(shape)
    t2 *= 1.0 + 0.02 * noise.smooth(shape, 2.0) + 0.008 * noise.white(shape)
    for m in (pd, t1, t2):
        m[~head] = 0.0


def _scale_pd(pd, peak):
    pd *= peak / pd.max()
    # Exactly the peak in float32, whatever the rounding of the product.
    pd[np.unravel_index(np.argmax(pd), pd.shape)] = peak


# One slice's maps: fractions [row, column, tissue], the head mask, the
# single-compartment maps, the MNI coordinates (x_mm, y_mm) of every pixel
# and the partial-volume fit's error rows.
SliceMaps = namedtuple("SliceMaps", "fractions head pd t1 t2 coords err")


class Builder:
    def __init__(self):
        self.head = anatomy.Head(z_range_mm=(-2.0, 58.0))
        self.errors = []

    def painted_fractions(self, z_mm, seed, paint, warp, oversample):
        """Tissue fractions of the slice with its lesion; oversample > 1
        samples the same field of view with that many times more pixels
        along each axis."""
        noise = fields.Noise(seed, oversample)
        size, pixel_mm = anatomy.SIZE * oversample, anatomy.PIXEL_MM / oversample
        centre = self.head.slice_centre(z_mm)
        fractions, _ = self.head.sample(z_mm, warp=warp, size=size, pixel_mm=pixel_mm,
                                        centre=centre)
        x_mm, y_mm = self.head.screen_to_mni(centre, size=size, pixel_mm=pixel_mm)
        if paint is not None:
            paint(fractions, x_mm, y_mm, noise)
        return fractions, (x_mm, y_mm), noise

    def tissue_maps(self, z_mm, seed, paint=None, warp=None, oversamples=(1,)):
        """SliceMaps of the slice for each sampling in oversamples."""
        painted = [self.painted_fractions(z_mm, seed, paint, warp, k) for k in oversamples]
        heads = [_clear_air(fractions) for fractions, _, _ in painted]
        mixed = mixing.effective_parameters_of([fractions for fractions, _, _ in painted])
        maps = []
        for (fractions, coords, noise), head, (pd, t1, t2, err) in zip(painted, heads, mixed):
            _texture(pd, t1, t2, head, noise)
            maps.append(SliceMaps(fractions, head, pd, t1, t2, coords, err))
        return maps

    def tensor_maps(self, fractions, head, coords, z_mm, pixel_mm):
        ix = tissues.INDEX
        white = fractions[..., ix["white"]] + fractions[..., ix["infarct_white"]]
        brain = white + fractions[..., ix["grey"]] + fractions[..., ix["infarct_grey"]]
        x_mm, y_mm = coords
        brain_y = (brain * y_mm).sum() / brain.sum()
        orientation = tensors.orientation_field(white, x_mm, y_mm, z_mm,
                                                pixel_mm, brain_y)
        d = tensors.tensor_field(fractions, orientation, pixel_mm)
        d[~head] = 0.0
        return [d[..., a, b] for a in range(3) for b in range(3)], d

    def mri_case(self, name, z_mm, seed, paint=None, warp=None, dti=False, peak=None,
                 oversample=1):
        if oversample == 1:
            (case,) = self.tissue_maps(z_mm, seed, paint, warp)
            _scale_pd(case.pd, peak)
        else:
            # The design grid's factor keeps every tissue's PD as it is
            # there; the finer pixels' largest PD comes out a little higher.
            design, case = self.tissue_maps(z_mm, seed, paint, warp, (1, oversample))
            np.multiply(case.pd, peak / design.pd.max(), out=case.pd)
        self.errors.append(case.err)
        maps = [case.pd, case.t1, case.t2]
        tail = MRI_TAIL
        if dti:
            components, _ = self.tensor_maps(case.fractions, case.head, case.coords, z_mm,
                                             anatomy.PIXEL_MM / oversample)
            maps += components
            tail = DTI_TAIL
        stacked = np.vstack(file_maps(maps))
        write_case(os.path.join(self.out, name + ".mri"), stacked, tail)

    def fmri_case(self, z_mm, seed):
        rng = np.random.default_rng(seed)
        centre = self.head.slice_centre(z_mm)
        fractions, _ = self.head.sample(z_mm, size=fmri.SIZE, pixel_mm=fmri.PIXEL_MM,
                                        offsets=(-2.0, -1.0, 0.0, 1.0, 2.0),
                                        weights=(0.1, 0.2, 0.4, 0.2, 0.1), centre=centre)
        x_mm, y_mm = self.head.screen_to_mni(centre, size=fmri.SIZE, pixel_mm=fmri.PIXEL_MM)
        _clear_air(fractions)
        frames, _ = fmri.series(fractions, x_mm, y_mm, rng)
        # File rows run along the screen's horizontal axis; frames side by side.
        stacked = np.hstack([f.T for f in frames])
        write_case(os.path.join(self.out, "fmri.mri"), stacked, FMRI_TAIL)

    def t1_image(self, z_mm, seed):
        rng = np.random.default_rng(seed)
        centre = self.head.slice_centre(z_mm)
        fractions, _ = self.head.sample(z_mm, centre=centre)
        _clear_air(fractions)
        # A phase-sensitive inversion recovery (TI 900 ms, TR 2000 ms, short
        # echo) gives the strong grey-white contrast of clinical 3-D T1
        # scans; CSF, near its null, stays dark.
        img = np.zeros(fractions.shape[:-1])
        for k, t in enumerate(tissues.ALL):
            longitudinal = 1.0 - 2.0 * np.exp(-900.0 / t.t1) + np.exp(-2000.0 / t.t1)
            img += fractions[..., k] * t.pd * max(longitudinal, 0.0) * np.exp(-8.0 / t.t2)
        img *= 1000.0 / img.max()
        # A receive coil is more sensitive near the head's surface.
        x_mm, y_mm = self.head.screen_to_mni(centre)
        r = np.hypot(x_mm - centre[0], y_mm - centre[1])
        img *= 0.9 + 0.15 * (r / r.max()) ** 2
        sigma = 12.0
        img = np.hypot(img + sigma * rng.standard_normal(img.shape),
                       sigma * rng.standard_normal(img.shape))
        write_case(os.path.join(self.out, "mrt1.mri"), img.T)

    def glioblastoma(self, name="glioblastoma", oversample=1):
        centre = (27.0, -6.0)
        self.mri_case(
            name, 18.0, 1101,
            paint=lambda f, x, y, noise: lesions.glioblastoma(f, x, y, centre, 19.0, noise),
            warp=fields.radial_push(centre, 0.6, 27.0),
            peak=GLIOBLASTOMA_PD_PEAK, oversample=oversample)

    def run(self, out):
        self.out = out
        os.makedirs(out, exist_ok=True)

        self.glioblastoma()

        oligo_centre = (-33.0, 36.0)
        self.mri_case(
            "oligodendroglioma", 36.0, 2202,
            paint=lambda f, x, y, noise: lesions.oligodendroglioma(f, x, y, oligo_centre, 20.0, noise),
            warp=fields.radial_push(oligo_centre, 0.35, 22.0),
            peak=0.93 * GLIOBLASTOMA_PD_PEAK)

        self.mri_case("dti", 8.0, 3303, dti=True, peak=DTI_PD_PEAK)

        self.mri_case(
            "infarct", 14.0, 4404,
            paint=lambda f, x, y, noise: lesions.infarct(f, x, y, (-14.0, -12.0), (-40.0, 48.0), 14.0, noise),
            dti=True, peak=0.98 * DTI_PD_PEAK)

        self.fmri_case(54.0, 5505)
        self.t1_image(2.0, 6606)
        self.report_mixing()

    def run_large_glioblastoma(self, out, size):
        """Only the glioblastoma, size x size pixels over the same field of view."""
        self.out = out
        os.makedirs(out, exist_ok=True)
        self.glioblastoma("glioblastoma-%d" % size, size // anatomy.SIZE)
        self.report_mixing()

    def report_mixing(self):
        err = np.concatenate(self.errors)
        print("mixed pixels: %d" % err.shape[0])
        names = ("fitted", "rate average")
        for col, label in ((0, names[0]), (2, names[1])):
            mx, mean = err[:, col], err[:, col + 1]
            print("%-13s max over grid: median %.4f, 99th percentile %.4f, worst %.4f; "
                  "mean over grid: average %.5f" % (label, np.median(mx), np.percentile(mx, 99),
                                                     mx.max(), mean.mean()))


def _template_notice():
    """The README's section on the template, with its copyright notice."""
    with open(os.path.join(REPO, "resources", "files", "README")) as readme:
        text = readme.read()
    start = text.index("Anatomy: the Colin27 template")
    return text[start:text.index("Tissue values", start)]


def _arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("out", nargs="?", metavar="output directory",
                        help="default: resources/files (the six cases only)")
    parser.add_argument("--glioblastoma-size", type=int, metavar="N",
                        help="write only glioblastoma-N.mri, N a multiple of %d" % anatomy.SIZE)
    parser.add_argument("--volumes", action="store_true",
                        help="write only the whole-head pd.nii.gz, t1.nii.gz and t2.nii.gz")
    args = parser.parse_args()
    if args.volumes and (args.out is None or args.glioblastoma_size is not None):
        parser.error("--volumes needs an output directory and no other choice")
    if args.glioblastoma_size is not None:
        if args.glioblastoma_size <= 0 or args.glioblastoma_size % anatomy.SIZE:
            parser.error("--glioblastoma-size must be a positive multiple of %d" % anatomy.SIZE)
        # The committed folder holds only what the program compiles in.
        if args.out is None:
            parser.error("--glioblastoma-size needs an output directory")
    return args


if __name__ == "__main__":
    arguments = _arguments()
    if arguments.volumes:
        volumes.write_volumes(arguments.out, _texture, _template_notice())
    elif arguments.glioblastoma_size is None:
        Builder().run(arguments.out or os.path.join(REPO, "resources", "files"))
    else:
        Builder().run_large_glioblastoma(arguments.out, arguments.glioblastoma_size)
