#include "cases/caseimport.h"

#include "numerics/matrixfile.h"
#include "numerics/matrixmemory.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

double **stackedCaseMatrix(const ImportedCase &imported, std::int32_t *fileRows)
{
    std::vector<const std::vector<double> *> maps = {&imported.pd, &imported.t1, &imported.t2};
    if (imported.hasTensor)
        for (const std::vector<double> &component : imported.tensor)
            maps.push_back(&component);
    const std::int32_t width = imported.width;
    const std::int32_t height = imported.height;
    *fileRows = std::int32_t(maps.size()) * width;
    double **m = dmatrix(1, *fileRows, 1, height);
    if (!m)
        return nullptr;
    for (std::size_t k = 0; k < maps.size(); ++k)
        for (std::int32_t x = 0; x < width; ++x)
            for (std::int32_t y = 0; y < height; ++y)
                m[std::int32_t(k) * width + x + 1][y + 1] =
                    (*maps[k])[std::size_t(x) * std::size_t(height) + std::size_t(y)];
    return m;
}

bool writeImportedCase(const ImportedCase &imported, const QString &fileName, QString *error)
{
    auto fail = [&](const char *reason) {
        *error = QCoreApplication::translate("CaseImporter", reason).arg(fileName);
        return false;
    };
    std::int32_t fileRows = 0;
    double **m = stackedCaseMatrix(imported, &fileRows);
    if (!m)
        return fail("%1: not enough memory for the case");
    const QByteArray target = QFile::encodeName(fileName);
    const QByteArray partial = target + ".partial-" + QByteArray::number(qint64(getpid()));
    const bool written = putmatrix(partial.constData(), m, fileRows, imported.height,
                                   int32(imported.tail.size()), imported.tail.constData(),
                                   nullptr, nullptr)
                      != 0;
    free_dmatrix(m, 1, fileRows, 1);
    if (!written || std::rename(partial.constData(), target.constData()) != 0) {
        std::remove(partial.constData());
        return fail("cannot write %1");
    }
    return true;
}
