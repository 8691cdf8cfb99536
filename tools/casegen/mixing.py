"""Single-compartment values that stand in for a mixed pixel.

The program models every pixel with one PD, one T1 and one T2. A pixel that
holds two tissues really gives the sum of their signals. Averaging the
relaxation rates is not good enough: at a CSF edge the averaged T1 lands far
from both null points, so inversion-recovery images get bright rims. Instead
each mixed pixel gets the (PD, T1, T2) whose spin-echo signal is closest, in
least squares, to the signal of its mixture over a grid of echo, repetition
and inversion times that covers the program's usual recordings.
"""

import functools
import multiprocessing
import os

import numpy as np

import tissues

TE_GRID = (10.0, 15.0, 20.0, 30.0, 40.0, 60.0, 80.0, 100.0, 120.0)
TR_GRID = (300.0, 500.0, 700.0, 1000.0, 1500.0, 2000.0, 3000.0, 5000.0, 10000.0)
# 0 means no inversion prepulse.
TP_GRID = (0.0, 100.0, 150.0, 180.0, 250.0, 400.0, 600.0, 1000.0, 1500.0, 2000.0,
           2773.0, 3500.0)

# The recordings a teacher shows first (T1-, T2-, PD-weighted, STIR, FLAIR)
# count this many times in the fit: (TE, TR, TP) in ms.
PRESETS = ((15.0, 500.0, 0.0), (100.0, 3000.0, 0.0), (15.0, 3000.0, 0.0),
           (15.0, 3000.0, 180.0), (100.0, 10000.0, 2773.0))
PRESET_WEIGHT = 10.0
# Starting points of the fit: offsets of ln T1 and ln T2 from the rate averages.
START_OFFSETS = ((0.0, 0.0), (0.8, 0.6), (-0.5, 0.0))
PURE = 0.999
# Compositions are rounded to this many steps before fitting.
STEPS = 50
ITERATIONS = 30
# Compositions fitted together. A composition's fit does not depend on the
# others in its chunk; small chunks keep the signal arrays in the cache.
CHUNK = 512


def recording_grid():
    te, tr, tp = [], [], []
    for a in TE_GRID:
        for b in TR_GRID:
            for c in TP_GRID:
                if c < b and a < b:
                    te.append(a)
                    tr.append(b)
                    tp.append(c)
    return np.array(te), np.array(tr), np.array(tp)


def spin_echo(pd, t1, t2, te, tr, tp):
    """Signal of the program's spin-echo model; arrays broadcast."""
    s = pd * (1.0 - np.exp(-tr / t1)) * np.exp(-te / t2)
    return s * np.abs(2.0 * np.exp(-tp / t1) - 1.0)


def _exp_columns(p):
    """exp of each column of p, as (n, 1) arrays.

    NumPy's vector exp and its scalar fallback round some values
    differently. For a strided column it falls back when the result lands
    right behind the input in memory, so the files would depend on the
    allocator; a contiguous copy always takes the vector code.
    """
    return [column[:, None] for column in np.exp(np.ascontiguousarray(p.T))]


def _model_and_jacobian(p, te, tr, tp):
    pd, t1, t2 = _exp_columns(p)
    er = np.exp(-tr / t1)
    a = 1.0 - er
    e2 = np.exp(-te / t2)
    ep = np.exp(-tp / t1)
    g = 2.0 * ep - 1.0
    b = np.abs(g)
    s = pd * a * e2 * b
    da = -er * tr / t1
    db = np.sign(g) * 2.0 * ep * tp / t1
    jac = np.stack([s, pd * e2 * (da * b + a * db), s * te / t2], axis=2)
    return s, jac


def _fit_chunk(target, p0, te, tr, tp, scale):
    """Levenberg-Marquardt on log parameters, all pixels of a chunk at once."""
    p = p0.copy()
    lam = np.full(p.shape[0], 1e-2)
    s, jac = _model_and_jacobian(p, te, tr, tp)
    r = (target - s) / scale
    cost = (r * r).sum(axis=1)
    for _ in range(ITERATIONS):
        j = jac / scale[:, :, None]
        jtj = np.einsum("nci,ncj->nij", j, j)
        jtr = np.einsum("nci,nc->ni", j, r)
        diag = jtj.diagonal(axis1=1, axis2=2)
        damp = jtj + (lam[:, None] * diag + 1e-12)[:, :, None] * np.eye(3)[None]
        step = np.linalg.solve(damp, jtr[:, :, None])[:, :, 0]
        step = np.clip(step, -1.0, 1.0)
        trial = p + step
        s_t, jac_t = _model_and_jacobian(trial, te, tr, tp)
        r_t = (target - s_t) / scale
        cost_t = (r_t * r_t).sum(axis=1)
        better = cost_t < cost
        p[better] = trial[better]
        s[better], jac[better], r[better], cost[better] = s_t[better], jac_t[better], r_t[better], cost_t[better]
        lam = np.where(better, lam * 0.3, lam * 10.0)
        lam = np.clip(lam, 1e-9, 1e9)
    return p, cost


def effective_parameters(fractions, table=tissues.ALL):
    """PD, T1, T2 maps (arrays of the image shape) for fractions [..., tissue].

    Pixels without tissue get 0 everywhere. Mixed pixels are grouped by
    their composition rounded to 1/STEPS; each composition is fitted once,
    and the pixel's own total PD scales the result. Returns (pd, t1, t2,
    error) where error holds, for its composition, the largest and the
    mean absolute signal difference over the grid relative to the mixture's
    PD, for the fit and for the naive rate average, one row per mixed pixel.
    """
    return effective_parameters_of([fractions], table)[0]


def effective_parameters_of(fraction_maps, table=tissues.ALL):
    """effective_parameters of each map; a composition that several maps
    share is fitted once, with the result it gets in any of them."""
    shapes = [m.shape[:-1] for m in fraction_maps]
    f = np.concatenate([m.reshape(-1, m.shape[-1]) for m in fraction_maps]).astype(np.float64)
    pd_t = np.array([t.pd for t in table])
    t1_t = np.array([t.t1 for t in table])
    t2_t = np.array([t.t2 for t in table])
    total = f.sum(axis=1)
    pd_mix = f @ pd_t
    pd = np.zeros(f.shape[0])
    t1 = np.zeros(f.shape[0])
    t2 = np.zeros(f.shape[0])
    error = np.zeros((f.shape[0], 4))

    occupied = pd_mix > 1e-6
    dominant = np.argmax(f, axis=1)
    pure = occupied & (f.max(axis=1) >= PURE * total)
    pd[pure] = pd_mix[pure]
    t1[pure] = t1_t[dominant[pure]]
    t2[pure] = t2_t[dominant[pure]]

    is_mixed = occupied & ~pure
    mixed = np.nonzero(is_mixed)[0]
    if mixed.size:
        keys = np.round(f[mixed] / total[mixed, None] * STEPS).astype(np.int16)
        compositions, which = np.unique(keys, axis=0, return_inverse=True)
        which = which.reshape(-1)
        comp = compositions.astype(np.float64)
        comp /= comp.sum(axis=1, keepdims=True)
        comp_pd, comp_t1, comp_t2, comp_error = _fit_compositions(comp, pd_t, t1_t, t2_t)
        pd[mixed] = comp_pd[which] / (comp[which] @ pd_t) * pd_mix[mixed]
        t1[mixed] = comp_t1[which]
        t2[mixed] = comp_t2[which]
        error[mixed] = comp_error[which]

    results = []
    start = 0
    for shape in shapes:
        part = slice(start, start + int(np.prod(shape)))
        start = part.stop
        results.append((pd[part].reshape(shape), t1[part].reshape(shape),
                        t2[part].reshape(shape), error[part][is_mixed[part]]))
    return results


def _fit_compositions(comp, pd_t, t1_t, t2_t):
    chunks = [comp[start:start + CHUNK] for start in range(0, comp.shape[0], CHUNK)]
    fit = functools.partial(_fit_composition_chunk, pd_t=pd_t, t1_t=t1_t, t2_t=t2_t)
    workers = min(len(chunks), len(os.sched_getaffinity(0)))
    if workers > 1:
        # Each chunk's fit depends on that chunk alone, so the files are
        # the same whichever process fits it.
        with multiprocessing.get_context("fork").Pool(workers) as pool:
            results = pool.map(fit, chunks, chunksize=1)
    else:
        results = [fit(chunk) for chunk in chunks]
    return tuple(np.concatenate(part) for part in zip(*results))


def _fit_composition_chunk(fs, pd_t, t1_t, t2_t):
    te, tr, tp = recording_grid()
    weight = np.ones(te.size)
    for preset in PRESETS:
        weight[(te == preset[0]) & (tr == preset[1]) & (tp == preset[2])] = PRESET_WEIGHT
    per_tissue = spin_echo(pd_t[:, None], t1_t[:, None], t2_t[:, None], te[None], tr[None], tp[None])
    target = fs @ per_tissue
    pd_mix = fs @ pd_t
    w = fs * pd_t[None, :]
    w /= w.sum(axis=1, keepdims=True)
    # The fit has local minima (the inversion factor folds at its null),
    # so it starts from the naive PD-weighted rate averages and from a
    # few long-T1 and short-T1 guesses and keeps the best.
    p0 = np.stack([np.log(pd_mix), -np.log(w @ (1.0 / t1_t)), -np.log(w @ (1.0 / t2_t))], axis=1)
    scale = np.broadcast_to(pd_mix[:, None] / np.sqrt(weight)[None, :], target.shape)
    best_p, best_cost = None, None
    for d_t1, d_t2 in START_OFFSETS:
        start_p = p0 + np.array([0.0, d_t1, d_t2])[None, :]
        p, cost = _fit_chunk(target, start_p, te[None], tr[None], tp[None], scale)
        if best_p is None:
            best_p, best_cost = p, cost
        else:
            better = cost < best_cost
            best_p[better], best_cost[better] = p[better], cost[better]
    pd, t1, t2 = (column[:, 0] for column in _exp_columns(best_p))
    fit = spin_echo(pd[:, None], t1[:, None], t2[:, None], te[None], tr[None], tp[None])
    naive = spin_echo(*_exp_columns(p0), te[None], tr[None], tp[None])
    scale = np.broadcast_to(pd_mix[:, None], target.shape)
    rel = np.abs(fit - target) / scale
    rel_naive = np.abs(naive - target) / scale
    error = np.stack([rel.max(axis=1), rel.mean(axis=1),
                      rel_naive.max(axis=1), rel_naive.mean(axis=1)], axis=1)
    return pd, t1, t2, error
