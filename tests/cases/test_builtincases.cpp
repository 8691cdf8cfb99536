#include "loadedcase.h"

#include "cases/caseloader.h"
#include "numerics/matrixmemory.h"
#include "testrunner.h"

#include <QFile>
#include <QTest>

#include <algorithm>
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

// The raw float stored at the given file row and column of a built-in case.
double storedValue(const QString &name, qint64 row, qint64 col, qint64 cols)
{
    QFile file(name);
    float value = 0;
    if (!file.open(QIODevice::ReadOnly) || !file.seek(8 + ((row - 1) * cols + (col - 1)) * 4)
        || file.read(reinterpret_cast<char *>(&value), sizeof value) != qint64(sizeof value))
        return std::nan("");
    return value;
}

// What a built-in case opens as: the maps' or series' rows and columns, frames
// and full scale (0: not checked), and the first view's image size.
struct BuiltIn
{
    CaseKind kind;
    int32 rows, cols, frames, fullScale, imageRows, imageCols;
};

} // namespace

Q_DECLARE_METATYPE(BuiltIn)

class TestLoadedCases : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCaseResources(); }

    void builtInCasesOpenAsTheirKind_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<BuiltIn>("expected");
        QTest::newRow("glioblastoma") << ":/files/glioblastoma.mri" << BuiltIn{CaseKind::Mri, 256, 256, 0, 3000, 0, 0};
        QTest::newRow("oligodendroglioma") << ":/files/oligodendroglioma.mri" << BuiltIn{CaseKind::Mri, 256, 256, 0, 0, 0, 0};
        QTest::newRow("dti") << ":/files/dti.mri" << BuiltIn{CaseKind::MriWithDti, 256, 256, 0, 800, 0, 0};
        QTest::newRow("infarct") << ":/files/infarct.mri" << BuiltIn{CaseKind::MriWithDti, 256, 256, 0, 0, 0, 0};
        QTest::newRow("fmri") << ":/files/fmri.mri" << BuiltIn{CaseKind::Functional, 64, 6336, 99, 0, 64, 64};
        QTest::newRow("mrt1") << ":/files/mrt1.mri" << BuiltIn{CaseKind::Plain, 0, 0, 0, 0, 256, 256};
    }

    void builtInCasesOpenAsTheirKind()
    {
        QFETCH(QString, name);
        QFETCH(BuiltIn, expected);
        if (!QFile::exists(name))
            QSKIP("the built-in cases are not compiled in");
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        const CaseData &data = loaded.data;
        QCOMPARE(loaded.setup.kind, expected.kind);
        QVERIFY(data.rows == expected.rows && data.cols == expected.cols && data.frames == expected.frames);
        QVERIFY(loaded.setup.imageRows == expected.imageRows && loaded.setup.imageCols == expected.imageCols);
        QVERIFY(expected.fullScale == 0 || data.fullScale == expected.fullScale);
        QCOMPARE(data.isMri, expected.kind == CaseKind::Mri || expected.kind == CaseKind::MriWithDti);
        QVERIFY(expected.kind != CaseKind::Functional || (data.tValue && data.pValue && data.activation));
        if (data.isMri) // T1 follows the PD rows of the file
            QCOMPARE(data.t1[128][128], storedValue(name, 256 + 128, 128, 256));
        QCOMPARE(data.hasDti, expected.kind == CaseKind::MriWithDti);
        if (!data.hasDti)
            return;
        // Normalised symmetric tensors; the corner lies outside the head.
        double largest = 0;
        for (int32 i = 1; i <= data.rows; ++i)
            for (int32 j = 1; j <= data.cols; ++j) {
                const double *d = data.tensor[i][j];
                largest = std::max(largest, d[10]);
                for (const auto &[a, b] : {std::pair{2, 4}, {3, 7}, {6, 8}})
                    QVERIFY(std::fabs(d[a] - d[b]) <= kFloatTolerance * std::max(1.0, std::fabs(d[a])));
            }
        QCOMPARE(largest, 1.0);
        QVERIFY(std::all_of(data.tensor[1][1] + 1, data.tensor[1][1] + 11, [](double d) { return d == 0; }));
    }
};

RELAXON_TEST_CLASS(TestLoadedCases)

#include "test_builtincases.moc"
