#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: one small valid file per variant.

Run from anywhere: python3 make_corpus.py. The MAT-files are the MAT-file tests'
own fixtures, copied. Everything is written little-endian unless a name says
otherwise; the files are small so that the engine's mutations stay cheap."""

import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
MATLAB_FIXTURES = os.path.join(HERE, "..", "numerics", "data", "matlab")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def binary_header(sparse, big, rows, cols, element_size=8, max_count=0):
    order = ">" if big else "<"
    header = b";;mbfspr" if sparse else b";;mbfmat"
    header += bytes([1 if big else 0])
    header += struct.pack(order + "i", 15 if sparse else 11)
    header += bytes([1, 1, element_size])
    header += struct.pack(order + "ii", rows, cols)
    if sparse:
        header += struct.pack(order + "i", max_count)
    return header


def values(fmt, big, numbers):
    order = ">" if big else "<"
    return b"".join(struct.pack(order + fmt, v) for v in numbers)


def dense(big, element_size, rows, cols, numbers, tail=b""):
    fmt = "d" if element_size == 8 else "f"
    return binary_header(False, big, rows, cols, element_size) + values(fmt, big, numbers) + tail


def sparse(big, rows, cols, entries, tail=b""):
    """entries: one list of (column, value) per row."""
    max_count = max(len(row) for row in entries)
    order = ">" if big else "<"
    data = binary_header(True, big, rows, cols, 8, max_count)
    for row in entries:
        data += struct.pack(order + "i", len(row))
        data += b"".join(struct.pack(order + "i", c) for c, _ in row)
    for row in entries:
        data += b"".join(struct.pack(order + "d", v) for _, v in row)
    return data + tail


def raw(big, rows, cols, numbers, tail=b""):
    order = ">" if big else "<"
    return struct.pack(order + "ii", rows, cols) + values("f", big, numbers) + tail


def matrices():
    six = [1.5, -2.0, 3.25, 0.0, 1e-3, 2761.0]
    write("getmatrix", "dense_double_le.mbf", dense(False, 8, 2, 3, six, b"fmri\n3\n"))
    write("getmatrix", "dense_double_be.mbf", dense(True, 8, 2, 3, six))
    write("getmatrix", "dense_float_le.mbf", dense(False, 4, 3, 2, six, b"units\nms\n"))
    write("getmatrix", "dense_float_be.mbf", dense(True, 4, 3, 2, six))
    write("getmatrix", "sparse_le.mbf",
          sparse(False, 3, 4, [[(1, 2.5), (4, -1.0)], [], [(2, 7.0)]], b"note\nsparse\n"))
    write("getmatrix", "sparse_be.mbf", sparse(True, 2, 3, [[(3, 1.0)], [(1, 2.0), (2, 3.0)]]))
    write("getmatrix", "raw_float_le.mri", raw(False, 2, 2, [1.0, 2.0, 3.0, 4.0], b"MRI\n"))
    write("getmatrix", "raw_float_be.mri", raw(True, 2, 2, [1.0, 2.0, 3.0, 4.0]))
    write("getmatrix", "text_dense.txt", b"2 3\n1 2 3\n4 nan -6e2\nfmri\n3\n")
    write("getmatrix", "text_rows_only.txt", b"4\n1.5\n2.5\n-3\n4\n")
    write("getmatrix", "text_short.txt", b"3 3\n1 2\n")
    write("getmatrix", "text_sparse.txt", b"   2   4   2\n   2   1   4\n   1   3\n 2.5 -1\n 7\ntail\n")
    # MAT-files go to the MAT-file target only (the matrix target passes them over).
    for name in sorted(os.listdir(MATLAB_FIXTURES)):
        if name.endswith(".mat"):
            os.makedirs(os.path.join(CORPUS, "matlab"), exist_ok=True)
            shutil.copy(os.path.join(MATLAB_FIXTURES, name), os.path.join(CORPUS, "matlab", name))


def cases():
    # Stacked maps of 2 x 2 pixels: PD, T1, T2 (and the nine tensor components).
    pd = [600.0, 2761.0, 0.0, 35.0]
    t1 = [900.0, 1200.0, 4000.0, 10.0]
    t2 = [80.0, 100.0, 2000.0, 10.0]
    tensor = [v * 1e-3 for v in (1, 0.1, 0.2, 0.1, 1.5, 0.3, 0.2, 0.3, 2)]
    stack = pd + t1 + t2
    write("caseloader", "mri.mri", raw(False, 6, 2, stack, b"MRI PD,T1,T2 DATA"))
    write("caseloader", "mri_binary.mbf", dense(False, 8, 6, 2, stack, b"MRI PD,T1,T2 DATA\n"))
    dti = stack + [c for c in tensor for _ in range(4)]
    write("caseloader", "dti.mri", raw(False, 24, 2, dti, b"MRI PD,T1,T2,DTI DATA\n"))
    # A functional series of 2 x 1 pixels and 23 frames: one rest and one task block.
    frames = 23
    series = []
    for row in range(2):
        for f in range(1, frames + 1):
            task = f >= 13
            series.append((300.0 if row == 0 else 10.0) + (2.0 if task else 0.0) + (f % 2))
    write("caseloader", "fmri.mri", raw(False, 2, frames, series, b"fmri\n23\n"))
    write("caseloader", "fmri_text.txt",
          ("2 %d\n" % frames).encode() + " ".join("%g" % v for v in series).encode()
          + b"\nfmri\n23\nunits\nBOLD %\n")
    write("caseloader", "plain_inverted.mri",
          raw(False, 2, 3, [1, 2, 3, 4, 5, 6], b"units\nT1 (ms)\ninvert\nboth\n"))
    write("caseloader", "plain.mri", raw(False, 2, 2, [1, 2, 3, 4]))
    write("caseloader", "mri_invert_data.txt", b"3 2\n1 2\n3 4\n5 6\nMRI PD,T1,T2 DATA\ninvert\ndata\n")


def tails():
    # key NUL value NUL occurrence tail
    write("matrixtail", "fmri", b"fmri\x00120\x00\x00fmri\n99\n")
    write("matrixtail", "fmri_nul_lines", b"FMRI\x0012\x00\x00fmri\x0099\x00")
    write("matrixtail", "second_occurrence", b"units\x00mm\x00\x01units\nms\nunits\nT1\n")
    write("matrixtail", "missing_value", b"invert\x00scale\x00\x00MRI PD,T1,T2 DATA\ninvert")
    write("matrixtail", "kind_line", b"MRI\x00x\x00\x00MRI PD,T1,T2,DTI DATA\nnext line\n")


if __name__ == "__main__":
    matrices()
    cases()
    tails()
