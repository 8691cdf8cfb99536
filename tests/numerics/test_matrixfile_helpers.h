#ifndef RELAXON_TESTS_MATRIXFILE_HELPERS_H
#define RELAXON_TESTS_MATRIXFILE_HELPERS_H

// Shared by the matrix file tests: byte-exact file builders, an output capture and a
// result holder that releases what getmatrix hands out.

#include "numerics/matrixfile.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QSysInfo>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace matrixfiletest {

inline bool machineIsBigEndian() { return QSysInfo::ByteOrder == QSysInfo::BigEndian; }

template <typename T>
QByteArray bytesOf(T value, bool bigEndian)
{
    QByteArray bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    if (bigEndian != machineIsBigEndian())
        std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

constexpr auto int32Bytes = bytesOf<std::int32_t>;
constexpr auto doubleBytes = bytesOf<double>;
constexpr auto floatBytes = bytesOf<float>;

// A ";;mbfmat" / ";;mbfspr" header with every field as given.
inline QByteArray binaryHeader(bool sparse, bool bigEndian, std::int32_t rows, std::int32_t cols,
                               char elementSize = 8, std::int32_t maxCount = 0,
                               char orderByte = -1, std::int32_t headerLength = -1)
{
    return (sparse ? ";;mbfspr" : ";;mbfmat") + QByteArray(1, orderByte >= 0 ? orderByte : char(bigEndian))
        + int32Bytes(headerLength >= 0 ? headerLength : (sparse ? 15 : 11), bigEndian) + "\1\1"
        + QByteArray(1, elementSize) + int32Bytes(rows, bigEndian) + int32Bytes(cols, bigEndian)
        + (sparse ? int32Bytes(maxCount, bigEndian) : QByteArray());
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

// Collects what is written to stdout or stderr while it lives; nothing else may
// print to that stream meanwhile.
class OutputCapture
{
public:
    explicit OutputCapture(std::FILE *stream) : stream(stream), saved(dup(fileno(stream))), sink(std::tmpfile())
    {
        std::fflush(stream);
        dup2(fileno(sink), fileno(stream));
    }
    ~OutputCapture() { text(); }

    // Restores the stream and returns what was printed since construction.
    QByteArray text()
    {
        if (saved >= 0) {
            std::fflush(stream);
            dup2(saved, fileno(stream));
            close(saved);
            saved = -1;
            QFile file;
            std::rewind(sink);
            printed = file.open(sink, QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            file.close();
            std::fclose(sink);
        }
        return printed;
    }

private:
    std::FILE *stream;
    int saved;
    std::FILE *sink;
    QByteArray printed;
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
        m = getmatrix(path.toLocal8Bit().constData(), &rows, &cols, &tailLength, &tail,
                      sparseOutputs ? &counts : nullptr, sparseOutputs ? &indices : nullptr,
                      rowFrom, rowTo, rowStep, colFrom, colTo, colStep, transposed);
        return m != nullptr;
    }

    QByteArray tailBytes() const { return QByteArray(tail, tail ? tailLength : 0); }
    QList<double> values() const { return m ? QList<double>(&m[1][1], &m[rows][cols] + 1) : QList<double>(); }
};

} // namespace matrixfiletest

#endif
