#include "cases/resourcereader.h"

#include "numerics/matrixmemory.h"

#include <QFile>

#include <cstdint>
#include <vector>

bool readResourceCase(const QString &name, CaseFile &file)
{
    QFile resource(name);
    if (!resource.open(QIODevice::ReadOnly))
        return false;

    std::int32_t size[2] = {0, 0};
    if (resource.read(reinterpret_cast<char *>(size), sizeof size) != qint64(sizeof size))
        return false;
    const std::int32_t rows = size[0];
    const std::int32_t cols = size[1];
    if (rows < 1 || cols < 1)
        return false;

    // Checking the length first keeps a damaged header from causing a huge
    // allocation for data that is not there.
    // rows x cols fits into 62 bits; counted in floats it cannot overflow.
    const qint64 values = qint64(rows) * cols;
    if ((resource.size() - resource.pos()) / qint64(sizeof(float)) < values)
        return false;
    const qint64 dataBytes = values * qint64(sizeof(float));

    std::vector<float> buffer(static_cast<std::size_t>(values));
    if (resource.read(reinterpret_cast<char *>(buffer.data()), dataBytes) != dataBytes)
        return false;
    double **matrix = dmatrix(1, rows, 1, cols);
    if (!matrix)
        return false;
    double *block = &matrix[1][1]; // one contiguous row-order block
    for (std::size_t i = 0; i < buffer.size(); ++i)
        block[i] = buffer[i];

    QByteArray tail = resource.read(kMaxResourceTailBytes);
    tail.replace('\n', '\0');

    if (file.matrix)
        free_dmatrix(file.matrix, 1, file.rows, 1);
    file.matrix = matrix;
    file.rows = rows;
    file.cols = cols;
    file.hasTail = !tail.isEmpty();
    file.tail = tail;
    return true;
}
