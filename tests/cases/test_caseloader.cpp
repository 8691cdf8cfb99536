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

double ramp(int32 i, int32 j) { return 10.0 * i + j; }

} // namespace

class TestCaseLoader : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void stackedCaseSplitsIntoMaps_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("kind line alone") << QByteArray("MRI PD,T1,T2 DATA\n");
        QTest::newRow("more text on the kind line") << QByteArray("MRI PD,T1,T2 DATA, 1.5 T\n");
    }

    void stackedCaseSplitsIntoMaps()
    {
        QFETCH(QByteArray, tail);
        const QString name = path("stacked.mri");
        QVERIFY(writeCaseMatrix(name, 6, 4, ramp, tail));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, CaseKind::Mri);
        QVERIFY(!loaded.setup.image);
        const CaseData &data = loaded.data;
        QCOMPARE(data.rows, 2);
        QCOMPARE(data.cols, 4);
        QVERIFY(data.isMri);
        QVERIFY(!data.hasDti);
        QVERIFY(!data.tensor);
        QCOMPARE(data.frames, 0);
        QCOMPARE(data.pd[2][3], ramp(2, 3));
        QCOMPARE(data.t1[1][1], ramp(3, 1));
        QCOMPARE(data.t2[2][4], ramp(6, 4));
        // The largest PD, 24, rounded up.
        QCOMPARE(data.fullScale, 30.0);
        QVERIFY(!loaded.file.matrix);
    }

    void smallHydrogenDensityGivesFullScaleOne()
    {
        const QString name = path("faint.mri");
        QVERIFY(writeCaseMatrix(name, 3, 2, [](int32, int32) { return 0.25; }, "MRI PD,T1,T2 DATA\n"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.data.fullScale, 1.0);
    }

    void rawFloatFileOpensFromDisk()
    {
        const QString name = path("raw.mri");
        QVERIFY(writeRawFloatCase(name, 3, 5, ramp, "MRI PD,T1,T2 DATA"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, CaseKind::Mri);
        QCOMPARE(loaded.data.rows, 1);
        QCOMPARE(loaded.data.t2[1][5], ramp(3, 5));
    }

    void tensorCaseNormalisesLargestNormToOne()
    {
        // Two maps rows of two columns: pixel (1,1) holds the tensor diag(3, 4, 12)
        // scaled by 1e-3 (norm 13e-3 / sqrt 3), pixel (1,2) the symmetric tensor with
        // every component 1e-3 (norm 3e-3 / sqrt 3), row 2 no tensor.
        auto value = [](int32 i, int32 j) -> double {
            const int32 map = (i - 1) / 2;      // 0 PD, 1 T1, 2 T2, 3.. components
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
        const QString name = path("dti.mri");
        QVERIFY(writeCaseMatrix(name, 24, 2, value, "MRI PD,T1,T2,DTI DATA\n"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, CaseKind::MriWithDti);
        const CaseData &data = loaded.data;
        QVERIFY(data.hasDti);
        QVERIFY(data.isMri);
        QCOMPARE(data.rows, 2);
        QCOMPARE(data.t2[2][1], 321.0);

        const double largest = 13e-3 / kSqrt3;
        QCOMPARE(data.tensor[1][1][10], 1.0);
        QVERIFY(std::fabs(data.tensor[1][1][1] - 3e-3 / largest) < kNormTolerance);
        QVERIFY(std::fabs(data.tensor[1][1][9] - 12e-3 / largest) < kNormTolerance);
        QVERIFY(std::fabs(data.tensor[1][2][10] - 3.0 / 13) < kNormTolerance);
        for (int32 k = 1; k <= 16; ++k) {
            QCOMPARE(data.tensor[2][1][k], 0.0);
            QCOMPARE(data.tensor[2][2][k], 0.0);
        }
        for (int32 k = 11; k <= 16; ++k)
            QCOMPARE(data.tensor[1][1][k], 0.0);
    }

    void stackedFileWithoutWholeSetOfMapsIsRefused_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("7 rows of PD, T1, T2") << 7 << QByteArray("MRI PD,T1,T2 DATA\n");
        QTest::newRow("2 rows of PD, T1, T2") << 2 << QByteArray("MRI PD,T1,T2 DATA\n");
        QTest::newRow("18 rows with tensor") << 18 << QByteArray("MRI PD,T1,T2,DTI DATA\n");
        QTest::newRow("3 rows with tensor") << 3 << QByteArray("MRI PD,T1,T2,DTI DATA\n");
    }

    void stackedFileWithoutWholeSetOfMapsIsRefused()
    {
        QFETCH(int, rows);
        QFETCH(QByteArray, tail);
        const QString name = path("partial.mri");
        QVERIFY(writeCaseMatrix(name, rows, 2, ramp, tail));
        CaseFile file;
        QVERIFY(!readCaseFile(name, file));
        QVERIFY(!file.matrix);
    }

    void lowerCaseKindLineOpensAsPlainImage()
    {
        const QString name = path("lower.mri");
        QVERIFY(writeCaseMatrix(name, 6, 4, ramp, "mri pd,t1,t2 data\n"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, CaseKind::Plain);
        QCOMPARE(loaded.setup.imageRows, 6);
        QCOMPARE(loaded.setup.imageCols, 4);
        QCOMPARE(loaded.setup.image[5][2], ramp(5, 2));
        QVERIFY(!loaded.data.isMri);
        QCOMPARE(loaded.data.rows, 0);
        QCOMPARE(loaded.data.fullScale, 2000.0);
    }

    void fileWithoutTailOpensAsPlainImage()
    {
        const QString name = path("plain.mri");
        QVERIFY(writeCaseMatrix(name, 3, 3, ramp, {}));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QVERIFY(!loaded.file.hasTail);
        QCOMPARE(loaded.setup.kind, CaseKind::Plain);
        QCOMPARE(loaded.setup.unitsLabel, QStringLiteral("Signal strength"));
        QVERIFY(!loaded.setup.invertScale);
    }

    void functionalCaseKeepsSeriesAndShowsFirstFrame()
    {
        // 22 frames of 2 x 3 pixels: one rest-task pair, bright enough for statistics.
        auto value = [](int32 i, int32 j) { return 1000.0 + 10 * i + j; };
        const QString name = path("fmri.mri");
        QVERIFY(writeCaseMatrix(name, 2, 66, value, "fmri\n22\n"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, CaseKind::Functional);
        const CaseData &data = loaded.data;
        QCOMPARE(data.frames, 22);
        QCOMPARE(data.rows, 2);
        QCOMPARE(data.cols, 66);
        QVERIFY(!data.isMri);
        QCOMPARE(data.fullScale, 2000.0);
        QCOMPARE(data.pd[2][66], value(2, 66));
        QCOMPARE(loaded.setup.imageRows, 2);
        QCOMPARE(loaded.setup.imageCols, 3);
        QCOMPARE(loaded.setup.image[2][3], value(2, 3));
        QVERIFY(data.activation && data.variance && data.difference && data.tValue && data.pValue);
    }

    void textCaseWithWindowsLineEndsKeepsItsKind_data()
    {
        QTest::addColumn<int32>("rows");
        QTest::addColumn<int32>("cols");
        QTest::addColumn<QByteArray>("kindLines");
        QTest::addColumn<CaseKind>("kind");
        QTest::newRow("PD/T1/T2") << 6 << 4 << QByteArray("MRI PD,T1,T2 DATA\r\n") << CaseKind::Mri;
        QTest::newRow("with diffusion")
            << 12 << 4 << QByteArray("MRI PD,T1,T2,DTI DATA\r\n") << CaseKind::MriWithDti;
        QTest::newRow("functional") << 2 << 66 << QByteArray("fmri\r\n22\r\n") << CaseKind::Functional;
        QTest::newRow("plain image") << 2 << 3 << QByteArray() << CaseKind::Plain;
    }

    void textCaseWithWindowsLineEndsKeepsItsKind()
    {
        QFETCH(int32, rows);
        QFETCH(int32, cols);
        QFETCH(QByteArray, kindLines);
        QFETCH(CaseKind, kind);
        QByteArray text = QByteArray::number(rows) + ' ' + QByteArray::number(cols) + "\r\n";
        for (int32 i = 1; i <= rows; ++i) {
            for (int32 j = 1; j <= cols; ++j)
                text += ' ' + QByteArray::number(1000 + 10 * i + j);
            text += "\r\n";
        }
        text += kindLines + "units\r\nmV\r\ninvert\r\nscale\r\n";
        const QString name = path("windows.mri");
        QVERIFY(writeBytes(name, text));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, kind);
        QCOMPARE(loaded.setup.unitsLabel, QStringLiteral("mV"));
        QVERIFY(loaded.setup.invertScale);
    }

    void unusableFrameCountIsRefused_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("fmri 0") << QByteArray("fmri\n0\n");
        QTest::newRow("fmri -3") << QByteArray("fmri\n-3\n");
        QTest::newRow("more frames than columns") << QByteArray("fmri\n7\n");
        QTest::newRow("also a kind line") << QByteArray("MRI PD,T1,T2 DATA\nfmri\n2\n");
    }

    void unusableFrameCountIsRefused()
    {
        QFETCH(QByteArray, tail);
        const QString name = path("badframes.mri");
        QVERIFY(writeCaseMatrix(name, 6, 6, ramp, tail));
        CaseFile file;
        QVERIFY(!readCaseFile(name, file));
        QVERIFY(!file.matrix);
    }

    void unitsLineBecomesUnitsLabel()
    {
        const QString name = path("units.mri");
        const QString units = QStringLiteral("Signal µV · m²");
        QVERIFY(writeCaseMatrix(name, 2, 2, ramp, "units\n" + units.toUtf8() + "\n"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.unitsLabel, units);
    }

    void invertKeyMirrorsOrInvertsScale_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("invertScale");
        QTest::addColumn<bool>("mirrored");
        QTest::newRow("scale") << QByteArray("scale") << true << false;
        QTest::newRow("data") << QByteArray("data") << false << true;
        QTest::newRow("both") << QByteArray("both") << true << true;
        QTest::newRow("Both, capitalised") << QByteArray("Both") << true << true;
        QTest::newRow("DATA, upper case") << QByteArray("DATA") << false << true;
        QTest::newRow("other word") << QByteArray("yes") << false << false;
        QTest::newRow("prefix only") << QByteArray("scaled") << false << false;
    }

    void invertKeyMirrorsOrInvertsScale()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, invertScale);
        QFETCH(bool, mirrored);
        const QString name = path("invert.mri");
        QVERIFY(writeCaseMatrix(name, 3, 3, ramp, "invert\n" + value + "\n"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.invertScale, invertScale);
        // Values 11..33: the smallest and largest trade places, the middle stays.
        double **image = loaded.setup.image;
        QCOMPARE(image[1][1], mirrored ? 33.0 : 11.0);
        QCOMPARE(image[3][3], mirrored ? 11.0 : 33.0);
        QCOMPARE(image[2][2], 22.0);
        QCOMPARE(image[1][2], mirrored ? 32.0 : 12.0);
    }

    void invertDataMirrorsStackedMapsTogetherBeforeSplitting()
    {
        const QString name = path("invertstacked.mri");
        QVERIFY(writeCaseMatrix(name, 3, 2, ramp, "MRI PD,T1,T2 DATA\ninvert\ndata\n"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        // Values 11..32 over all three maps: v becomes 43 - v.
        QCOMPARE(loaded.data.pd[1][1], 32.0);
        QCOMPARE(loaded.data.t2[1][2], 11.0);
        QCOMPARE(loaded.data.fullScale, 50.0);
    }

    void invertDataMirrorsOnlyFirstFunctionalFrame()
    {
        auto value = [](int32 i, int32 j) { return 300.0 + 10 * i + j; };
        const QString name = path("invertfmri.mri");
        QVERIFY(writeCaseMatrix(name, 2, 26, value, "fmri\n13\ninvert\nboth\n"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, CaseKind::Functional);
        QVERIFY(loaded.setup.invertScale);
        // Frame 1 holds 311, 312, 321, 322: mirrored around 316.5.
        QCOMPARE(loaded.setup.image[1][1], 322.0);
        QCOMPARE(loaded.setup.image[2][2], 311.0);
        QCOMPARE(loaded.data.pd[1][1], 311.0);
    }

    void mirrorLeavesNonFiniteValuesAndUsesFiniteRange()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        auto value = [&](int32 i, int32 j) {
            return i == 1 && j == 1 ? nan : i == 1 && j == 2 ? inf : ramp(i, j);
        };
        const QString name = path("nonfinite.mri");
        QVERIFY(writeCaseMatrix(name, 2, 2, value, "invert\ndata\n"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QVERIFY(std::isnan(loaded.setup.image[1][1]));
        QVERIFY(std::isinf(loaded.setup.image[1][2]));
        QCOMPARE(loaded.setup.image[2][1], 22.0);
        QCOMPARE(loaded.setup.image[2][2], 21.0);
    }

    void nonFiniteHydrogenDensityKeepsFiniteFullScale()
    {
        const double inf = std::numeric_limits<double>::infinity();
        auto value = [&](int32 i, int32 j) { return i == 1 && j == 1 ? inf : 620.0; };
        const QString name = path("infinitepd.mri");
        QVERIFY(writeCaseMatrix(name, 3, 2, value, "MRI PD,T1,T2 DATA\n"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.data.fullScale, 800.0);
    }

    void missingOrDamagedFileIsRefused()
    {
        CaseFile file;
        QVERIFY(!readCaseFile(path("absent.mri"), file));
        QVERIFY(!readCaseFile(QStringLiteral(":/files/absent.mri"), file));
        const QString empty = path("empty.mri");
        QVERIFY(writeBytes(empty, {}));
        QVERIFY(!readCaseFile(empty, file));
        QVERIFY(!file.matrix);
    }

    void failedReadLeavesFileEmpty()
    {
        const QString name = path("kept.mri");
        QVERIFY(writeCaseMatrix(name, 2, 2, ramp, "units\nmV\n"));
        CaseFile file;
        QVERIFY(readCaseFile(name, file));
        QVERIFY(file.matrix);
        QVERIFY(!readCaseFile(path("absent.mri"), file));
        QVERIFY(!file.matrix);
        QVERIFY(!file.hasTail);
        QVERIFY(file.tail.isEmpty());
    }

    void nameOutsideLatin1Opens()
    {
        const QString name = path(QStringLiteral("Fälle 日本 Ωmega.mri"));
        QVERIFY(writeCaseMatrix(name, 3, 2, ramp, "MRI PD,T1,T2 DATA\n"));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.kind, CaseKind::Mri);
    }

    void pathLongerThanTheLibraryBufferOpens()
    {
        QString folder = dir.path();
        for (int i = 0; i < 4; ++i)
            folder += QLatin1Char('/') + QString(100, QLatin1Char('a' + i));
        QVERIFY(QDir().mkpath(folder));
        const QString name = folder + QStringLiteral("/long.mri");
        QVERIFY(name.size() > 400);
        QVERIFY(writeCaseMatrix(name, 2, 2, ramp, {}));
        LoadedCase loaded;
        QVERIFY(loaded.load(name));
        QCOMPARE(loaded.setup.image[2][1], 21.0);
    }

    void resourceReaderConvertsFloatsAndKeepsTail()
    {
        const QString name = path("resource.raw");
        QVERIFY(writeRawFloatCase(name, 2, 3, ramp, "fmri\n3\n"));
        CaseFile file;
        QVERIFY(readResourceCase(name, file));
        QCOMPARE(file.rows, 2);
        QCOMPARE(file.cols, 3);
        QCOMPARE(file.matrix[2][3], 23.0);
        QVERIFY(file.hasTail);
        QCOMPARE(file.tail, QByteArray("fmri\0" "3\0", 7));
    }

    void resourceReaderCapsTail()
    {
        const QString name = path("longtail.raw");
        QVERIFY(writeRawFloatCase(name, 1, 1, ramp, QByteArray(12000, 'x')));
        CaseFile file;
        QVERIFY(readResourceCase(name, file));
        QCOMPARE(file.tail.size(), qsizetype(kMaxResourceTailBytes));
    }

    void resourceReaderRefusesBadHeaderOrShortData_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cols");
        QTest::addColumn<int>("droppedBytes");
        QTest::newRow("zero rows") << 0 << 3 << 0;
        QTest::newRow("negative columns") << 2 << -3 << 0;
        QTest::newRow("one float short") << 2 << 3 << 4;
        QTest::newRow("header only") << 2 << 3 << 24;
        QTest::newRow("size beyond the file") << 1 << 2000000000 << 0;
    }

    void resourceReaderRefusesBadHeaderOrShortData()
    {
        QFETCH(int, rows);
        QFETCH(int, cols);
        QFETCH(int, droppedBytes);
        QByteArray bytes;
        const std::int32_t size[2] = {rows, cols};
        bytes.append(reinterpret_cast<const char *>(size), sizeof size);
        bytes.append(QByteArray(24, '\0'));
        bytes.chop(droppedBytes);
        const QString name = path("bad.raw");
        QVERIFY(writeBytes(name, bytes));
        CaseFile file;
        QVERIFY(!readResourceCase(name, file));
        QVERIFY(!file.matrix);
    }

    void niceCeilingRoundsAwayFromZero_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        QTest::newRow("0") << 0.0 << 1.0;
        QTest::newRow("0.3") << 0.3 << 1.0;
        QTest::newRow("1") << 1.0 << 1.0;
        QTest::newRow("1.5") << 1.5 << 1.5;
        QTest::newRow("1.6") << 1.6 << 2.0;
        QTest::newRow("3") << 3.0 << 3.0;
        QTest::newRow("4") << 4.0 << 5.0;
        QTest::newRow("8") << 8.0 << 8.0;
        QTest::newRow("10") << 10.0 << 10.0;
        QTest::newRow("620") << 620.0 << 800.0;
        QTest::newRow("2761") << 2761.0 << 3000.0;
        QTest::newRow("-4") << -4.0 << -5.0;
        QTest::newRow("-0.3") << -0.3 << -1.0;
        QTest::newRow("-1500") << -1500.0 << -1500.0;
    }

    void niceCeilingRoundsAwayFromZero()
    {
        QFETCH(double, x);
        QFETCH(double, expected);
        QCOMPARE(niceCeiling(x), expected);
    }

    void niceCeilingReturnsNonFiniteValues()
    {
        const double inf = std::numeric_limits<double>::infinity();
        QVERIFY(std::isnan(niceCeiling(std::numeric_limits<double>::quiet_NaN())));
        QCOMPARE(niceCeiling(inf), inf);
        QCOMPARE(niceCeiling(-inf), -inf);
        QCOMPARE(niceCeiling(1.7e308), 1.7e308);
    }
};

RELAXON_TEST_CLASS(TestCaseLoader)

#include "test_caseloader.moc"
