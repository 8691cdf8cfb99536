#ifndef RELAXON_TESTS_MATRIXFILE_HELPERS_H
#define RELAXON_TESTS_MATRIXFILE_HELPERS_H

// Shared by the matrix file tests: byte-exact file builders, a stderr capture and a
// result holder that releases what getmatrix hands out.

#include "numerics/matrixfile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QSysInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace matrixfiletest {

inline QByteArray int32Bytes(std::int32_t value, bool bigEndian)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 8 * (3 - i) : 8 * i;
        bytes[i] = char((std::uint32_t(value) >> shift) & 0xff);
    }
    return bytes;
}

inline QByteArray doubleBytes(double value, bool bigEndian)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, 8);
    QByteArray bytes(8, '\0');
    for (int i = 0; i < 8; ++i) {
        const int shift = bigEndian ? 8 * (7 - i) : 8 * i;
        bytes[i] = char((bits >> shift) & 0xff);
    }
    return bytes;
}

inline QByteArray floatBytes(float value, bool bigEndian)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    return int32Bytes(std::int32_t(bits), bigEndian);
}

inline bool machineIsBigEndian()
{
    return QSysInfo::ByteOrder == QSysInfo::BigEndian;
}

// A ";;mbfmat" / ";;mbfspr" header with every field as given.
inline QByteArray binaryHeader(bool sparse, bool bigEndian, std::int32_t rows, std::int32_t cols,
                               char elementSize = 8, std::int32_t maxCount = 0,
                               char orderByte = -1, std::int32_t headerLength = -1)
{
    QByteArray bytes(sparse ? ";;mbfspr" : ";;mbfmat");
    bytes.append(orderByte >= 0 ? orderByte : char(bigEndian ? 1 : 0));
    bytes.append(int32Bytes(headerLength >= 0 ? headerLength : (sparse ? 15 : 11), bigEndian));
    bytes.append(char(1));
    bytes.append(char(1));
    bytes.append(elementSize);
    bytes.append(int32Bytes(rows, bigEndian));
    bytes.append(int32Bytes(cols, bigEndian));
    if (sparse)
        bytes.append(int32Bytes(maxCount, bigEndian));
    return bytes;
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Collects what is written to stderr while it lives.
class StderrCapture
{
public:
    explicit StderrCapture(const QString &path) : path(path)
    {
        std::fflush(stderr);
        saved = ::dup(2);
        std::FILE *target = std::fopen(path.toLocal8Bit().constData(), "w");
        if (target) {
            ::dup2(::fileno(target), 2);
            std::fclose(target);
        }
    }
    ~StderrCapture() { restore(); }

    QByteArray text()
    {
        restore();
        return readBytes(path);
    }

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        saved = -1;
    }

    QString path;
    int saved = -1;
};

// Everything one getmatrix call hands out, released at the end of the scope.
struct ReadResult
{
    double **m = nullptr;
    int32 rows = 0;
    int32 cols = 0;
    int32 tailLength = 0;
    char *tail = nullptr;
    int32 *counts = nullptr;
    int32 **indices = nullptr;

    ReadResult() = default;
    ReadResult(const ReadResult &) = delete;
    ReadResult &operator=(const ReadResult &) = delete;
    ~ReadResult()
    {
        if (m)
            free_dmatrix(m, 1, rows, 1);
        if (indices)
            free_imatrix(indices, 1, rows, 1);
        free_ivector(counts, 1, rows);
        std::free(tail);
    }

    bool read(const QString &path, int32 rowFrom = -1, int32 rowTo = -1, int32 rowStep = -1,
              int32 colFrom = -1, int32 colTo = -1, int32 colStep = -1, int transposed = 0,
              bool sparseOutputs = false)
    {
        const QByteArray name = path.toLocal8Bit();
        m = getmatrix(name.constData(), &rows, &cols, &tailLength, &tail,
                      sparseOutputs ? &counts : nullptr, sparseOutputs ? &indices : nullptr,
                      rowFrom, rowTo, rowStep, colFrom, colTo, colStep, transposed);
        return m != nullptr;
    }
};

} // namespace matrixfiletest

#endif
