#!/usr/bin/python3
"""Writes the MAT-file fixtures of the MAT-file tests with SciPy's savemat, a
writer independent of the matio library the program reads them with.

Run from anywhere: /usr/bin/python3 make_fixtures.py
Variables are written in the order given (dicts keep insertion order)."""

import os

import numpy as np
from scipy.io import savemat

HERE = os.path.dirname(os.path.abspath(__file__))


def save(name, variables, **options):
    savemat(os.path.join(HERE, name), variables, **options)


# A structure without a field "field" is passed over: the matrix after it is read.
save("struct_then_matrix.mat", {
    "info": {"scale": np.array([[2.0, 3.0]]), "label": "head"},
    "m": np.array([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]]),
})

# A structure's field "field" is taken before the matrix that follows it.
save("struct_with_field.mat", {
    "holder": {"field": np.array([[7, -8], [9, 10]], dtype=np.int32)},
    "m": np.array([[1.0]]),
}, do_compression=True)

save("int32_negative.mat", {
    "counts": np.array([[-1, 0, 1], [2147483647, -2147483648, -2]], dtype=np.int32),
})

save("uint32_large.mat", {
    "big": np.array([[3000000000, 4294967295, 2147483648, 1]], dtype=np.uint32),
})

# Classes the reader does not take (text, single, logical, an empty double array)
# come before the double matrix it must find.
save("skipped_classes.mat", {
    "text": "not numbers",
    "single": np.array([[1.5, 2.5]], dtype=np.float32),
    "flags": np.array([[True, False]]),
    "empty": np.zeros((0, 0)),
    "Signal": np.arange(1.0, 13.0).reshape(3, 4),
})

save("complex.mat", {
    "z": np.array([[1 + 2j, 3 - 4j]]),
})

save("version4.mat", {
    "v4": np.array([[1.0, 2.0], [3.0, 4.0], [5.0, 6.0]]),
}, format="4")

# Geometries: nodes one per column (3 x n) with 1-based double faces one per
# column, and nodes one per row (n x 3) under "pnt" with 1-based int32 faces
# under "tri".
TETRAHEDRON_NODES = np.array([
    [0.0, 0.0, 0.0],
    [1.0, 0.0, 0.0],
    [0.0, 2.0, 0.0],
    [0.0, 0.0, 3.0],
])
TETRAHEDRON_FACES = np.array([[1, 2, 3], [1, 2, 4], [1, 3, 4], [2, 3, 4]])

save("geometry_columns.mat", {
    "mesh": {"node": TETRAHEDRON_NODES.T, "face": TETRAHEDRON_FACES.T.astype(float)},
})

save("geometry_rows.mat", {
    "mesh": {"pnt": TETRAHEDRON_NODES, "tri": TETRAHEDRON_FACES.astype(np.int32)},
}, do_compression=True)

# Plain arrays: the first double array gives the nodes, the first uint32 array
# the faces; later ones of the same kind are ignored.
save("geometry_plain.mat", {
    "faces": TETRAHEDRON_FACES.astype(np.uint32),
    "nodes": TETRAHEDRON_NODES,
    "other": np.ones((2, 3)),
    "more_faces": np.ones((2, 3), dtype=np.uint32),
})
