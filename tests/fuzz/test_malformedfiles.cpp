// Every file of tests/data/bad goes through the main window (and so through the
// loader): it is refused with "Cannot read file %1." and the previous case stays, or
// it opens as what it can be read as. docs/robustness.md lists the same files; the
// fuzz replay feeds them to the loader's own invariant checks.

#include "app/mainwindow.h"
#include "../app/modalcloser.h"
#include "testrunner.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

enum class Outcome { Refused, Plain, Mri, Functional };

const QString badDir = QStringLiteral(RELAXON_BAD_FILES);

// The files of the corpus that open, and as what; every other file is refused.
const QMap<QString, Outcome> opening{
    {"text_header_cut.txt", Outcome::Plain},           {"text_data_cut.txt", Outcome::Plain},
    {"sparse_count_beyond_cols.mbf", Outcome::Plain},  {"text_nan_and_infinities.txt", Outcome::Plain},
    {"tail_huge.mri", Outcome::Plain},                 {"tail_without_line_feeds.mri", Outcome::Plain},
    {"tail_kind_line_with_nul.mri", Outcome::Plain},   {"stacked_with_nan_and_infinities.txt", Outcome::Mri},
    {"tail_with_nul_bytes.mri", Outcome::Functional},  {"fmri_without_a_pair.mri", Outcome::Functional},
    {"fmri_cols_not_a_multiple.mri", Outcome::Functional}};

} // namespace

Q_DECLARE_METATYPE(Outcome)

class MalformedFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        // A small plain image: the case on screen before each bad file is tried.
        previous = scratch.filePath(QStringLiteral("previous.mri"));
        QVERIFY(QFile::copy(QDir(badDir).filePath(QStringLiteral("text_data_cut.txt")), previous));
    }

    void refusedOrOpened_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Outcome>("expected");
        const QDir bad(badDir);
        QStringList names = bad.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        names.removeIf([](const QString &name) { return name.endsWith(QLatin1String(".py")); });
        // A listed file that is missing fails: it cannot be read.
        for (const QString &name : opening.keys()) {
            if (!names.contains(name))
                names.append(name);
        }
        for (const QString &name : names)
            QTest::newRow(qPrintable(name)) << bad.filePath(name) << opening.value(name, Outcome::Refused);
        // A good file under names outside Latin-1 opens.
        for (const QString &name : {QStringLiteral("головной мозг.mri"), QStringLiteral("脳の画像.mri"),
                                   QStringLiteral("Gehirn é 🧠.mri")}) {
            QFile::copy(QDir(badDir).filePath(QStringLiteral("text_data_cut.txt")), scratch.filePath(name));
            QTest::newRow(qPrintable(name)) << scratch.filePath(name) << Outcome::Plain;
        }
        // A file this user may not read is refused (root reads everything).
        const QString unreadable = scratch.filePath(QStringLiteral("unreadable.mri"));
        if (QFile::copy(previous, unreadable) && QFile::setPermissions(unreadable, QFileDevice::WriteOwner)
            && !QFile(unreadable).open(QIODevice::ReadOnly))
            QTest::newRow("unreadable") << unreadable << Outcome::Refused;
    }

    void refusedOrOpened()
    {
        QFETCH(QString, path);
        QFETCH(Outcome, expected);

        MainWindow window;
        window.loadFile(previous);
        QWidget *before = window.centralWidget();
        QVERIFY(before);
        QStringList boxTexts;
        // A stacked case asks for its first recording's timing: accepting it with
        // the offered values opens the first view.
        ModalCloser closer([&](QDialog *dialog) {
            if (auto *box = qobject_cast<QMessageBox *>(dialog))
                boxTexts.append(box->text());
        });
        window.loadFile(path);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const bool refused = expected == Outcome::Refused;
        QCOMPARE(boxTexts, refused ? QStringList{QStringLiteral("Cannot read file %1.").arg(path)} : QStringList());
        const QString shown = refused ? QStringLiteral("previous.mri") : QFileInfo(path).fileName();
        QCOMPARE(window.windowTitle(), QStringLiteral("%1[*] - %2").arg(shown, QCoreApplication::applicationName()));
        QVERIFY(refused ? window.centralWidget() == before : window.session().caseLoaded && window.centralWidget());
        QCOMPARE(window.session().caseData.isMri, expected == Outcome::Mri);
        QCOMPARE(window.session().caseData.frames > 0, expected == Outcome::Functional);
    }

private:
    QTemporaryDir scratch;
    QString previous;
};

RELAXON_TEST_CLASS(MalformedFilesTest)

#include "test_malformedfiles.moc"
