#ifndef RELAXON_TESTS_TESTIMAGE_H
#define RELAXON_TESTS_TESTIMAGE_H

#include "numerics/matrixmemory.h"
#include "views/session.h"

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

// A PD/T1/T2 case of rows x cols pixels (cols = rows unless given), every pixel the
// same tissue, with tensors of diffusion along the horizontal axis of normalised
// norm n when n is given.
inline void makeMriCase(Session &session, int rows, double pd, double t1, double t2, double n = -1, int cols = 0)
{
    CaseData &data = session.caseData;
    data.rows = rows;
    data.cols = cols = cols ? cols : rows;
    data.isMri = true;
    data.fullScale = 2000;
    data.pd = makeImage(rows, cols, [pd](int, int) { return pd; });
    data.t1 = makeImage(rows, cols, [t1](int, int) { return t1; });
    data.t2 = makeImage(rows, cols, [t2](int, int) { return t2; });
    if (n < 0)
        return;
    data.hasDti = session.allowDti = true;
    data.tensor = d3tensor(1, rows, 1, cols, 1, 16);
    for (int x = 1; x <= rows; ++x)
        for (int y = 1; y <= cols; ++y)
            for (int k = 1; k <= 16; ++k)
                data.tensor[x][y][k] = k == 1 || k == 10 ? n : 0;
}

// A functional series of frames of rows x cols pixels side by side: pixel (x, y) of
// frame k (pixels 1-based, frames from 0) holds 1000 + 100 x + 10 y + k.
inline void makeSeries(CaseData &data, int rows, int cols, int frames)
{
    data.rows = rows;
    data.cols = cols * frames;
    data.frames = frames;
    data.pd = makeImage(rows, cols * frames, [cols](int x, int c) {
        const int k = (c - 1) / cols;
        return 1000.0 + 100 * x + 10 * (c - cols * k) + k;
    });
}

#endif
