#include "test_matrixfile_helpers.h"
#include "testrunner.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace matrixfiletest;

namespace {

// " %g" keeps six significant digits; the values below need no more.
const double sixDigitValues[2][3] = {{1.5, -2, 0.25}, {1234.5, 0, -7e-3}};

double **makeMatrix(int32 rows, int32 cols, double (*value)(int32, int32))
{
    double **m = dmatrix(1, rows, 1, cols);
    for (int32 i = 1; i <= rows; ++i)
        for (int32 j = 1; j <= cols; ++j)
            m[i][j] = value(i, j);
    return m;
}

// Every element tells where it came from: row i, column j gives 100 i + j.
double positional(int32 i, int32 j)
{
    return 100.0 * i + j;
}

double awkward(int32 i, int32 j)
{
    return (i * 7 + j) / 3.0 + 1e-9 * j;
}

} // namespace

class TestMatrixFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QByteArray name(const char *file) const { return path(file).toLocal8Bit(); }

private slots:
    void binaryDenseRoundTripKeepsEveryBitAndTheTail()
    {
        double **m = makeMatrix(3, 4, awkward);
        m[2][3] = std::numeric_limits<double>::quiet_NaN();
        const char tail[] = "fmri\n99\n";
        QVERIFY(putmatrix(name("dense.mbf"), m, 3, 4, 8, tail, nullptr, nullptr));

        ReadResult read;
        QVERIFY(read.read(path("dense.mbf")));
        QCOMPARE(read.rows, 3);
        QCOMPARE(read.cols, 4);
        for (int32 i = 1; i <= 3; ++i)
            for (int32 j = 1; j <= 4; ++j)
                if (i != 2 || j != 3)
                    QCOMPARE(read.m[i][j], m[i][j]);
        QVERIFY(std::isnan(read.m[2][3]));
        QCOMPARE(read.tailLength, 8);
        QCOMPARE(QByteArray(read.tail, 9), QByteArray("fmri\0" "99\0\0", 9));
        QVERIFY(!lastWasText());
        QVERIFY(!lastWasSwapped());
        free_dmatrix(m, 1, 3, 1);
    }

    void twoByTwoDenseFileHasTheDocumentedLayout()
    {
        double **m = makeMatrix(2, 2, positional);
        QVERIFY(putmatrix(name("layout.mbf"), m, 2, 2, 0, nullptr, nullptr, nullptr));
        const QByteArray bytes = readBytes(path("layout.mbf"));
        const bool big = machineIsBigEndian();
        QCOMPARE(bytes.size(), 24 + 32);
        QCOMPARE(bytes.left(24), binaryHeader(false, big, 2, 2));
        QCOMPARE(bytes.mid(24, 8), doubleBytes(101, big));
        QCOMPARE(bytes.mid(48, 8), doubleBytes(202, big));
        free_dmatrix(m, 1, 2, 1);
    }

    void textRoundTripWithDefaultFormat()
    {
        double **m = dmatrix(1, 2, 1, 3);
        for (int32 i = 1; i <= 2; ++i)
            for (int32 j = 1; j <= 3; ++j)
                m[i][j] = sixDigitValues[i - 1][j - 1];
        m[1][2] = std::numeric_limits<double>::infinity();
        const char tail[] = "units\nms\n";
        QVERIFY(putmatrix_text(name("dense.txt"), m, 2, 3, nullptr, 9, tail, nullptr, nullptr));

        ReadResult read;
        QVERIFY(read.read(path("dense.txt")));
        QVERIFY(lastWasText());
        QCOMPARE(read.rows, 2);
        QCOMPARE(read.cols, 3);
        QVERIFY(std::isnan(read.m[1][2])); // infinite values are stored as NaN
        for (int32 i = 1; i <= 2; ++i)
            for (int32 j = 1; j <= 3; ++j)
                if (i != 1 || j != 2)
                    QCOMPARE(read.m[i][j], sixDigitValues[i - 1][j - 1]);
        QCOMPARE(QByteArray(read.tail, read.tailLength), QByteArray("units\0ms\0", 9));
        free_dmatrix(m, 1, 2, 1);
    }

    void textWithWideFormatBreaksLinesAndKeepsValues()
    {
        // " %19.17g" gives 80 / 20 = 4 values per line; 10 columns need three lines.
        double **m = makeMatrix(2, 10, awkward);
        QVERIFY(putmatrix_text(name("wide.txt"), m, 2, 10, " %19.17g", 0, nullptr, nullptr,
                               nullptr));
        const QList<QByteArray> lines = readBytes(path("wide.txt")).split('\n');
        QCOMPARE(lines.at(0), QByteArray("   2  10"));
        QCOMPARE(lines.at(1).simplified().split(' ').size(), 4);
        QCOMPARE(lines.at(3).simplified().split(' ').size(), 2);
        QCOMPARE(lines.at(4), QByteArray()); // the empty line after a row of 10
        ReadResult read;
        QVERIFY(read.read(path("wide.txt")));
        for (int32 i = 1; i <= 2; ++i)
            for (int32 j = 1; j <= 10; ++j)
                QCOMPARE(read.m[i][j], m[i][j]);
        free_dmatrix(m, 1, 2, 1);
    }

    void sparseRoundTrip_data()
    {
        QTest::addColumn<bool>("text");
        QTest::addColumn<bool>("sparseOutputs");
        QTest::newRow("binary, expanded") << false << false;
        QTest::newRow("binary, as sparse") << false << true;
        QTest::newRow("text, expanded") << true << false;
        QTest::newRow("text, as sparse") << true << true;
    }

    void sparseRoundTrip()
    {
        QFETCH(bool, text);
        QFETCH(bool, sparseOutputs);
        // Row 1: 2.5 at column 4 and -1 at column 1; row 2 empty; row 3: 7 at column 2.
        int32 *counts = ivector(1, 3);
        int32 **indices = imatrix(1, 3, 1, 2);
        double **values = dmatrix(1, 3, 1, 2);
        counts[1] = 2;
        indices[1][1] = 4;
        values[1][1] = 2.5;
        indices[1][2] = 1;
        values[1][2] = -1;
        counts[3] = 1;
        indices[3][1] = 2;
        values[3][1] = 7;
        const QByteArray file = name(text ? "sparse.txt" : "sparse.mbf");
        QVERIFY(text ? putmatrix_text(file, values, 3, 4, nullptr, 4, "end\n", counts, indices)
                     : putmatrix(file, values, 3, 4, 4, "end\n", counts, indices));

        ReadResult read;
        QVERIFY(read.read(QString::fromLocal8Bit(file), -1, -1, -1, -1, -1, -1, 0, sparseOutputs));
        QCOMPARE(read.rows, 3);
        QCOMPARE(read.cols, 4);
        QCOMPARE(QByteArray(read.tail, read.tailLength), QByteArray("end\0", 4));
        if (sparseOutputs) {
            QVERIFY(read.counts && read.indices);
            QCOMPARE(read.counts[1], 2);
            QCOMPARE(read.counts[2], 0);
            QCOMPARE(read.counts[3], 1);
            QCOMPARE(read.indices[1][1], 4);
            QCOMPARE(read.indices[1][2], 1);
            QCOMPARE(read.m[1][2], -1.0);
            QCOMPARE(read.m[3][1], 7.0);
        } else {
            const double expected[3][4] = {{-1, 0, 0, 2.5}, {0, 0, 0, 0}, {0, 7, 0, 0}};
            for (int32 i = 1; i <= 3; ++i)
                for (int32 j = 1; j <= 4; ++j)
                    QCOMPARE(read.m[i][j], expected[i - 1][j - 1]);
        }
        free_dmatrix(values, 1, 3, 1);
        free_imatrix(indices, 1, 3, 1);
        free_ivector(counts, 1, 3);
    }

    void denseFileGivesNoSparseOutputs()
    {
        double **m = makeMatrix(2, 2, positional);
        QVERIFY(putmatrix(name("plain.mbf"), m, 2, 2, 0, nullptr, nullptr, nullptr));
        ReadResult read;
        QVERIFY(read.read(path("plain.mbf"), -1, -1, -1, -1, -1, -1, 0, true));
        QVERIFY(!read.counts);
        QVERIFY(!read.indices);
        QVERIFY(!read.tail);
        QCOMPARE(read.tailLength, 0);
        QCOMPARE(read.m[2][1], 201.0);
        free_dmatrix(m, 1, 2, 1);
    }

    void allEmptySparseMatrixIsWrittenAsZeros()
    {
        int32 *counts = ivector(1, 2);
        int32 **indices = imatrix(1, 2, 1, 1);
        double **values = dmatrix(1, 2, 1, 1);
        QVERIFY(putmatrix(name("empty.mbf"), values, 2, 5, 0, nullptr, counts, indices));
        ReadResult read;
        QVERIFY(read.read(path("empty.mbf")));
        QCOMPARE(read.cols, 5);
        QCOMPARE(read.m[2][5], 0.0);
        free_dmatrix(values, 1, 2, 1);
        free_imatrix(indices, 1, 2, 1);
        free_ivector(counts, 1, 2);
    }

    void selection_data()
    {
        QTest::addColumn<int>("variant"); // 0 binary double, 1 binary float, 2 text
        QTest::newRow("binary double") << 0;
        QTest::newRow("binary float") << 1;
        QTest::newRow("text") << 2;
    }

    // An 8 x 5 file of 100 i + j in each variant.
    void selection()
    {
        QFETCH(int, variant);
        const QString file = path("selection");
        const bool big = machineIsBigEndian();
        if (variant == 2) {
            double **m = makeMatrix(8, 5, positional);
            QVERIFY(putmatrix_text(file.toLocal8Bit(), m, 8, 5, nullptr, 0, nullptr, nullptr,
                                   nullptr));
            free_dmatrix(m, 1, 8, 1);
        } else {
            QByteArray bytes = binaryHeader(false, big, 8, 5, variant == 0 ? 8 : 4);
            for (int32 i = 1; i <= 8; ++i)
                for (int32 j = 1; j <= 5; ++j)
                    bytes += variant == 0 ? doubleBytes(positional(i, j), big)
                                          : floatBytes(float(positional(i, j)), big);
            QVERIFY(writeBytes(file, bytes));
        }

        ReadResult strided; // rows 2, 5, 8 (to 10 lies beyond the end), columns 2..3
        QVERIFY(strided.read(file, 2, 10, 3, 2, 3, -1));
        QCOMPARE(strided.rows, 3);
        QCOMPARE(strided.cols, 2);
        QCOMPARE(strided.m[1][1], 202.0);
        QCOMPARE(strided.m[2][2], 503.0);
        QCOMPARE(strided.m[3][1], 802.0);

        ReadResult transposed; // whole file transposed: 5 x 8
        QVERIFY(transposed.read(file, -1, -1, -1, -1, -1, -1, 1));
        QCOMPARE(transposed.rows, 5);
        QCOMPARE(transposed.cols, 8);
        QCOMPARE(transposed.m[5][1], 105.0);
        QCOMPARE(transposed.m[1][8], 801.0);

        ReadResult transposedPart; // row values pick file columns 1, 3, 5; columns pick rows 7..8
        QVERIFY(transposedPart.read(file, 1, 5, 2, 7, -1, -1, 1));
        QCOMPARE(transposedPart.rows, 3);
        QCOMPARE(transposedPart.cols, 2);
        QCOMPARE(transposedPart.m[2][1], 703.0);
        QCOMPARE(transposedPart.m[3][2], 805.0);

        ReadResult single; // a `to` below its `from` is raised to it
        QVERIFY(single.read(file, 4, 2, -1, 5, 1, -1));
        QCOMPARE(single.rows, 1);
        QCOMPARE(single.cols, 1);
        QCOMPARE(single.m[1][1], 405.0);

        ReadResult beyondRows;
        ReadResult beyondCols;
        StderrCapture capture(path("selection.err"));
        QVERIFY(!beyondRows.read(file, 9));
        QVERIFY(!beyondCols.read(file, -1, -1, -1, 6));
        QCOMPARE(capture.text().count("\nError reading "), 2);
    }

    void transposedThreeByFiveGivesFiveByThree()
    {
        double **m = makeMatrix(3, 5, positional);
        QVERIFY(putmatrix(name("t35.mbf"), m, 3, 5, 0, nullptr, nullptr, nullptr));
        ReadResult read;
        QVERIFY(read.read(path("t35.mbf"), -1, -1, -1, -1, -1, -1, 1));
        QCOMPARE(read.rows, 5);
        QCOMPARE(read.cols, 3);
        for (int32 i = 1; i <= 5; ++i)
            for (int32 j = 1; j <= 3; ++j)
                QCOMPARE(read.m[i][j], positional(j, i));
        free_dmatrix(m, 1, 3, 1);
    }

    void writerReportsMissingTailAndUncreatableFile()
    {
        double **m = makeMatrix(1, 1, positional);
        StderrCapture capture(path("writer.err"));
        QVERIFY(!putmatrix(name("never.mbf"), m, 1, 1, 5, nullptr, nullptr, nullptr));
        QVERIFY(!putmatrix_text(name("no/such/dir/x.txt"), m, 1, 1, nullptr, 0, nullptr, nullptr,
                                nullptr));
        const QByteArray text = capture.text();
        QVERIFY(text.startsWith("Error in parameters in call to putmatrix\n Cannot create "));
        QVERIFY(text.endsWith("x.txt\n\n\a\a"));
        free_dmatrix(m, 1, 1, 1);
    }
};

RELAXON_TEST_CLASS(TestMatrixFile)
#include "test_matrixfile.moc"
