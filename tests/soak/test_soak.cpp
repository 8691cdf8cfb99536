// The random user on the real main window. Environment:
//   RELAXON_SOAK_ACTIONS  how many actions (default below, sized for the sanitizer build in CI)
//   RELAXON_SOAK_SEED     the random seed, to repeat or vary a run
//   RELAXON_SOAK_ECHO     print every action as it happens, for a run that crashes
// A broken invariant prints the seed and the last actions before failing.

#include "modalanswerer.h"
#include "soakinvariants.h"
#include "soakuser.h"

#include "../cases/casefilewriter.h"
#include "../dialogs/modaldriver.h"
#include "app/mainwindow.h"
#include "dialogs/levelcont.h"
#include "dialogs/tetr.h"
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

// A PD/T1/T2 case of rows x cols pixels with a little structure in each map.
bool writeSmallCase(const QString &path, int rows, int cols)
{
    return writeCaseMatrix(path, 3 * rows, cols,
                           [rows](int32 i, int32 j) {
                               const int map = (i - 1) / rows;
                               return (map == 0 ? 900.0 : map == 1 ? 1200.0 : 90.0) + 10.0 * ((i + j) % 3);
                           },
                           QByteArray("MRI PD,T1,T2 DATA\n"));
}

QByteArray rawHeader(qint32 rows, qint32 cols)
{
    QByteArray bytes;
    bytes.append(reinterpret_cast<const char *>(&rows), sizeof rows);
    bytes.append(reinterpret_cast<const char *>(&cols), sizeof cols);
    return bytes;
}

} // namespace

class SoakTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void randomUserKeepsTheProgramWhole();
    void levelDialogsOpenedWhileFollowingDoNotFeedEachOther();
    void mapViewsStartWithinTheirBounds();

private:
    QTemporaryDir settingsDir;
    QTemporaryDir dataDir;
    // Files for "Open from disk" and loads by name: broken ones and a few tiny good cases.
    QStringList caseFiles;
};

void SoakTest::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY(dataDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    // Closing a level dialog must not end the application under test.
    QApplication::setQuitOnLastWindowClosed(false);

    QFile builtIn(QStringLiteral(":/files/glioblastoma.mri"));
    QVERIFY(builtIn.open(QIODevice::ReadOnly));
    const QByteArray glioblastoma = builtIn.readAll();

    const QDir dir(dataDir.path());
    const auto add = [&](const QString &name, const QByteArray &bytes) {
        QVERIFY(writeBytes(dir.filePath(name), bytes));
        caseFiles.append(dir.filePath(name));
    };
    add(QStringLiteral("empty.mri"), QByteArray());
    add(QStringLiteral("words.mri"), QByteArray("these are no numbers\n"));
    add(QStringLiteral("header_cut.mri"), glioblastoma.left(5));
    add(QStringLiteral("data_cut.mri"), glioblastoma.left(5000));
    add(QStringLiteral("huge.mri"), rawHeader(1 << 30, 1 << 30) + QByteArray(64, '\x01'));
    add(QStringLiteral("negative.mri"), rawHeader(-3, 256) + QByteArray(64, '\x01'));
    add(QString::fromUtf8("b\u00f6s_\u0448\u0443\u043c.mri"), QByteArray("\x7f\x00\x00garbage", 10));
    for (const auto &[name, rows, cols] : {std::tuple{"one_pixel.mri", 1, 1}, std::tuple{"strip.mri", 1, 40},
                                           std::tuple{"small.mri", 5, 7}}) {
        QVERIFY(writeSmallCase(dir.filePath(QLatin1String(name)), rows, cols));
        caseFiles.append(dir.filePath(QLatin1String(name)));
    }
    QVERIFY(writeCaseMatrix(dir.filePath(QStringLiteral("rows_not_three_maps.mri")), 7, 5,
                            [](int32 i, int32 j) { return double(i * j); }, QByteArray("MRI PD,T1,T2 DATA\n")));
    caseFiles.append(dir.filePath(QStringLiteral("rows_not_three_maps.mri")));
    QVERIFY(dir.mkdir(QStringLiteral("folder.mri")));
    caseFiles.append(dir.filePath(QStringLiteral("folder.mri")));
}

void SoakTest::randomUserKeepsTheProgramWhole()
{
    const int actionCount = environmentNumber("RELAXON_SOAK_ACTIONS", defaultActions);
    const unsigned seed = unsigned(environmentNumber("RELAXON_SOAK_SEED", int(defaultSeed)));
    const bool echo = qEnvironmentVariableIsSet("RELAXON_SOAK_ECHO");

    std::deque<QString> recent;
    int step = 0;
    const auto log = [&](const QString &line) {
        const QString entry = QStringLiteral("%1 %2").arg(step, 6).arg(line);
        // For a crash, which leaves no chance to print the log afterwards.
        if (echo)
            fprintf(stderr, "%s\n", qPrintable(entry));
        recent.push_back(entry);
        if (recent.size() > logLines)
            recent.pop_front();
    };

    std::mt19937 random(seed);
    MainWindow window;
    // As with the command line's switch: the map views are among the commands.
    window.session().allowMaps = true;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ModalAnswerer answerer(random, caseFiles, log);
    SoakUser user(window, random, answerer, caseFiles, log);

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
void SoakTest::levelDialogsOpenedWhileFollowingDoNotFeedEachOther()
{
    MainWindow window;
    window.show();
    int answered = 0;
    ModalDriver driver([&answered](QWidget *modal) {
        auto *dialog = qobject_cast<TeTr *>(modal);
        if (!dialog)
            return;
        ++answered;
        dialog->teEdit->setText(answered == 1 ? QStringLiteral("20") : QStringLiteral("120"));
        dialog->trEdit->setText(answered == 1 ? QStringLiteral("400") : QStringLiteral("4000"));
        dialog->hupButton->click();
    });
    window.loadFile(QStringLiteral(":/files/glioblastoma.mri"));
    QVERIFY(QMetaObject::invokeMethod(&window, "newView"));
    QTRY_COMPARE(window.mdiViews().size(), 2);
    QVERIFY(QMetaObject::invokeMethod(&window, "setFollowActive", Q_ARG(bool, true)));

    MriView *active = window.activeView();
    MriView *other = window.mdiViews().first();
    QCOMPARE(active, window.mdiViews().last());
    active->showLevelDialog(true);
    const double level = active->displayLevel();
    const double width = active->displayWidth();
    QVERIFY(level != other->displayLevel() || width != other->displayWidth());

    other->showLevelDialog(true);
    QVERIFY(LevelCont::of(active));
    QVERIFY(LevelCont::of(other));
    // Showing another view's window in a dialog does not change the dialog's own view.
    QCOMPARE(active->displayLevel(), level);
    QCOMPARE(active->displayWidth(), width);
}

// Found by the random user (seed 20261206, step 2178): after an ADC recording of the
// diffusion case, a T1 view opened with its automatic level above the case's largest
// level, where neither the level dialog nor a drag could have put it.
void SoakTest::mapViewsStartWithinTheirBounds()
{
    MainWindow window;
    window.session().allowMaps = true;
    window.session().allowDti = true;
    window.show();
    ModalDriver driver([](QWidget *modal) {
        if (auto *dialog = qobject_cast<TeTr *>(modal)) {
            dialog->teEdit->setText(QStringLiteral("64"));
            dialog->trEdit->setText(QStringLiteral("3433"));
            dialog->dtiAdc->setChecked(true);
            dialog->hupButton->click();
        }
    });
    window.loadFile(QStringLiteral(":/files/dti.mri"));
    for (const char *slot : {"rhoView", "t1View", "t2View"})
        QVERIFY(QMetaObject::invokeMethod(&window, slot));
    const QList<MriView *> views = window.mdiViews();
    QCOMPARE(views.size(), 4);
    for (const MriView *view : views) {
        QVERIFY2(view->displayLevel() >= view->levelMin() && view->displayLevel() <= view->levelMax(),
                 qPrintable(QStringLiteral("kind %1 level %2").arg(view->kind()).arg(view->displayLevel())));
        QVERIFY(view->displayWidth() >= view->widthMin() && view->displayWidth() <= view->widthMax());
    }
}

RELAXON_TEST_CLASS(SoakTest)
#include "test_soak.moc"
