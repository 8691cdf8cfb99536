#!/usr/bin/python3
# Writes the MAT-file fixtures of the MAT-file tests with SciPy's savemat, a
# writer independent of the matio library the program reads them with.
#
# Run from anywhere: /usr/bin/python3 make_fixtures.py
# Variables are written in the order given (dicts keep insertion order).

import os

import numpy as np
from scipy.io import savemat

HERE = os.path.dirname(os.path.abspath(__file__))
# A tetrahedron: nodes one per row, faces counted from 1.
NODES = np.array([[0.0, 0.0, 0.0], [1.0, 0.0, 0.0], [0.0, 2.0, 0.0], [0.0, 0.0, 3.0]])
FACES = np.array([[1, 2, 3], [1, 2, 4], [1, 3, 4], [2, 3, 4]])

FIXTURES = {
    # A structure without a field "field" is passed over: the matrix after it is read.
    "struct_then_matrix": {"info": {"scale": np.array([[2.0, 3.0]]), "label": "head"},
                           "m": np.array([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]])},
    # A structure's field "field" is taken before the matrix that follows it.
    "struct_with_field": ({"holder": {"field": np.array([[7, -8], [9, 10]], dtype=np.int32)},
                           "m": np.array([[1.0]])}, {"do_compression": True}),
    "int32_negative": {"counts": np.array([[-1, 0, 1], [2147483647, -2147483648, -2]], dtype=np.int32)},
    "uint32_large": {"big": np.array([[3000000000, 4294967295, 2147483648, 1]], dtype=np.uint32)},
    # Classes the reader does not take come before the double matrix it must find.
    "skipped_classes": {"text": "not numbers", "single": np.array([[1.5, 2.5]], dtype=np.float32),
                        "flags": np.array([[True, False]]), "empty": np.zeros((0, 0)),
                        "Signal": np.arange(1.0, 13.0).reshape(3, 4)},
    "complex": {"z": np.array([[1 + 2j, 3 - 4j]])},
    "version4": ({"v4": np.array([[1.0, 2.0], [3.0, 4.0], [5.0, 6.0]])}, {"format": "4"}),
    # Nodes and faces one per column under "node" and "face" (faces as doubles), or
    # one per row under "pnt" and "tri" (int32).
    "geometry_columns": {"mesh": {"node": NODES.T, "face": FACES.T.astype(float)}},
    "geometry_rows": ({"mesh": {"pnt": NODES, "tri": FACES.astype(np.int32)}}, {"do_compression": True}),
    # Plain arrays: the first double array gives the nodes, the first uint32 array
    # the faces; later ones of the same kind are ignored.
    "geometry_plain": {"faces": FACES.astype(np.uint32), "nodes": NODES, "other": np.ones((2, 3)),
                       "more_faces": np.ones((2, 3), dtype=np.uint32)},
}

for name, entry in FIXTURES.items():
    variables, options = entry if isinstance(entry, tuple) else (entry, {})
    savemat(os.path.join(HERE, name + ".mat"), variables, **options)
