#include "cases/casedata.h"

#include "numerics/matrixmemory.h"

#include <initializer_list>

void CaseData::release()
{
    for (double **map : {pd, t1, t2, activation, variance, difference, tValue, pValue})
        if (map)
            free_dmatrix(map, 1, rows, 1);
    if (tensor)
        free_d3tensor(tensor, 1, rows, 1, cols, 1);
    *this = CaseData();
}
