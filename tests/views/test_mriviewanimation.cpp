#include "views/mriview.h"

#include "testimage.h"
#include "app/mainwindow.h"
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

// The spin-echo signal of the uniform case below: PD 1000, T1 500, T2 100.
double spinEcho(double te, double tr)
{
    return 1000 * (1 - std::exp(-tr / 500)) * std::exp(-te / 100);
}

} // namespace

// Animations read the time from a clock the test sets by hand, so nothing here
// depends on how fast the machine runs.
class MriViewAnimationTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        now = 10000;
        setClockSource([this] { return now; });
        main = std::make_unique<MainWindow>();
        makeMriCase(main->session(), 8, 1000, 500, 100);
        main->session().recording.tr = 500;
        view = std::make_unique<MriView>(main->session(), ViewAnimation);
        view->resize(330, 350);
        view->show();
    }

    void cleanup()
    {
        view.reset();
        main.reset();
        setClockSource({});
    }

    void startsFromHydrogenDensityWithItsControls()
    {
        QVERIFY(view->animationRunning());
        QCOMPARE(view->imageData()[1][1], 1000.0);
        AnimationControls *controls = view->animationControls();
        const QSlider *slider = controls->trSlider;
        QCOMPARE(QList<int>({slider->minimum(), slider->maximum(), slider->value()}), QList<int>({50, 5000, 500}));
        QCOMPARE(controls->speedBox->currentIndex(), 1);

        // 330 x 350 less the status bar: W = 330, H = 330; picture area 290 x 300, the
        // Tr column right of it and the speed row below.
        QCOMPARE(QSize(view->areaWidth(), view->areaHeight()), QSize(290, 300));
        QCOMPARE(controls->trSlider->geometry(), QRect(295, 30, 30, 240));
        QCOMPARE(controls->teLabel->geometry(), QRect(0, 300, 72, 30));
        QCOMPARE(controls->speedBox->pos(),
                 QPoint(290 + 35 - controls->speedBox->width(), 300 + (30 - controls->speedBox->height()) / 2));
    }

    void echoTimeFollowsTheClockAndTr_data()
    {
        QTest::addColumn<int>("startTr");
        QTest::addColumn<QString>("trShown");
        QTest::addColumn<int>("sliderAt");
        QTest::addColumn<double>("ms");
        QTest::addColumn<double>("te");
        QTest::addColumn<double>("tr");
        QTest::newRow("within the first cycle") << 500 << "500" << 500 << 250.0 << 250.0 << 500.0;
        QTest::newRow("into the second cycle") << 500 << "500" << 500 << 550.0 << 50.0 << 500.0;
        // Beyond the slider: the slider stops at its end, the Tr is kept until it is moved.
        QTest::newRow("tr beyond the slider") << 8000 << "8000" << 5000 << 6000.0 << 6000.0 << 8000.0;
        // "-tr 0" on the command line: no cycle could end; the slider's 50 ms stand in.
        QTest::newRow("tr without cycle") << 0 << "50" << 50 << 1234.0 << 34.0 << 50.0;
    }
    void echoTimeFollowsTheClockAndTr()
    {
        QFETCH(int, startTr);
        QFETCH(double, ms);
        QFETCH(double, te);
        QFETCH(double, tr);
        main->session().recording.tr = startTr;
        view = std::make_unique<MriView>(main->session(), ViewAnimation);
        QTEST(view->animationControls()->trValue->text(), "trShown");
        QTEST(view->animationControls()->trSlider->value(), "sliderAt");
        tick(ms);
        checkTiming(te, tr);
        // The window stays that of the Te 40 / Tr 500 picture of construction.
        QCOMPARE(view->rangeHigh(), 500.0);
    }

    void trSliderWaitsForTheCycleAndSpeedStretchesIt()
    {
        tick(400);
        view->animationControls()->trSlider->setValue(1000);
        QCOMPARE(view->animationControls()->trValue->text(), QStringLiteral("1000"));
        // The cycle now runs to 1000 ms. Up to the old Tr it keeps that Tr; beyond, no
        // echo can come after the next excitation, so the picture takes the new one.
        tick(50);
        checkTiming(450, 500);
        tick(150);
        checkTiming(600, 1000);
        tick(500);
        checkTiming(100, 1000);

        view = std::make_unique<MriView>(main->session(), ViewAnimation);
        view->animationControls()->speedBox->setCurrentIndex(4); // "Tenth"
        QCOMPARE(view->echoTimeSweep().speed(), 0.1);
        tick(4000);
        checkTiming(400, 500);
        // "Double" counts at once: 4100 ms are 16 whole cycles of 250 ms and 100 ms.
        view->animationControls()->speedBox->setCurrentIndex(0);
        tick(100);
        checkTiming(200, 500);
    }

    void doubleClickPausesAndResumesFromFrozenEchoTime()
    {
        view->setLevelWidth(321, 654);
        main->session().selectedPixel = QPoint(2, 3);
        tick(100);
        // The status is renewed every fifth step of all animations together.
        for (int i = 0; i < 4; ++i)
            tick(0);
        const auto status = [](double te) {
            return QStringLiteral("Signal strength: %1").arg(std::round(spinEcho(te, 500)), 3, 'f', 0);
        };
        QCOMPARE(view->viewStatusBar()->currentMessage(), status(100));

        // Paused between two renewals, the read-out is that of the frozen picture.
        tick(150.4);
        QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));
        QVERIFY(!view->animationRunning());
        QCOMPARE(view->viewStatusBar()->currentMessage(), status(250.4));
        QCOMPARE(view->animationControls()->teLabel->text(), QStringLiteral(" TE=250"));
        // An animation keeps its window on a double click.
        QCOMPARE(view->displayLevel(), 321.0);

        now += 5000;
        QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));
        QVERIFY(view->animationRunning());
        QCOMPARE(view->animationControls()->teLabel->text(), QString());
        tick(0);
        checkTiming(250.4, 500);
        tick(10);
        checkTiming(260.4, 500);
    }

private:
    // Advances the clock by ms and draws the next frame.
    void tick(double ms) { now += ms, view->animFrame(); }
    // The echo time of the animation, then Tr (animation's, pending) as shown.
    void checkTiming(double te, double tr)
    {
        QVERIFY(std::abs(view->recordingParams().te - te) < kSignalTolerance);
        QCOMPARE(view->recordingParams().tr, tr);
        const double expected = spinEcho(te, tr);
        QVERIFY(std::abs(view->imageData()[4][4] - expected) <= kSignalTolerance * expected);
    }

    double now = 0;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<MriView> view;
};

RELAXON_TEST_CLASS(MriViewAnimationTest)
#include "test_mriviewanimation.moc"
