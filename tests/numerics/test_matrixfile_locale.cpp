// Numbers in matrix files keep their decimal point whatever the user's locale: a
// Qt program runs in the locale of the user, and in many of them a comma is the
// decimal separator of the C runtime's conversions.

#include "numerics/matrixfile.h"
#include "testrunner.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <cstdlib>

class MatrixFileLocaleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // Build systems rarely have a comma locale installed: make one when the
        // locale sources are there.
        const QString locales = dir.filePath(QStringLiteral("locales"));
        QVERIFY(QDir().mkpath(locales));
        QProcess::execute(QStringLiteral("localedef"),
                          {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                           QStringLiteral("UTF-8"), locales + QStringLiteral("/de_DE.UTF-8")});
        qputenv("LOCPATH", QFile::encodeName(locales));
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8")
            || std::localeconv()->decimal_point != QByteArray(","))
            QSKIP("no locale with a decimal comma can be made here");
    }

    void cleanupTestCase() { std::setlocale(LC_ALL, "C"); }

    void textValuesReadWithDecimalPoint()
    {
        const QString path = dir.filePath(QStringLiteral("values.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1 3\n1.5 2.25 -3e-1\nscale\n0.125\n");
        file.close();
        int32 rows = 0, cols = 0, tailLength = 0;
        char *tail = nullptr;
        double **m = getmatrix(QFile::encodeName(path).constData(), &rows, &cols, &tailLength,
                               &tail, nullptr, nullptr, -1, -1, -1, -1, -1, -1, 0);
        QVERIFY(m);
        QCOMPARE(cols, 3);
        QCOMPARE(m[1][1], 1.5);
        QCOMPARE(m[1][2], 2.25);
        QCOMPARE(m[1][3], -0.3);
        double scale = 0;
        QVERIFY(tailGetDouble(tailLength, tail, "scale", &scale, 0));
        QCOMPARE(scale, 0.125);
        free_dmatrix(m, 1, rows, 1);
        std::free(tail);
    }

    void textValuesWriteWithDecimalPoint()
    {
        double **m = dmatrix(1, 1, 1, 2);
        m[1][1] = 0.5;
        m[1][2] = -2.75;
        const QString path = dir.filePath(QStringLiteral("written.txt"));
        QVERIFY(putmatrix_text(QFile::encodeName(path).constData(), m, 1, 2, nullptr, 0, nullptr,
                               nullptr, nullptr));
        free_dmatrix(m, 1, 1, 1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("   1   2\n 0.5 -2.75\n"));
    }

private:
    QTemporaryDir dir;
};

RELAXON_TEST_CLASS(MatrixFileLocaleTest)
#include "test_matrixfile_locale.moc"
