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
using fuzzinput::touchAll;

namespace {

void checkMriCase(const CaseData &data, int32 fileRows, int32 fileCols, bool withTensor)
{
    const int32 maps = withTensor ? 12 : 3;
    check(data.isMri && data.hasDti == withTensor, "stacked case flags are wrong");
    check(data.rows * maps == fileRows && data.cols == fileCols, "maps of the wrong size");
    for (double **map : {data.pd, data.t1, data.t2})
        touchAll(map, data.rows, data.cols);
    check(std::isfinite(data.fullScale) && data.fullScale >= 1, "full scale below 1");
    check(bool(data.tensor) == withTensor, "a tensor without diffusion data or none with it");
    for (int32 i = 1; i <= data.rows; ++i)
        for (int32 j = 1; j <= data.cols; ++j) {
            check(!std::isfinite(data.pd[i][j]) || data.pd[i][j] <= data.fullScale,
                  "a hydrogen density above the full scale");
            // An infinite component gives an infinite norm, which the largest
            // (finite) norm cannot scale down.
            const double norm = withTensor ? data.tensor[i][j][10] : 0;
            check(!(std::isfinite(norm) && norm > 1), "a finite tensor norm above the largest one");
        }
}

void checkFunctionalCase(const CaseData &data, const CaseSetup &setup)
{
    check(data.frames >= 1 && data.pd && !data.isMri, "functional case data are wrong");
    const int32 width = data.cols / data.frames;
    check(setup.imageRows == data.rows && setup.imageCols == width, "the first frame has the wrong size");
    for (double **map : {data.activation, data.variance, data.difference, data.tValue,
                         data.pValue})
        touchAll(map, data.rows, width);
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
    if (setup.kind == CaseKind::Mri || setup.kind == CaseKind::MriWithDti) {
        check(!setup.image, "a stacked case with a plain image");
        checkMriCase(data, fileRows, fileCols, setup.kind == CaseKind::MriWithDti);
    } else if (setup.kind == CaseKind::Functional) {
        checkFunctionalCase(data, setup);
    } else {
        check(!data.pd && !data.tValue && !data.tensor && data.rows == 0, "a plain image left case data behind");
        check(setup.imageRows == fileRows && setup.imageCols == fileCols, "a plain image of the wrong size");
    }
    if (setup.image) {
        touchAll(setup.image, setup.imageRows, setup.imageCols);
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
    const char *input = fuzzinput::memoryFile("relaxon-fuzz-case", data, size);
    if (!input)
        return 0;
    const QString path = QString::fromLatin1(input);

    if (!fuzzinput::isMatlabFile(data, size) && fuzzinput::declaredSizeIsFuzzable(input)) {
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
