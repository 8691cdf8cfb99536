#include "cases/caseimport.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

// Below this median T1 the times can only be seconds: no tissue relaxes in 10 ms.
constexpr double kSecondsMedianLimit = 10;
constexpr double kPdPercentile = 0.995;

QString tr(const char *text)
{
    return QCoreApplication::translate("CaseImporter", text);
}

QString gridText(const NiftiVolume &v)
{
    return QStringLiteral("%1 x %2 x %3").arg(v.dims[0]).arg(v.dims[1]).arg(v.dims[2]);
}

// The value below which a share q of values lies (nearest rank); values is reordered.
double quantile(std::vector<double> &values, double q)
{
    const std::size_t rank = std::min(values.size() - 1, std::size_t(q * double(values.size() - 1) + 0.5));
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(rank), values.end());
    return values[rank];
}

std::vector<double> positiveFinite(const std::vector<double> &values)
{
    std::vector<double> kept;
    std::copy_if(values.begin(), values.end(), std::back_inserter(kept),
                 [](double v) { return std::isfinite(v) && v > 0; });
    return kept;
}

bool readAll(const QStringList &names, std::vector<NiftiVolume> &volumes, QString *error)
{
    volumes.resize(std::size_t(names.size()));
    for (qsizetype n = 0; n < names.size(); ++n) {
        if (!readNiftiVolume(names[n], 1, volumes[std::size_t(n)], error))
            return false;
        if (n > 0 && !volumes[std::size_t(n)].sameGridAs(volumes.front())) {
            *error = tr("%1 and %2 do not share one grid (%3 and %4 voxels, or placed "
                        "differently in the world)")
                         .arg(names.front(), names[n], gridText(volumes.front()),
                              gridText(volumes[std::size_t(n)]));
            return false;
        }
    }
    return true;
}

// Background: all maps 0 where PD, T1 or T2 is not above 0. NaN or negative times
// are counted, since they are faults of the data rather than air.
void clearBackground(ImportedCase &c)
{
    for (std::size_t n = 0; n < c.pd.size(); ++n) {
        const bool invalid = !std::isfinite(c.pd[n]) || !std::isfinite(c.t1[n])
                          || !std::isfinite(c.t2[n]) || c.t1[n] < 0 || c.t2[n] < 0;
        if (invalid)
            ++c.invalidPixels;
        if (invalid || c.pd[n] <= 0 || c.t1[n] <= 0 || c.t2[n] <= 0) {
            c.pd[n] = c.t1[n] = c.t2[n] = 0;
            if (c.hasTensor)
                for (std::vector<double> &component : c.tensor)
                    component[n] = 0;
        }
    }
}

void scalePd(ImportedCase &c)
{
    std::vector<double> head = positiveFinite(c.pd);
    if (head.empty())
        return;
    const double factor = kImportedPdScale / quantile(head, kPdPercentile);
    for (double &v : c.pd)
        v *= factor;
}

} // namespace

bool CaseImporter::load(const ImportOptions &given, QString *error)
{
    options = given;
    volumes.clear();
    tensorVolume = NiftiVolume();
    mixer.reset();
    table = defaultTissueTable();
    switch (options.source) {
    case ImportSource::Maps:
        if (!readAll({options.pd, options.t1, options.t2}, volumes, error))
            return false;
        if (!options.tensor.isEmpty()) {
            if (!readNiftiVolume(options.tensor, 6, tensorVolume, error))
                return false;
            if (!tensorVolume.sameGridAs(gridVolume())) {
                *error = tr("%1 and %2 do not share one grid").arg(options.pd, options.tensor);
                return false;
            }
        }
        if (!options.seconds) {
            std::vector<double> t1 = positiveFinite(volumes[1].values);
            const double median = t1.empty() ? kSecondsMedianLimit : quantile(t1, 0.5);
            if (median < kSecondsMedianLimit) {
                *error = tr("%1: the median T1 is %2, which looks like seconds; "
                            "import with --seconds (times in seconds)")
                             .arg(options.t1)
                             .arg(median, 0, 'g', 3);
                return false;
            }
        }
        return true;
    case ImportSource::Labels: {
        if (!options.tissueTable.isEmpty() && !readTissueTable(options.tissueTable, table, error))
            return false;
        if (!readAll({options.labels}, volumes, error))
            return false;
        const NiftiVolume &labels = gridVolume();
        for (std::size_t n = 0; n < labels.values.size(); ++n) {
            const double v = labels.values[n];
            if (v == 0 && !findTissue(table, 0))
                continue;
            if (!std::isfinite(v) || v != std::round(v) || std::abs(v) > 1e9
                || !findTissue(table, int(v))) {
                const std::int64_t i = std::int64_t(n) % labels.dims[0];
                const std::int64_t j = std::int64_t(n) / labels.dims[0] % labels.dims[1];
                const std::int64_t k = std::int64_t(n) / labels.dims[0] / labels.dims[1];
                *error = tr("%1: label %2 at voxel (%3, %4, %5) has no row in the tissue table")
                             .arg(options.labels)
                             .arg(v)
                             .arg(i)
                             .arg(j)
                             .arg(k);
                return false;
            }
        }
        return true;
    }
    case ImportSource::PartialVolumes: {
        if (options.partialVolumes.size() != 3) {
            *error = tr("partial volumes need three files: CSF, grey matter, white matter");
            return false;
        }
        if (!options.tissueTable.isEmpty() && !readTissueTable(options.tissueTable, table, error))
            return false;
        std::vector<TissueRow> mixed;
        for (int label = 1; label <= 3; ++label) {
            const TissueRow *row = findTissue(table, label);
            if (!row) {
                *error = tr("the tissue table has no row for label %1 (partial volume %1)").arg(label);
                return false;
            }
            mixed.push_back(*row);
        }
        mixer = std::make_unique<TissueMixer>(std::move(mixed));
        return readAll(options.partialVolumes, volumes, error);
    }
    }
    return false;
}

SlicePlane CaseImporter::planeOf(SliceAxis axis) const
{
    return slicePlaneOf(gridVolume(), axis,
                        options.tensorOrder == TensorOrder::Mrtrix ? TensorFrame::World
                                                                   : TensorFrame::VoxelAxes);
}

std::int64_t CaseImporter::sliceCount(SliceAxis axis) const
{
    return volumes.empty() ? 0 : gridVolume().dims[std::size_t(planeOf(axis).throughAxis)];
}

std::int64_t CaseImporter::sliceAt(SliceAxis axis, double mm) const
{
    return volumes.empty() ? -1 : sliceIndexAt(gridVolume(), planeOf(axis), mm);
}

bool CaseImporter::makeCase(SliceAxis axis, std::int64_t index, ImportedCase &imported,
                            QString *error)
{
    imported = ImportedCase();
    const std::int64_t count = sliceCount(axis);
    if (index < 0 || index >= count) {
        *error = tr("%1 slice %2 lies outside the volume, which has %1 slices 0 to %3")
                     .arg(sliceAxisName(axis))
                     .arg(index)
                     .arg(count - 1);
        return false;
    }
    const SlicePlane plane = planeOf(axis);
    imported.width = plane.width;
    imported.height = plane.height;
    switch (options.source) {
    case ImportSource::Maps:
        fillFromMaps(plane, index, imported);
        break;
    case ImportSource::Labels:
        fillFromLabels(plane, index, imported);
        break;
    case ImportSource::PartialVolumes:
        fillFromFractions(plane, index, imported);
        break;
    }
    clearBackground(imported);
    if (!options.keepPd)
        scalePd(imported);
    imported.tail = tailOf(axis, index, imported.hasTensor);
    return true;
}

void CaseImporter::fillFromMaps(const SlicePlane &plane, std::int64_t index,
                                ImportedCase &imported) const
{
    imported.pd = sliceValues(volumes[0], plane, index, 0, Sampling::Linear);
    imported.t1 = sliceValues(volumes[1], plane, index, 0, Sampling::Linear);
    imported.t2 = sliceValues(volumes[2], plane, index, 0, Sampling::Linear);
    if (options.seconds)
        for (std::vector<double> *times : {&imported.t1, &imported.t2})
            for (double &t : *times)
                t *= 1000;
    if (!tensorVolume.values.empty())
        fillTensor(plane, index, imported);
}

void CaseImporter::fillTensor(const SlicePlane &plane, std::int64_t index,
                              ImportedCase &imported) const
{
    // Volume number of each of the tensor's entries (row by row) in either order.
    static constexpr int fsl[9] = {0, 1, 2, 1, 3, 4, 2, 4, 5};
    static constexpr int mrtrix[9] = {0, 3, 4, 3, 1, 5, 4, 5, 2};
    const int *volumeOf = options.tensorOrder == TensorOrder::Mrtrix ? mrtrix : fsl;
    std::array<std::vector<double>, 6> stored;
    for (int c = 0; c < 6; ++c)
        stored[std::size_t(c)] = sliceValues(tensorVolume, plane, index, c, Sampling::Linear);
    imported.hasTensor = true;
    const std::size_t pixels = imported.pd.size();
    for (std::vector<double> &component : imported.tensor)
        component.assign(pixels, 0.0);
    const auto &turn = plane.tensorTurn;
    for (std::size_t n = 0; n < pixels; ++n) {
        // D' = R D R^T, R taking the stored frame to the picture's.
        for (int p = 0; p < 3; ++p)
            for (int q = 0; q < 3; ++q) {
                double sum = 0;
                for (int m = 0; m < 3; ++m)
                    for (int k = 0; k < 3; ++k)
                        sum += turn[std::size_t(p)][std::size_t(m)] * turn[std::size_t(q)][std::size_t(k)]
                             * stored[std::size_t(volumeOf[3 * m + k])][n];
                imported.tensor[std::size_t(3 * p + q)][n] = sum;
            }
    }
}

void CaseImporter::fillFromLabels(const SlicePlane &plane, std::int64_t index,
                                  ImportedCase &imported) const
{
    const std::vector<double> labels = sliceValues(gridVolume(), plane, index, 0, Sampling::Nearest);
    imported.pd.assign(labels.size(), 0.0);
    imported.t1.assign(labels.size(), 0.0);
    imported.t2.assign(labels.size(), 0.0);
    for (std::size_t n = 0; n < labels.size(); ++n)
        if (const TissueRow *row = findTissue(table, int(labels[n]))) {
            imported.pd[n] = row->pd;
            imported.t1[n] = row->t1;
            imported.t2[n] = row->t2;
        }
}

void CaseImporter::fillFromFractions(const SlicePlane &plane, std::int64_t index,
                                     ImportedCase &imported)
{
    std::array<std::vector<double>, 3> fractions;
    for (std::size_t k = 0; k < 3; ++k)
        fractions[k] = sliceValues(volumes[k], plane, index, 0, Sampling::Linear);
    const std::size_t pixels = fractions[0].size();
    imported.pd.assign(pixels, 0.0);
    imported.t1.assign(pixels, 0.0);
    imported.t2.assign(pixels, 0.0);
    for (std::size_t n = 0; n < pixels; ++n) {
        const double pixel[3] = {fractions[0][n], fractions[1][n], fractions[2][n]};
        const Relaxation r = mixer->mix(pixel);
        imported.pd[n] = r.pd;
        imported.t1[n] = r.t1;
        imported.t2[n] = r.t2;
    }
}

QByteArray CaseImporter::tailOf(SliceAxis axis, std::int64_t index, bool withTensor) const
{
    auto name = [](const QString &path) { return QFileInfo(path).fileName(); };
    QString source;
    switch (options.source) {
    case ImportSource::Maps:
        source = QStringLiteral("PD %1, T1 %2, T2 %3").arg(name(options.pd), name(options.t1), name(options.t2));
        if (withTensor)
            source += QStringLiteral(", tensor %1").arg(name(options.tensor));
        break;
    case ImportSource::Labels:
        source = QStringLiteral("labels %1, tissues %2")
                     .arg(name(options.labels),
                          options.tissueTable.isEmpty() ? QStringLiteral("CSF, grey and white matter")
                                                        : name(options.tissueTable));
        break;
    case ImportSource::PartialVolumes:
        source = QStringLiteral("partial volumes %1, %2, %3")
                     .arg(name(options.partialVolumes[0]), name(options.partialVolumes[1]),
                          name(options.partialVolumes[2]));
        break;
    }
    // A line feed in a file name would split the tail's lines.
    source.replace(QLatin1Char('\n'), QLatin1Char(' '));
    QByteArray tail = withTensor ? "MRI PD,T1,T2,DTI DATA\n" : "MRI PD,T1,T2 DATA\n";
    tail += "source\n" + source.toUtf8() + "\naxis\n" + sliceAxisName(axis).toUtf8()
          + "\nslice\n" + QByteArray::number(index) + "\n";
    return tail;
}
