#ifndef RELAXON_CASES_CASEIMPORT_H
#define RELAXON_CASES_CASEIMPORT_H

#include "cases/niftivolume.h"
#include "cases/sliceplane.h"
#include "cases/tissuemixing.h"
#include "cases/tissuetable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Turning NIfTI volumes into a PD/T1/T2 case of one slice.

enum class ImportSource {
    Maps,          // quantitative PD, T1 and T2 maps, optionally a diffusion tensor
    Labels,        // a segmentation and a tissue table
    PartialVolumes // CSF, grey and white matter fractions, mixed as the built-in cases
};

enum class TensorOrder {
    Fsl,   // Dxx Dxy Dxz Dyy Dyz Dzz along the voxel axes (dtifit --save_tensor)
    Mrtrix // Dxx Dyy Dzz Dxy Dxz Dyz along the world axes
};

struct ImportOptions
{
    ImportSource source = ImportSource::Maps;
    QString pd, t1, t2, tensor; // Maps
    TensorOrder tensorOrder = TensorOrder::Fsl;
    bool seconds = false;        // the times are in seconds, not ms
    QString labels, tissueTable; // Labels; no table: defaultTissueTable()
    QStringList partialVolumes;  // PartialVolumes: CSF, grey and white matter
    bool keepPd = false;         // no scaling of PD to the built-in cases' range
};

// PD reaches this at the 99.5th percentile of the head, as in the built-in cases.
constexpr double kImportedPdScale = 2761;

// One imported slice: maps of width x height pixels, pixel (x, y) at x * height + y
// with x rightwards and y downwards.
struct ImportedCase
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<double> pd, t1, t2;
    // With a tensor: Dxx, Dxy, Dxz, Dyx, Dyy, Dyz, Dzx, Dzy, Dzz along the picture's
    // x (rightwards), y (upwards) and z axes.
    bool hasTensor = false;
    std::array<std::vector<double>, 9> tensor;
    // Pixels whose times were NaN or negative and that became background.
    std::int64_t invalidPixels = 0;
    // The case file's tail with line feeds: kind line, source, axis and slice.
    QByteArray tail;
};

// Holds the volumes of one import, checked once; cuts any slice from them.
class CaseImporter
{
public:
    // Reads and checks the volumes. On failure returns false with a one-line reason.
    bool load(const ImportOptions &options, QString *error);

    // Slices along axis: 0 .. sliceCount - 1.
    std::int64_t sliceCount(SliceAxis axis) const;
    // The slice through world coordinate mm along the axis (possibly outside).
    std::int64_t sliceAt(SliceAxis axis, double mm) const;

    // The case of slice index along axis; false with a reason when the index lies
    // outside the volume.
    bool makeCase(SliceAxis axis, std::int64_t index, ImportedCase &imported, QString *error);

private:
    const NiftiVolume &gridVolume() const { return volumes.front(); }
    SlicePlane planeOf(SliceAxis axis) const;
    void fillFromMaps(const SlicePlane &plane, std::int64_t index, ImportedCase &imported) const;
    void fillFromLabels(const SlicePlane &plane, std::int64_t index, ImportedCase &imported) const;
    void fillFromFractions(const SlicePlane &plane, std::int64_t index, ImportedCase &imported);
    void fillTensor(const SlicePlane &plane, std::int64_t index, ImportedCase &imported) const;
    QByteArray tailOf(SliceAxis axis, std::int64_t index, bool withTensor) const;

    ImportOptions options;
    // Maps: PD, T1, T2. Labels: the labels. Partial volumes: the three fractions.
    std::vector<NiftiVolume> volumes;
    NiftiVolume tensorVolume;
    std::vector<TissueRow> table;
    std::unique_ptr<TissueMixer> mixer;
};

// The case as a stacked matrix for the loader's layout: PD, T1, T2 and, with a
// tensor, its nine components, each width file rows of height columns; 1-based,
// released with free_dmatrix(m, 1, *fileRows, 1). Null when memory runs out.
double **stackedCaseMatrix(const ImportedCase &imported, std::int32_t *fileRows);

// Writes the case as a binary matrix file with its tail; the file appears only
// complete (written under another name, then renamed). False with a reason.
bool writeImportedCase(const ImportedCase &imported, const QString &fileName, QString *error);

#endif
