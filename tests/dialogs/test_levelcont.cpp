#include "dialogs/levelcont.h"

#include "../cases/casefilewriter.h"
#include "../views/testimage.h"
#include "modaldriver.h"
#include "app/mainwindow.h"
#include "simulation/widthslider.h"
#include "views/levwidview.h"
#include "views/mriview.h"
#include "testrunner.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace {

// One step of the width slider changes the width by at most 10^(1/1000) - 1.
constexpr double kWidthSliderStep = 0.0024;

// A central view of a plain image whose values run evenly from -500 to 1479: value
// range -500..1500, level bounds -1500..3000, width bounds 1..15000.
MriView *rampView(MainWindow &main)
{
    const int rows = 40;
    const int cols = 50;
    return new MriView(main.session(), ViewNewRecording,
                       makeImage(rows, cols, [](int x, int y) { return -500.0 + (x - 1) * cols + (y - 1); }),
                       rows, cols);
}

// Answers any timing dialog of the case's first recording with Cancel, so that the
// test decides which views the document area holds.
std::function<void(QWidget *)> cancelEverything()
{
    return [](QWidget *modal) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
    };
}

} // namespace

class TestLevelCont : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void formCarriesTheNamedWidgets();
    void openingMakesTheWindowWhole();
    void levelSliderSetsViewFieldAndReadout();
    void widthSliderSetsTheRoundedWidth_data();
    void widthSliderSetsTheRoundedWidth();
    void typedLevels_data();
    void typedLevels();
    void typedWidthMovesTheSlider();
    void invertAndHistogramBoxes();
    void autoRestoresTheAutomaticWindow();
    void autoOnAUnitRangeImageShowsAtOnce();
    void closeHidesAndTheToggleHides();
    void dialogOfACentralViewSitsAtTheMainWindowsTop();
    void dialogsCascadeOverTheDocumentArea();
    void followersShowTheActiveWindowAndDoNotEdit();
    void closedFollowedViewFallsBackToTheOwn();
    void degenerateImagesOpenAndPaint_data();
    void degenerateImagesOpenAndPaint();

private:
    // Loads a 4 x 4 PD/T1/T2 case (PD 110..440, full scale 500) and opens views of
    // the given kinds in its document area.
    QList<MriView *> openMapViews(MainWindow &main, const QList<int> &kinds);

    QTemporaryDir settingsDir;
    QTemporaryDir dataDir;
};

void TestLevelCont::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QVERIFY(dataDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
}

QList<MriView *> TestLevelCont::openMapViews(MainWindow &main, const QList<int> &kinds)
{
    const QString path = dataDir.filePath(QStringLiteral("maps.mri"));
    if (!writeCaseMatrix(path, 12, 4,
                         [](int32 i, int32 j) {
                             return i <= 4 ? 100.0 * i + 10.0 * j : i <= 8 ? 700.0 + j : 90.0 + i;
                         },
                         QByteArray("MRI PD,T1,T2 DATA\n")))
        return {};
    {
        ModalDriver driver(cancelEverything());
        main.loadFile(path);
    }
    QMdiArea *area = main.documentArea();
    if (!area)
        return {};
    for (QMdiSubWindow *window : area->subWindowList())
        delete window;
    QList<MriView *> views;
    for (int kind : kinds) {
        auto *view = new MriView(main.session(), kind);
        area->addSubWindow(view)->show();
        views.append(view);
    }
    return views;
}

void TestLevelCont::formCarriesTheNamedWidgets()
{
    MainWindow main;
    MriView *view = rampView(main);
    view->setWindowTitle(QStringLiteral(" ramp"));
    auto *dialog = new LevelCont(view);
    QCOMPARE(dialog->size(), QSize(341, 403));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Dialog"));

    for (const char *name : {"displayFrame", "levelSlider", "widthSlider", "levelEdit", "widthEdit"})
        QVERIFY2(dialog->findChild<QWidget *>(QLatin1String(name)), name);
    const QList<std::pair<const char *, QString>> texts{
        {"label", QStringLiteral("Level")},        {"label_2", QStringLiteral("Width")},
        {"invertBox", QStringLiteral("Invert")},   {"histoBox", QStringLiteral("Show histogram")},
        {"autoButton", QStringLiteral("Auto")},    {"closeButton", QStringLiteral("Close")}};
    for (const auto &[name, text] : texts) {
        QObject *widget = dialog->findChild<QObject *>(QLatin1String(name));
        QVERIFY2(widget, name);
        QCOMPARE(widget->property("text").toString(), text);
    }
    QVERIFY(!dialog->autoButton->autoDefault());
    QCOMPARE(dialog->levelEdit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(dialog->levelEdit->maximumWidth(), 60);
    QCOMPARE(dialog->widthSlider->minimum(), 0);
    QCOMPARE(dialog->widthSlider->maximum(), 2000);
    QCOMPARE(dialog->levelSlider->minimum(), -1500);
    QCOMPARE(dialog->levelSlider->maximum(), 3000);
    QVERIFY(dialog->histoBox->isChecked());
    QVERIFY(dialog->histogramView()->showHistogram());
    QCOMPARE(dialog->histogramView()->parentWidget(), dialog->displayFrame);

    // Opened through the view, the dialog takes the view's title.
    view->showLevelDialog(true);
    LevelCont *own = LevelCont::of(view);
    QVERIFY(own);
    QCOMPARE(own->windowTitle(), QStringLiteral(" ramp"));
    QVERIFY(!(own->windowFlags() & Qt::WindowContextHelpButtonHint));
    delete view;
}

void TestLevelCont::openingMakesTheWindowWhole()
{
    MainWindow main;
    MriView *view = rampView(main);
    view->setLevelWidth(123.7, 456.4);
    auto *dialog = new LevelCont(view);
    QCOMPARE(view->displayLevel(), 124.0);
    QCOMPARE(view->displayWidth(), 456.0);
    QCOMPARE(dialog->levelEdit->text(), QStringLiteral("124"));
    QCOMPARE(dialog->widthEdit->text(), QStringLiteral("456"));
    QCOMPARE(dialog->levelSlider->value(), 124);
    QCOMPARE(dialog->widthSlider->value(), widthToSlider(456, 15000));
    QCOMPARE(LevelCont::lastLevelPosition, 124);
    QCOMPARE(LevelCont::lastWidthPosition, widthToSlider(456, 15000));
    delete view;
}

void TestLevelCont::levelSliderSetsViewFieldAndReadout()
{
    MainWindow main;
    MriView *view = rampView(main);
    auto *dialog = new LevelCont(view);
    dialog->levelSlider->setValue(700);
    QCOMPARE(view->displayLevel(), 700.0);
    QCOMPARE(dialog->levelEdit->text(), QStringLiteral("  700"));
    QCOMPARE(view->levelReadout()->text(), QStringLiteral(" wl:  700 "));
    QCOMPARE(LevelCont::lastLevelPosition, 700);

    // Another dialog took a position over last: the same position in this dialog
    // changes no view.
    MriView *second = rampView(main);
    auto *other = new LevelCont(second);
    other->levelSlider->setValue(-300);
    dialog->levelSlider->setValue(-300);
    QCOMPARE(view->displayLevel(), 700.0);
    QCOMPARE(second->displayLevel(), -300.0);
    delete second;
    delete view;
}

void TestLevelCont::widthSliderSetsTheRoundedWidth_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<double>("width");
    QTest::addColumn<QString>("field");
    QTest::newRow("position 0 is width 1") << 0 << 1.0 << QStringLiteral("    1");
    // 1 + (10^1.5 - 1) * 150 = 4594.42 (10^1.5 = 31.6227766)
    QTest::newRow("position 1500") << 1500 << 4594.0 << QStringLiteral(" 4594");
    // 1 + 99 * 150
    QTest::newRow("the end") << 2000 << 14851.0 << QStringLiteral("14851");
}

void TestLevelCont::widthSliderSetsTheRoundedWidth()
{
    QFETCH(int, position);
    QFETCH(double, width);
    QFETCH(QString, field);
    MainWindow main;
    MriView *view = rampView(main);
    auto *dialog = new LevelCont(view);
    dialog->widthSlider->setValue(1000);
    dialog->widthSlider->setValue(position);
    QCOMPARE(view->displayWidth(), width);
    QCOMPARE(dialog->widthEdit->text(), field);
    QCOMPARE(view->widthReadout()->text(), QStringLiteral(" ww: %1 ").arg(int(width), 4));
    QCOMPARE(dialog->widthSlider->value(), position);
    delete view;
}

void TestLevelCont::typedLevels_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("level");
    QTest::newRow("blanks around a number") << QStringLiteral("  250 ") << 250.0;
    QTest::newRow("the lower bound") << QStringLiteral("-1500") << -1500.0;
    QTest::newRow("below the bounds") << QStringLiteral("-1501") << 100.0;
    QTest::newRow("above the bounds") << QStringLiteral("3001") << 100.0;
    QTest::newRow("beyond 32 bits") << QStringLiteral("99999999999") << 100.0;
    QTest::newRow("a fraction") << QStringLiteral("12.5") << 100.0;
    QTest::newRow("no number") << QStringLiteral("abc") << 100.0;
    QTest::newRow("empty") << QString() << 100.0;
}

void TestLevelCont::typedLevels()
{
    QFETCH(QString, text);
    QFETCH(double, level);
    MainWindow main;
    MriView *view = rampView(main);
    auto *dialog = new LevelCont(view);
    dialog->levelSlider->setValue(100);
    const QString readout = view->levelReadout()->text();
    dialog->levelEdit->setText(text);
    QCOMPARE(view->displayLevel(), level);
    QCOMPARE(dialog->levelSlider->value(), int(level));
    if (level == 100)
        QCOMPARE(view->levelReadout()->text(), readout);
    else
        QCOMPARE(view->levelReadout()->text(), QStringLiteral(" wl: %1 ").arg(int(level), 4));
    delete view;
}

void TestLevelCont::typedWidthMovesTheSlider()
{
    MainWindow main;
    MriView *view = rampView(main);
    auto *dialog = new LevelCont(view);
    dialog->widthEdit->setText(QStringLiteral("1400"));
    QCOMPARE(view->displayWidth(), 1400.0);
    // log10(1399 * 100 / 15000 + 1) = 1.01396
    QCOMPARE(dialog->widthSlider->value(), 1014);
    QCOMPARE(LevelCont::lastWidthPosition, 1014);
    QCOMPARE(view->widthReadout()->text(), QStringLiteral(" ww: 1400 "));
    // The slider's echo keeps the typed whole number.
    QCOMPARE(dialog->widthEdit->text(), QStringLiteral("1400"));

    dialog->widthEdit->setText(QStringLiteral("0"));
    dialog->widthEdit->setText(QStringLiteral("15001"));
    QCOMPARE(view->displayWidth(), 1400.0);
    QCOMPARE(dialog->widthSlider->value(), 1014);
    delete view;
}

void TestLevelCont::invertAndHistogramBoxes()
{
    MainWindow main;
    MriView *view = rampView(main);
    view->setInvert(true);
    auto *dialog = new LevelCont(view);
    QVERIFY(dialog->invertBox->isChecked());
    QTest::mouseClick(dialog->invertBox, Qt::LeftButton);
    QVERIFY(!view->invert());
    QTest::mouseClick(dialog->invertBox, Qt::LeftButton);
    QVERIFY(view->invert());

    QTest::mouseClick(dialog->histoBox, Qt::LeftButton);
    QVERIFY(!dialog->histogramView()->showHistogram());
    QTest::mouseClick(dialog->histoBox, Qt::LeftButton);
    QVERIFY(dialog->histogramView()->showHistogram());
    delete view;
}

void TestLevelCont::autoRestoresTheAutomaticWindow()
{
    MainWindow main;
    MriView *view = rampView(main);
    const double autoLevel = (view->autoLow() + view->autoHigh()) / 2;
    const double autoWidth = view->autoHigh() - view->autoLow();
    auto *dialog = new LevelCont(view);
    dialog->levelSlider->setValue(2500);
    dialog->widthSlider->setValue(100);
    QTest::mouseClick(dialog->autoButton, Qt::LeftButton);
    // The sliders hand the automatic window back as whole numbers.
    QVERIFY(std::fabs(view->displayLevel() - autoLevel) <= 0.5);
    QVERIFY(std::fabs(view->displayWidth() - autoWidth) <= kWidthSliderStep * autoWidth + 0.5);
    QCOMPARE(dialog->levelSlider->value(), sliderValue(autoLevel));
    QCOMPARE(dialog->widthSlider->value(), widthToSlider(autoWidth, view->widthMax()));
    QCOMPARE(dialog->levelEdit->text().trimmed().toDouble(), view->displayLevel());
    QCOMPARE(dialog->widthEdit->text().trimmed().toDouble(), view->displayWidth());
    delete view;
}

void TestLevelCont::autoOnAUnitRangeImageShowsAtOnce()
{
    // Values 0..1 have an empty range: the view starts black with width 0, and Auto
    // gives the smallest width, 1, at level 1.
    MainWindow main;
    auto *view = new MriView(main.session(), ViewNewRecording,
                             makeImage(64, 64, [](int x, int y) { return ((x - 1) * 64 + y - 1) / 4096.0; }),
                             64, 64);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    auto *dialog = new LevelCont(view);
    QTest::mouseClick(dialog->autoButton, Qt::LeftButton);
    QCOMPARE(dialog->widthEdit->text(), QStringLiteral("1"));
    QCOMPARE(dialog->levelEdit->text(), QStringLiteral("1"));
    QCOMPARE(view->widthReadout()->text(), QStringLiteral(" ww:    1 "));
    // Repainted at once: the brightest pixel, 0.9998, is mid grey now.
    const ImageRect picture = view->pictureRect();
    const QPoint brightest(picture.x0 + picture.width - 1, picture.y0 + picture.height - 1);
    QTRY_COMPARE(qGray(view->grab().toImage().pixel(brightest)), 128);
    delete view;
}

void TestLevelCont::closeHidesAndTheToggleHides()
{
    MainWindow main;
    MriView *view = rampView(main);
    view->showLevelDialog(true);
    LevelCont *dialog = LevelCont::of(view);
    QVERIFY(dialog && dialog->isVisible());
    QTest::mouseClick(dialog->closeButton, Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(LevelCont::of(view), dialog);

    view->showLevelDialog(true);
    QVERIFY(dialog->isVisible());
    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    view->showLevelDialog(false);
    view->showLevelDialog(false);
    QVERIFY(dialog->isVisible());
    view->showLevelDialog(true);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(view->findChildren<LevelCont *>().size(), 1);
    delete view;
}

void TestLevelCont::dialogOfACentralViewSitsAtTheMainWindowsTop()
{
    MainWindow main;
    main.move(100, 80);
    main.resize(800, 600);
    MriView *view = rampView(main);
    view->resize(500, 400);
    view->showLevelDialog(true);
    LevelCont *dialog = LevelCont::of(view);
    QCOMPARE(dialog->pos(), QPoint(main.x() + 500 - dialog->width(), main.y()));
    delete view;
}

void TestLevelCont::dialogsCascadeOverTheDocumentArea()
{
    MainWindow main;
    main.move(100, 80);
    main.resize(900, 700);
    const QList<MriView *> views = openMapViews(main, {ViewHydrogenDensity, ViewT1, ViewT2});
    QCOMPARE(views.size(), 3);
    // Centred with the form's size, 341 x 403, on the main window as it is when the
    // dialog opens.
    auto centred = [&main] {
        return QPoint(main.x() + main.width() / 2 - 341 / 2, main.y() + main.height() / 2 - 403 / 2);
    };
    QPoint expected = centred() + QPoint(32, 32);
    views[2]->showLevelDialog(true);
    QCOMPARE(LevelCont::of(views[2])->pos(), expected);
    expected = centred();
    views[0]->showLevelDialog(true);
    QCOMPARE(LevelCont::of(views[0])->pos(), expected);
}

void TestLevelCont::followersShowTheActiveWindowAndDoNotEdit()
{
    MainWindow main;
    const QList<MriView *> views = openMapViews(main, {ViewHydrogenDensity, ViewT1});
    QCOMPARE(views.size(), 2);
    MriView *active = views[0];
    MriView *follower = views[1];
    active->showLevelDialog(true);
    follower->showLevelDialog(true);
    LevelCont *activeDialog = LevelCont::of(active);
    LevelCont *followerDialog = LevelCont::of(follower);
    // The case's full scale is 500: level -500..1000, width 1..5000.
    QCOMPARE(activeDialog->levelSlider->maximum(), 1000);
    follower->setLevelWidth(300, 200);
    main.show();
    main.documentArea()->setActiveSubWindow(main.documentArea()->subWindowList().first());
    main.session().followActive = true;
    active->showPaintingWindow();
    follower->showPaintingWindow();
    QCOMPARE(followerDialog->currentView(), active);

    activeDialog->levelSlider->setValue(222);
    activeDialog->widthEdit->setText(QStringLiteral("333"));
    QCOMPARE(active->displayLevel(), 222.0);
    QCOMPARE(active->displayWidth(), 333.0);
    QCOMPARE(followerDialog->levelSlider->value(), 222);
    QCOMPARE(followerDialog->widthSlider->value(), widthToSlider(333, 5000));
    QCOMPARE(followerDialog->levelEdit->text(), QStringLiteral("222"));
    QCOMPARE(followerDialog->widthEdit->text(), QStringLiteral("333"));
    // The follower keeps its own window; it takes the active one when it paints.
    QCOMPARE(follower->displayLevel(), 300.0);
    QCOMPARE(follower->displayWidth(), 200.0);

    // The follower's dialog only displays.
    followerDialog->levelSlider->setValue(-400);
    followerDialog->widthSlider->setValue(0);
    followerDialog->levelEdit->setText(QStringLiteral("17"));
    QCOMPARE(follower->displayLevel(), 300.0);
    QCOMPARE(follower->displayWidth(), 200.0);
    QCOMPARE(active->displayLevel(), 222.0);
    QCOMPARE(active->displayWidth(), 333.0);

    // Following off: each dialog edits its own view again.
    main.session().followActive = false;
    followerDialog->setCurrentView(nullptr);
    followerDialog->levelSlider->setValue(-450);
    QCOMPARE(follower->displayLevel(), -450.0);
    QCOMPARE(active->displayLevel(), 222.0);
}

void TestLevelCont::closedFollowedViewFallsBackToTheOwn()
{
    MainWindow main;
    const QList<MriView *> views = openMapViews(main, {ViewHydrogenDensity, ViewT1});
    QCOMPARE(views.size(), 2);
    views[1]->showLevelDialog(true);
    LevelCont *dialog = LevelCont::of(views[1]);
    dialog->setCurrentView(views[0]);
    delete main.documentArea()->subWindowList().first();
    QCOMPARE(dialog->currentView(), views[1]);
    QVERIFY(!dialog->histogramView()->grab().isNull());
    dialog->levelSlider->setValue(77);
    QCOMPARE(views[1]->displayLevel(), 77.0);
}

void TestLevelCont::degenerateImagesOpenAndPaint_data()
{
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("rest");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("all values between 0 and 1: an empty range") << 0.5 << 0.5;
    QTest::newRow("all zero") << 0.0 << 0.0;
    QTest::newRow("not a number among zeros") << nan << 0.0;
    QTest::newRow("endless values") << inf << -inf;
    QTest::newRow("the largest doubles") << std::numeric_limits<double>::max()
                                         << -std::numeric_limits<double>::max();
}

void TestLevelCont::degenerateImagesOpenAndPaint()
{
    QFETCH(double, first);
    QFETCH(double, rest);
    MainWindow main;
    auto *view = new MriView(main.session(), ViewNewRecording,
                             makeImage(8, 8, [=](int x, int y) { return x == 1 && y == 1 ? first : rest; }),
                             8, 8);
    view->showLevelDialog(true);
    LevelCont *dialog = LevelCont::of(view);
    QVERIFY(dialog);
    LevWidView *histogram = dialog->histogramView();
    histogram->resize(300, 250);
    QVERIFY(!histogram->grab().isNull());

    // Whatever the handles, pressing and dragging over the whole plot keeps the
    // window within the view's bounds.
    for (int x = 0; x < 300; x += 7) {
        const QPointF at(x, histogram->handlePoints()[HandleLevel].y);
        QMouseEvent press(QEvent::MouseButtonPress, at, histogram->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(histogram, &press);
        const QPointF to(299 - x, at.y());
        QMouseEvent move(QEvent::MouseMove, to, histogram->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(histogram, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, histogram->mapToGlobal(to), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(histogram, &release);
        QVERIFY(!histogram->grab().isNull());
    }
    const double level = view->displayLevel();
    const double width = view->displayWidth();
    QVERIFY(level >= view->levelMin() - 0.5 && level <= view->levelMax() + 0.5);
    QVERIFY(width == 0 || (width >= view->widthMin() && width <= view->widthMax()));
    QVERIFY(dialog->levelSlider->value() >= dialog->levelSlider->minimum());
    delete view;
}

RELAXON_TEST_CLASS(TestLevelCont)
#include "test_levelcont.moc"
