// Every file of tests/data/bad goes through the loader and through the main
// window: it is refused with "Cannot read file %1." and the previous case stays,
// or it opens as what it can be read as. docs/robustness.md lists the same files.

#include "app/mainwindow.h"
#include "cases/caseloader.h"
#include "numerics/matrixmemory.h"
#include "../app/modalcloser.h"
#include "testrunner.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

namespace {

enum class Outcome { Refused, Plain, Mri, Functional };

const QString badDir = QStringLiteral(RELAXON_BAD_FILES);

// What each file of the corpus must give; a new file must be added here (and to
// docs/robustness.md) before the corpus test passes again.
const std::map<QString, Outcome> &expectedOutcomes()
{
    static const std::map<QString, Outcome> outcomes = {
        {"empty.mri", Outcome::Refused},
        {"directory.mri", Outcome::Refused},
        {"dense_header_cut.mbf", Outcome::Refused},
        {"dense_data_cut.mbf", Outcome::Refused},
        {"dense_float_data_cut.mbf", Outcome::Refused},
        {"sparse_header_cut.mbf", Outcome::Refused},
        {"sparse_index_cut.mbf", Outcome::Refused},
        {"sparse_values_cut.mbf", Outcome::Refused},
        {"raw_header_cut.mri", Outcome::Refused},
        {"raw_data_cut.mri", Outcome::Refused},
        {"text_header_cut.txt", Outcome::Plain},
        {"text_data_cut.txt", Outcome::Plain},
        {"text_header_beyond_79_characters.txt", Outcome::Refused},
        {"matlab_cut.mat", Outcome::Refused},
        {"dense_huge.mbf", Outcome::Refused},
        {"raw_huge.mri", Outcome::Refused},
        {"text_huge.txt", Outcome::Refused},
        {"sparse_huge_cols.mbf", Outcome::Refused},
        {"dense_negative_rows.mbf", Outcome::Refused},
        {"raw_negative_rows.mri", Outcome::Refused},
        {"text_negative_rows.txt", Outcome::Refused},
        {"byte_order_2.mbf", Outcome::Refused},
        {"element_size_2.mbf", Outcome::Refused},
        {"dense_with_sparse_header_length.mbf", Outcome::Refused},
        {"sparse_count_above_maxcount.mbf", Outcome::Refused},
        {"sparse_count_beyond_cols.mbf", Outcome::Plain},
        {"sparse_column_0.mbf", Outcome::Refused},
        {"sparse_column_beyond_cols.mbf", Outcome::Refused},
        {"text_sparse_column_beyond_cols.txt", Outcome::Refused},
        {"text_words.txt", Outcome::Refused},
        {"text_nan_and_infinities.txt", Outcome::Plain},
        {"stacked_with_nan_and_infinities.txt", Outcome::Mri},
        {"tail_huge.mri", Outcome::Plain},
        {"tail_without_line_feeds.mri", Outcome::Plain},
        {"tail_with_nul_bytes.mri", Outcome::Functional},
        {"tail_kind_line_with_nul.mri", Outcome::Plain},
        {"fmri_0.mri", Outcome::Refused},
        {"fmri_negative.mri", Outcome::Refused},
        {"fmri_beyond_cols.mri", Outcome::Refused},
        {"fmri_without_a_pair.mri", Outcome::Functional},
        {"fmri_cols_not_a_multiple.mri", Outcome::Functional},
        {"fmri_and_kind_line.mri", Outcome::Refused},
        {"stacked_rows_not_multiple_of_3.mri", Outcome::Refused},
        {"stacked_rows_not_multiple_of_12.mri", Outcome::Refused},
        {"stacked_fewer_than_12_rows.mri", Outcome::Refused},
    };
    return outcomes;
}

// The kind a successful set-up gives, or Refused when the read fails.
Outcome loadedOutcome(const QString &path)
{
    CaseFile file;
    if (!readCaseFile(path, file))
        return Outcome::Refused;
    CaseData data;
    CaseSetup setup = setupCase(file, data);
    if (setup.image)
        free_dmatrix(setup.image, 1, setup.imageRows, 1);
    data.release();
    switch (setup.kind) {
    case CaseKind::Mri:
    case CaseKind::MriWithDti:
        return Outcome::Mri;
    case CaseKind::Functional:
        return Outcome::Functional;
    case CaseKind::Plain:
        break;
    }
    return Outcome::Plain;
}

QString titleFor(const QString &fileName)
{
    return QStringLiteral("%1[*] - %2").arg(fileName, QCoreApplication::applicationName());
}

// A small plain image: the case on screen before each bad file is tried.
bool writePreviousCase(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const qint32 size[2] = {2, 2};
    const float values[4] = {1, 2, 3, 4};
    return file.write(reinterpret_cast<const char *>(size), sizeof size) == sizeof size
        && file.write(reinterpret_cast<const char *>(values), sizeof values) == sizeof values;
}

} // namespace

Q_DECLARE_METATYPE(Outcome)

class MalformedFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        previous = scratch.filePath(QStringLiteral("previous.mri"));
        QVERIFY(writePreviousCase(previous));
    }

    void everyCorpusFileHasAnExpectedOutcome()
    {
        const QStringList entries = QDir(badDir).entryList(
            QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        QStringList unlisted;
        for (const QString &entry : entries)
            if (!entry.endsWith(QLatin1String(".py")) && !expectedOutcomes().count(entry))
                unlisted.append(entry);
        QVERIFY2(unlisted.isEmpty(), qPrintable(unlisted.join(QLatin1String(", "))));
        for (const auto &[name, outcome] : expectedOutcomes())
            QVERIFY2(entries.contains(name), qPrintable(name));
    }

    void loaderRefusesOrOpensWhatItCan_data() { corpusRows(); }
    void loaderRefusesOrOpensWhatItCan()
    {
        QFETCH(QString, path);
        QFETCH(Outcome, expected);
        QCOMPARE(loadedOutcome(path), expected);
    }

    void mainWindowReportsOrOpensAndKeepsThePreviousCase_data() { corpusRows(); }
    void mainWindowReportsOrOpensAndKeepsThePreviousCase()
    {
        QFETCH(QString, path);
        QFETCH(Outcome, expected);
        checkInMainWindow(path, expected);
    }

    void unreadableFileIsRefused()
    {
        const QString path = scratch.filePath(QStringLiteral("unreadable.mri"));
        QVERIFY(QFile::copy(previous, path));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("this user reads files whatever their permissions (root)");
        QCOMPARE(loadedOutcome(path), Outcome::Refused);
        checkInMainWindow(path, Outcome::Refused);
    }

    void namesOutsideLatin1Open_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("Cyrillic") << QStringLiteral("головной мозг.mri");
        QTest::newRow("Japanese") << QStringLiteral("脳の画像.mri");
        QTest::newRow("Latin-1 and emoji") << QStringLiteral("Gehirn é 🧠.mri");
    }
    void namesOutsideLatin1Open()
    {
        QFETCH(QString, name);
        const QString path = scratch.filePath(name);
        QVERIFY(QFile::copy(QDir(badDir).filePath(QStringLiteral("text_data_cut.txt")), path));
        QCOMPARE(loadedOutcome(path), Outcome::Plain);
        checkInMainWindow(path, Outcome::Plain);
    }

private:
    void corpusRows()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Outcome>("expected");
        for (const auto &[name, outcome] : expectedOutcomes())
            QTest::newRow(qPrintable(name)) << QDir(badDir).filePath(name) << outcome;
    }

    void checkInMainWindow(const QString &path, Outcome expected)
    {
        MainWindow window;
        window.loadFile(previous);
        QWidget *previousView = window.centralWidget();
        QVERIFY(previousView);

        QString boxText;
        bool sawMessageBox = false;
        // A stacked case asks for its first recording's timing: accepting it with
        // the offered values opens the first view.
        ModalCloser closer([&](QDialog *dialog) {
            if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
                sawMessageBox = true;
                boxText = box->text();
            }
        });
        window.loadFile(path);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        if (expected == Outcome::Refused) {
            QVERIFY(sawMessageBox);
            QCOMPARE(boxText, QStringLiteral("Cannot read file %1.").arg(path));
            QCOMPARE(window.windowTitle(), titleFor(QStringLiteral("previous.mri")));
            QCOMPARE(window.centralWidget(), previousView);
            return;
        }
        QVERIFY2(!sawMessageBox, qPrintable(boxText));
        QCOMPARE(window.windowTitle(), titleFor(QFileInfo(path).fileName()));
        QVERIFY(window.session().caseLoaded);
        QVERIFY(window.centralWidget());
        QCOMPARE(window.session().caseData.isMri, expected == Outcome::Mri);
        QCOMPARE(window.session().caseData.frames > 0, expected == Outcome::Functional);
    }

    QTemporaryDir scratch;
    QString previous;
};

RELAXON_TEST_CLASS(MalformedFilesTest)

#include "test_malformedfiles.moc"
