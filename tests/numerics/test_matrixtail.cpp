#include "numerics/matrixtail.h"
#include "testrunner.h"

#include <QByteArray>
#include <QTest>

#include <cstdlib>
#include <cstring>

namespace {

// A malloc'ed copy, as the tail operations expect to own and replace it.
char *ownedTail(const QByteArray &text)
{
    auto *tail = static_cast<char *>(std::malloc(std::size_t(text.size()) + 1));
    std::memcpy(tail, text.constData(), std::size_t(text.size()));
    tail[text.size()] = '\0';
    return tail;
}

} // namespace

class TestMatrixTail : public QObject
{
    Q_OBJECT

private slots:
    // The form in which getmatrix hands out the tail "fmri\n99\n".
    void fmriKeyIsFoundInAnyLetterCase()
    {
        char tail[] = "fmri\0" "99\0";
        int32 frames = 0;
        QVERIFY(tailGetInt(8, tail, "FMRI", &frames, 0));
        QCOMPARE(frames, 99);
        QCOMPARE(tailFindValue(8, tail, "fmri", 0), tail + 5);
        QVERIFY(!tailGetInt(8, tail, "fmri", &frames, 1));
    }

    void occurrencesCountMatchingLinesIncludingValueLines()
    {
        char tail[] = "units\nunits\nmm\nunitsX\nlast\n";
        const int32 length = int32(std::strlen(tail));
        // Occurrence 0's value is the second "units" line, which itself matches again.
        QCOMPARE(tailFindValue(length, tail, "units", 0), tail + 6);
        QCOMPARE(tailFindValue(length, tail, "UNITS", 1), tail + 12);
        QCOMPARE(tailFindValue(length, tail, "units", 2), tail + 22); // "unitsX" by prefix
        QVERIFY(!tailFindValue(length, tail, "units", 3));
        QVERIFY(!tailFindValue(length, tail, "unitsXY", 0));
        QVERIFY(!tailFindValue(length, tail, "units", -1));
    }

    void keyOnTheLastLineHasNoValue_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("closed by a line feed") << QByteArray("a\n1\nfmri\n");
        QTest::newRow("without line end") << QByteArray("a\n1\nfmri");
        QTest::newRow("closed by NUL") << QByteArray("a\0" "1\0" "fmri\0", 9);
    }

    void keyOnTheLastLineHasNoValue()
    {
        QFETCH(QByteArray, tail);
        int32 frames = 0;
        QVERIFY(!tailFindValue(int32(tail.size()), tail.data(), "fmri", 0));
        QVERIFY(!tailGetInt(int32(tail.size()), tail.data(), "fmri", &frames, 0));
    }

    void lookupStaysWithinTheGivenLength()
    {
        char tail[] = "fmri\n99\n";
        int32 frames = 0;
        // Only "fmri\n" is part of the tail: the value line lies outside.
        QVERIFY(!tailGetInt(5, tail, "fmri", &frames, 0));
        QVERIFY(!tailFindValue(0, tail, "fmri", 0));
        QVERIFY(!tailFindValue(8, nullptr, "fmri", 0));
    }

    void numbersAreReadFromTheValueLine()
    {
        char tail[] = "scale\n  2.5e-3 mm\nfmri\nninety-nine\nbig\n3000000000\n";
        const int32 length = int32(std::strlen(tail));
        double scale = 0;
        QVERIFY(tailGetDouble(length, tail, "scale", &scale, 0));
        QCOMPARE(scale, 2.5e-3);
        int32 frames = 7;
        QVERIFY(!tailGetInt(length, tail, "fmri", &frames, 0));
        QVERIFY(!tailGetInt(length, tail, "big", &frames, 0));
        QCOMPARE(frames, 7);
    }

    void appendGrowsANullTailByTwoLines()
    {
        int32 length = 0;
        char *tail = nullptr;
        QVERIFY(tailAppend(&length, &tail, "fmri", "99"));
        QCOMPARE(length, 8);
        QCOMPARE(QByteArray(tail), QByteArray("fmri\n99\n"));
        QVERIFY(tailAppend(&length, &tail, "units", "ms"));
        QCOMPARE(QByteArray(tail), QByteArray("fmri\n99\nunits\nms\n"));
        QCOMPARE(length, 17);
        int32 frames = 0;
        QVERIFY(tailGetInt(length, tail, "fmri", &frames, 0));
        QCOMPARE(frames, 99);
        std::free(tail);
    }

    void setValue_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("shorter is padded with blanks")
            << QByteArray("fmri\n99\nunits\nms\n") << 0 << QByteArray("7")
            << QByteArray("fmri\n7 \nunits\nms\n");
        QTest::newRow("same length")
            << QByteArray("fmri\n99\n") << 0 << QByteArray("12") << QByteArray("fmri\n12\n");
        QTest::newRow("longer moves the rest right")
            << QByteArray("fmri\n99\nunits\nms\n") << 0 << QByteArray("1234")
            << QByteArray("fmri\n1234\nunits\nms\n");
        QTest::newRow("second occurrence")
            << QByteArray("k\na\nk\nb\n") << 1 << QByteArray("bbb") << QByteArray("k\na\nk\nbbb\n");
        QTest::newRow("longer last line without line feed")
            << QByteArray("k\nv") << 0 << QByteArray("value") << QByteArray("k\nvalue\n");
    }

    void setValue()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, occurrence);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, after);
        int32 length = int32(before.size());
        char *tail = ownedTail(before);
        QVERIFY(tailSetValue(&length, &tail, before.left(1) == "k" ? "k" : "fmri", value.constData(),
                             occurrence));
        QCOMPARE(QByteArray(tail, length), after);
        QCOMPARE(tail[length], '\0');
        std::free(tail);
    }

    void setValueOfAMissingKeyLeavesTheTail()
    {
        int32 length = 8;
        char *tail = ownedTail("fmri\n99\n");
        QVERIFY(!tailSetValue(&length, &tail, "units", "ms", 0));
        QVERIFY(!tailSetValue(&length, &tail, "fmri", "ms", 1));
        QCOMPARE(length, 8);
        QCOMPARE(QByteArray(tail), QByteArray("fmri\n99\n"));
        std::free(tail);
    }
};

RELAXON_TEST_CLASS(TestMatrixTail)
#include "test_matrixtail.moc"
