#include "numerics/matrixfile.h"
#include "numerics/matrixfileio.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Checks what the writers are given; with counts and indices, *maxCount receives
// the largest count (0 when every row is empty or the matrix is dense).
bool parametersValid(double **m, int32 rows, int32 cols, int32 tailLength, const char *tail,
                     const int32 *counts, int32 *const *indices, int32 *maxCount)
{
    *maxCount = 0;
    bool ok = m && rows >= 1 && cols >= 1 && tailLength >= 0 && !(tailLength > 0 && !tail);
    const bool sparse = counts && indices;
    for (int32 i = 1; ok && sparse && i <= rows; ++i) {
        ok = counts[i] >= 0 && counts[i] <= cols;
        for (int32 k = 1; ok && k <= counts[i]; ++k)
            ok = indices[i][k] >= 1 && indices[i][k] <= cols;
        if (ok && counts[i] > *maxCount)
            *maxCount = counts[i];
    }
    if (!ok)
        std::fputs("Error in parameters in call to putmatrix", stderr);
    return ok;
}

std::FILE *createFile(const char *fileName, const char *mode)
{
    std::FILE *file = std::fopen(fileName, mode);
    if (!file)
        std::fprintf(stderr, "\n Cannot create %s\n\n\a\a", fileName);
    return file;
}

int finishFile(std::FILE *file, const char *fileName, bool written)
{
    written = written && !std::ferror(file);
    written = std::fclose(file) == 0 && written;
    if (!written)
        std::fprintf(stderr, "\n Error writing to %s\n\n\a\a", fileName);
    return written ? 1 : 0;
}

bool writeTail(std::FILE *file, int32 tailLength, const char *tail)
{
    return tailLength <= 0
           || std::fwrite(tail, 1, std::size_t(tailLength), file) == std::size_t(tailLength);
}

// The field width right after the first '%' decides how many values share a line.
int valuesPerLine(const char *format)
{
    const char *percent = std::strchr(format, '%');
    if (!percent || !std::isdigit(static_cast<unsigned char>(percent[1])))
        return 8;
    const long width = std::strtol(percent + 1, nullptr, 10);
    if (width <= 0 || width >= 80)
        return 8;
    const long perLine = 80 / (width + 1);
    return perLine < 1 ? 8 : int(perLine);
}

bool writeTextValue(std::FILE *file, const char *format, double value)
{
    if (!std::isfinite(value))
        return std::fprintf(file, "%8s", "NaN") > 0;
    // Written with a decimal point whatever the user's locale, as it is read.
    const locale_t userLocale = uselocale(matrixfileio::cLocale());
    const bool ok = std::fprintf(file, format, value) >= 0;
    uselocale(userLocale);
    return ok;
}

} // namespace

int putmatrix(const char *fileName, double **m, int32 rows, int32 cols,
              int32 tailLength, const char *tail,
              const int32 *counts, int32 *const *indices)
{
    int32 maxCount = 0;
    if (!parametersValid(m, rows, cols, tailLength, tail, counts, indices, &maxCount))
        return 0;
    std::FILE *file = createFile(fileName, "wb");
    if (!file)
        return 0;
    bool ok = writeMatrixHeader(file, rows, cols, maxCount) == 1;
    if (maxCount > 0) {
        for (int32 i = 1; ok && i <= rows; ++i)
            ok = std::fwrite(&counts[i], sizeof(int32), 1, file) == 1
                 && std::fwrite(&indices[i][1], sizeof(int32), std::size_t(counts[i]), file)
                        == std::size_t(counts[i]);
        for (int32 i = 1; ok && i <= rows; ++i)
            ok = std::fwrite(&m[i][1], sizeof(double), std::size_t(counts[i]), file)
                 == std::size_t(counts[i]);
    } else if (counts && indices) {
        // Every row empty: the value matrix holds nothing to write; the matrix is zero.
        const std::vector<double> zeros(std::size_t(cols), 0.0);
        for (int32 i = 1; ok && i <= rows; ++i)
            ok = std::fwrite(zeros.data(), sizeof(double), zeros.size(), file) == zeros.size();
    } else {
        for (int32 i = 1; ok && i <= rows; ++i)
            ok = std::fwrite(&m[i][1], sizeof(double), std::size_t(cols), file)
                 == std::size_t(cols);
    }
    ok = ok && writeTail(file, tailLength, tail);
    return finishFile(file, fileName, ok);
}

int putmatrix_text(const char *fileName, double **m, int32 rows, int32 cols,
                   const char *valueFormat, int32 tailLength, const char *tail,
                   const int32 *counts, int32 *const *indices)
{
    int32 maxCount = 0;
    if (!parametersValid(m, rows, cols, tailLength, tail, counts, indices, &maxCount))
        return 0;
    const char *format = valueFormat && *valueFormat ? valueFormat : " %g";
    const int perLine = valuesPerLine(format);
    const bool sparse = maxCount > 0;
    const bool allEmpty = counts && indices && !sparse;
    std::FILE *file = createFile(fileName, "w");
    if (!file)
        return 0;

    bool ok = sparse ? std::fprintf(file, "%4d %3d %3d\n", rows, cols, maxCount) > 0
                     : std::fprintf(file, "%4d %3d\n", rows, cols) > 0;
    for (int32 i = 1; ok && sparse && i <= rows; ++i) {
        ok = std::fprintf(file, "%4d", counts[i]) > 0;
        for (int32 k = 1; ok && k <= counts[i]; ++k) {
            ok = std::fprintf(file, " %3d", indices[i][k]) > 0;
            if (ok && k % (2 * perLine) == 0 && k < counts[i])
                ok = std::fputc('\n', file) != EOF;
        }
        ok = ok && std::fputc('\n', file) != EOF;
    }
    for (int32 i = 1; ok && i <= rows; ++i) {
        const int32 n = sparse ? counts[i] : cols;
        for (int32 k = 1; ok && k <= n; ++k) {
            ok = writeTextValue(file, format, allEmpty ? 0.0 : m[i][k]);
            if (ok && (k % perLine == 0 || k == n))
                ok = std::fputc('\n', file) != EOF;
        }
        if (ok && cols > perLine)
            ok = std::fputc('\n', file) != EOF;
    }
    ok = ok && writeTail(file, tailLength, tail);
    return finishFile(file, fileName, ok);
}
