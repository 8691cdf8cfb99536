#!/usr/bin/python3
# Prints what SciPy's loadmat finds in a MAT-file, so that the tests can check files
# the program writes with a reader other than the one it uses. Usage: print_mat.py FILE
# One line per numeric array, or per field of a 1 x 1 structure as NAME.FIELD:
# NAME CLASS ROWS COLS VALUES... in column order, written with repr() so doubles are exact.
# Exits with 77 when SciPy is missing, so that the test can skip rather than fail.
import sys

try:
    from scipy.io import loadmat
except ImportError:
    sys.exit(77)

for name, value in sorted(loadmat(sys.argv[1]).items()):
    if not name.startswith("__"):
        for label, array in [(f"{name}.{f}", value[0, 0][f]) for f in value.dtype.names or []] or [(name, value)]:
            print(label, array.dtype, *array.shape, *(repr(v.item()) for v in array.flatten(order="F")))
