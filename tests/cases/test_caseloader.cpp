#include "casefilewriter.h"

#include "loadedcase.h"

#include "cases/caseloader.h"
#include "cases/resourcereader.h"
#include "numerics/matrixmemory.h"
#include "testrunner.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double kSqrt3 = 1.7320508075688772;
// Norms are a square root and a division away from the hand values.
constexpr double kNormTolerance = 1e-15;
constexpr double kInf = std::numeric_limits<double>::infinity();

double ramp(int32 i, int32 j) { return 10.0 * i + j; }

} // namespace

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
    void initTestCase() { QVERIFY(dir.isValid()); }

    void stackedCaseSplitsIntoMaps()
    {
        for (const char *tail : {"MRI PD,T1,T2 DATA\n", "MRI PD,T1,T2 DATA, 1.5 T\n"}) {
            LoadedCase loaded;
            QVERIFY(load(loaded, 6, 4, ramp, tail));
            QCOMPARE(loaded.setup.kind, CaseKind::Mri);
            QVERIFY(!loaded.setup.image && !loaded.file.matrix);
            const CaseData &data = loaded.data;
            QVERIFY(data.rows == 2 && data.cols == 4 && data.isMri && !data.hasDti && !data.tensor && data.frames == 0);
            QCOMPARE(data.pd[2][3], ramp(2, 3));
            QCOMPARE(data.t1[1][1], ramp(3, 1));
            QCOMPARE(data.t2[2][4], ramp(6, 4));
            QCOMPARE(data.fullScale, 30.0); // the largest PD, 24, rounded up
        }
    }

    void fullScaleIsTheLargestFinitePdRoundedUp()
    {
        LoadedCase faint, infinite, mirrored;
        QVERIFY(load(faint, 3, 2, [](int32, int32) { return 0.25; }, "MRI PD,T1,T2 DATA\n"));
        QCOMPARE(faint.data.fullScale, 1.0);
        QVERIFY(load(infinite, 3, 2, [](int32 i, int32 j) { return i == 1 && j == 1 ? kInf : 620.0; },
                     "MRI PD,T1,T2 DATA\n"));
        QCOMPARE(infinite.data.fullScale, 800.0);
        // Inverting the data mirrors all three maps together before splitting:
        // values 11..32, v becomes 43 - v.
        QVERIFY(load(mirrored, 3, 2, ramp, "MRI PD,T1,T2 DATA\ninvert\ndata\n"));
        QCOMPARE(mirrored.data.pd[1][1], 32.0);
        QCOMPARE(mirrored.data.t2[1][2], 11.0);
        QCOMPARE(mirrored.data.fullScale, 50.0);
    }

    void tensorCaseNormalisesLargestNormToOne()
    {
        // Two maps rows of two columns: pixel (1,1) holds the tensor diag(3, 4, 12)
        // scaled by 1e-3 (norm 13e-3 / sqrt 3), pixel (1,2) the symmetric tensor with
        // every component 1e-3 (norm 3e-3 / sqrt 3), row 2 no tensor.
        auto value = [](int32 i, int32 j) -> double {
            const int32 map = (i - 1) / 2; // 0 PD, 1 T1, 2 T2, 3.. components
            const int32 row = (i - 1) % 2 + 1;
            if (map < 3)
                return 100.0 * (map + 1) + 10 * row + j;
            if (row == 2)
                return 0;
            const int32 component = map - 2; // 1..9, row by row
            if (j == 2)
                return 1e-3;
            return component == 1 ? 3e-3 : component == 5 ? 4e-3 : component == 9 ? 12e-3 : 0;
        };
        LoadedCase loaded;
        QVERIFY(load(loaded, 24, 2, value, "MRI PD,T1,T2,DTI DATA\n"));
        QCOMPARE(loaded.setup.kind, CaseKind::MriWithDti);
        const CaseData &data = loaded.data;
        QVERIFY(data.hasDti && data.isMri);
        QCOMPARE(data.rows, 2);
        QCOMPARE(data.t2[2][1], 321.0);
        const double largest = 13e-3 / kSqrt3;
        QCOMPARE(data.tensor[1][1][10], 1.0);
        QVERIFY(std::fabs(data.tensor[1][1][1] - 3e-3 / largest) < kNormTolerance);
        QVERIFY(std::fabs(data.tensor[1][1][9] - 12e-3 / largest) < kNormTolerance);
        QVERIFY(std::fabs(data.tensor[1][2][10] - 3.0 / 13) < kNormTolerance);
        for (int32 k = 1; k <= 16; ++k)
            QVERIFY(data.tensor[2][1][k] == 0 && data.tensor[2][2][k] == 0 && (k <= 10 || data.tensor[1][1][k] == 0));
    }

    void unusableFileIsRefusedAndLeftEmpty_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cols");
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("7 rows of PD, T1, T2") << 7 << 2 << QByteArray("MRI PD,T1,T2 DATA\n");
        QTest::newRow("2 rows of PD, T1, T2") << 2 << 2 << QByteArray("MRI PD,T1,T2 DATA\n");
        QTest::newRow("18 rows with tensor") << 18 << 2 << QByteArray("MRI PD,T1,T2,DTI DATA\n");
        QTest::newRow("3 rows with tensor") << 3 << 2 << QByteArray("MRI PD,T1,T2,DTI DATA\n");
        QTest::newRow("fmri 0") << 6 << 6 << QByteArray("fmri\n0\n");
        QTest::newRow("fmri -3") << 6 << 6 << QByteArray("fmri\n-3\n");
        QTest::newRow("more frames than columns") << 6 << 6 << QByteArray("fmri\n7\n");
        QTest::newRow("fmri and a kind line") << 6 << 6 << QByteArray("MRI PD,T1,T2 DATA\nfmri\n2\n");
    }

    // A file read before keeps nothing of itself after a refused read.
    void unusableFileIsRefusedAndLeftEmpty()
    {
        QFETCH(int, rows);
        QFETCH(int, cols);
        QFETCH(QByteArray, tail);
        const QString good = path("good.mri"), bad = path("bad.mri");
        QVERIFY(writeCaseMatrix(good, 2, 2, ramp, "units\nmV\n") && writeCaseMatrix(bad, rows, cols, ramp, tail));
        CaseFile file;
        QVERIFY(readCaseFile(good, file) && file.matrix);
        QVERIFY(!readCaseFile(bad, file));
        QVERIFY(!file.matrix && !file.hasTail && file.tail.isEmpty());
    }

    void missingOrEmptyFileIsRefused()
    {
        const QString empty = path("empty.mri");
        QVERIFY(writeBytes(empty, {}));
        CaseFile file;
        for (const QString &name : {path("absent.mri"), QStringLiteral(":/files/absent.mri"), empty})
            QVERIFY(!readCaseFile(name, file) && !file.matrix);
    }

    void plainImagesKeepTheirValues()
    {
        // Without a tail, and with a kind line in lower case, which is no kind line.
        LoadedCase plain, lower;
        QVERIFY(load(plain, 3, 3, ramp, {}));
        QVERIFY(!plain.file.hasTail);
        QCOMPARE(plain.setup.unitsLabel, QStringLiteral("Signal strength"));
        QVERIFY(!plain.setup.invertScale);
        QVERIFY(load(lower, 6, 4, ramp, "mri pd,t1,t2 data\n"));
        for (const LoadedCase *loaded : {&plain, &lower}) {
            QCOMPARE(loaded->setup.kind, CaseKind::Plain);
            QCOMPARE(loaded->setup.image[3][2], ramp(3, 2));
            QVERIFY(!loaded->data.isMri && loaded->data.rows == 0 && loaded->data.fullScale == 2000);
        }
        QCOMPARE(lower.setup.imageRows, 6);
        QCOMPARE(lower.setup.imageCols, 4);
    }

    void functionalCaseKeepsSeriesAndShowsFirstFrame()
    {
        // 22 frames of 2 x 3 pixels: one rest-task pair, bright enough for statistics.
        auto value = [](int32 i, int32 j) { return 1000.0 + 10 * i + j; };
        LoadedCase loaded;
        QVERIFY(load(loaded, 2, 66, value, "fmri\n22\n"));
        QCOMPARE(loaded.setup.kind, CaseKind::Functional);
        const CaseData &data = loaded.data;
        QVERIFY(data.frames == 22 && data.rows == 2 && data.cols == 66 && !data.isMri && data.fullScale == 2000);
        QCOMPARE(data.pd[2][66], value(2, 66));
        QCOMPARE(loaded.setup.imageRows, 2);
        QCOMPARE(loaded.setup.imageCols, 3);
        QCOMPARE(loaded.setup.image[2][3], value(2, 3));
        QVERIFY(data.activation && data.variance && data.difference && data.tValue && data.pValue);
    }

    // Text cases with Windows line ends; the units line in UTF-8.
    void textCaseWithWindowsLineEndsKeepsItsKind()
    {
        const QString units = QStringLiteral("Signal µV · m²");
        const struct { int32 rows, cols; const char *kindLines; CaseKind kind; } rows[] = {
            {6, 4, "MRI PD,T1,T2 DATA\r\n", CaseKind::Mri}, {12, 4, "MRI PD,T1,T2,DTI DATA\r\n", CaseKind::MriWithDti},
            {2, 66, "fmri\r\n22\r\n", CaseKind::Functional}, {2, 3, "", CaseKind::Plain}};
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
    }

    void invertDataMirrorsOnlyFirstFunctionalFrame()
    {
        LoadedCase loaded;
        QVERIFY(load(loaded, 2, 26, [](int32 i, int32 j) { return 300.0 + 10 * i + j; }, "fmri\n13\ninvert\nboth\n"));
        QCOMPARE(loaded.setup.kind, CaseKind::Functional);
        QVERIFY(loaded.setup.invertScale);
        // Frame 1 holds 311, 312, 321, 322: mirrored around 316.5.
        QCOMPARE(loaded.setup.image[1][1], 322.0);
        QCOMPARE(loaded.setup.image[2][2], 311.0);
        QCOMPARE(loaded.data.pd[1][1], 311.0);
    }

    void mirrorLeavesNonFiniteValuesAndUsesFiniteRange()
    {
        LoadedCase loaded;
        QVERIFY(load(loaded, 2, 2, [](int32 i, int32 j) { return i == 1 ? (j == 1 ? std::nan("") : kInf) : ramp(i, j); },
                     "invert\ndata\n"));
        QVERIFY(std::isnan(loaded.setup.image[1][1]));
        QVERIFY(std::isinf(loaded.setup.image[1][2]));
        QCOMPARE(loaded.setup.image[2][1], 22.0);
        QCOMPARE(loaded.setup.image[2][2], 21.0);
    }

    // Names outside Latin-1, and a path longer than the matrix library's buffer.
    void unusualPathsOpen()
    {
        QString folder = dir.path();
        for (int i = 0; i < 4; ++i)
            folder += QLatin1Char('/') + QString(100, QLatin1Char('a' + i));
        QVERIFY(QDir().mkpath(folder));
        for (const QString &name : {path(QStringLiteral("Fälle 日本 Ωmega.mri")), folder + QStringLiteral("/long.mri")}) {
            QVERIFY(writeCaseMatrix(name, 3, 2, ramp, "MRI PD,T1,T2 DATA\n"));
            LoadedCase loaded;
            QVERIFY2(loaded.load(name), qPrintable(name));
            QCOMPARE(loaded.data.t2[1][2], 32.0);
        }
    }

    void resourceReaderConvertsFloatsAndCapsTail()
    {
        const QString name = path("resource.raw"), longTail = path("longtail.raw");
        QVERIFY(writeRawFloatCase(name, 2, 3, ramp, "fmri\n3\n"));
        QVERIFY(writeRawFloatCase(longTail, 1, 1, ramp, QByteArray(12000, 'x')));
        CaseFile file, capped;
        QVERIFY(readResourceCase(name, file));
        QVERIFY(file.rows == 2 && file.cols == 3 && file.hasTail);
        QCOMPARE(file.matrix[2][3], 23.0);
        QCOMPARE(file.tail, QByteArray("fmri\0" "3\0", 7));
        QVERIFY(readResourceCase(longTail, capped));
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
};

RELAXON_TEST_CLASS(TestCaseLoader)

#include "test_caseloader.moc"
