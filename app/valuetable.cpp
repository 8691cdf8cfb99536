#include "app/valuetable.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::int32_t truncateAfterHalf(double value)
{
    const double shifted = std::trunc(value + 0.5);
    if (std::isnan(shifted))
        return 0;
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(shifted, lowest, highest));
}

QString valueTableText(QList<ValueRow> rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const ValueRow &a, const ValueRow &b) {
        return a.te != b.te ? a.te < b.te : a.tr < b.tr;
    });
    QString text = QStringLiteral("Te\tTr\tStrength\n");
    for (const ValueRow &row : rows)
        text += QStringLiteral("%1\t%2\t%3\n").arg(row.te).arg(row.tr).arg(row.strength);
    return text;
}
