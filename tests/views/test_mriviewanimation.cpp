#include "views/mriview.h"

#include "app/mainwindow.h"
#include "numerics/matrixmemory.h"
#include "views/animationcontrols.h"
#include "views/programclock.h"
#include "testrunner.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QStatusBar>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

// Signals are products of a few exponentials of order-one arguments.
constexpr double kSignalTolerance = 1e-9;
constexpr double kPd = 1000;
constexpr double kT1 = 500;
constexpr double kT2 = 100;

// A uniform PD/T1/T2 case of 8 x 8 pixels.
void makeMriCase(MainWindow &main)
{
    CaseData &data = main.session().caseData;
    data.rows = 8;
    data.cols = 8;
    data.isMri = true;
    data.fullScale = 2000;
    data.pd = dmatrix(1, 8, 1, 8);
    data.t1 = dmatrix(1, 8, 1, 8);
    data.t2 = dmatrix(1, 8, 1, 8);
    for (int x = 1; x <= 8; ++x)
        for (int y = 1; y <= 8; ++y) {
            data.pd[x][y] = kPd;
            data.t1[x][y] = kT1;
            data.t2[x][y] = kT2;
        }
}

double spinEcho(double te, double tr)
{
    return kPd * (1 - std::exp(-tr / kT1)) * std::exp(-te / kT2);
}

bool nearSignal(double value, double expected)
{
    return std::abs(value - expected) <= kSignalTolerance * std::abs(expected);
}

} // namespace

// Animations read the time from a clock the test sets by hand, so nothing here
// depends on how fast the machine runs.
class MriViewAnimationTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsFromHydrogenDensityWithItsControls();
    void echoTimeFollowsTheClock();
    void trSliderTakesEffectWhenTheCycleEnds();
    void speedBoxStretchesTheCycle();
    void doubleClickPausesAndResumesFromFrozenEchoTime();
    void trBeyondTheSliderIsKeptUntilMoved();
    void trWithoutCycleStillAnimates();
    void controlsAreLaidOutAroundThePicture();
    void statusShowsValueUnderTheMouse();

private:
    std::unique_ptr<MriView> makeAnimation(MainWindow &main, int tr = 500);
    double now = 0;
};

void MriViewAnimationTest::init()
{
    now = 10000;
    setClockSource([this] { return now; });
}

void MriViewAnimationTest::cleanup()
{
    setClockSource({});
}

std::unique_ptr<MriView> MriViewAnimationTest::makeAnimation(MainWindow &main, int tr)
{
    makeMriCase(main);
    main.session().recording.tr = tr;
    auto view = std::make_unique<MriView>(main.session(), ViewAnimation);
    view->resize(330, 350);
    view->show();
    return view;
}

void MriViewAnimationTest::startsFromHydrogenDensityWithItsControls()
{
    MainWindow main;
    std::unique_ptr<MriView> view = makeAnimation(main);
    QVERIFY(view->animationRunning());
    QCOMPARE(view->imageData()[1][1], kPd);
    AnimationControls *controls = view->animationControls();
    QVERIFY(controls);
    QCOMPARE(controls->trSlider->orientation(), Qt::Vertical);
    QCOMPARE(controls->trSlider->minimum(), 50);
    QCOMPARE(controls->trSlider->maximum(), 5000);
    QCOMPARE(controls->trSlider->value(), 500);
    QCOMPARE(controls->trCaption->text(), QStringLiteral("TR"));
    QCOMPARE(controls->trValue->text(), QStringLiteral("500"));
    QCOMPARE(controls->teLabel->text(), QString());
    QCOMPARE(controls->speedCaption->text(), QStringLiteral("Animation speed:"));
    const QStringList speeds{QStringLiteral("Double"), QStringLiteral("Real time"), QStringLiteral("Half"),
                             QStringLiteral("Quarter"), QStringLiteral("Tenth")};
    QCOMPARE(controls->speedBox->count(), speeds.size());
    for (int i = 0; i < speeds.size(); ++i)
        QCOMPARE(controls->speedBox->itemText(i), speeds.at(i));
    QCOMPARE(controls->speedBox->currentIndex(), 1);
}

void MriViewAnimationTest::echoTimeFollowsTheClock()
{
    MainWindow main;
    std::unique_ptr<MriView> view = makeAnimation(main);
    now += 250;
    view->animFrame();
    QCOMPARE(view->recordingParams().te, 250.0);
    QVERIFY(nearSignal(view->imageData()[4][4], spinEcho(250, 500)));
    now += 300; // 550 ms: 50 ms into the second cycle
    view->animFrame();
    QCOMPARE(view->recordingParams().te, 50.0);
    QVERIFY(nearSignal(view->imageData()[4][4], spinEcho(50, 500)));
    // The window stays that of the Te 40 / Tr 500 picture of construction.
    QCOMPARE(view->rangeHigh(), 500.0);
}

void MriViewAnimationTest::trSliderTakesEffectWhenTheCycleEnds()
{
    MainWindow main;
    std::unique_ptr<MriView> view = makeAnimation(main);
    now += 400;
    view->animFrame();
    view->animationControls()->trSlider->setValue(1000);
    QCOMPARE(view->animationControls()->trValue->text(), QStringLiteral("1000"));
    now += 200; // 600 ms: the cycle is now measured against 1000 ms, Tr still 500
    view->animFrame();
    QCOMPARE(view->recordingParams().te, 600.0);
    QCOMPARE(view->recordingParams().tr, 500.0);
    QVERIFY(nearSignal(view->imageData()[1][1], spinEcho(600, 500)));
    now += 500; // 1100 ms: 100 ms into a cycle with Tr 1000
    view->animFrame();
    QCOMPARE(view->recordingParams().te, 100.0);
    QCOMPARE(view->recordingParams().tr, 1000.0);
    QVERIFY(nearSignal(view->imageData()[1][1], spinEcho(100, 1000)));
}

void MriViewAnimationTest::speedBoxStretchesTheCycle()
{
    MainWindow main;
    std::unique_ptr<MriView> view = makeAnimation(main);
    view->animationControls()->speedBox->setCurrentIndex(4); // "Tenth"
    QCOMPARE(view->echoTimeSweep().speed(), 0.1);
    now += 4000;
    view->animFrame();
    QVERIFY(std::abs(view->recordingParams().te - 400) < 1e-9);
    // "Double" counts at once: 4100 ms are 16 whole cycles of 250 ms and 100 ms.
    view->animationControls()->speedBox->setCurrentIndex(0);
    now += 100;
    view->animFrame();
    QCOMPARE(view->recordingParams().te, 200.0);
}

void MriViewAnimationTest::doubleClickPausesAndResumesFromFrozenEchoTime()
{
    MainWindow main;
    std::unique_ptr<MriView> view = makeAnimation(main);
    view->setLevelWidth(321, 654);
    now += 250.4;
    view->animFrame();
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));
    QVERIFY(!view->animationRunning());
    QCOMPARE(view->animationControls()->teLabel->text(), QStringLiteral(" TE=250"));
    // An animation keeps its window on a double click.
    QCOMPARE(view->displayLevel(), 321.0);

    now += 5000;
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));
    QVERIFY(view->animationRunning());
    QCOMPARE(view->animationControls()->teLabel->text(), QString());
    view->animFrame();
    QVERIFY(std::abs(view->recordingParams().te - 250.4) < 1e-9);
    now += 10;
    view->animFrame();
    QVERIFY(std::abs(view->recordingParams().te - 260.4) < 1e-9);
}

void MriViewAnimationTest::trBeyondTheSliderIsKeptUntilMoved()
{
    MainWindow main;
    std::unique_ptr<MriView> view = makeAnimation(main, 8000);
    QCOMPARE(view->animationControls()->trSlider->value(), 5000);
    QCOMPARE(view->animationControls()->trValue->text(), QStringLiteral("8000"));
    now += 6000;
    view->animFrame();
    QCOMPARE(view->recordingParams().te, 6000.0);
    QCOMPARE(view->recordingParams().tr, 8000.0);
}

void MriViewAnimationTest::trWithoutCycleStillAnimates()
{
    // "-tr 0" on the command line: no cycle could end; the slider's 50 ms stand in.
    MainWindow main;
    std::unique_ptr<MriView> view = makeAnimation(main, 0);
    QCOMPARE(view->animationControls()->trSlider->value(), 50);
    QCOMPARE(view->animationControls()->trValue->text(), QStringLiteral("50"));
    now += 1234;
    view->animFrame();
    QCOMPARE(view->recordingParams().te, 34.0);
    QCOMPARE(view->recordingParams().tr, 50.0);
}

void MriViewAnimationTest::controlsAreLaidOutAroundThePicture()
{
    MainWindow main;
    std::unique_ptr<MriView> view = makeAnimation(main);
    // 330 x 350 less the status bar: W = 330, H = 330; picture area 290 x 300.
    QCOMPARE(view->areaWidth(), 290);
    QCOMPARE(view->areaHeight(), 300);
    AnimationControls *controls = view->animationControls();
    QCOMPARE(controls->trSlider->geometry(), QRect(295, 30, 30, 240));
    QCOMPARE(controls->trCaption->geometry(), QRect(290, 0, 40, 30));
    QCOMPARE(controls->trValue->geometry(), QRect(290, 270, 40, 30));
    QCOMPARE(controls->teLabel->geometry(), QRect(0, 300, 72, 30));
    QCOMPARE(controls->speedBox->x(), 290 + 35 - controls->speedBox->width());
    QCOMPARE(controls->speedBox->y(), 300 + (30 - controls->speedBox->height()) / 2);
    QCOMPARE(controls->speedCaption->x(), controls->speedBox->x() - controls->speedCaption->width() - 5);
    QCOMPARE(controls->speedCaption->y(), 300 + (30 - controls->speedCaption->height()) / 2);
}

void MriViewAnimationTest::statusShowsValueUnderTheMouse()
{
    MainWindow main;
    std::unique_ptr<MriView> view = makeAnimation(main);
    now += 100;
    main.session().selectedPixel = QPoint(2, 3);
    // The status is renewed every fifth step of all animations together.
    for (int i = 0; i < 5; ++i)
        view->animFrame();
    const QString expected =
        QStringLiteral("Signal strength: %1").arg(std::round(spinEcho(100, 500)), 3, 'f', 0);
    QCOMPARE(view->viewStatusBar()->currentMessage(), expected);

    // Paused between two renewals, the read-out is that of the frozen picture.
    now += 30;
    view->animFrame();
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(view->viewStatusBar()->currentMessage(),
             QStringLiteral("Signal strength: %1").arg(std::round(spinEcho(130, 500)), 3, 'f', 0));
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));

    main.session().selectedPixel = QPoint(-1, -1);
    for (int i = 0; i < 5; ++i)
        view->animFrame();
    QCOMPARE(view->viewStatusBar()->currentMessage(), QString());
}

RELAXON_TEST_CLASS(MriViewAnimationTest)
#include "test_mriviewanimation.moc"
