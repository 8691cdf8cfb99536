#include "casefilewriter.h"

#include "numerics/matrixfile.h"

#include <QFile>

#include <cstdint>

bool writeCaseMatrix(const QString &fileName, int32 rows, int32 cols,
                     const std::function<double(int32, int32)> &value, const QByteArray &tail)
{
    double **m = dmatrix(1, rows, 1, cols);
    if (!m)
        return false;
    for (int32 i = 1; i <= rows; ++i)
        for (int32 j = 1; j <= cols; ++j)
            m[i][j] = value(i, j);
    const int ok = putmatrix(QFile::encodeName(fileName).constData(), m, rows, cols, int32(tail.size()),
                             tail.isEmpty() ? nullptr : tail.constData(), nullptr, nullptr);
    free_dmatrix(m, 1, rows, 1);
    return ok == 1;
}

bool writeRawFloatCase(const QString &fileName, int32 rows, int32 cols,
                       const std::function<double(int32, int32)> &value, const QByteArray &tail)
{
    const std::int32_t size[2] = {rows, cols};
    QByteArray bytes(reinterpret_cast<const char *>(size), sizeof size);
    for (int32 i = 1; i <= rows; ++i)
        for (int32 j = 1; j <= cols; ++j) {
            const float v = float(value(i, j));
            bytes.append(reinterpret_cast<const char *>(&v), sizeof v);
        }
    return writeBytes(fileName, bytes + tail);
}

bool writeBytes(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
