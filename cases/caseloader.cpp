#include "cases/caseloader.h"

#include "cases/mrimaps.h"
#include "cases/resourcereader.h"
#include "numerics/matrixfile.h"
#include "simulation/fmristatistics.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>

namespace {

// The first line of a stacked case; compared exactly, over these bytes only.
constexpr char kMriTag[] = "MRI PD,T1,T2 DATA";
constexpr char kMriWithDtiTag[] = "MRI PD,T1,T2,DTI DATA";

bool readDiskCase(const QString &name, CaseFile &file)
{
    // The library takes the name as the file system spells it, so any name that
    // the file system can hold opens, whatever its length or characters.
    const QByteArray encodedName = QFile::encodeName(name);
    int32 rows = 0;
    int32 cols = 0;
    int32 tailLength = 0;
    char *tail = nullptr;
    double **matrix = getmatrix(encodedName.constData(), &rows, &cols, &tailLength, &tail,
                                nullptr, nullptr, -1, -1, -1, -1, -1, -1, 0);
    if (!matrix) {
        std::free(tail);
        return false;
    }
    file.matrix = matrix;
    file.rows = rows;
    file.cols = cols;
    file.hasTail = tail != nullptr;
    file.tail = tail ? QByteArray(tail, tailLength) : QByteArray();
    std::free(tail);
    return true;
}

bool tailStartsWith(const CaseFile &file, const char *tag)
{
    return file.hasTail && file.tail.startsWith(tag);
}

// True, with *frames, when the tail holds the key "fmri" with a number.
bool functionalFrames(CaseFile &file, int32 *frames)
{
    return file.hasTail
        && tailGetInt(int32(file.tail.size()), file.tail.data(), "fmri", frames, 0) != 0;
}

CaseKind kindOf(CaseFile &file, int32 *frames)
{
    if (functionalFrames(file, frames))
        return CaseKind::Functional;
    if (tailStartsWith(file, kMriWithDtiTag))
        return CaseKind::MriWithDti;
    if (tailStartsWith(file, kMriTag))
        return CaseKind::Mri;
    return CaseKind::Plain;
}

// Refuses what the set-up could only divide by zero on, split wrongly or mix up.
bool isUsableCase(CaseFile &file)
{
    int32 frames = 0;
    switch (kindOf(file, &frames)) {
    case CaseKind::Functional:
        // A file claiming to be both a functional and a stacked case is ambiguous.
        return frames >= 1 && frames <= file.cols
            && !tailStartsWith(file, kMriWithDtiTag) && !tailStartsWith(file, kMriTag);
    case CaseKind::MriWithDti:
        return file.rows >= kMapsWithTensor && file.rows % kMapsWithTensor == 0;
    case CaseKind::Mri:
        return file.rows >= kMapsWithoutTensor && file.rows % kMapsWithoutTensor == 0;
    case CaseKind::Plain:
        break;
    }
    return true;
}

// The value line of key without its line end; nothing when the key is missing.
std::optional<QByteArray> tailValue(CaseFile &file, const char *key)
{
    if (!file.hasTail)
        return std::nullopt;
    const int32 length = int32(file.tail.size());
    const char *value = tailFindValue(length, file.tail.data(), key, 0);
    if (!value)
        return std::nullopt;
    return QByteArray(value, tailLineLength(length, file.tail.constData(), value));
}

// Mirrors every value v of m[1..rows][1..cols] to (hi + lo) - v, lo and hi being
// the smallest and largest finite values; values that are not finite stay as
// they are, so they cannot turn the whole image into NaN.
void mirrorValues(double **m, int32 rows, int32 cols)
{
    double *begin = &m[1][1];
    double *end = begin + std::size_t(rows) * std::size_t(cols);
    bool any = false;
    double lo = 0;
    double hi = 0;
    for (const double *v = begin; v != end; ++v) {
        if (!std::isfinite(*v))
            continue;
        lo = any ? std::min(lo, *v) : *v;
        hi = any ? std::max(hi, *v) : *v;
        any = true;
    }
    if (!any)
        return;
    for (double *v = begin; v != end; ++v)
        if (std::isfinite(*v))
            *v = (hi + lo) - *v;
}

// Frame 1 of the series, or null when memory runs out.
double **firstFrame(double **series, int32 rows, int32 width)
{
    double **image = dmatrix(1, rows, 1, width);
    if (!image)
        return nullptr;
    for (int32 i = 1; i <= rows; ++i)
        std::copy(series[i] + 1, series[i] + 1 + width, image[i] + 1);
    return image;
}

void showAsPlainImage(CaseSetup &setup, double **matrix, int32 rows, int32 cols)
{
    setup.kind = CaseKind::Plain;
    setup.image = matrix;
    setup.imageRows = rows;
    setup.imageCols = cols;
}

} // namespace

CaseFile::~CaseFile()
{
    if (matrix)
        free_dmatrix(matrix, 1, rows, 1);
}

bool readCaseFile(const QString &name, CaseFile &file)
{
    CaseFile read;
    const bool ok = name.startsWith(QLatin1Char(':')) ? readResourceCase(name, read)
                                                      : readDiskCase(name, read);
    if (file.matrix)
        free_dmatrix(file.matrix, 1, file.rows, 1);
    file.matrix = nullptr;
    file.rows = 0;
    file.cols = 0;
    file.hasTail = false;
    file.tail.clear();
    if (!ok || !isUsableCase(read))
        return false;

    file.matrix = std::exchange(read.matrix, nullptr);
    file.rows = read.rows;
    file.cols = read.cols;
    file.hasTail = read.hasTail;
    file.tail = std::move(read.tail);
    return true;
}

CaseSetup setupCase(CaseFile &file, CaseData &data)
{
    CaseSetup setup;
    double **matrix = std::exchange(file.matrix, nullptr);
    if (!matrix)
        return setup;
    const int32 rows = file.rows;
    const int32 cols = file.cols;
    int32 frames = 0;
    const CaseKind kind = kindOf(file, &frames);

    // Whatever goes wrong below, the matrix as read is still a picture to show.
    showAsPlainImage(setup, matrix, rows, cols);

    if (kind == CaseKind::Functional && frames >= 1 && frames <= cols) {
        const int32 width = cols / frames;
        if (double **image = firstFrame(matrix, rows, width)) {
            data.pd = matrix;
            data.rows = rows;
            data.cols = cols;
            data.frames = frames;
            computeFmriStatistics(data);
            if (data.tValue) {
                setup.kind = CaseKind::Functional;
                setup.image = image;
                setup.imageRows = rows;
                setup.imageCols = width;
            } else {
                // Out of memory for the statistics: the series stays the picture.
                free_dmatrix(image, 1, rows, 1);
                data.pd = nullptr;
                data.release();
            }
        }
    }

    if (const std::optional<QByteArray> units = tailValue(file, "units"))
        setup.unitsLabel = QString::fromUtf8(*units);

    const QByteArray invert = tailValue(file, "invert").value_or(QByteArray());
    const bool invertBoth = qstricmp(invert.constData(), "both") == 0;
    setup.invertScale = invertBoth || qstricmp(invert.constData(), "scale") == 0;
    if (invertBoth || qstricmp(invert.constData(), "data") == 0)
        mirrorValues(setup.image, setup.imageRows, setup.imageCols);

    if ((kind == CaseKind::Mri || kind == CaseKind::MriWithDti)
        && splitMriMaps(matrix, rows, cols, kind == CaseKind::MriWithDti, data)) {
        free_dmatrix(matrix, 1, rows, 1);
        setup.kind = kind;
        setup.image = nullptr;
        setup.imageRows = 0;
        setup.imageCols = 0;
    }
    return setup;
}
