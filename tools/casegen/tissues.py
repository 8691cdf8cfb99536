"""Tissue properties at 1.5 T used by the case generator.

PD is relative to free water (1.0); T1 and T2 in milliseconds; D is the mean
diffusivity in mm^2/s.

Sources of the normal-tissue values:
- White matter, grey matter, skeletal muscle (also used for skin and galea):
  Stanisz GJ, Odrobina EE, Pun J, et al. T1, T2 relaxation and magnetization
  transfer in tissue at 3T. Magn Reson Med 2005;54:507-512, table of 1.5 T
  values (mean +/- standard deviation): WM T1 884 +/- 50 / T2 72 +/- 4 ms,
  GM T1 1124 +/- 50 / T2 95 +/- 8 ms, muscle T1 1008 +/- 20 / T2 44 +/- 6 ms.
  T2 values and muscle are taken as published. For T1 of white and grey
  matter we take WM 800 ms and GM 1180 ms, 1.7 and 1.1 standard deviations
  from the means and so just outside that spread, because with the
  published means the simulated T1-weighted spin echo shows almost no
  grey-white contrast (the higher PD of grey matter cancels its longer T1),
  unlike clinical T1-weighted images where magnetisation transfer adds to it.
- CSF: water-like, T1 about 4000 ms (the inversion time 2773 ms = T1 ln 2 of
  the program's FLAIR preset nulls it in the program's model; a scanner with
  TR 10000 ms nulls it at 2457 ms), T2 about 2000 ms; textbook values at
  1.5 T, see e.g. Haacke EM et al., Magnetic Resonance Imaging: Physical
  Principles and Sequence Design, Wiley 1999.
- Subcutaneous fat and fatty marrow: T1 about 260 ms (the STIR inversion time
  180 ms = T1 ln 2 nulls it), T2 about 80 ms.
- Cortical bone: almost no mobile water; PD 0.05 with short T2.
- Water content (PD): WM 0.69, GM 0.80 (brain water fractions as reported e.g.
  by Neeb H, Zilles K, Shah NJ, NeuroImage 2006), muscle 0.77.
- Diffusivity: grey matter isotropic 0.85e-3 mm^2/s; white matter with axial
  1.5e-3 and radial 0.35e-3 (mean 0.73e-3, FA 0.73 where a single bundle
  runs, as in the corpus callosum); CSF 3.0e-3 (free water at body
  temperature).

Lesion values are chosen for teaching within the ranges reported for brain
tumours and oedema at 1.5 T (e.g. Just M, Thelen M. Tissue characterization
with T1, T2, and proton density values: results in 160 patients with brain
tumors. Radiology 1988;169:779-785): oedema and tumour lengthen T1 and T2,
necrosis approaches fluid, and calcification has little signal. The
"enhancing" rim has a shortened T1, which mimics a contrast-enhanced rim in a
program that has no contrast agent.
"""

from collections import namedtuple

Tissue = namedtuple("Tissue", "name pd t1 t2 md")

NORMAL = [
    Tissue("csf", 1.00, 4000.0, 2000.0, 3.0e-3),
    Tissue("grey", 0.80, 1180.0, 95.0, 0.85e-3),
    Tissue("white", 0.69, 800.0, 72.0, 0.733e-3),
    Tissue("fat", 0.90, 260.0, 80.0, 0.05e-3),
    Tissue("muscle", 0.77, 1008.0, 44.0, 1.40e-3),
    Tissue("bone", 0.05, 300.0, 12.0, 0.30e-3),
]

LESION = [
    Tissue("oedema", 0.87, 1300.0, 210.0, 1.30e-3),
    Tissue("tumour", 0.86, 1450.0, 125.0, 1.00e-3),
    Tissue("rim", 0.84, 700.0, 105.0, 0.90e-3),
    Tissue("necrosis", 0.95, 2600.0, 420.0, 2.20e-3),
    Tissue("oligo", 0.86, 1600.0, 175.0, 1.10e-3),
    Tissue("cyst", 0.95, 2800.0, 600.0, 2.50e-3),
    Tissue("calcification", 0.12, 500.0, 15.0, 0.30e-3),
    # Acute ischaemia: cytotoxic oedema halves the diffusivity and raises T2
    # and T1 by roughly a tenth to a fifth within the first day.
    Tissue("infarct_grey", 0.83, 1300.0, 112.0, 0.43e-3),
    Tissue("infarct_white", 0.72, 890.0, 85.0, 0.37e-3),
]

ALL = NORMAL + LESION
INDEX = {t.name: k for k, t in enumerate(ALL)}
COUNT = len(ALL)

# Radial and axial diffusivity of a single coherent white-matter bundle.
WM_AXIAL = 1.5e-3
WM_RADIAL = 0.35e-3

# Brain tissues whose diffusion carries the white-matter orientation.
ANISOTROPIC = ("white", "infarct_white")
