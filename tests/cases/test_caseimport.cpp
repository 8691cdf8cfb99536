#include "loadedcase.h"
#include "testrunner.h"

#include "cases/caseimport.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

// The fixtures and the script that wrote them with nibabel are in tests/data/nifti.
// All marker volumes hold the same world; only the storage differs.

namespace {

// Tensors are about 1e-3 mm^2/s, stored as floats.
constexpr double kTensorTolerance = 1e-9;

QString fixture(const QString &name) { return QStringLiteral(NIFTI_FIXTURES "/") + name; }

ImportOptions sameMapThrice(const QString &file)
{
    ImportOptions o;
    o.pd = o.t1 = o.t2 = fixture(file);
    o.keepPd = true;
    return o;
}

// The slice of the given index along axis, or with index -1 the one at mm.
ImportedCase imported(const ImportOptions &options, SliceAxis axis, int index, double mm = 0)
{
    CaseImporter importer;
    QString error;
    ImportedCase slice;
    if (!importer.load(options, &error)
        || !importer.makeCase(axis, index < 0 ? importer.sliceAt(axis, mm) : index, slice, &error))
        qWarning("import failed: %s", qPrintable(error));
    return slice;
}

using Pixels = QSet<QPair<int, int>>;

Pixels pixelsWhere(const ImportedCase &c, double value)
{
    Pixels found;
    for (int i = 0; i < c.width * c.height; ++i)
        if (c.pd[std::size_t(i)] == value)
            found.insert({i / c.height, i % c.height});
    return found;
}

double at(const std::vector<double> &map, const ImportedCase &c, int x, int y) { return map[x * c.height + y]; }

} // namespace

class TestCaseImport : public QObject
{
    Q_OBJECT

private slots:
    void markerLandsWhereRadiologistsLook()
    {
        // Picture positions by hand from the marker's world coordinates (2 mm voxels):
        // axial x = (9 - X) / 2, y = (11 - Y) / 2; coronal x = (9 - X) / 2,
        // y = (5 - Z) / 2; sagittal x = (11 - Y) / 2, y = (5 - Z) / 2.
        const struct { SliceAxis axis; double mm; QSize size; Pixels marker; } planes[] = {
            {SliceAxis::Axial, 1, {10, 12}, {{2, 2}, {3, 2}, {2, 3}}},
            {SliceAxis::Coronal, 7, {10, 6}, {{2, 2}, {3, 2}, {2, 1}}},
            {SliceAxis::Sagittal, 5, {12, 6}, {{2, 2}, {3, 2}, {2, 1}}}};
        for (const QString file : {"marker_ras.nii.gz", "marker_las.nii.gz", "marker_lps_qform.nii.gz",
                                   "marker_permuted.nii.gz", "marker_nifti2.nii"})
            for (const auto &p : planes) {
                const ImportedCase slice = imported(sameMapThrice(file), p.axis, -1, p.mm);
                QVERIFY2(QSize(slice.width, slice.height) == p.size && pixelsWhere(slice, 2000) == p.marker,
                         qPrintable(QStringLiteral("%1 along axis %2").arg(file).arg(int(p.axis))));
            }
        // 1 x 2 mm voxels become 1 mm pixels; a 2 x 2 mm marker voxel is then fully
        // 2000 only where its neighbour along y is marker too: X = 5, Y = 7 and 5.
        const ImportedCase fine = imported(sameMapThrice("marker_anisotropic.nii.gz"), SliceAxis::Axial, -1, 1);
        QCOMPARE(QSize(fine.width, fine.height), QSize(20, 24));
        QCOMPARE(pixelsWhere(fine, 2000), (Pixels{{4, 5}, {4, 6}, {5, 5}, {5, 6}}));
    }

    void savedCaseOpensWithWhereItCameFrom()
    {
        const ImportedCase slice = imported(sameMapThrice("marker_las.nii.gz"), SliceAxis::Coronal, 9);
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("coronal.mri"));
        QString error;
        QVERIFY2(writeImportedCase(slice, name, &error), qPrintable(error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("coronal.mri")});
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QVERIFY(loaded.setup.kind == CaseKind::Mri && loaded.data.rows == 10 && loaded.data.cols == 6);
        QCOMPARE(loaded.data.t1[3][3], 2000.0);
        QCOMPARE(loaded.data.fullScale, 2000.0);
        QVERIFY(slice.tail.contains("\naxis\ncoronal\nslice\n9\n"));
        QVERIFY(slice.tail.contains("source\nPD marker_las.nii.gz,"));
    }

    // A cigar along world (1, 1, 0): 0.3e-3 I + 1.2e-3 d d^T. In the axial picture
    // (x patient's left, y anterior) d = (-1, 1, 0) / sqrt 2; in the coronal one
    // (x left, y superior, z anterior) d = (-1, 0, 1) / sqrt 2.
    void tensorTurnsWithTheAxes()
    {
        const double axial[] = {0.9e-3, -0.6e-3, 0, -0.6e-3, 0.9e-3, 0, 0, 0, 0.3e-3};
        const double coronal[] = {0.9e-3, 0, -0.6e-3, 0, 0.3e-3, 0, -0.6e-3, 0, 0.9e-3};
        for (const QString storage : {"ras", "las", "permuted"}) {
            ImportOptions options = sameMapThrice("marker_" + storage + ".nii.gz");
            options.tensor = fixture("tensor_" + storage + ".nii.gz");
            for (const auto &[axis, tensor] : {std::pair{SliceAxis::Axial, axial}, {SliceAxis::Coronal, coronal}}) {
                const ImportedCase slice = imported(options, axis, -1, 1);
                QVERIFY(slice.hasTensor);
                for (int k = 0; k < 9; ++k)
                    QVERIFY2(std::abs(at(slice.tensor[std::size_t(k)], slice, 4, 3) - tensor[k]) < kTensorTolerance,
                             qPrintable(QStringLiteral("%1, entry %2").arg(storage).arg(k + 1)));
            }
        }
    }

    void segmentationGivesTheTableValues()
    {
        ImportOptions options;
        options.source = ImportSource::Labels;
        options.labels = fixture("labels.nii.gz");
        options.tissueTable = fixture("tissues.csv");
        options.keepPd = true;
        const ImportedCase c = imported(options, SliceAxis::Axial, 2);
        // Voxel (i, j) is at picture (9 - i, 11 - j): labels 0, 1, 2 and 3.
        const struct { int x, y; double pd, t1, t2; } expected[] = {
            {9, 11, 0, 0, 0}, {7, 9, 900, 3000, 1500}, {6, 8, 700, 1200, 90}, {5, 7, 600, 700, 60}};
        for (const auto &e : expected)
            QVERIFY(at(c.pd, c, e.x, e.y) == e.pd && at(c.t1, c, e.x, e.y) == e.t1 && at(c.t2, c, e.x, e.y) == e.t2);
    }

    void partialVolumesMixAsTheCaseGeneratorDoes()
    {
        ImportOptions options;
        options.source = ImportSource::PartialVolumes;
        options.partialVolumes = {fixture("pve_csf.nii.gz"), fixture("pve_grey.nii.gz"), fixture("pve_white.nii.gz")};
        options.keepPd = true;
        const ImportedCase c = imported(options, SliceAxis::Axial, 2);
        // Pure grey matter, air, and half CSF half white matter, whose values the
        // case generator's fit (tools/casegen/mixing.py) gives as 0.8124, 3265 ms
        // and 239.1 ms.
        QCOMPARE(at(c.t1, c, 0, 0), 1180.0);
        QCOMPARE(at(c.pd, c, 0, 0), 0.80);
        QCOMPARE(at(c.pd, c, 9, 0), 0.0);
        QVERIFY(std::abs(at(c.pd, c, 7, 0) / 0.81239 - 1) < 1e-3);
        QVERIFY(std::abs(at(c.t1, c, 7, 0) / 3264.96 - 1) < 1e-3);
        QVERIFY(std::abs(at(c.t2, c, 7, 0) / 239.123 - 1) < 1e-3);
    }

    void pdIsScaledToTheBuiltInRange()
    {
        ImportOptions options = sameMapThrice("marker_ras.nii.gz");
        options.keepPd = false;
        const ImportedCase c = imported(options, SliceAxis::Axial, 3);
        // 3 of 120 pixels are 2000: the 99.5th percentile is the marker.
        QCOMPARE(*std::max_element(c.pd.begin(), c.pd.end()), kImportedPdScale);
        QCOMPARE(*std::min_element(c.pd.begin(), c.pd.end()), kImportedPdScale / 2);
    }
};

RELAXON_TEST_CLASS(TestCaseImport)

#include "test_caseimport.moc"
