#include "views/mriview.h"

#include "testimage.h"
#include "app/mainwindow.h"
#include "dialogs/levelcont.h"
#include "simulation/fmridisplaymode.h"
#include "views/pixeltime.h"
#include "testrunner.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr int kRows = 16;
constexpr int kFrames = 99;
const QPoint kHidden(-2, -2);

// A uniform 16 x 12 PD/T1/T2 case (PD 100, T1 500, T2 50) shown in a document area
// of its own, with a few pixels set apart to tell the maps' read-outs from each other.
struct MriCaseWindow
{
    MriCaseWindow()
    {
        makeMriCase(main.session(), kRows, 100, 500, 50, -1, 12);
        CaseData &data = main.session().caseData;
        data.pd[11][6] = 216;
        data.t1[11][6] = 511;
        data.t2[11][6] = 56;
        data.t2[1][12] = 62;
        main.session().documentArea = &area;
        area.resize(1200, 800);
        area.show();
    }
    ~MriCaseWindow() { main.session().documentArea = nullptr; }

    MriView *addView(int kind)
    {
        auto *view = new MriView(main.session(), kind);
        QMdiSubWindow *window = area.addSubWindow(view);
        window->resize(260, 280);
        window->show();
        return view;
    }

    MainWindow main;
    QMdiArea area;
};

// Widget point in the middle of image pixel (x, y) of a view.
QPoint centreOf(const MriView &view, int x, int y)
{
    const ImageRect rect = view.pictureRect();
    return {rect.x0 + (2 * x + 1) * rect.width / (2 * view.rows()),
            rect.y0 + (2 * y + 1) * rect.height / (2 * view.cols())};
}

// Where the cross marker's label sits when it marks pixel (x, y).
QPoint markerAt(const MriView &view, int x, int y)
{
    const ScreenPoint point = pixelToScreen(view.pictureRect(), view.rows(), view.cols(), x, y);
    return {point.x - 1, point.y - 1};
}

QString message(const MriView *view)
{
    return view->viewStatusBar()->currentMessage();
}

// Moves the mouse over widget without a button, through the window system as the
// platform would (the toolkit's own move helper only sets the cursor then, which
// reaches whatever window lies on top there).
void hover(QWidget *widget, QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *window = widget->window();
    QTest::mouseEvent(QTest::MouseMove, window->windowHandle(), Qt::NoButton, modifiers, widget->mapTo(window, pos));
}

void drag(MriView &view, QPoint from, QPoint to)
{
    QTest::mousePress(&view, Qt::LeftButton, {}, from);
    QTest::mouseMove(&view, to);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, to);
}

// A central view of a plain image, shown at 400 x 300.
std::unique_ptr<MriView> centralView(MainWindow &main, int size, const std::function<double(int, int)> &value)
{
    main.session().caseData.rows = main.session().caseData.cols = size;
    auto view = std::make_unique<MriView>(main.session(), ViewNewRecording, makeImage(size, size, value), size, size);
    view->resize(400, 300);
    view->show();
    return view;
}

// The central view of a functional case of 99 frames of 4 x 3 pixels, showing frame
// 1: frame k (0-based) holds 1000 + 100 x + 10 y + k at pixel (x, y), 1-based.
// Statistics: t = x - y and p = 0.05 x (significant below 0.1: x = 1 only).
std::unique_ptr<MriView> functionalView(MainWindow &main)
{
    CaseData &data = main.session().caseData;
    makeSeries(data, 4, 3, kFrames);
    data.activation = makeImage(4, 3, [](int x, int y) { return 10.0 * x + y; });
    data.tValue = makeImage(4, 3, [](int x, int y) { return double(x - y); });
    data.pValue = makeImage(4, 3, [](int x, int) { return 0.05 * x; });
    double **frame = makeImage(4, 3, [](int x, int y) { return 1000.0 + 100 * x + 10 * y; });
    auto view = std::make_unique<MriView>(main.session(), ViewNewRecording, frame, 4, 3);
    view->resize(400, 300);
    view->show();
    return view;
}

} // namespace

class MriViewInteractionTest : public QObject
{
    Q_OBJECT

private slots:
    void readoutsAndMarkersFollowTheMouseAcrossViews()
    {
        MriCaseWindow window;
        MriView *pd = window.addView(ViewHydrogenDensity);
        MriView *t1 = window.addView(ViewT1);
        MriView *t2 = window.addView(ViewT2);
        // An ADC view names its values differently.
        window.main.session().caseData.hasDti = true;
        window.main.session().recording.technique = TechniqueAdc;
        MriView *adc = window.addView(ViewHydrogenDensity);

        // Image pixel (10, 5) is map entry [11][6].
        hover(t1, centreOf(*t1, 10, 5));
        QCOMPARE(window.main.session().selectedPixel, QPoint(10, 5));
        QCOMPARE(QStringList({message(pd), message(t1), message(t2), message(adc)}),
                 QStringList({"Signal strength: 216 ", "Signal strength: 511 ", "Signal strength:  56 ",
                              "diffusion coef: 216 "}));
        QCOMPARE(t1->crossMarker()->pos(), kHidden);
        for (MriView *other : {pd, t2, adc})
            QCOMPARE(other->crossMarker()->pos(), markerAt(*other, 10, 5));

        // The mouse moves on to the PD view: the marker leaves it and appears in T1.
        hover(pd, centreOf(*pd, 0, 11));
        QCOMPARE(window.main.session().selectedPixel, QPoint(0, 11));
        QCOMPARE(message(t2), QStringLiteral("Signal strength:  62 "));
        QCOMPARE(pd->crossMarker()->pos(), kHidden);
        QCOMPARE(t1->crossMarker()->pos(), markerAt(*t1, 0, 11));

        // Off the picture, in the black band of a wide sub-window, the read-outs clear
        // but the markers stay; leaving the view clears both.
        pd->parentWidget()->resize(500, 280);
        QVERIFY(pd->pictureRect().x0 > 10);
        hover(pd, centreOf(*pd, 3, 4));
        hover(pd, QPoint(5, 100));
        QCOMPARE(window.main.session().selectedPixel, QPoint(-1, -1));
        QCOMPARE(message(pd) + message(t1), QStringLiteral("  "));
        QCOMPARE(t1->crossMarker()->pos(), markerAt(*t1, 3, 4));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(pd, &leave);
        QCOMPARE(t1->crossMarker()->pos(), kHidden);
    }

    void leftDragSetsTheWindowAndRightClickTheDialog()
    {
        MainWindow main;
        main.session().caseData.isMri = true;
        main.session().caseData.fullScale = 2000;
        std::unique_ptr<MriView> view = centralView(main, 8, [](int x, int) { return 100.0 * x; });
        QCOMPARE(view->pictureRect().x0, 50); // 300 x 300
        view->setLevelWidth(1000, 1801);      // slider position 1000 exactly

        // Presses right of the picture's width do nothing; left of the picture they drag.
        drag(*view, QPoint(320, 200), QPoint(320, 100));
        QCOMPARE(view->displayLevel(), 1000.0);
        // 100 pixels up with full scale 2000: 100 * 6000 / 300 = 2000.
        drag(*view, QPoint(20, 200), QPoint(20, 100));
        QCOMPARE(QPointF(view->displayLevel(), view->displayWidth()), QPointF(3000, 1801));
        QCOMPARE(main.session().levelLabel->text(), QStringLiteral(" wl: 3000 "));

        // 30 right: position 1200, width 1 + (10^1.2 - 1) * 200. The drag follows the
        // mouse from the press, not from the last move, and ends with the release.
        view->setLevelWidth(1000, 1801);
        QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(view.get(), QPoint(250, 100));
        QTest::mouseMove(view.get(), QPoint(130, 100));
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(130, 100));
        hover(view.get(), QPoint(20, 20));
        QVERIFY(std::abs(view->displayWidth() - 2970.786384922227) < 1e-6);
        QCOMPARE(view->displayLevel(), 1000.0);
        QCOMPARE(main.session().widthLabel->text(), QStringLiteral(" ww: 2971 "));

        // A double click restores the automatic window.
        QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(150, 150));
        QCOMPARE(QPointF(view->displayLevel(), view->displayWidth()),
                 QPointF((view->autoLow() + view->autoHigh()) / 2, view->autoHigh() - view->autoLow()));

        // A right click on the picture toggles the level dialog; right of it nothing opens.
        QTest::mouseClick(view.get(), Qt::RightButton, {}, QPoint(320, 100));
        QVERIFY(!LevelCont::of(view.get()));
        QTest::mouseClick(view.get(), Qt::RightButton, {}, QPoint(100, 100));
        QVERIFY(LevelCont::of(view.get()) && LevelCont::of(view.get())->isVisible());
        QTest::mouseClick(view.get(), Qt::RightButton, {}, QPoint(100, 100));
        QVERIFY(!LevelCont::of(view.get())->isVisible());
    }

    void brokenValuesNeverUpsetReadoutsOrDrags()
    {
        // Text case files may hold these.
        const double values[4] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::max()};
        MainWindow main;
        std::unique_ptr<MriView> view = centralView(main, 4, [&](int x, int) { return values[x - 1]; });
        hover(view.get(), centreOf(*view, 0, 0));
        QCOMPARE(main.statusBar()->currentMessage(), QStringLiteral("Signal strength: nan"));
        hover(view.get(), centreOf(*view, 2, 0));
        QCOMPARE(main.statusBar()->currentMessage(), QStringLiteral("Signal strength: -inf"));

        for (QPoint to : {QPoint(399, 0), QPoint(0, 299)}) {
            drag(*view, QPoint(200, 150), to);
            QVERIFY(view->displayLevel() >= view->levelMin() && view->displayLevel() <= view->levelMax());
            QVERIFY(view->displayWidth() >= view->widthMin() && view->displayWidth() <= view->widthMax());
        }
        QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(view->displayWidth() >= 1);
    }

    void framesStepWrapAndReportTheTrueSignal()
    {
        MainWindow main;
        std::unique_ptr<MriView> view = functionalView(main);
        main.session().selectedPixel = QPoint(1, 2); // pixel [2][3]
        view->stepFrame(-1);
        QCOMPARE(view->frame(), 98);
        QCOMPARE(view->imageData()[2][3], 1000.0 + 200 + 30 + 98);
        QCOMPARE(main.statusBar()->currentMessage(), QStringLiteral("Signal strength: 1328"));
        view->stepFrame(2 * kFrames + 6);
        QCOMPARE(view->frame(), 5);

        // Both: pixels with p below 0.1 (x = 1) are stored negated; the read-out is the
        // one the mouse gives, the true signal with t and p.
        view->setFmriMode(FmriShowBoth);
        main.session().selectedPixel = QPoint(0, 0);
        view->stepFrame(0);
        QCOMPARE(view->imageData()[1][1], -1115.0);
        const QString both = QStringLiteral("t-value: 0.00   p-value: 0.0500   Signal strength: 1115");
        QCOMPARE(main.statusBar()->currentMessage(), both);
        // Outside the image the message stays.
        main.session().selectedPixel = QPoint(7, 0);
        view->stepFrame(1);
        QCOMPARE(main.statusBar()->currentMessage(), both);

        // The movie's tick advances a frame.
        view->setFmriMode(FmriShowFrames);
        main.session().selectedPixel = QPoint(2, 0); // [3][1]
        view->stepFrame(-6);
        view->fMriFrame();
        QCOMPARE(view->frame(), 1);
        QCOMPARE(main.statusBar()->currentMessage(), QStringLiteral("Signal strength: 1311"));
    }

    void centralStatusShowsWhatTheModeShows()
    {
        MainWindow main;
        std::unique_ptr<MriView> view = functionalView(main);
        const auto status = [&main] { return main.statusBar()->currentMessage(); };
        // Two points on pixel [1][2] (t = -1, p = 0.05): the window system passes on
        // only moves that go somewhere.
        const QPoint onPixel = centreOf(*view, 0, 1);
        const QPoint besideIt = onPixel + QPoint(1, 1);
        hover(view.get(), onPixel);
        QCOMPARE(status(), QStringLiteral("Signal strength: 1120"));
        view->setFmriMode(FmriShowStatistics);
        view->stepFrame(0);
        hover(view.get(), besideIt);
        QCOMPARE(status(), QStringLiteral("t-value: -1.00 p-value: 0.0500   "));
        view->setFmriMode(FmriShowBoth);
        view->stepFrame(0);
        hover(view.get(), onPixel);
        QCOMPARE(status(), QStringLiteral("t-value: -1.00 p-value: 0.0500   Signal strength: 1120"));

        // A held modifier adds the position.
        view->setFmriMode(FmriShowFrames);
        hover(view.get(), centreOf(*view, 3, 2), Qt::ShiftModifier);
        QCOMPARE(status(), QStringLiteral("Signal strength: 1430  position: (  4,  3)"));
        hover(view.get(), centreOf(*view, 3, 2) + QPoint(1, 1));
        QCOMPARE(status(), QStringLiteral("Signal strength: 1430"));

        // The time curve follows the mouse; off the picture it keeps the last pixel.
        view->resize(500, 300); // a band of 50 pixels left of the picture
        PixelTime *curve = view->timeCurve();
        QCOMPARE(curve->count(), kFrames);
        hover(view.get(), centreOf(*view, 0, 0));
        QCOMPARE(QPointF(curve->value(0), curve->value(98)), QPointF(1110, 1208));
        hover(view.get(), QPoint(10, 5));
        QCOMPARE(curve->value(98), 1208.0);
    }
};

RELAXON_TEST_CLASS(MriViewInteractionTest)
#include "test_mriviewinteraction.moc"
