// Text values are read with a short path for plain decimals and the C library for
// everything else; both must give exactly what strtod gives, and the block-wise
// reading must leave the tail where the last value ends.

#include "numerics/matrixfile.h"
#include "numerics/matrixmemory.h"
#include "test_matrixfile_helpers.h"
#include "testrunner.h"

#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double cValue(const char *text)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return strtod_l(text, nullptr, c);
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void writeFile(const QString &path, const std::string &text)
{
    std::FILE *file = std::fopen(path.toLocal8Bit().constData(), "wb");
    QVERIFY(file);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

} // namespace

class TestMatrixFileTextNumbers : public QObject
{
    Q_OBJECT

private slots:
    void everySpellingReadsAsStrtodReadsIt()
    {
        const std::vector<std::string> words = {
            "0", "-0", "+7", "12", ".5", "5.", "-.25", "1.5e3", "1.E5", "2e-3", "7e+2",
            "123456789012345", "1234567890123456", "12345678901234567890", "0.1", "0.3",
            "3.14159265358979", "3.141592653589793", "2.718281828459045e-7",
            "1e22", "1e23", "1e-22", "1e-23", "9.99999999999999e22", "4.9e-324", "1e-400",
            "1.7976931348623157e308", "1e309", "0.000000000000000000001234", "1234e-30",
            "0x1.8p3", "-0X10", "inf", "-Infinity", "nan", "NaN", "00000000000000000001.5",
            "0e999999", "1e0000000000000000000001"};
        std::string text = std::to_string(words.size()) + "\n";
        for (const std::string &word : words)
            text += word + "\n";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("numbers.txt"));
        writeFile(path, text);
        matrixfiletest::ReadResult result;
        result.read(path);
        QVERIFY(result.m);
        QCOMPARE(result.rows, int32(words.size()));
        for (std::size_t i = 0; i < words.size(); ++i) {
            const double expected = cValue(words[i].c_str());
            const double got = result.m[int32(i) + 1][1];
            if (std::isnan(expected))
                QVERIFY2(std::isnan(got), words[i].c_str());
            else
                QVERIFY2(sameBits(got, expected), words[i].c_str());
        }
    }

    void numberEndsWhereItsSyntaxEnds()
    {
        // "1e" is 1 followed by a word that is no number; "2-3" is 2 and -3.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("glued.txt"));
        writeFile(path, "3\n2-3 4\n");
        matrixfiletest::ReadResult result;
        result.read(path);
        QVERIFY(result.m);
        QCOMPARE(result.m[1][1], 2.0);
        QCOMPARE(result.m[2][1], -3.0);
        QCOMPARE(result.m[3][1], 4.0);

        writeFile(path, "2\n1e x\n");
        matrixfiletest::ReadResult bad;
        bad.read(path);
        QVERIFY(!bad.m);
    }

    void longFileKeepsValuesAndTailAcrossBlocks()
    {
        // Far more than one read block, with values of varying length so that
        // words straddle the block boundaries, then a tail.
        const int32 n = 40000;
        std::string text = std::to_string(n) + " 1\n";
        std::vector<std::string> words;
        for (int32 i = 0; i < n; ++i) {
            words.push_back(std::to_string(i % 7 == 0 ? -i : i) + (i % 3 == 0 ? ".125" : "")
                            + (i % 11 == 0 ? "e-2" : ""));
            text += words.back() + (i % 5 == 4 ? "\n" : "   ");
        }
        text += "\nfmri\n99\n";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long.txt"));
        writeFile(path, text);
        matrixfiletest::ReadResult result;
        result.read(path);
        QVERIFY(result.m);
        QCOMPARE(result.rows, n);
        for (int32 i = 0; i < n; ++i)
            QVERIFY(sameBits(result.m[i + 1][1], cValue(words[std::size_t(i)].c_str())));
        QVERIFY(result.tail);
        QCOMPARE(QByteArray(result.tail, result.tailLength), QByteArray("fmri\0" "99\0", 8));
    }

    void tailMayFollowTheLastValueInItsWord()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("glued-tail.txt"));
        writeFile(path, "2\n1.5 2.5units\nmore\n");
        matrixfiletest::ReadResult result;
        result.read(path);
        QVERIFY(result.m);
        QCOMPARE(result.m[2][1], 2.5);
        QVERIFY(result.tail);
        QCOMPARE(QByteArray(result.tail, result.tailLength), QByteArray("units\0" "more\0", 11));
    }
};

RELAXON_TEST_CLASS(TestMatrixFileTextNumbers)
#include "test_matrixfile_textnumbers.moc"
