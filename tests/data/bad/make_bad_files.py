#!/usr/bin/env python3
"""Writes the malformed case files that test_malformedfiles loads one by one.

Run from anywhere: python3 make_bad_files.py. docs/robustness.md lists every file
with what the program does with it. Multi-byte fields are little-endian; the
files are tiny except the one with a tail longer than the reader takes."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
MATLAB_FIXTURE = os.path.join(HERE, "..", "..", "numerics", "data", "matlab", "struct_then_matrix.mat")


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def pack(code, *values):
    return struct.pack("<%d%s" % (len(values), code), *values)


def header(sparse=False, rows=2, cols=3, element_size=8, max_count=1, order=0, header_length=None):
    length = header_length or (15 if sparse else 11)
    data = (b";;mbfspr" if sparse else b";;mbfmat") + bytes([order]) + pack("i", length)
    data += bytes([1, 1, element_size]) + pack("i", rows, cols)
    return data + pack("i", max_count) if sparse else data


def raw(rows, cols, values, tail=b""):
    return pack("i", rows, cols) + pack("f", *values) + tail


def series(rows, frames):
    """A functional series one pixel wide: a bright pixel per row, task frames 2 brighter."""
    return [400.0 + 10 * r + (2.0 if f >= 3 and ((f - 3) // 10) % 2 == 1 else 0.0) + (f % 2)
            for r in range(rows) for f in range(1, frames + 1)]


# Unreadable as a whole.
write("empty.mri", b"")
os.makedirs(os.path.join(HERE, "directory.mri"), exist_ok=True)
with open(os.path.join(HERE, "directory.mri", "README.md"), "w") as f:
    f.write("A directory named like a case file: loading it must be refused.\n")

# Truncated header and data of each variant.
write("dense_header_cut.mbf", header()[:18])
write("dense_data_cut.mbf", header() + pack("d", 1, 2, 3, 4, 5))
write("dense_float_data_cut.mbf", header(element_size=4) + pack("f", 1, 2, 3, 4, 5))
write("sparse_header_cut.mbf", header(sparse=True)[:26])
write("sparse_index_cut.mbf", header(sparse=True) + pack("i", 1, 2, 1))
write("sparse_values_cut.mbf", header(sparse=True) + pack("i", 1, 2, 1, 3) + pack("d", 1.5))
write("raw_header_cut.mri", b"\x02\x00\x00\x00\x02\x00")
write("raw_data_cut.mri", raw(2, 2, [1, 2, 3]))
write("text_header_cut.txt", b"12")
write("text_data_cut.txt", b"2 3\n1 2 3\n4")
write("text_header_beyond_79_characters.txt", b" " * 80 + b"2 2\n1 2\n3 4\n")
with open(MATLAB_FIXTURE, "rb") as f:
    write("matlab_cut.mat", f.read()[:200])

# Dimensions that cannot be.
write("dense_huge.mbf", header(rows=100000, cols=100000) + pack("d", 1))
write("raw_huge.mri", raw(30000, 30000, [1, 2, 3, 4]))
write("text_huge.txt", b"100000 100000\n1 2 3\n")
write("sparse_huge_cols.mbf", header(sparse=True, rows=1, cols=2000000000) + pack("i", 1, 1) + pack("d", 2.5))
write("dense_negative_rows.mbf", header(rows=-2) + pack("d", 1, 2, 3))
write("raw_negative_rows.mri", raw(-1, 2, [1, 2]))
write("text_negative_rows.txt", b"-2 3\n1 2 3\n4 5 6\n")

# Header fields outside their few allowed values.
for name, fields in (("byte_order_2", {"order": 2}), ("element_size_2", {"element_size": 2}),
                     ("dense_with_sparse_header_length", {"header_length": 15})):
    write(name + ".mbf", header(**fields) + pack("d", 1, 2, 3, 4, 5, 6))

# Sparse index blocks that do not fit the matrix.
write("sparse_count_above_maxcount.mbf", header(sparse=True, rows=1) + pack("i", 2, 1, 2) + pack("d", 1, 2))
write("sparse_count_beyond_cols.mbf",
      header(sparse=True, rows=1, cols=2, max_count=3) + pack("i", 3, 1, 2, 2) + pack("d", 1, 2, 3))
write("sparse_column_0.mbf", header(sparse=True, rows=1) + pack("i", 1, 0) + pack("d", 1))
write("sparse_column_beyond_cols.mbf", header(sparse=True, rows=1) + pack("i", 1, 4) + pack("d", 1))
write("text_sparse_column_beyond_cols.txt", b"1 3 1\n1 7\n2.5\n")

# Text values.
write("text_words.txt", b"2 2\n1 two\n3 4\n")
# A word in the first 8 bytes would make the file raw floats, so the values lead.
write("text_nan_and_infinities.txt", b"2 2\n1.5 nan\n-Infinity inf\n")
write("stacked_with_nan_and_infinities.txt", b"3 2\n2761 nan\ninf 1000\n-inf NaN\nMRI PD,T1,T2 DATA\n")

# Tails.
write("tail_huge.mri", raw(1, 1, [1], b"x" * 65536 + b"\nfmri\n1\n"))
write("tail_without_line_feeds.mri", raw(2, 26, series(2, 26), b"fmri 26 units ms"))
write("tail_with_nul_bytes.mri", raw(2, 26, series(2, 26), b"fmri\x0026\x00units\x00ms\x00"))
write("tail_kind_line_with_nul.mri", raw(3, 1, [1, 2, 3], b"MRI PD\x00T1,T2 DATA\n"))

# Frame counts.
for name, rows, cols, tail in (("fmri_0", 2, 26, b"fmri\n0\n"), ("fmri_negative", 2, 26, b"fmri\n-3\n"),
                               ("fmri_beyond_cols", 2, 26, b"fmri\n27\n"),
                               ("fmri_without_a_pair", 2, 4, b"fmri\n4\n"),
                               ("fmri_cols_not_a_multiple", 2, 27, b"fmri\n13\n"),
                               ("fmri_and_kind_line", 3, 26, b"MRI PD,T1,T2 DATA\nfmri\n26\n")):
    write(name + ".mri", raw(rows, cols, series(rows, cols), tail))

# Stacked maps that do not divide.
write("stacked_rows_not_multiple_of_3.mri", raw(4, 2, range(8), b"MRI PD,T1,T2 DATA\n"))
write("stacked_rows_not_multiple_of_12.mri", raw(13, 1, range(13), b"MRI PD,T1,T2,DTI DATA\n"))
write("stacked_fewer_than_12_rows.mri", raw(3, 1, range(3), b"MRI PD,T1,T2,DTI DATA\n"))
