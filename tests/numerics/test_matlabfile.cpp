#include "numerics/matiolibrary.h"
#include "numerics/matlabfile.h"
#include "numerics/matrixfile.h"
#include "numerics/matrixmemory.h"
#include "test_matlabfile_support.h"
#include "testrunner.h"

#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <string>

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(RELAXON_TEST_DATA "/matlab/") + QLatin1String(name);
}

// A rows x cols matrix whose element [r][c] is 10 r + c, so that every read
// element tells where it came from.
double **positionCodedMatrix(int rows, int cols)
{
    double **m = dmatrix(1, rows, 1, cols);
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c)
            m[r][c] = 10.0 * r + c;
    return m;
}

// The matrix as a flat row-order list, for one-line comparisons.
QList<double> rowOrder(double **m, int rows, int cols)
{
    QList<double> values;
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c)
            values << m[r][c];
    return values;
}

struct ReadResult
{
    QList<double> values;
    int rows = 0;
    int cols = 0;
    std::string foundName;
    std::string printed;
    bool found = false;
};

ReadResult readWhole(const QString &file, const char *variableName)
{
    ReadResult result;
    char foundName[matlabNameCapacity] = "stale";
    const QByteArray name = QFile::encodeName(file);
    StdoutCapture capture;
    double **m = readMatlabMatrix(name.constData(), &result.rows, &result.cols, variableName,
                                  -1, -1, -1, -1, -1, -1, 0, foundName);
    result.printed = capture.finish();
    result.foundName = foundName;
    result.found = m != nullptr;
    if (m) {
        result.values = rowOrder(m, result.rows, result.cols);
        free_dmatrix(m, 1, result.rows, 1);
    }
    return result;
}

} // namespace

class TestMatlabFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir scratch;

    QByteArray scratchFile(const char *name) const
    {
        return QFile::encodeName(scratch.filePath(QLatin1String(name)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        if (!loadMatlabLibraries("(probe)"))
            QSKIP("the matio library is not installed");
    }

    void writtenMatrixReadsBackUnchanged()
    {
        double **m = dmatrix(1, 2, 1, 3);
        const QList<double> written{1.5, -2.0, 3.25, 1e-300, 0.0, 6.0e300};
        for (int k = 0; k < 6; ++k)
            m[1 + k / 3][1 + k % 3] = written[k];
        const QByteArray file = scratchFile("written.mat");
        QCOMPARE(writeMatlabMatrix(file.constData(), m, 2, 3, "image"), 1);
        free_dmatrix(m, 1, 2, 1);

        const ReadResult read = readWhole(QString::fromLocal8Bit(file), nullptr);
        QVERIFY(read.found);
        QCOMPARE(read.rows, 2);
        QCOMPARE(read.cols, 3);
        QCOMPARE(read.values, written);
        QCOMPARE(read.foundName, std::string());
    }

    void writtenFileIsRecognisedAsMatlabByGetmatrix()
    {
        double **m = positionCodedMatrix(3, 2);
        const QByteArray file = scratchFile("through_getmatrix.mat");
        QCOMPARE(writeMatlabMatrix(file.constData(), m, 3, 2, nullptr), 1);
        free_dmatrix(m, 1, 3, 1);

        int32 rows = 0, cols = 0, tailLength = 7;
        char *tail = nullptr;
        double **read = getmatrix(file.constData(), &rows, &cols, &tailLength, &tail,
                                  nullptr, nullptr, -1, -1, -1, -1, -1, -1, 1);
        QVERIFY(read);
        QVERIFY(lastWasMatlab());
        QCOMPARE(tailLength, 0);
        QVERIFY(!tail);
        QCOMPARE(rows, 2);
        QCOMPARE(cols, 3);
        QCOMPARE(rowOrder(read, rows, cols), (QList<double>{11, 21, 31, 12, 22, 32}));
        free_dmatrix(read, 1, rows, 1);
    }

    void selectionPicksArrayRowsAndColumns_data()
    {
        QTest::addColumn<QList<int>>("selection"); // rowFrom..colStep, transposed
        QTest::addColumn<int>("expectedRows");
        QTest::addColumn<int>("expectedCols");
        QTest::addColumn<QList<double>>("expected");

        QTest::newRow("defaults give the whole 8 x 3 array")
            << QList<int>{-1, -1, -1, -1, -1, -1, 0} << 8 << 3
            << QList<double>{11, 12, 13, 21, 22, 23, 31, 32, 33, 41, 42, 43,
                             51, 52, 53, 61, 62, 63, 71, 72, 73, 81, 82, 83};
        QTest::newRow("rows 2 to 10 in steps of 3 give rows 2, 5, 8")
            << QList<int>{2, 10, 3, 2, 0, 0, 0} << 3 << 2
            << QList<double>{22, 23, 52, 53, 82, 83};
        QTest::newRow("a to below its from reads the one row")
            << QList<int>{4, 2, 1, 3, 3, 1, 0} << 1 << 1 << QList<double>{43};
        QTest::newRow("transposed without selection is 3 x 8")
            << QList<int>{-1, -1, -1, -1, -1, -1, 1} << 3 << 8
            << QList<double>{11, 21, 31, 41, 51, 61, 71, 81, 12, 22, 32, 42, 52, 62, 72, 82,
                             13, 23, 33, 43, 53, 63, 73, 83};
        QTest::newRow("transposed, row values pick array columns")
            << QList<int>{2, 3, 1, 1, 8, 7, 1} << 2 << 2 << QList<double>{12, 82, 13, 83};
    }

    void selectionPicksArrayRowsAndColumns()
    {
        QFETCH(QList<int>, selection);
        QFETCH(int, expectedRows);
        QFETCH(int, expectedCols);
        QFETCH(QList<double>, expected);

        double **m = positionCodedMatrix(8, 3);
        const QByteArray file = scratchFile("selection.mat");
        QCOMPARE(writeMatlabMatrix(file.constData(), m, 8, 3, nullptr), 1);
        free_dmatrix(m, 1, 8, 1);

        int32 rows = 0, cols = 0;
        double **read = readMatlabMatrix(file.constData(), &rows, &cols, nullptr, selection[0],
                                         selection[1], selection[2], selection[3], selection[4],
                                         selection[5], selection[6], nullptr);
        QVERIFY(read);
        QCOMPARE(rows, expectedRows);
        QCOMPARE(cols, expectedCols);
        QCOMPARE(rowOrder(read, rows, cols), expected);
        free_dmatrix(read, 1, rows, 1);
    }

    void selectionStartingBeyondTheArrayIsRefused()
    {
        double **m = positionCodedMatrix(2, 2);
        const QByteArray file = scratchFile("small.mat");
        QCOMPARE(writeMatlabMatrix(file.constData(), m, 2, 2, nullptr), 1);
        free_dmatrix(m, 1, 2, 1);

        int32 rows = 5, cols = 5;
        StdoutCapture capture;
        double **read = readMatlabMatrix(file.constData(), &rows, &cols, nullptr,
                                         3, -1, -1, -1, -1, -1, 0, nullptr);
        const std::string printed = capture.finish();
        QVERIFY(!read);
        QCOMPARE(rows, 0);
        QCOMPARE(printed, "Error reading matlab file " + file.toStdString() + "\n");
    }

    void variablesAreFoundByNameIgnoringCase_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("name"); // empty: none asked
        QTest::addColumn<int>("expectedRows");
        QTest::addColumn<int>("expectedCols");
        QTest::addColumn<QList<double>>("expected");
        QTest::addColumn<QByteArray>("expectedFoundName");

        QTest::newRow("a structure without 'field' before a matrix is passed over")
            << fixture("struct_then_matrix.mat") << QByteArray() << 2 << 3
            << QList<double>{1, 2, 3, 4, 5, 6} << QByteArray();
        QTest::newRow("a structure's 'field' is taken and names the structure")
            << fixture("struct_with_field.mat") << QByteArray() << 2 << 2
            << QList<double>{7, -8, 9, 10} << QByteArray("holder");
        QTest::newRow("an asked field of a structure")
            << fixture("struct_then_matrix.mat") << QByteArray("scale") << 1 << 2
            << QList<double>{2, 3} << QByteArray("info");
        QTest::newRow("an asked name in another letter case")
            << fixture("skipped_classes.mat") << QByteArray("SIGNAL") << 3 << 4
            << QList<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12} << QByteArray();
        QTest::newRow("text, single, logical and empty arrays are passed over")
            << fixture("skipped_classes.mat") << QByteArray() << 3 << 4
            << QList<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12} << QByteArray();
        QTest::newRow("int32 keeps its sign")
            << fixture("int32_negative.mat") << QByteArray("counts") << 2 << 3
            << QList<double>{-1, 0, 1, 2147483647.0, -2147483648.0, -2} << QByteArray();
        QTest::newRow("uint32 above 2^31 stays unsigned")
            << fixture("uint32_large.mat") << QByteArray() << 1 << 4
            << QList<double>{3000000000.0, 4294967295.0, 2147483648.0, 1} << QByteArray();
        QTest::newRow("a complex array gives its real part")
            << fixture("complex.mat") << QByteArray() << 1 << 2 << QList<double>{1, 3}
            << QByteArray();
        QTest::newRow("a version 4 file")
            << fixture("version4.mat") << QByteArray() << 3 << 2
            << QList<double>{1, 2, 3, 4, 5, 6} << QByteArray();
    }

    void variablesAreFoundByNameIgnoringCase()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, name);
        QFETCH(int, expectedRows);
        QFETCH(int, expectedCols);
        QFETCH(QList<double>, expected);
        QFETCH(QByteArray, expectedFoundName);

        const ReadResult read = readWhole(file, name.isEmpty() ? nullptr : name.constData());
        QVERIFY2(read.found, read.printed.c_str());
        QCOMPARE(read.rows, expectedRows);
        QCOMPARE(read.cols, expectedCols);
        QCOMPARE(read.values, expected);
        QCOMPARE(read.foundName, expectedFoundName.toStdString());
    }

    void version73FileIsRead()
    {
        // SciPy cannot write the HDF5-based version 7.3, so matio itself makes it.
        const MatioFunctions *mat = matioFunctions("(probe)");
        QVERIFY(mat);
        const QByteArray file = scratchFile("version73.mat");
        mat_t *out = mat->create(file.constData(), nullptr, MAT_FT_MAT73);
        if (!out)
            QSKIP("this matio build cannot write version 7.3 files");
        std::int32_t columnOrder[6] = {-1, 2, 3, 4, 5, -6};
        std::size_t dims[2] = {2, 3};
        matvar_t *ints = mat->createArray("ints", MAT_C_INT32, MAT_T_INT32, 2, dims, columnOrder,
                                          MAT_F_DONT_COPY_DATA);
        QVERIFY(ints);
        QCOMPARE(mat->write(out, ints, MAT_COMPRESSION_NONE), 0);
        mat->release(ints);
        QCOMPARE(mat->close(out), 0);

        const ReadResult read = readWhole(QFile::decodeName(file), "Ints");
        QVERIFY2(read.found, read.printed.c_str());
        QCOMPARE(read.rows, 2);
        QCOMPARE(read.cols, 3);
        QCOMPARE(read.values, (QList<double>{-1, 3, 5, 2, 4, -6}));
    }

    void missingVariableIsReportedByName()
    {
        const QString file = fixture("struct_then_matrix.mat");
        const ReadResult read = readWhole(file, "absent");
        QVERIFY(!read.found);
        QCOMPARE(read.rows, 0);
        QCOMPARE(read.printed,
                 "Did not find absent in matlab file " + file.toStdString() + "\n");
    }

    void fileWithoutNumericVariableIsAnError()
    {
        const QString file = fixture("geometry_columns.mat");
        const ReadResult read = readWhole(file, nullptr);
        QVERIFY(!read.found);
        QCOMPARE(read.printed, "Error reading matlab file " + file.toStdString() + "\n");
    }

    void unreadableFilesAreRefused_data()
    {
        QTest::addColumn<int>("keptBytes"); // of a written file; -1: no file at all
        QTest::addColumn<QByteArray>("message"); // %s: the file name

        QTest::newRow("missing file") << -1 << QByteArray("\n Error opening matlab file %s\n\n");
        QTest::newRow("only part of the 128-byte header")
            << 60 << QByteArray("\n Error opening matlab file %s\n\n");
        QTest::newRow("header and a cut variable")
            << 140 << QByteArray("Error reading matlab file %s\n");
    }

    void unreadableFilesAreRefused()
    {
        QFETCH(int, keptBytes);
        QFETCH(QByteArray, message);
        const QString path = scratch.filePath(QStringLiteral("broken.mat"));
        QFile::remove(path);
        if (keptBytes >= 0) {
            double **m = positionCodedMatrix(20, 20);
            QCOMPARE(writeMatlabMatrix(QFile::encodeName(path).constData(), m, 20, 20, nullptr), 1);
            free_dmatrix(m, 1, 20, 1);
            QVERIFY(QFile::resize(path, keptBytes));
        }
        const ReadResult read = readWhole(path, nullptr);
        QVERIFY(!read.found);
        QCOMPARE(read.rows, 0);
        QCOMPARE(QString::fromStdString(read.printed),
                 QString::fromLatin1(message).replace(QLatin1String("%s"), path));
    }
};

RELAXON_TEST_CLASS(TestMatlabFile)
#include "test_matlabfile.moc"
