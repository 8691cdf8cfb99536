"""The raw-float case file: int32 rows, int32 columns, rows x columns float32
in row order (row 1 first), little-endian, then the text tail."""

import numpy as np


def write_case(path, matrix, tail=b""):
    matrix = np.ascontiguousarray(matrix, dtype="<f4")
    rows, cols = matrix.shape
    with open(path, "wb") as out:
        out.write(np.array([rows, cols], dtype="<i4").tobytes())
        out.write(matrix.tobytes())
        out.write(tail)


def read_case(path, tail_limit=10000):
    with open(path, "rb") as src:
        rows, cols = np.frombuffer(src.read(8), dtype="<i4")
        data = np.frombuffer(src.read(4 * rows * cols), dtype="<f4").reshape(rows, cols)
        tail = src.read(tail_limit)
    return data.astype(np.float64), tail


def file_maps(image_maps):
    """Screen-oriented maps [row, column] to the file's map[x][y] layout."""
    return [np.asarray(m).T for m in image_maps]
