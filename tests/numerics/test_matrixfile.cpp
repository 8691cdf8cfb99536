// Text values are read with a short path for plain decimals and the C library for
// everything else; both must give exactly what strtod gives, whatever the user's
// locale, so the whole class runs in a locale with a decimal comma where one can be made.

#include "numerics/matrixtail.h"
#include "test_matrixfile_helpers.h"
#include "testrunner.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace matrixfiletest;

namespace {

// Every element tells where it came from: row i, column j gives 100 i + j.
double **positionalMatrix(int32 rows, int32 cols)
{
    double **m = dmatrix(1, rows, 1, cols);
    for (int32 i = 1; i <= rows; ++i)
        for (int32 j = 1; j <= cols; ++j)
            m[i][j] = 100.0 * i + j;
    return m;
}

QByteArray readError(const QString &path)
{
    return "\nError reading " + path.toLocal8Bit() + "\n\n\a\a";
}

double cValue(const char *text)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return strtod_l(text, nullptr, c);
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// A file that declares 100000 x 100000 elements; its few data bytes are all it has.
constexpr std::int32_t hugeSide = 100000;

} // namespace

class TestMatrixFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    int fileNumber = 0;

    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    // A fresh file holding bytes, so that every data row has its own.
    QString fileWith(const QByteArray &bytes)
    {
        const QString file = dir.filePath(QString("case%1").arg(++fileNumber));
        writeBytes(file, bytes);
        return file;
    }

    // Reads file expecting failure; returns what went to stderr.
    QByteArray failedReadMessages(const QString &file, int32 rowFrom = -1, int32 colFrom = -1, int transposed = 0)
    {
        OutputCapture capture(stderr);
        ReadResult read;
        const bool ok = read.read(file, rowFrom, -1, -1, colFrom, -1, -1, transposed);
        return ok ? QByteArray("unexpectedly read") : capture.text();
    }

private slots:
    // A comma locale shows up any conversion that follows the user's locale; build
    // systems rarely have one installed, so one is made where the sources are there.
    void initTestCase()
    {
        const QString locales = dir.filePath(QStringLiteral("locales"));
        QVERIFY(QDir().mkpath(locales));
        QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8", locales + "/de_DE.UTF-8"});
        qputenv("LOCPATH", QFile::encodeName(locales));
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8") || std::localeconv()->decimal_point != QByteArray(","))
            qWarning("no locale with a decimal comma can be made here; reading in the C locale");
    }

    void cleanupTestCase() { std::setlocale(LC_ALL, "C"); }

    // Far more values than one read block holds, of varying length so that words
    // straddle the block boundaries, then a tail.
    void everySpellingReadsAsStrtodReadsItAcrossBlocks()
    {
        std::vector<std::string> words = {
            "0", "-0", "+7", "12", ".5", "5.", "-.25", "1.5e3", "1.E5", "2e-3", "7e+2",
            "123456789012345", "1234567890123456", "12345678901234567890", "0.1", "0.3",
            "3.14159265358979", "3.141592653589793", "2.718281828459045e-7",
            "1e22", "1e23", "1e-22", "1e-23", "9.99999999999999e22", "4.9e-324", "1e-400",
            "1.7976931348623157e308", "1e309", "0.000000000000000000001234", "1234e-30",
            "0x1.8p3", "-0X10", "inf", "-Infinity", "nan", "NaN", "00000000000000000001.5",
            "0e999999", "1e0000000000000000000001"};
        for (int i = 0; i < 40000; ++i)
            words.push_back(std::to_string(i % 7 == 0 ? -i : i) + (i % 3 == 0 ? ".125" : "") + (i % 11 == 0 ? "e-2" : ""));
        std::string text = std::to_string(words.size()) + " 1\n";
        for (std::size_t i = 0; i < words.size(); ++i)
            text += words[i] + (i % 5 == 4 || i + 1 == words.size() ? "\n" : "   ");
        ReadResult result;
        QVERIFY(result.read(fileWith(QByteArray::fromStdString(text + "\nfmri\n99\n"))));
        QCOMPARE(result.rows, int32(words.size()));
        for (std::size_t i = 0; i < words.size(); ++i)
            QVERIFY2(sameBits(result.m[int32(i) + 1][1], cValue(words[i].c_str())), words[i].c_str());
        QCOMPARE(result.tailBytes(), QByteArray("fmri\0" "99\0", 8));
    }

    void textLayouts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("cols");
        QTest::addColumn<QList<double>>("values"); // row order
        QTest::addColumn<QByteArray>("tail");
        const double nan = std::nan("");
        const auto row = [](const char *name, const QByteArray &text, int cols, const QList<double> &values,
                            const QByteArray &tail = {}) { QTest::newRow(name) << text << cols << values << tail; };
        row("nan in any case", "2 3\n1 2 3\n4 nan 6\n", 3, {1, 2, 3, 4, nan, 6});
        // Only the first eight bytes decide that a file is text: the header line
        // must not leave a letter among them.
        row("NAN and NaN", "1 2     \nNAN NaN\n", 2, {nan, nan});
        row("header with rows only", "4\n1\n2\n3\n4\n", 1, {1, 2, 3, 4});
        row("short file leaves zeros", "2 2\n1.5 -2\n3", 2, {1.5, -2, 3, 0});
        row("decimal point in any locale", "1 3\n1.5 2.25 -3e-1\nscale\n0.125\n", 3, {1.5, 2.25, -0.3},
            QByteArray("scale\0" "0.125\0", 12));
        row("tail after an empty line", "1 2\n5 6\n\nfmri\n99\n", 2, {5, 6}, QByteArray("fmri\0" "99\0", 8));
        row("tail glued to the last value", "2\n1.5 2.5units\nmore\n", 1, {1.5, 2.5},
            QByteArray("units\0" "more\0", 11));
        row("a sign ends a number", "3\n2-3 4\n", 1, {2, -3, 4});
    }

    void textLayouts()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, cols);
        QFETCH(QList<double>, values);
        QFETCH(QByteArray, tail);
        OutputCapture capture(stderr);
        ReadResult read;
        QVERIFY(read.read(fileWith(text)));
        QCOMPARE(capture.text(), QByteArray());
        QVERIFY(lastWasText());
        QVERIFY(read.cols == cols && read.rows * cols == values.size());
        for (int k = 0; k < values.size(); ++k)
            QVERIFY2(sameBits(read.m[1 + k / cols][1 + k % cols], values[k]), qPrintable(QString::number(k)));
        QCOMPARE(read.tailBytes(), tail);
    }

    // Binary keeps every bit; text keeps what its format prints, infinity as NaN.
    void denseRoundTripKeepsValuesAndTail_data()
    {
        QTest::addColumn<bool>("text");
        QTest::addColumn<QByteArray>("format"); // empty: the default
        QTest::addColumn<QList<double>>("values"); // 2 x 3
        const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
        QTest::newRow("binary") << false << QByteArray() << QList<double>{1 / 3.0, nan, -1e-300, 7e300, -0.0, 2};
        QTest::newRow("text, six digits") << true << QByteArray() << QList<double>{1.5, inf, 0.25, 1234.5, 0, -7e-3};
        QTest::newRow("text, 17 digits") << true << QByteArray(" %19.17g") << QList<double>{1 / 3.0, nan, -1e-300, 7e300, 0, 2};
    }

    void denseRoundTripKeepsValuesAndTail()
    {
        QFETCH(bool, text);
        QFETCH(QByteArray, format);
        QFETCH(QList<double>, values);
        double **m = dmatrix(1, 2, 1, 3);
        for (int k = 0; k < 6; ++k)
            m[1 + k / 3][1 + k % 3] = values[k];
        const QByteArray file = path("dense").toLocal8Bit();
        QVERIFY(text ? putmatrix_text(file, m, 2, 3, format.isEmpty() ? nullptr : format.constData(), 8,
                                      "fmri\n99\n", nullptr, nullptr)
                     : putmatrix(file, m, 2, 3, 8, "fmri\n99\n", nullptr, nullptr));
        free_dmatrix(m, 1, 2, 1);
        const bool big = machineIsBigEndian(); // the documented layouts: header, then the values row by row
        QVERIFY(readBytes(path("dense")).startsWith(text ? QByteArray("   2   3\n")
                                                         : binaryHeader(false, big, 2, 3) + doubleBytes(1 / 3.0, big)));
        ReadResult read; // a dense file gives no sparse outputs even when they are asked for
        QVERIFY(read.read(path("dense"), -1, -1, -1, -1, -1, -1, 0, true));
        QVERIFY(!read.counts && !read.indices && bool(lastWasText()) == text && !lastWasSwapped());
        QCOMPARE(read.rows * 10 + read.cols, 23);
        for (int k = 0; k < 6; ++k)
            QVERIFY(sameBits(read.m[1 + k / 3][1 + k % 3], std::isinf(values[k]) ? std::nan("") : values[k]));
        QCOMPARE(QByteArray(read.tail, 9), QByteArray("fmri\0" "99\0\0", 9));
    }

    void sparseRoundTrip_data()
    {
        QTest::addColumn<bool>("text");
        QTest::addColumn<bool>("sparseOutputs");
        for (bool text : {false, true})
            for (bool sparse : {false, true})
                QTest::addRow("%s, %s", text ? "text" : "binary", sparse ? "as sparse" : "expanded") << text << sparse;
    }

    void sparseRoundTrip()
    {
        QFETCH(bool, text);
        QFETCH(bool, sparseOutputs);
        // Row 1: 7 at column 2; row 2 empty; row 3: 2.5 at column 4 and -1 at column 1.
        // The last row holds the most values, so that it sets the largest count.
        int32 *counts = ivector(1, 3);
        int32 **indices = imatrix(1, 3, 1, 2);
        double **values = dmatrix(1, 3, 1, 2);
        counts[1] = 1;
        counts[3] = indices[1][1] = 2;
        values[1][1] = 7;
        indices[3][1] = 4;
        indices[3][2] = 1;
        values[3][1] = 2.5;
        values[3][2] = -1;
        const QByteArray file = path(text ? "sparse.txt" : "sparse.mbf").toLocal8Bit();
        QVERIFY(text ? putmatrix_text(file, values, 3, 4, nullptr, 4, "end\n", counts, indices)
                     : putmatrix(file, values, 3, 4, 4, "end\n", counts, indices));
        free_dmatrix(values, 1, 3, 1);
        free_imatrix(indices, 1, 3, 1);
        free_ivector(counts, 1, 3);

        ReadResult read;
        QVERIFY(read.read(QString::fromLocal8Bit(file), -1, -1, -1, -1, -1, -1, 0, sparseOutputs));
        QCOMPARE(read.rows * 10 + read.cols, 34);
        QCOMPARE(read.tailBytes(), QByteArray("end\0", 4));
        if (sparseOutputs) {
            QVERIFY(read.counts && read.indices);
            QCOMPARE(QList<int>({read.counts[1], read.counts[2], read.counts[3], read.indices[1][1],
                                 read.indices[3][1], read.indices[3][2]}), QList<int>({1, 0, 2, 2, 4, 1}));
            QCOMPARE(QList<double>({read.m[1][1], read.m[3][1], read.m[3][2]}), QList<double>({7, 2.5, -1}));
        } else {
            QCOMPARE(read.values(), QList<double>({0, 7, 0, 0, 0, 0, 0, 0, -1, 0, 0, 2.5}));
        }
    }

    // An 8 x 5 file of 100 i + j with a tail, in each format and byte order (a raw
    // float file has rows, columns, then floats, and no marker at all).
    void selection_data()
    {
        QTest::addColumn<bool>("bigEndian");
        QTest::addColumn<int>("elementSize"); // 8 doubles, 4 floats, 0 raw floats, -1 text
        QTest::newRow("text") << false << -1;
        for (bool big : {false, true}) {
            QTest::addRow("doubles, big-endian %d", big) << big << 8;
            QTest::addRow("floats, big-endian %d", big) << big << 4;
            QTest::addRow("raw floats, big-endian %d", big) << big << 0;
        }
    }

    void selection()
    {
        QFETCH(bool, bigEndian);
        QFETCH(int, elementSize);
        const QString file = path("selection");
        const char tail[] = "MRI PD,T1,T2 DATA\nboth\n";
        double **m = positionalMatrix(8, 5);
        if (elementSize < 0) {
            QVERIFY(putmatrix_text(file.toLocal8Bit(), m, 8, 5, nullptr, 23, tail, nullptr, nullptr));
        } else {
            QByteArray bytes = elementSize ? binaryHeader(false, bigEndian, 8, 5, char(elementSize))
                                           : int32Bytes(8, bigEndian) + int32Bytes(5, bigEndian);
            for (int32 i = 1; i <= 8; ++i)
                for (int32 j = 1; j <= 5; ++j)
                    bytes += elementSize == 8 ? doubleBytes(m[i][j], bigEndian) : floatBytes(float(m[i][j]), bigEndian);
            QVERIFY(writeBytes(file, bytes + tail));
        }
        free_dmatrix(m, 1, 8, 1);

        ReadResult strided; // rows 2, 5, 8 (to 10 lies beyond the end), columns 2..3
        QVERIFY(strided.read(file, 2, 10, 3, 2, 3, -1));
        QCOMPARE(strided.rows, 3);
        QCOMPARE(strided.values(), QList<double>({202, 203, 502, 503, 802, 803}));
        ReadResult transposed; // whole file transposed: 5 x 8
        QVERIFY(transposed.read(file, -1, -1, -1, -1, -1, -1, 1));
        QCOMPARE(bool(lastWasSwapped()), elementSize >= 0 && bigEndian != machineIsBigEndian());
        QCOMPARE(bool(lastWasText()), elementSize < 0);
        QCOMPARE(transposed.tailBytes(), QByteArray("MRI PD,T1,T2 DATA\0both\0", 23));
        QCOMPARE(transposed.rows, 5);
        QCOMPARE(QList<double>({transposed.m[5][1], transposed.m[1][8], transposed.m[3][6]}),
                 QList<double>({105, 801, 603}));
        ReadResult part; // row values pick file columns 1, 3, 5; columns pick rows 7..8
        QVERIFY(part.read(file, 1, 5, 2, 7, -1, -1, 1));
        QCOMPARE(part.rows, 3);
        QCOMPARE(part.values(), QList<double>({701, 801, 703, 803, 705, 805}));
        ReadResult single; // a `to` below its `from` is raised to it
        QVERIFY(single.read(file, 4, 2, -1, 5, 1, -1));
        QCOMPARE(single.values(), QList<double>{405});
        QCOMPARE(failedReadMessages(file, 9), readError(file));
        QCOMPARE(failedReadMessages(file, -1, 6), readError(file));
    }

    void writerReportsBadParametersAndFilesItCannotWrite()
    {
        double **m = positionalMatrix(1, 1);
        const QByteArray uncreatable = path("no/such/dir/x.txt").toLocal8Bit();
        OutputCapture capture(stderr);
        QVERIFY(!putmatrix(path("never.mbf").toLocal8Bit(), m, 1, 1, 5, nullptr, nullptr, nullptr));
        QVERIFY(!putmatrix_text(uncreatable, m, 1, 1, nullptr, 0, nullptr, nullptr, nullptr));
        QVERIFY(!putmatrix("/dev/full", m, 1, 1, 0, nullptr, nullptr, nullptr)); // no room on the device
        free_dmatrix(m, 1, 1, 1);
        QCOMPARE(capture.text(), "Error in parameters in call to putmatrix\n Cannot create " + uncreatable
                     + "\n\n\a\a\n Error writing to /dev/full\n\n\a\a");
        QVERIFY(!QFile::exists(path("never.mbf")));
    }

    // Each file is refused with the message; files that declare far more than they
    // hold must fail on the size check, not by trying to allocate the declared block.
    void malformedFileIsAReadError_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("message"); // before the read error
        const bool big = machineIsBigEndian();
        const auto i32 = [big](std::int32_t v) { return int32Bytes(v, big); };
        const auto header = [big](bool sparse, std::int32_t rows, std::int32_t cols, char size = 8,
                                  std::int32_t maxCount = 0, char order = -1, std::int32_t length = -1) {
            return binaryHeader(sparse, big, rows, cols, size, maxCount, order, length);
        };
        const QByteArray one = doubleBytes(1, big), two = one + doubleBytes(2, big), sparse14 = header(true, 1, 4, 8, 1);
        const auto unimplemented = [](const char *name, const QByteArray &bytes) {
            QTest::newRow(name) << bytes << QByteArray("\nUnimplemented mfbmat file type?\n");
        };
        const auto bad = [](const char *name, const QByteArray &bytes) { QTest::newRow(name) << bytes << QByteArray(); };
        unimplemented("byte order 2", header(false, 1, 1, 8, 0, 2) + one);
        unimplemented("dense with sparse header length", header(false, 1, 1, 8, 0, -1, 15) + one);
        unimplemented("fixed byte 0", header(false, 1, 1).replace(14, 1, QByteArray(1, '\0')) + one);
        unimplemented("element size 2", header(false, 1, 1, 2) + one);
        unimplemented("header cut short", header(false, 1, 1).left(18));
        bad("dense doubles 100000 x 100000", header(false, hugeSide, hugeSide) + two);
        bad("dense 2 x 3 missing its last element", header(false, 2, 3) + two + two);
        bad("raw 30000 x 30000", i32(30000) + i32(30000) + two);
        bad("raw 2 x 2 missing a float", i32(2) + i32(2) + floatBytes(1, big).repeated(3));
        bad("sparse 100000 rows", header(true, hugeSide, hugeSide, 8, hugeSide) + two);
        bad("sparse count beyond the file", header(true, 1, hugeSide, 8, hugeSide) + i32(hugeSide) + i32(1));
        bad("sparse values missing", header(true, 1, 4, 8, 2) + i32(2) + i32(1) + i32(3) + one);
        bad("empty file", QByteArray());
        bad("dense rows 0", header(false, 0, 3) + one);
        bad("dense cols -5", header(false, 2, -5) + one);
        bad("sparse maxCount 0", header(true, 1, 1, 8, 0) + one);
        bad("raw rows 0", i32(0) + i32(4) + one);
        bad("raw header cut short", QByteArray("\x7f\x01\x02\x03\x04", 5));
        bad("text rows 0", "0 3\n");
        bad("text cols -1", "2 -1\n1 2\n");
        bad("text rows beyond int32", "99999999999 2\n1 2\n");
        bad("text header without number", "   \n1 2\n");
        bad("text word other than nan", "1 3\n1 two 3\n");
        bad("text number ending in e", "2\n1e x\n");
        bad("text word longer than its buffer", "1 2\n1 " + QByteArray(600, '7') + "\n");
        bad("text word longer than its buffer, not a number", "1 1     \n" + QByteArray(4000, 'x'));
        bad("sparse column beyond cols", sparse14 + i32(1) + i32(5) + one);
        bad("sparse column 0", sparse14 + i32(1) + i32(0) + one);
        bad("sparse count above maxCount", sparse14 + i32(2) + i32(1) + i32(2) + one + one);
        bad("sparse negative count", sparse14 + i32(-1) + one);
        bad("text sparse column beyond cols", "1 4 1\n1 9\n2.5\n");
        bad("text sparse count above maxCount", "1 4 1\n2 1 2\n2.5 1\n");
        bad("text sparse index block cut short", "2 4 1\n1 1\n");
    }

    void malformedFileIsAReadError()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, message);
        const QString file = fileWith(bytes);
        QCOMPARE(failedReadMessages(file), message + readError(file));
    }

    void missingFilesAndPartsOfSparseFilesAreRefused()
    {
        const QString missing = path("does-not-exist");
        QCOMPARE(failedReadMessages(missing), "\n Cannot open " + missing.toLocal8Bit() + "\n\n\a\a");
        const bool big = machineIsBigEndian();
        const QString file = fileWith(binaryHeader(true, big, 2, 2, 8, 1) + int32Bytes(1, big)
                                      + int32Bytes(2, big) + int32Bytes(0, big) + doubleBytes(4, big));
        QCOMPARE(failedReadMessages(file, 2),
                 "\nReading parts of sparse matrices not yet implemented\n\n" + readError(file));
        QCOMPARE(failedReadMessages(file, -1, -1, 1),
                 "\nReading transposed sparse matrices not yet implemented\n\n" + readError(file));
    }

    void valueLinesAreFoundAndRead_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<int>("valueAt"); // -1: no value
        QTest::addColumn<int>("intFound");
        QTest::addColumn<int>("intValue");
        // The form in which getmatrix hands out the tail "fmri\n99\n".
        const QByteArray fmri("fmri\0" "99\0", 8);
        QTest::newRow("key in another letter case") << fmri << QByteArray("FMRI") << 0 << 5 << 1 << 99;
        QTest::newRow("no second occurrence") << fmri << QByteArray("fmri") << 1 << -1 << 0 << 0;
        QTest::newRow("negative occurrence") << fmri << QByteArray("fmri") << -1 << -1 << 0 << 0;
        // Occurrence 0's value is the second "units" line, which itself matches again.
        const QByteArray units("units\nunits\n12\nunitsX\nlast\n");
        QTest::newRow("value line that is a key") << units << QByteArray("units") << 0 << 6 << 0 << 0;
        QTest::newRow("second occurrence") << units << QByteArray("UNITS") << 1 << 12 << 1 << 12;
        QTest::newRow("key as prefix") << units << QByteArray("units") << 2 << 22 << 0 << 0;
        QTest::newRow("past the last occurrence") << units << QByteArray("units") << 3 << -1 << 0 << 0;
        QTest::newRow("last line, line feed") << QByteArray("a\n1\nfmri\n") << QByteArray("fmri") << 0 << -1 << 0 << 0;
        QTest::newRow("last line, no end") << QByteArray("a\n1\nfmri") << QByteArray("fmri") << 0 << -1 << 0 << 0;
        QTest::newRow("last line, NUL") << QByteArray("a\0" "1\0" "fmri\0", 9) << QByteArray("fmri") << 0 << -1 << 0 << 0;
        QTest::newRow("not a number") << QByteArray("fmri\nninety-nine\n") << QByteArray("fmri") << 0 << 5 << 0 << 0;
        QTest::newRow("beyond int32") << QByteArray("big\n3000000000\n") << QByteArray("big") << 0 << 4 << 0 << 0;
        QTest::newRow("negative with text after") << QByteArray("n\n-42 frames\n") << QByteArray("n") << 0 << 2 << 1 << -42;
        // Numbers are read from at most 511 characters of their line.
        QTest::newRow("511 characters") << "n\n" + QByteArray(510, '0') + "7\n" << QByteArray("n") << 0 << 2 << 1 << 7;
    }

    void valueLinesAreFoundAndRead()
    {
        QFETCH(QByteArray, tail);
        QFETCH(QByteArray, key);
        QFETCH(int, occurrence);
        QFETCH(int, valueAt);
        QFETCH(int, intFound);
        QFETCH(int, intValue);
        const int32 length = int32(tail.size());
        const char *value = tailFindValue(length, tail.data(), key.constData(), occurrence);
        QCOMPARE(value ? int(value - tail.constData()) : -1, valueAt);
        int32 number = 0;
        QCOMPARE(tailGetInt(length, tail.data(), key.constData(), &number, occurrence), intFound);
        QCOMPARE(number, intValue);
    }

    void numbersAreReadAndNullTailsGrow()
    {
        char tail[] = "scale\n  2.5e-3 mm\nnone\nmm\n";
        double scale = 0;
        QCOMPARE(tailGetDouble(int32(std::strlen(tail)), tail, "scale", &scale, 0), 1);
        QCOMPARE(scale, 2.5e-3);
        QCOMPARE(tailGetDouble(int32(std::strlen(tail)), tail, "none", &scale, 0), 0);
        QVERIFY(!tailFindValue(8, nullptr, "fmri", 0));
        int32 length = 0;
        char *grown = nullptr; // each append adds a key line and a value line
        QVERIFY(tailAppend(&length, &grown, "fmri", "99") == 1 && tailAppend(&length, &grown, "units", "ms") == 1);
        QCOMPARE(QByteArray(grown), QByteArray("fmri\n99\nunits\nms\n"));
        QCOMPARE(length, 17);
        std::free(grown);
    }

    void setValue_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("after"); // empty: refused, tail unchanged
        const QByteArray two("fmri\n99\nunits\nms\n");
        const auto row = [](const char *name, const QByteArray &before, const QByteArray &key, int occurrence,
                            const QByteArray &value, const QByteArray &after) {
            QTest::newRow(name) << before << key << occurrence << value << after;
        };
        row("shorter is padded with blanks", two, "fmri", 0, "7", "fmri\n7 \nunits\nms\n");
        row("same length", two, "fmri", 0, "12", "fmri\n12\nunits\nms\n");
        row("longer moves the rest right", two, "fmri", 0, "1234", "fmri\n1234\nunits\nms\n");
        row("second occurrence", "k\na\nk\nb\n", "k", 1, "bbb", "k\na\nk\nbbb\n");
        row("longer last line without line feed", "k\nv", "k", 0, "value", "k\nvalue\n");
        row("missing key", two, "scale", 0, "ms", {});
        row("missing occurrence", two, "fmri", 1, "ms", {});
    }

    void setValue()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, key);
        QFETCH(int, occurrence);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, after);
        int32 length = int32(before.size());
        char *tail = strdup(before.constData()); // malloc'ed: the tail operations own and may replace it
        QCOMPARE(tailSetValue(&length, &tail, key.constData(), nullptr, occurrence), 0); // no value at all
        QCOMPARE(tailSetValue(&length, &tail, key.constData(), value.constData(), occurrence),
                 after.isEmpty() ? 0 : 1);
        QCOMPARE(QByteArray(tail, length), after.isEmpty() ? before : after);
        QCOMPARE(tail[length], '\0');
        std::free(tail);
    }
};

RELAXON_TEST_CLASS(TestMatrixFile)
#include "test_matrixfile.moc"
