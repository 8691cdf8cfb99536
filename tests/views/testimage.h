#ifndef RELAXON_TESTS_TESTIMAGE_H
#define RELAXON_TESTS_TESTIMAGE_H

#include "numerics/matrixmemory.h"

#include <functional>

// A rows x cols image (1-based, as views own them) with value(x, y) at [x][y].
inline double **makeImage(int rows, int cols, const std::function<double(int, int)> &value)
{
    double **image = dmatrix(1, rows, 1, cols);
    for (int x = 1; x <= rows; ++x)
        for (int y = 1; y <= cols; ++y)
            image[x][y] = value(x, y);
    return image;
}

#endif
