#!/usr/bin/python3
"""Renders spin-echo images of the built-in cases to PNG for inspection.

Usage: python3 tools/casegen/preview.py [case directory] [output directory] [contact sheet]

Writes one sheet per case into the output directory (default /tmp/casegen)
and, when a third argument is given, one contact sheet of all cases there.
Images follow the program's formula and layout: map[x][y] with x to the
right and y downwards.
"""

import os
import struct
import sys
import zlib

import numpy as np

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from writer import read_case  # noqa: E402

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# (label, TE, TR, TP, technique) with technique 2 = diffusion weighted.
RECORDINGS = (
    ("T1w 15/500", 15.0, 500.0, 0.0, 0),
    ("T2w 100/3000", 100.0, 3000.0, 0.0, 0),
    ("PDw 15/3000", 15.0, 3000.0, 0.0, 0),
    ("STIR TP180", 15.0, 3000.0, 180.0, 0),
    ("FLAIR TP2773", 100.0, 10000.0, 2773.0, 0),
    ("DWI 100/3000", 100.0, 3000.0, 0.0, 2),
)


def write_png(path, grey):
    grey = np.clip(np.round(grey), 0, 255).astype(np.uint8)
    h, w = grey.shape
    raw = b"".join(b"\x00" + grey[r].tobytes() for r in range(h))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 0, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


def split_maps(matrix, count):
    rows = matrix.shape[0] // count
    return [matrix[k * rows:(k + 1) * rows] for k in range(count)]


def signal(pd, t1, t2, te, tr, tp, norm=None, technique=0):
    with np.errstate(divide="ignore", invalid="ignore"):
        s = (1.0 - np.exp(-tr / t1)) * pd * np.exp(-te / t2)
        if tp > 0:
            s = s * np.abs(2.0 * np.exp(-tp / t1) - 1.0)
    s = np.nan_to_num(s)
    if technique == 2 and norm is not None:
        s = s * np.where(norm == 0.0, np.exp(-4.0), np.exp(-4.0 * norm))
    return s


def to_grey(img, ref=None):
    """Window from the 1st to the 99.5th percentile of the non-zero pixels."""
    ref = img if ref is None else ref
    values = ref[ref > 0]
    if values.size == 0:
        return np.zeros_like(img)
    lo, hi = np.percentile(values, 1.0), np.percentile(values, 99.5)
    return 255.0 * (img - lo) / max(hi - lo, 1e-12)


def screen(map_xy):
    """map[x][y] to a picture array [row, column]."""
    return map_xy.T


def case_images(path):
    matrix, tail = read_case(path)
    if tail.startswith(b"MRI PD,T1,T2,DTI DATA"):
        maps = split_maps(matrix, 12)
    elif tail.startswith(b"MRI PD,T1,T2 DATA"):
        maps = split_maps(matrix, 3)
    else:
        return None
    pd, t1, t2 = maps[:3]
    norm = None
    if len(maps) == 12:
        comps = np.stack(maps[3:], axis=-1)
        norm = np.sqrt((comps ** 2).sum(axis=-1)) / np.sqrt(3.0)
        norm = norm / norm.max()
    tiles = []
    for label, te, tr, tp, tech in RECORDINGS:
        if tech and norm is None:
            continue
        tiles.append(to_grey(screen(signal(pd, t1, t2, te, tr, tp, norm, tech))))
    return tiles


def fmri_images(path):
    matrix, tail = read_case(path)
    frames = int(tail.split(b"\n")[1])
    width = matrix.shape[1] // frames
    series = np.stack([matrix[:, f * width:(f + 1) * width] for f in range(frames)])
    rest = [f for f in range(frames) if f >= 2 and ((f - 2) // 10) % 2 == 0]
    task = [f for f in range(frames) if f >= 2 and ((f - 2) // 10) % 2 == 1]
    diff = series[task].mean(axis=0) - series[rest].mean(axis=0)
    spread = np.sqrt(0.5 * (series[task].var(axis=0) + series[rest].var(axis=0)))
    effect = np.where(series[rest].mean(axis=0) > 250.0, diff / np.maximum(spread, 1e-9), 0.0)
    picks = [0, 10, 20, 40]
    tiles = [np.clip(screen(series[f]) * 255.0 / 1500.0, 0, 255) for f in picks]
    tiles.append(np.clip(screen(effect) * 60.0, 0, 255))
    mean = screen(series[2:].mean(axis=0))
    # The program colours pixels with p < 0.1, which with 98 degrees of freedom is t > 1.29.
    tiles.append(np.where(screen(effect) > 1.29, 255.0, mean * 200.0 / 1500.0))
    return [np.kron(t, np.ones((4, 4))) for t in tiles]


def sheet(rows_of_tiles, gap=4):
    h, w = 256, 256
    cols = max(len(r) for r in rows_of_tiles)
    out = np.full((len(rows_of_tiles) * (h + gap) + gap, cols * (w + gap) + gap), 40.0)
    for i, row in enumerate(rows_of_tiles):
        for j, tile in enumerate(row):
            out[gap + i * (h + gap):gap + i * (h + gap) + h, gap + j * (w + gap):gap + j * (w + gap) + w] = \
                np.clip(tile, 0, 255)
    return out


def main():
    cases = sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "resources", "files")
    outdir = sys.argv[2] if len(sys.argv) > 2 else "/tmp/casegen"
    os.makedirs(outdir, exist_ok=True)
    rows = []
    for name in ("glioblastoma", "oligodendroglioma", "dti", "infarct"):
        tiles = case_images(os.path.join(cases, name + ".mri"))
        write_png(os.path.join(outdir, name + ".png"), sheet([tiles]))
        rows.append(tiles)
    ftiles = fmri_images(os.path.join(cases, "fmri.mri"))
    write_png(os.path.join(outdir, "fmri.png"), sheet([ftiles]))
    t1, _ = read_case(os.path.join(cases, "mrt1.mri"))
    write_png(os.path.join(outdir, "mrt1.png"), to_grey(screen(t1)))
    rows.append(ftiles)
    rows.append([to_grey(screen(t1))])
    if len(sys.argv) > 3:
        write_png(sys.argv[3], sheet(rows))


if __name__ == "__main__":
    main()
