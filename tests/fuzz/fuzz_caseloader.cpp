// Fuzz target for the data half of loading a case: every input is read as a case
// file from disk (readCaseFile, which goes through getmatrix and refuses unusable
// cases) and through the built-in cases' reader, whose result is set up without
// that refusal so that setupCase meets every tail with every matrix. After the
// set-up the case data must be consistent with its kind, the functional
// statistics within their ranges, and the first view's display window computable.

#include "fuzzinput.h"

#include "cases/caseloader.h"
#include "cases/resourcereader.h"
#include "simulation/displaywindow.h"

#include <QString>

#include <cmath>
#include <initializer_list>

using fuzzinput::check;

namespace {

void touch(double **m, int32 rows, int32 cols)
{
    check(m && rows >= 1 && cols >= 1, "a map is missing or empty");
    double sum = 0;
    for (int32 i = 1; i <= rows; ++i)
        for (int32 j = 1; j <= cols; ++j)
            sum += m[i][j];
    (void)sum;
}

void checkMriCase(const CaseData &data, int32 fileRows, int32 fileCols, bool withTensor)
{
    const int32 maps = withTensor ? 12 : 3;
    check(data.isMri && data.hasDti == withTensor, "stacked case flags are wrong");
    check(data.rows * maps == fileRows && data.cols == fileCols, "maps of the wrong size");
    touch(data.pd, data.rows, data.cols);
    touch(data.t1, data.rows, data.cols);
    touch(data.t2, data.rows, data.cols);
    check(std::isfinite(data.fullScale) && data.fullScale >= 1, "full scale below 1");
    for (int32 i = 1; i <= data.rows; ++i)
        for (int32 j = 1; j <= data.cols; ++j)
            check(!std::isfinite(data.pd[i][j]) || data.pd[i][j] <= data.fullScale,
                  "a hydrogen density above the full scale");
    if (!withTensor) {
        check(!data.tensor, "a tensor without diffusion data");
        return;
    }
    check(data.tensor, "a diffusion case without tensor");
    for (int32 i = 1; i <= data.rows; ++i)
        for (int32 j = 1; j <= data.cols; ++j) {
            // An infinite component gives an infinite norm, which the largest
            // (finite) norm cannot scale down.
            const double norm = data.tensor[i][j][10];
            check(!(std::isfinite(norm) && norm > 1), "a finite tensor norm above the largest one");
        }
}

void checkFunctionalCase(const CaseData &data, const CaseSetup &setup)
{
    check(data.frames >= 1 && data.pd && !data.isMri, "functional case data are wrong");
    const int32 width = data.cols / data.frames;
    check(setup.imageRows == data.rows && setup.imageCols == width,
          "the first frame has the wrong size");
    for (double **map : {data.activation, data.variance, data.difference, data.tValue,
                         data.pValue})
        touch(map, data.rows, width);
    for (int32 i = 1; i <= data.rows; ++i)
        for (int32 j = 1; j <= width; ++j) {
            const double t = data.tValue[i][j];
            const double p = data.pValue[i][j];
            check(std::isfinite(t), "a t value that is not finite");
            check(p >= 0 && p <= 1, "a p value outside 0..1");
            check(data.activation[i][j] == (t > 0 ? 1000 * t : 0), "activation is not 1000 t");
            check(!(t > 0) || p <= 0.5, "a positive t with p above one half");
            check(!(t < 0) || p >= 0.5, "a negative t with p below one half");
        }
}

void setUpAndCheck(CaseFile &file)
{
    const int32 fileRows = file.rows;
    const int32 fileCols = file.cols;
    CaseData data;
    CaseSetup setup = setupCase(file, data);
    check(!file.matrix, "setupCase left the matrix in the file");
    switch (setup.kind) {
    case CaseKind::Mri:
    case CaseKind::MriWithDti:
        check(!setup.image, "a stacked case with a plain image");
        checkMriCase(data, fileRows, fileCols, setup.kind == CaseKind::MriWithDti);
        break;
    case CaseKind::Functional:
        checkFunctionalCase(data, setup);
        break;
    case CaseKind::Plain:
        check(!data.pd && !data.tValue && !data.tensor && data.rows == 0,
              "a plain image left case data behind");
        check(setup.imageRows == fileRows && setup.imageCols == fileCols,
              "a plain image of the wrong size");
        break;
    }
    if (setup.image) {
        touch(setup.image, setup.imageRows, setup.imageCols);
        const AutoDisplayWindow window = autoLevelWidth(setup.image, setup.imageRows,
                                                        setup.imageCols);
        check(!(window.width < 0), "a negative automatic width");
        free_dmatrix(setup.image, 1, setup.imageRows, 1);
    }
    data.release();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static fuzzinput::MemoryFile input("relaxon-fuzz-case");
    if (!input.assign(data, size))
        return 0;
    const QString path = QString::fromLatin1(input.path());

    if (!fuzzinput::isMatlabFile(data, size) && fuzzinput::declaredSizeIsFuzzable(input.path())) {
        CaseFile file;
        if (readCaseFile(path, file))
            setUpAndCheck(file);
        else
            check(!file.matrix && !file.hasTail, "a refused case left data in the file");
    }

    CaseFile resource;
    if (readResourceCase(path, resource))
        setUpAndCheck(resource);
    return 0;
}
