// The random user on the real main window. Environment:
//   RELAXON_SOAK_ACTIONS  how many actions (default below, sized for the sanitizer build in CI)
//   RELAXON_SOAK_SEED     the random seed, to repeat or vary a run
//   RELAXON_SOAK_ECHO     print every action as it happens, for a run that crashes
// A broken invariant prints the seed and the last actions before failing.

#include "soakinvariants.h"
#include "soakuser.h"

#include "../cases/casefilewriter.h"
#include "../dialogs/modaldriver.h"
#include "../dialogs/timinganswer.h"
#include "app/mainwindow.h"
#include "dialogs/levelcont.h"
#include "views/mriview.h"
#include "testrunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>

namespace {

// Small enough for the sanitizer build in CI; RELAXON_SOAK_ACTIONS asks for more.
constexpr int defaultActions = 10000;
constexpr unsigned defaultSeed = 20261206;
// Lines of the log shown when an invariant breaks.
constexpr std::size_t logLines = 80;

int environmentNumber(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

} // namespace

class SoakTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid() && dataDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        // Closing a level dialog must not end the application under test.
        QApplication::setQuitOnLastWindowClosed(false);

        // The malformed files of the fuzz area, one of them under a name outside Latin-1,
        // and a few tiny good PD/T1/T2 cases with a little structure in each map.
        const QDir bad(QStringLiteral(RELAXON_BAD_FILES));
        for (const QString &name : bad.entryList({QStringLiteral("*.m*"), QStringLiteral("*.txt")}, QDir::AllEntries))
            caseFiles.append(bad.filePath(name));
        caseFiles.append(QDir(dataDir.path()).filePath(QString::fromUtf8("b\u00f6s_\u0448\u0443\u043c.mri")));
        QVERIFY(QFile::copy(bad.filePath(QStringLiteral("raw_data_cut.mri")), caseFiles.last()));
        for (const auto &[rows, cols] : {std::pair{1, 1}, std::pair{1, 40}, std::pair{5, 7}}) {
            caseFiles.append(QDir(dataDir.path()).filePath(QStringLiteral("small_%1x%2.mri").arg(rows).arg(cols)));
            const auto value = [rows](int32 i, int32 j) {
                return std::array{900.0, 1200.0, 90.0}[(i - 1) / rows] + 10.0 * ((i + j) % 3);
            };
            QVERIFY(writeCaseMatrix(caseFiles.last(), 3 * rows, cols, value, QByteArray("MRI PD,T1,T2 DATA\n")));
        }
    }

    void randomUserKeepsTheProgramWhole()
    {
        const int actionCount = environmentNumber("RELAXON_SOAK_ACTIONS", defaultActions);
        const unsigned seed = unsigned(environmentNumber("RELAXON_SOAK_SEED", int(defaultSeed)));
        const bool echo = qEnvironmentVariableIsSet("RELAXON_SOAK_ECHO");
        std::deque<QString> recent;
        int step = 0;
        const auto log = [&](const QString &line) {
            recent.push_back(QStringLiteral("%1 %2").arg(step, 6).arg(line));
            // For a crash, which leaves no chance to print the log afterwards.
            if (echo)
                fprintf(stderr, "%s\n", qPrintable(recent.back()));
            if (recent.size() > logLines)
                recent.pop_front();
        };

        std::mt19937 random(seed);
        MainWindow window;
        // As with the command line's switch: the map views are among the commands.
        window.session().allowMaps = true;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SoakUser user(window, random, caseFiles, log);
        QElapsedTimer clock;
        clock.start();
        for (step = 1; step <= actionCount; ++step) {
            user.act();
            const QStringList breaks = invariantBreaks(window, user.expectedFile());
            if (!breaks.isEmpty()) {
                // Straight to stderr: Qt Test stops passing on messages after its
                // warning limit, which the program's own warnings may have used up.
                fprintf(stderr, "Seed %u; the last actions up to step %d:\n", seed, step);
                for (const QString &line : recent)
                    fprintf(stderr, "%s\n", qPrintable(line));
                QFAIL(qPrintable(breaks.join(QStringLiteral("; "))));
            }
        }
        fprintf(stderr, "%d actions with seed %u in %.1f s\n", actionCount, seed, clock.elapsed() / 1000.0);
    }

    // Found by the random user (seed 20261206, step 5480): with following on, a right
    // click on a view whose level dialog had never been opened created one that still
    // edited its own view; it and the active view's dialog handed their windows to each
    // other until the stack ran out.
    void levelDialogsOpenedWhileFollowingDoNotFeedEachOther()
    {
        MainWindow window;
        window.show();
        {
            ModalDriver driver(answerTiming(QStringLiteral("20"), QStringLiteral("400")));
            window.loadFile(QStringLiteral(":/files/glioblastoma.mri"));
        }
        ModalDriver driver(answerTiming(QStringLiteral("120"), QStringLiteral("4000")));
        QVERIFY(QMetaObject::invokeMethod(&window, "newView"));
        QTRY_COMPARE(window.mdiViews().size(), 2);
        QVERIFY(QMetaObject::invokeMethod(&window, "setFollowActive", Q_ARG(bool, true)));

        MriView *active = window.activeView();
        MriView *other = window.mdiViews().first();
        active->showLevelDialog(true);
        const double level = active->displayLevel();
        const double width = active->displayWidth();
        QVERIFY(level != other->displayLevel() || width != other->displayWidth());
        other->showLevelDialog(true);
        // Showing another view's window in a dialog does not change the dialog's own view.
        QCOMPARE(std::pair(active->displayLevel(), active->displayWidth()), std::pair(level, width));
    }

    // Found by the random user (seed 20261206, step 2178): after an ADC recording of the
    // diffusion case, a T1 view opened with its automatic level above the case's largest
    // level, where neither the level dialog nor a drag could have put it.
    void mapViewsStartWithinTheirBounds()
    {
        MainWindow window;
        window.session().allowMaps = true;
        window.session().allowDti = true;
        window.show();
        ModalDriver driver(answerTiming(QStringLiteral("64"), QStringLiteral("3433"), true,
                                        [](TeTr &dialog) { dialog.dtiAdc->setChecked(true); }));
        window.loadFile(QStringLiteral(":/files/dti.mri"));
        for (const char *slot : {"rhoView", "t1View", "t2View"})
            QVERIFY(QMetaObject::invokeMethod(&window, slot));
        QCOMPARE(window.mdiViews().size(), 4);
        QCOMPARE(invariantBreaks(window, QStringLiteral(":/files/dti.mri")), QStringList());
    }

private:
    QTemporaryDir settingsDir;
    QTemporaryDir dataDir;
    QStringList caseFiles;
};

RELAXON_TEST_CLASS(SoakTest)
#include "test_soak.moc"
