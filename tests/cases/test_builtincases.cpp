#include "loadedcase.h"

#include "cases/caseloader.h"
#include "numerics/matrixmemory.h"
#include "testrunner.h"

#include <QFile>
#include <QTest>

#include <cmath>

// The resources live in a static library whose initialiser is otherwise never
// linked in; the macro must be used outside any namespace.
static void initCaseResources()
{
#ifdef RELAXON_HAVE_CASE_RESOURCES
    Q_INIT_RESOURCE(cases);
#endif
}

namespace {

// Stored as floats: symmetric components agree to float precision.
constexpr double kFloatTolerance = 1e-6;

constexpr const char *kNotCompiledIn = "the built-in cases are not compiled in";

// The raw float stored at the given file row and column of a built-in case.
double storedValue(const QString &name, qint64 row, qint64 col, qint64 cols)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(8 + ((row - 1) * cols + (col - 1)) * 4))
        return std::nan("");
    float value = 0;
    if (file.read(reinterpret_cast<char *>(&value), sizeof value) != qint64(sizeof value))
        return std::nan("");
    return value;
}

} // namespace

class TestLoadedCases : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCaseResources(); }

    void glioblastomaSplitsIntoThreeMaps()
    {
        const QString name = QStringLiteral(":/files/glioblastoma.mri");
        if (!QFile::exists(name))
            QSKIP(kNotCompiledIn);
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, CaseKind::Mri);
        QCOMPARE(loaded.data.rows, 256);
        QCOMPARE(loaded.data.cols, 256);
        QVERIFY(loaded.data.isMri);
        QVERIFY(!loaded.data.hasDti);
        QCOMPARE(loaded.data.fullScale, 3000.0);
        QCOMPARE(loaded.data.t1[1][1], storedValue(name, 257, 1, 256));
    }

    void oligodendrogliomaIsAStackedCase()
    {
        const QString name = QStringLiteral(":/files/oligodendroglioma.mri");
        if (!QFile::exists(name))
            QSKIP(kNotCompiledIn);
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, CaseKind::Mri);
        QCOMPARE(loaded.data.rows, 256);
    }

    void diffusionCasesHaveNormalisedSymmetricTensors_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("dti") << QStringLiteral(":/files/dti.mri");
        QTest::newRow("infarct") << QStringLiteral(":/files/infarct.mri");
    }

    void diffusionCasesHaveNormalisedSymmetricTensors()
    {
        QFETCH(QString, name);
        if (!QFile::exists(name))
            QSKIP(kNotCompiledIn);
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        const CaseData &data = loaded.data;
        QCOMPARE(loaded.setup.kind, CaseKind::MriWithDti);
        QVERIFY(data.hasDti);
        QCOMPARE(data.rows, 256);
        QCOMPARE(data.cols, 256);
        if (name.endsWith(QLatin1String("dti.mri")))
            QCOMPARE(data.fullScale, 800.0);

        double largest = 0;
        for (int32 i = 1; i <= data.rows; ++i)
            for (int32 j = 1; j <= data.cols; ++j) {
                const double *d = data.tensor[i][j];
                largest = std::max(largest, d[10]);
                QVERIFY(std::fabs(d[2] - d[4]) <= kFloatTolerance * std::max(1.0, std::fabs(d[2])));
                QVERIFY(std::fabs(d[3] - d[7]) <= kFloatTolerance * std::max(1.0, std::fabs(d[3])));
                QVERIFY(std::fabs(d[6] - d[8]) <= kFloatTolerance * std::max(1.0, std::fabs(d[6])));
            }
        QCOMPARE(largest, 1.0);
        // The corner lies outside the head.
        for (int32 k = 1; k <= 10; ++k)
            QCOMPARE(data.tensor[1][1][k], 0.0);
    }

    void functionalCaseHasNinetyNineFrames()
    {
        const QString name = QStringLiteral(":/files/fmri.mri");
        if (!QFile::exists(name))
            QSKIP(kNotCompiledIn);
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, CaseKind::Functional);
        QCOMPARE(loaded.data.frames, 99);
        QCOMPARE(loaded.data.rows, 64);
        QCOMPARE(loaded.data.cols, 6336);
        QVERIFY(!loaded.data.isMri);
        QCOMPARE(loaded.setup.imageRows, 64);
        QCOMPARE(loaded.setup.imageCols, 64);
        QVERIFY(loaded.data.tValue && loaded.data.pValue && loaded.data.activation);
    }

    void mrt1IsAPlainImage()
    {
        const QString name = QStringLiteral(":/files/mrt1.mri");
        if (!QFile::exists(name))
            QSKIP(kNotCompiledIn);
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, CaseKind::Plain);
        QCOMPARE(loaded.setup.imageRows, 256);
        QCOMPARE(loaded.setup.imageCols, 256);
        QCOMPARE(loaded.data.rows, 0);
    }
};

RELAXON_TEST_CLASS(TestLoadedCases)

#include "test_builtincases.moc"
