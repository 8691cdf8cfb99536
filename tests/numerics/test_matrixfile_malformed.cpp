#include "test_matrixfile_helpers.h"
#include "testrunner.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace matrixfiletest;

namespace {

QByteArray readError(const QString &path)
{
    return "\nError reading " + path.toLocal8Bit() + "\n\n\a\a";
}

// A file that declares 100000 x 100000 elements; its few data bytes are all it has.
constexpr std::int32_t hugeSide = 100000;

} // namespace

class TestMatrixFileMalformed : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    int fileNumber = 0;

    // A fresh file holding bytes, so that every data row has its own.
    QString fileWith(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QString("case%1").arg(++fileNumber));
        writeBytes(path, bytes);
        return path;
    }

    // Reads path expecting failure; returns what went to stderr.
    QByteArray failedReadMessages(const QString &path, int32 rowFrom = -1, int transposed = 0)
    {
        StderrCapture capture(dir.filePath("stderr"));
        ReadResult read;
        const bool ok = read.read(path, rowFrom, -1, -1, -1, -1, -1, transposed);
        const QByteArray text = capture.text();
        return ok ? QByteArray("unexpectedly read") : text;
    }

private slots:
    void binaryFilesInEitherByteOrder_data()
    {
        QTest::addColumn<bool>("bigEndian");
        QTest::addColumn<int>("elementSize");
        QTest::newRow("little-endian doubles") << false << 8;
        QTest::newRow("big-endian doubles") << true << 8;
        QTest::newRow("little-endian floats") << false << 4;
        QTest::newRow("big-endian floats") << true << 4;
    }

    void binaryFilesInEitherByteOrder()
    {
        QFETCH(bool, bigEndian);
        QFETCH(int, elementSize);
        const float values[6] = {1.5f, -2.25f, 3e10f, 0.125f, -0.0f, 65536.5f};
        QByteArray bytes = binaryHeader(false, bigEndian, 2, 3, char(elementSize));
        for (float v : values)
            bytes += elementSize == 8 ? doubleBytes(v, bigEndian) : floatBytes(v, bigEndian);
        bytes += "invert\nboth\n";

        ReadResult read;
        QVERIFY(read.read(fileWith(bytes)));
        QCOMPARE(bool(lastWasSwapped()), bigEndian != machineIsBigEndian());
        QCOMPARE(read.rows, 2);
        QCOMPARE(read.cols, 3);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(read.m[1 + i / 3][1 + i % 3], double(values[i]));
        QCOMPARE(QByteArray(read.tail, read.tailLength), QByteArray("invert\0both\0", 12));
    }

    void rawFloatFileReadsTheSameInEitherByteOrder_data()
    {
        QTest::addColumn<bool>("foreignOrder");
        QTest::newRow("machine order") << false;
        QTest::newRow("reversed") << true;
    }

    void rawFloatFileReadsTheSameInEitherByteOrder()
    {
        QFETCH(bool, foreignOrder);
        const bool big = machineIsBigEndian() != foreignOrder;
        QByteArray bytes = int32Bytes(256, big) + int32Bytes(256, big);
        bytes.reserve(8 + 256 * 256 * 4 + 17);
        for (int i = 1; i <= 256; ++i)
            for (int j = 1; j <= 256; ++j)
                bytes += floatBytes(float(i * 1000 + j), big);
        bytes += "MRI PD,T1,T2 DATA";

        ReadResult read;
        QVERIFY(read.read(fileWith(bytes)));
        QCOMPARE(bool(lastWasSwapped()), foreignOrder);
        QVERIFY(!lastWasText());
        QCOMPARE(read.rows, 256);
        QCOMPARE(read.cols, 256);
        QCOMPARE(read.m[1][1], 1001.0);
        QCOMPARE(read.m[256][17], 256017.0);
        QCOMPARE(QByteArray(read.tail, read.tailLength), QByteArray("MRI PD,T1,T2 DATA"));
    }

    void badBinaryHeaderIsUnimplementedType_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const bool big = machineIsBigEndian();
        const QByteArray data = doubleBytes(1, big);
        QTest::newRow("byte order 2") << binaryHeader(false, big, 1, 1, 8, 0, 2) + data;
        QTest::newRow("dense with sparse header length")
            << binaryHeader(false, big, 1, 1, 8, 0, -1, 15) + data;
        QByteArray fixedByte = binaryHeader(false, big, 1, 1) + data;
        fixedByte[14] = 0;
        QTest::newRow("fixed byte 0") << fixedByte;
        QTest::newRow("element size 2") << binaryHeader(false, big, 1, 1, 2) + data;
        QTest::newRow("header cut short") << binaryHeader(false, big, 1, 1).left(18);
    }

    void badBinaryHeaderIsUnimplementedType()
    {
        QFETCH(QByteArray, bytes);
        const QString path = fileWith(bytes);
        QCOMPARE(failedReadMessages(path),
                 "\nUnimplemented mfbmat file type?\n" + readError(path));
    }

    // Each file declares far more than it holds; the read must fail on the size check,
    // not by trying (and failing) to allocate the declared block.
    void truncatedFileIsRefusedBeforeAllocating_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const bool big = machineIsBigEndian();
        const QByteArray someData = doubleBytes(1, big) + doubleBytes(2, big);
        QTest::newRow("dense doubles 100000 x 100000")
            << binaryHeader(false, big, hugeSide, hugeSide) + someData;
        QTest::newRow("dense floats 100000 x 100000")
            << binaryHeader(false, big, hugeSide, hugeSide, 4) + someData;
        QTest::newRow("dense 2 x 3 missing its last element")
            << binaryHeader(false, big, 2, 3) + someData + someData;
        QTest::newRow("raw 30000 x 30000") << int32Bytes(30000, big) + int32Bytes(30000, big)
                                                  + someData;
        QTest::newRow("raw 2 x 2 missing a float")
            << int32Bytes(2, big) + int32Bytes(2, big) + floatBytes(1, big).repeated(3);
        QTest::newRow("sparse 100000 rows")
            << binaryHeader(true, big, hugeSide, hugeSide, 8, hugeSide) + someData;
        QTest::newRow("sparse count beyond the file")
            << binaryHeader(true, big, 1, hugeSide, 8, hugeSide) + int32Bytes(hugeSide, big)
                   + int32Bytes(1, big);
        QTest::newRow("sparse values missing")
            << binaryHeader(true, big, 1, 4, 8, 2) + int32Bytes(2, big) + int32Bytes(1, big)
                   + int32Bytes(3, big) + doubleBytes(1, big);
    }

    void truncatedFileIsRefusedBeforeAllocating()
    {
        QFETCH(QByteArray, bytes);
        const QString path = fileWith(bytes);
        QCOMPARE(failedReadMessages(path), readError(path));
    }

    void malformedContentIsAReadError_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const bool big = machineIsBigEndian();
        const QByteArray one = doubleBytes(1, big);
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("dense rows 0") << binaryHeader(false, big, 0, 3) + one;
        QTest::newRow("dense cols -5") << binaryHeader(false, big, 2, -5) + one;
        QTest::newRow("sparse maxCount 0") << binaryHeader(true, big, 1, 1, 8, 0) + one;
        QTest::newRow("raw rows 0") << int32Bytes(0, big) + int32Bytes(4, big) + one;
        QTest::newRow("raw header cut short") << QByteArray("\x7f\x01\x02\x03\x04", 5);
        QTest::newRow("text rows 0") << QByteArray("0 3\n");
        QTest::newRow("text cols -1") << QByteArray("2 -1\n1 2\n");
        QTest::newRow("text rows beyond int32") << QByteArray("99999999999 2\n1 2\n");
        QTest::newRow("text header without number") << QByteArray("   \n1 2\n");
        QTest::newRow("text word other than nan") << QByteArray("1 3\n1 two 3\n");
        QTest::newRow("text word longer than its buffer")
            << QByteArray("1 2\n1 ") + QByteArray(600, '7') + "\n";
        QTest::newRow("text word longer than its buffer, not a number")
            << QByteArray("1 1     \n") + QByteArray(4000, 'x');
        QTest::newRow("sparse column beyond cols")
            << binaryHeader(true, big, 1, 4, 8, 1) + int32Bytes(1, big) + int32Bytes(5, big) + one;
        QTest::newRow("sparse column 0")
            << binaryHeader(true, big, 1, 4, 8, 1) + int32Bytes(1, big) + int32Bytes(0, big) + one;
        QTest::newRow("sparse count above maxCount")
            << binaryHeader(true, big, 1, 4, 8, 1) + int32Bytes(2, big) + int32Bytes(1, big)
                   + int32Bytes(2, big) + one + one;
        QTest::newRow("sparse negative count")
            << binaryHeader(true, big, 1, 4, 8, 1) + int32Bytes(-1, big) + one;
        QTest::newRow("text sparse column beyond cols") << QByteArray("1 4 1\n1 9\n2.5\n");
        QTest::newRow("text sparse count above maxCount") << QByteArray("1 4 1\n2 1 2\n2.5 1\n");
        QTest::newRow("text sparse index block cut short") << QByteArray("2 4 1\n1 1\n");
    }

    void malformedContentIsAReadError()
    {
        QFETCH(QByteArray, bytes);
        const QString path = fileWith(bytes);
        QCOMPARE(failedReadMessages(path), readError(path));
    }

    void missingFileCannotBeOpened()
    {
        const QString path = dir.filePath("does-not-exist");
        QCOMPARE(failedReadMessages(path), "\n Cannot open " + path.toLocal8Bit() + "\n\n\a\a");
    }

    void sparseFilesAreReadWholeOnly()
    {
        const bool big = machineIsBigEndian();
        const QString path = fileWith(binaryHeader(true, big, 2, 2, 8, 1) + int32Bytes(1, big)
                                      + int32Bytes(2, big) + int32Bytes(0, big)
                                      + doubleBytes(4, big));
        QCOMPARE(failedReadMessages(path, 2),
                 "\nReading parts of sparse matrices not yet implemented\n\n" + readError(path));
        QCOMPARE(failedReadMessages(path, -1, 1),
                 "\nReading transposed sparse matrices not yet implemented\n\n" + readError(path));
        ReadResult whole;
        QVERIFY(whole.read(path));
        QCOMPARE(whole.m[1][2], 4.0);
        QCOMPARE(whole.m[2][2], 0.0);
    }

    void textValuesMayBeNanInAnyCase()
    {
        ReadResult read;
        QVERIFY(read.read(fileWith("2 3\n1 2 3\n4 nan 6\n")));
        QCOMPARE(read.rows, 2);
        QCOMPARE(read.cols, 3);
        QVERIFY(std::isnan(read.m[2][2]));
        QCOMPARE(read.m[2][3], 6.0);

        // Only the first eight bytes decide that a file is text: the header line
        // must not leave a letter among them.
        ReadResult shouting;
        QVERIFY(shouting.read(fileWith("1 2     \nNAN NaN\n")));
        QVERIFY(std::isnan(shouting.m[1][1]) && std::isnan(shouting.m[1][2]));
    }

    void textHeaderWithRowsOnlyIsOneColumn()
    {
        ReadResult read;
        QVERIFY(read.read(fileWith("4\n1\n2\n3\n4\n")));
        QCOMPARE(read.rows, 4);
        QCOMPARE(read.cols, 1);
        QCOMPARE(read.m[4][1], 4.0);
    }

    void shortTextFileLeavesZeros()
    {
        StderrCapture capture(dir.filePath("short.err"));
        ReadResult read;
        QVERIFY(read.read(fileWith("2 2\n1.5 -2\n3")));
        QCOMPARE(capture.text(), QByteArray());
        QCOMPARE(read.m[2][1], 3.0);
        QCOMPARE(read.m[2][2], 0.0);
        QVERIFY(!read.tail);
    }

    void textTailStartsWithItsFirstLine()
    {
        ReadResult read;
        QVERIFY(read.read(fileWith("1 2\n5 6\n\nfmri\n99\n")));
        QCOMPARE(read.tailLength, 8);
        QCOMPARE(QByteArray(read.tail, 9), QByteArray("fmri\0" "99\0\0", 9));
        int32 frames = 0;
        QVERIFY(tailGetInt(read.tailLength, read.tail, "FMRI", &frames, 0));
        QCOMPARE(frames, 99);
    }

    void matlabFileGoesToTheMatlabReader()
    {
        QByteArray bytes("MATLAB 5.0 MAT-file");
        bytes += QByteArray(128 - bytes.size(), ' ');
        const QString path = fileWith(bytes);
        StderrCapture capture(dir.filePath("matlab.err"));
        ReadResult read;
        read.read(path);
        capture.text();
        QVERIFY(lastWasMatlab());
        QVERIFY(!lastWasText());
        QVERIFY(!read.tail);
    }
};

RELAXON_TEST_CLASS(TestMatrixFileMalformed)
#include "test_matrixfile_malformed.moc"
