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
    std::memcpy(tail, text.constData(), std::size_t(text.size()) + 1);
    return tail;
}

} // namespace

class TestMatrixTail : public QObject
{
    Q_OBJECT

private slots:
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
        char *tail = ownedTail(before);
        QCOMPARE(tailSetValue(&length, &tail, key.constData(), nullptr, occurrence), 0); // no value at all
        QCOMPARE(tailSetValue(&length, &tail, key.constData(), value.constData(), occurrence),
                 after.isEmpty() ? 0 : 1);
        QCOMPARE(QByteArray(tail, length), after.isEmpty() ? before : after);
        QCOMPARE(tail[length], '\0');
        std::free(tail);
    }
};

RELAXON_TEST_CLASS(TestMatrixTail)
#include "test_matrixtail.moc"
