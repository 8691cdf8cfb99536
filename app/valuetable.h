#ifndef RELAXON_APP_VALUETABLE_H
#define RELAXON_APP_VALUETABLE_H

#include <QList>
#include <QString>

#include <cstdint>

// One line of the Copy Values table: a recording's times and its signal at one pixel.
struct ValueRow
{
    std::int32_t te = 0;
    std::int32_t tr = 0;
    std::int32_t strength = 0;
};

// value + 0.5 with the fraction dropped toward zero, so -3.7 gives -3 and 0.5 gives 1.
// Values no 32-bit integer can hold give the nearest one, and NaN gives 0.
std::int32_t truncateAfterHalf(double value);

// The tab-separated table, header first, the rows sorted by Te and then by Tr
// (rows that agree in both keep their order).
QString valueTableText(QList<ValueRow> rows);

#endif
