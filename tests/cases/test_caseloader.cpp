#include "casefilewriter.h"

#include "loadedcase.h"

#include "cases/caseloader.h"
#include "cases/resourcereader.h"
#include "numerics/matrixmemory.h"
#include "testrunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Stored as floats: symmetric components agree to float precision.
constexpr double kFloatTolerance = 1e-6;
// Norms are a square root and a division away from the hand values.
constexpr double kNormTolerance = 1e-15;
constexpr double kInf = std::numeric_limits<double>::infinity();

double ramp(int32 i, int32 j) { return 10.0 * i + j; }

// What a built-in case opens as: the maps' or series' rows and columns, frames
// and full scale (0: not checked), and the first view's image size.
struct BuiltIn
{
    CaseKind kind;
    int32 rows, cols, frames, fullScale, imageRows, imageCols;
};

} // namespace

Q_DECLARE_METATYPE(BuiltIn)

class TestCaseLoader : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    // Writes a binary case of rows x cols with value(i, j) and tail, and loads it.
    bool load(LoadedCase &loaded, int32 rows, int32 cols, const std::function<double(int32, int32)> &value,
              const QByteArray &tail)
    {
        const QString name = path(QStringLiteral("case.mri"));
        return writeCaseMatrix(name, rows, cols, value, tail) && loaded.load(name);
    }

private slots:
    void initTestCase()
    {
        // The resources live in a static library whose initialiser is otherwise
        // never linked in; the macro must be used outside any namespace.
#ifdef RELAXON_HAVE_CASE_RESOURCES
        Q_INIT_RESOURCE(cases);
#endif
        QVERIFY(dir.isValid());
    }

    // The full scale is the largest finite PD rounded up by niceCeiling.
    void stackedCaseSplitsIntoMaps()
    {
        LoadedCase loaded, infinite, mirrored;
        QVERIFY(load(loaded, 6, 4, ramp, "MRI PD,T1,T2 DATA, 1.5 T\n")); // more text on the kind line
        QCOMPARE(loaded.setup.kind, CaseKind::Mri);
        QVERIFY(!loaded.setup.image && !loaded.file.matrix);
        const CaseData &data = loaded.data;
        QVERIFY(data.rows == 2 && data.cols == 4 && data.isMri && !data.hasDti && !data.tensor && data.frames == 0);
        QVERIFY(data.pd[2][3] == ramp(2, 3) && data.t1[1][1] == ramp(3, 1) && data.t2[2][4] == ramp(6, 4));
        QCOMPARE(data.fullScale, 30.0); // the largest PD, 24, rounded up
        QVERIFY(load(infinite, 3, 2, [](int32 i, int32 j) { return i == 1 && j == 1 ? kInf : 620.0; },
                     "MRI PD,T1,T2 DATA\n"));
        QCOMPARE(infinite.data.fullScale, 800.0);
        // Inverting the data mirrors all three maps together before splitting:
        // values 11..32, v becomes 43 - v.
        QVERIFY(load(mirrored, 3, 2, ramp, "MRI PD,T1,T2 DATA\ninvert\ndata\n"));
        QVERIFY(mirrored.data.pd[1][1] == 32 && mirrored.data.t2[1][2] == 11);
        QCOMPARE(mirrored.data.fullScale, 50.0);
    }

    void tensorCaseNormalisesLargestNormToOne()
    {
        // Maps of 2 x 2 pixels: PD, T1 and T2 100 (map + 1) + 10 row + column, then
        // the tensor components row by row. Pixel (1, 1) holds diag(3, 4, 12) 1e-3
        // (norm 13e-3 / sqrt 3), pixel (1, 2) every component 1e-3 (norm 3e-3 /
        // sqrt 3), row 2 no tensor.
        LoadedCase loaded;
        QVERIFY(load(loaded, 24, 2, [](int32 i, int32 j) -> double {
            const int32 map = (i - 1) / 2, row = (i - 1) % 2 + 1;
            if (map < 3)
                return 100.0 * (map + 1) + 10 * row + j;
            return row == 2 ? 0 : j == 2 ? 1e-3 : map == 3 ? 3e-3 : map == 7 ? 4e-3 : map == 11 ? 12e-3 : 0;
        }, "MRI PD,T1,T2,DTI DATA\n"));
        QCOMPARE(loaded.setup.kind, CaseKind::MriWithDti);
        const CaseData &data = loaded.data;
        QVERIFY(data.hasDti && data.isMri && data.rows == 2 && data.t2[2][1] == 321);
        const double largest = 13e-3 / std::sqrt(3.0);
        QCOMPARE(data.tensor[1][1][10], 1.0);
        QVERIFY(std::fabs(data.tensor[1][1][1] - 3e-3 / largest) < kNormTolerance);
        QVERIFY(std::fabs(data.tensor[1][1][9] - 12e-3 / largest) < kNormTolerance);
        QVERIFY(std::fabs(data.tensor[1][2][10] - 3.0 / 13) < kNormTolerance);
        for (int32 k = 1; k <= 16; ++k)
            QVERIFY(data.tensor[2][1][k] == 0 && data.tensor[2][2][k] == 0 && (k <= 10 || data.tensor[1][1][k] == 0));
    }

    // Maps that do not divide, unusable frame counts, an empty file, no file: a
    // file read before keeps nothing of itself after the refused read.
    void unusableFileIsRefusedAndLeftEmpty()
    {
        const QByteArray maps = "MRI PD,T1,T2 DATA\n", tensors = "MRI PD,T1,T2,DTI DATA\n";
        const struct { int rows, cols; QByteArray tail; } rows[] = {
            {7, 2, maps},          {2, 2, maps},          {18, 2, tensors},      {3, 2, tensors},
            {6, 6, "fmri\n0\n"}, {6, 6, "fmri\n-3\n"}, {6, 6, "fmri\n7\n"}, {6, 6, maps + "fmri\n2\n"},
            {0, 0, {}},            {-1, 0, {}}};
        const QString good = path("good.mri"), bad = path("bad.mri");
        QVERIFY(writeCaseMatrix(good, 2, 2, ramp, "units\nmV\n"));
        for (const auto &r : rows) {
            QFile::remove(bad);
            QVERIFY(r.rows < 0 || (r.rows ? writeCaseMatrix(bad, r.rows, r.cols, ramp, r.tail) : writeBytes(bad, {})));
            CaseFile file;
            QVERIFY(readCaseFile(good, file) && file.matrix);
            QVERIFY2(!readCaseFile(bad, file), r.tail.constData());
            QVERIFY(!file.matrix && !file.hasTail && file.tail.isEmpty());
        }
        CaseFile file;
        QVERIFY(!readCaseFile(QStringLiteral(":/files/absent.mri"), file) && !file.matrix);
    }

    void functionalCaseKeepsSeriesAndShowsFirstFrame()
    {
        auto value = [](int32 i, int32 j) { return 1000.0 + 10 * i + j; };
        LoadedCase loaded;
        QVERIFY(load(loaded, 2, 66, value, "fmri\n22\ninvert\nboth\n"));
        QCOMPARE(loaded.setup.kind, CaseKind::Functional);
        const CaseData &data = loaded.data;
        QVERIFY(data.frames == 22 && data.rows == 2 && data.cols == 66 && !data.isMri && data.fullScale == 2000);
        QVERIFY(data.pd[2][3] == value(2, 3) && data.pd[2][66] == value(2, 66));
        QVERIFY(loaded.setup.imageRows == 2 && loaded.setup.imageCols == 3 && loaded.setup.invertScale);
        QVERIFY(loaded.setup.image[2][3] == 2034 - value(2, 3) && loaded.setup.image[1][2] == 2034 - value(1, 2));
        QVERIFY(data.activation && data.variance && data.difference && data.tValue && data.pValue);
    }

    void textCaseWithWindowsLineEndsKeepsItsKind()
    {
        const QString units = QStringLiteral("Signal µV · m²");
        const struct { int32 rows, cols; const char *kindLines; CaseKind kind; } rows[] = {
            {6, 4, "MRI PD,T1,T2 DATA\r\n", CaseKind::Mri}, {12, 4, "MRI PD,T1,T2,DTI DATA\r\n", CaseKind::MriWithDti},
            {2, 66, "fmri\r\n22\r\n", CaseKind::Functional}, {2, 3, "", CaseKind::Plain},
            {6, 4, "mri pd,t1,t2 data\r\n", CaseKind::Plain}};
        for (const auto &r : rows) {
            QByteArray text = QByteArray::number(r.rows) + ' ' + QByteArray::number(r.cols) + "\r\n";
            for (int32 i = 1; i <= r.rows; ++i) {
                for (int32 j = 1; j <= r.cols; ++j)
                    text += ' ' + QByteArray::number(1000 + 10 * i + j);
                text += "\r\n";
            }
            const QString name = path("windows.mri");
            QVERIFY(writeBytes(name, text + r.kindLines + "units\r\n" + units.toUtf8() + "\r\ninvert\r\nscale\r\n"));
            LoadedCase loaded;
            QVERIFY(loaded.load(name));
            QCOMPARE(loaded.setup.kind, r.kind);
            QCOMPARE(loaded.setup.unitsLabel, units);
            QVERIFY(loaded.setup.invertScale);
            QVERIFY(r.kind != CaseKind::Plain || loaded.setup.image[2][3] == 1023);
        }
    }

    void invertKeyMirrorsOrInvertsScale()
    {
        const struct { const char *value; bool invertScale, mirrored; } rows[] = {
            {"scale", true, false}, {"data", false, true}, {"both", true, true}, {"Both", true, true},
            {"DATA", false, true},  {"yes", false, false}, {"scaled", false, false}};
        for (const auto &r : rows) {
            LoadedCase loaded;
            QVERIFY(load(loaded, 3, 3, ramp, "invert\n" + QByteArray(r.value) + "\n"));
            QVERIFY2(loaded.setup.invertScale == r.invertScale, r.value);
            // Values 11..33: the smallest and largest trade places, the middle stays.
            double **image = loaded.setup.image;
            QVERIFY2(image[1][1] == (r.mirrored ? 33 : 11) && image[3][3] == (r.mirrored ? 11 : 33) && image[2][2] == 22
                         && image[1][2] == (r.mirrored ? 32 : 12),
                     r.value);
        }
        // Values that are not finite stay; the mirror spans the finite ones.
        LoadedCase holes;
        QVERIFY(load(holes, 2, 2, [](int32 i, int32 j) { return i == 1 ? (j == 1 ? std::nan("") : kInf) : ramp(i, j); },
                     "invert\ndata\n"));
        double **image = holes.setup.image;
        QVERIFY(std::isnan(image[1][1]) && std::isinf(image[1][2]) && image[2][1] == 22 && image[2][2] == 21);
    }

    // Names outside Latin-1, and a path longer than the matrix library's buffer, of
    // files without a tail: plain images with the default units and scale.
    void unusualPathsOpenAsPlainImages()
    {
        QString folder = dir.path();
        for (int i = 0; i < 4; ++i)
            folder += QLatin1Char('/') + QString(100, QLatin1Char('a' + i));
        QVERIFY(QDir().mkpath(folder));
        for (const QString &name : {path("Fälle 日本 Ωmega.mri"), folder + "/long.mri"}) {
            QVERIFY(writeCaseMatrix(name, 3, 3, ramp, {}));
            LoadedCase plain;
            QVERIFY2(plain.load(name), qPrintable(name));
            QVERIFY(!plain.file.hasTail && plain.setup.kind == CaseKind::Plain && !plain.setup.invertScale);
            QCOMPARE(plain.setup.unitsLabel, QStringLiteral("Signal strength"));
            QCOMPARE(plain.setup.image[3][2], ramp(3, 2));
            QVERIFY(!plain.data.isMri && plain.data.rows == 0 && plain.data.fullScale == 2000);
        }
    }

    void resourceReaderConvertsFloatsAndCapsTail()
    {
        const QString name = path("resource.raw");
        CaseFile file, capped;
        QVERIFY(writeRawFloatCase(name, 2, 3, ramp, "fmri\n3\n") && readResourceCase(name, file));
        QVERIFY(file.rows == 2 && file.cols == 3 && file.hasTail && file.matrix[2][3] == 23);
        QCOMPARE(file.tail, QByteArray("fmri\0" "3\0", 7));
        QVERIFY(writeRawFloatCase(name, 1, 1, ramp, QByteArray(12000, 'x')) && readResourceCase(name, capped));
        QCOMPARE(capped.tail.size(), qsizetype(kMaxResourceTailBytes));
    }

    void resourceReaderRefusesBadHeaderOrShortData()
    {
        // Zero rows, negative columns, one float short, the header only, a size
        // beyond the file.
        const struct { int rows, cols, droppedBytes; } rows[] = {{0, 3, 0}, {2, -3, 0}, {2, 3, 4}, {2, 3, 24},
                                                                 {1, 2000000000, 0}};
        for (const auto &r : rows) {
            const std::int32_t size[2] = {r.rows, r.cols};
            QByteArray bytes = QByteArray(reinterpret_cast<const char *>(size), sizeof size) + QByteArray(24, '\0');
            bytes.chop(r.droppedBytes);
            const QString name = path("bad.raw");
            QVERIFY(writeBytes(name, bytes));
            CaseFile file;
            QVERIFY(!readResourceCase(name, file) && !file.matrix);
        }
    }

    void builtInCasesOpenAsTheirKind_data()
    {
        // The row names are the files' names.
        QTest::addColumn<BuiltIn>("expected");
        QTest::newRow("glioblastoma") << BuiltIn{CaseKind::Mri, 256, 256, 0, 3000, 0, 0};
        QTest::newRow("oligodendroglioma") << BuiltIn{CaseKind::Mri, 256, 256, 0, 0, 0, 0};
        QTest::newRow("dti") << BuiltIn{CaseKind::MriWithDti, 256, 256, 0, 800, 0, 0};
        QTest::newRow("infarct") << BuiltIn{CaseKind::MriWithDti, 256, 256, 0, 0, 0, 0};
        QTest::newRow("fmri") << BuiltIn{CaseKind::Functional, 64, 6336, 99, 0, 64, 64};
        QTest::newRow("mrt1") << BuiltIn{CaseKind::Plain, 0, 0, 0, 0, 256, 256};
    }

    void builtInCasesOpenAsTheirKind()
    {
        QFETCH(BuiltIn, expected);
        const QString name = QStringLiteral(":/files/%1.mri").arg(QLatin1String(QTest::currentDataTag()));
        if (!QFile::exists(name))
            QSKIP("the built-in cases are not compiled in");
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        const CaseData &data = loaded.data;
        QCOMPARE(loaded.setup.kind, expected.kind);
        QVERIFY(data.rows == expected.rows && data.cols == expected.cols && data.frames == expected.frames);
        QVERIFY(loaded.setup.imageRows == expected.imageRows && loaded.setup.imageCols == expected.imageCols);
        QVERIFY(expected.fullScale == 0 || data.fullScale == expected.fullScale);
        QVERIFY(data.isMri == (expected.kind == CaseKind::Mri || expected.kind == CaseKind::MriWithDti));
        QVERIFY(expected.kind != CaseKind::Functional || (data.tValue && data.pValue && data.activation));
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

RELAXON_TEST_CLASS(TestCaseLoader)

#include "test_caseloader.moc"
