#!/usr/bin/python3
# Prints what SciPy's loadmat finds in a MAT-file, one line per array, so that
# the tests can check files written by the program with a reader other than the
# one the program uses.
#
# Usage: print_mat.py FILE
# Each numeric array, and each numeric field of a 1 x 1 structure as NAME.FIELD,
# is printed as: NAME CLASS ROWS COLS VALUES... with the values in column order
# (MATLAB's element order) and written with repr() so that doubles are exact.

import sys

import numpy as np
from scipy.io import loadmat

contents = loadmat(sys.argv[1])
for name in sorted(k for k in contents if not k.startswith("__")):
    value = contents[name]
    fields = value.dtype.names
    for label, array in [(f"{name}.{f}", value[0, 0][f]) for f in fields] if fields else [(name, value)]:
        array = np.atleast_2d(array)
        values = " ".join(repr(v.item()) for v in array.flatten(order="F"))
        print(f"{label} {array.dtype} {array.shape[0]} {array.shape[1]} {values}".rstrip())
