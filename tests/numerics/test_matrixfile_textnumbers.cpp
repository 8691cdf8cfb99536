// Text values are read with a short path for plain decimals and the C library for
// everything else; both must give exactly what strtod gives, whatever the user's
// locale, and the block-wise reading must leave the tail where the last value ends.

#include "numerics/matrixmemory.h"
#include "test_matrixfile_helpers.h"
#include "testrunner.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace matrixfiletest;

namespace {

double cValue(const char *text)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return strtod_l(text, nullptr, c);
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

} // namespace

class TestMatrixFileTextNumbers : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString fileWith(const std::string &text)
    {
        const QString path = dir.filePath(QStringLiteral("numbers.txt"));
        writeBytes(path, QByteArray::fromStdString(text));
        return path;
    }

private slots:
    // A comma locale shows up any conversion that follows the user's locale; build
    // systems rarely have one installed, so one is made where the sources are there.
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        const QString locales = dir.filePath(QStringLiteral("locales"));
        QVERIFY(QDir().mkpath(locales));
        QProcess::execute(QStringLiteral("localedef"), {QStringLiteral("-i"), QStringLiteral("de_DE"),
                          QStringLiteral("-f"), QStringLiteral("UTF-8"), locales + QStringLiteral("/de_DE.UTF-8")});
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
        QVERIFY(result.read(fileWith(text + "\nfmri\n99\n")));
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
        QVERIFY(read.read(fileWith(text.toStdString())));
        QCOMPARE(capture.text(), QByteArray());
        QVERIFY(lastWasText());
        QCOMPARE(read.rows * cols, int(values.size()));
        QCOMPARE(read.cols, cols);
        for (int k = 0; k < values.size(); ++k)
            QVERIFY2(sameBits(read.m[1 + k / cols][1 + k % cols], values[k]), qPrintable(QString::number(k)));
        QCOMPARE(read.tailBytes(), tail);
    }

    void textValuesWriteWithDecimalPoint()
    {
        double **m = dmatrix(1, 1, 1, 2);
        m[1][1] = 0.5;
        m[1][2] = -2.75;
        const QString path = dir.filePath(QStringLiteral("written.txt"));
        QVERIFY(putmatrix_text(QFile::encodeName(path).constData(), m, 1, 2, nullptr, 0, nullptr, nullptr, nullptr));
        free_dmatrix(m, 1, 1, 1);
        QCOMPARE(readBytes(path), QByteArray("   1   2\n 0.5 -2.75\n"));
    }
};

RELAXON_TEST_CLASS(TestMatrixFileTextNumbers)
#include "test_matrixfile_textnumbers.moc"
