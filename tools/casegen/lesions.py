"""Lesions painted into the tissue fractions of a slice.

All functions take fractions [row, column, tissue] (changed in place) and the
MNI in-plane coordinates (x_mm, y_mm) of every pixel, and draw from a seeded
fields.Noise so that the cases come out the same on every run and at every
sampling.
"""

import numpy as np

import fields
import tissues
from fields import smoothstep, irregular_radius

IX = tissues.INDEX
BRAIN = (IX["csf"], IX["grey"], IX["white"])
# Oedema share = PEAK * exp(-path / REACH) - FLOOR along the white matter:
# most of the white matter next to the tumour, none beyond about 50 mm of path.
OEDEMA_PEAK = 1.3
OEDEMA_REACH_MM = 15.0
OEDEMA_FLOOR = 0.05


def _replace(fractions, weight, sources, target):
    """Move the share weight (0..1 per pixel) of the source tissues into target."""
    for k in sources:
        moved = fractions[..., k] * weight
        fractions[..., k] -= moved
        fractions[..., target] += moved


def _polar(x_mm, y_mm, centre):
    dx, dy = x_mm - centre[0], y_mm - centre[1]
    return np.hypot(dx, dy), np.arctan2(dy, dx)


def glioblastoma(fractions, x_mm, y_mm, centre, radius_mm, noise):
    """Necrotic core, thick irregular rim, infiltrating margin, finger-like oedema."""
    shape = x_mm.shape
    r, theta = _polar(x_mm, y_mm, centre)
    outline = irregular_radius(noise.rng, theta, radius_mm, 0.35)
    rho = r / outline + 0.05 * noise.smooth(shape, 4.0)
    core = irregular_radius(noise.rng, theta, 0.52, 0.45)
    rim_out = 0.78 + 0.09 * noise.smooth(shape, 2.5)

    lesion = 1.0 - smoothstep(0.93, 1.07, rho)
    necrosis = 1.0 - smoothstep(core - 0.06, core + 0.06, rho)
    # The rim is nodular: its thickness varies around the circumference.
    rim = (1.0 - necrosis) * (1.0 - smoothstep(rim_out - 0.05, rim_out + 0.05, rho))
    solid = 1.0 - necrosis - rim
    # Debris and haemorrhage make the necrotic core uneven.
    debris = 0.35 * smoothstep(0.0, 1.5, noise.smooth(shape, 2.0))
    necrosis, solid = necrosis * (1.0 - debris), solid + necrosis * debris

    brain_share = sum(fractions[..., k] for k in BRAIN)
    for k in BRAIN:
        fractions[..., k] *= (1.0 - lesion)
    fractions[..., IX["necrosis"]] += lesion * necrosis * brain_share
    fractions[..., IX["rim"]] += lesion * rim * brain_share
    fractions[..., IX["tumour"]] += lesion * solid * brain_share

    # Vasogenic oedema is fluid pushed along the white-matter tracts: it runs
    # finger-like into the gyral cores, stops at the cortex, and reaches the
    # other hemisphere only through the corpus callosum. Its extent is
    # therefore a path length through white matter, not a radius.
    reach = OEDEMA_REACH_MM * (1.0 + 0.35 * noise.smooth(shape, 6.0))
    source = rho <= 1.0
    cost = _white_matter_cost(fractions, x_mm, centre)
    cost[source] = 1.0
    travel = fields.travel_distance(cost, source, abs(x_mm[0, 0] - x_mm[0, 1]))
    oedema = OEDEMA_PEAK * np.exp(-travel / np.maximum(reach, 4.0)) - OEDEMA_FLOOR
    oedema = np.clip(oedema, 0.0, 0.95) * smoothstep(0.85, 1.0, rho)
    _replace(fractions, oedema, (IX["white"],), IX["oedema"])


def _white_matter_cost(fractions, x_mm, centre):
    """Price of one mm of oedema spread per pixel: 1 in pure white matter,
    prohibitive in cortex and fluid, and three times dearer beyond the
    midline, where the callosal fibres fan out into the other hemisphere."""
    brain = sum(fractions[..., k] for k in BRAIN)
    white = fractions[..., IX["white"]] / np.maximum(brain, 1e-6)
    cost = 1.0 / np.maximum(white, 0.05) ** 2
    lesion = sum(fractions[..., IX[name]] for name in ("necrosis", "rim", "tumour"))
    cost[brain + lesion < 0.5] = 1e4
    return np.where(x_mm * np.sign(centre[0]) < 0.0, 3.0 * cost, cost)


def oligodendroglioma(fractions, x_mm, y_mm, centre, radius_mm, noise):
    """Cortical-subcortical mass, heterogeneous, with calcifications and a few cysts."""
    shape = x_mm.shape
    r, theta = _polar(x_mm, y_mm, centre)
    outline = irregular_radius(noise.rng, theta, radius_mm, 0.3)
    rho = r / outline + 0.04 * noise.smooth(shape, 3.0)
    lesion = 1.0 - smoothstep(0.9, 1.05, rho)
    brain_share = sum(fractions[..., k] for k in BRAIN)
    # Sulcal CSF inside the mass is effaced: the tumour fills the gyri.
    for k in BRAIN:
        fractions[..., k] *= (1.0 - lesion)

    texture = noise.smooth(shape, 2.5)
    cyst = smoothstep(1.3, 1.9, texture) * (1.0 - smoothstep(0.5, 0.8, rho))
    # Patchy, less cellular parts resemble the surrounding cortex.
    patch = 0.3 * smoothstep(0.0, 1.5, noise.smooth(shape, 3.0))
    calc = np.zeros(shape)
    # Calcifications: clusters of coarse specks, mostly in the tumour's
    # cortical half.
    for _ in range(4):
        a = noise.rng.uniform(-0.6, 0.9) + np.arctan2(centre[1], -centre[0])
        d = noise.rng.uniform(0.2, 0.7) * radius_mm
        px, py = centre[0] - d * np.cos(a), centre[1] + d * np.sin(a)
        for _ in range(int(noise.rng.integers(3, 7))):
            sx, sy = px + noise.rng.normal(0.0, 2.5), py + noise.rng.normal(0.0, 2.5)
            size = noise.rng.uniform(0.6, 1.5)
            d2 = (x_mm - sx) ** 2 + (y_mm - sy) ** 2
            calc = np.maximum(calc, np.exp(-d2 / (size * size)))
    calc = np.clip(calc * 1.2, 0.0, 0.95)
    body = np.clip(1.0 - cyst - calc, 0.0, 1.0)
    fractions[..., IX["oligo"]] += lesion * brain_share * body * (1.0 - patch)
    fractions[..., IX["grey"]] += lesion * brain_share * body * patch
    fractions[..., IX["cyst"]] += lesion * brain_share * cyst * (1.0 - calc)
    fractions[..., IX["calcification"]] += lesion * brain_share * calc

    # Little oedema: a thin seam in the adjacent white matter.
    beyond = np.maximum(r - outline, 0.0)
    oedema = 0.5 * np.exp(-beyond / 5.0) * smoothstep(0.9, 1.0, rho)
    _replace(fractions, oedema, (IX["white"],), IX["oedema"])


def infarct(fractions, x_mm, y_mm, origin, angles_deg, inner_mm, noise):
    """Acute territorial infarct: a wedge of cortex and white matter.

    origin is the point deep in the hemisphere from which the territory fans
    out laterally; angles_deg the angular range measured from the patient's
    left (MNI -x) towards anterior; inner_mm spares the deep nuclei.
    """
    shape = x_mm.shape
    r, theta = _polar(x_mm, y_mm, origin)
    # Angle from the -x axis, positive towards anterior (+y).
    ang = np.degrees(np.arctan2(y_mm - origin[1], -(x_mm - origin[0])))
    wobble = 6.0 * noise.smooth(shape, 6.0)
    lo, hi = angles_deg
    wedge = smoothstep(lo - 3.0, lo + 3.0, ang + wobble) * (1.0 - smoothstep(hi - 3.0, hi + 3.0, ang + wobble))
    deep = smoothstep(inner_mm - 3.0, inner_mm + 3.0, r + 3.0 * noise.smooth(shape, 5.0))
    q = np.clip(wedge * deep, 0.0, 1.0)
    _replace(fractions, q, (IX["grey"],), IX["infarct_grey"])
    _replace(fractions, q, (IX["white"],), IX["infarct_white"])
    # Swelling effaces the sulci within the territory.
    cortex_near = smoothstep(inner_mm + 10.0, inner_mm + 20.0, r)
    _replace(fractions, 0.5 * q * cortex_near, (IX["csf"],), IX["infarct_grey"])
    return q
