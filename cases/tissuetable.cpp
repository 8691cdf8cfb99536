#include "cases/tissuetable.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TissueTable", text);
}

bool readNumber(const QByteArray &field, double *value)
{
    bool ok = false;
    *value = field.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value);
}

} // namespace

std::vector<TissueRow> defaultTissueTable()
{
    return {{1, QStringLiteral("CSF"), 1.00, 4000, 2000},
            {2, QStringLiteral("grey matter"), 0.80, 1180, 95},
            {3, QStringLiteral("white matter"), 0.69, 800, 72}};
}

const TissueRow *findTissue(const std::vector<TissueRow> &table, int label)
{
    const auto row = std::find_if(table.begin(), table.end(),
                                  [label](const TissueRow &r) { return r.label == label; });
    return row == table.end() ? nullptr : &*row;
}

bool readTissueTable(const QString &fileName, std::vector<TissueRow> &table, QString *error)
{
    table.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = tr("%1: cannot open the tissue table").arg(fileName);
        return false;
    }
    std::vector<TissueRow> rows;
    int lineNumber = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        ++lineNumber;
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split(',');
        double label = 0;
        if (rows.empty() && lineNumber == 1 && !readNumber(fields.first(), &label))
            continue;
        TissueRow row;
        const bool numbers = fields.size() == 5 && readNumber(fields[0], &label)
                          && readNumber(fields[2], &row.pd) && readNumber(fields[3], &row.t1)
                          && readNumber(fields[4], &row.t2);
        if (!numbers || label != std::floor(label) || std::abs(label) > 1e9 || row.pd < 0
            || row.t1 <= 0 || row.t2 <= 0) {
            *error = tr("%1, line %2: expected label,name,PD,T1,T2 with a whole label, "
                        "PD of at least 0 and T1 and T2 above 0")
                         .arg(fileName)
                         .arg(lineNumber);
            return false;
        }
        row.label = int(label);
        row.name = QString::fromUtf8(fields[1].trimmed());
        if (findTissue(rows, row.label)) {
            *error = tr("%1, line %2: label %3 appears twice").arg(fileName).arg(lineNumber).arg(row.label);
            return false;
        }
        rows.push_back(row);
    }
    if (rows.empty()) {
        *error = tr("%1: the tissue table has no rows").arg(fileName);
        return false;
    }
    table = std::move(rows);
    return true;
}
