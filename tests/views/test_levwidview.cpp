#include "views/levwidview.h"

#include "testimage.h"
#include "app/mainwindow.h"
#include "dialogs/levelcont.h"
#include "views/levwidviewgeometry.h"
#include "views/mriview.h"
#include "testrunner.h"

#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// One step of the width slider changes the width by at most 10^(1/1000) - 1.
constexpr double kWidthSliderStep = 0.0024;
const QColor kWhite(255, 255, 255);
const QColor kShade(230, 230, 230);

// A widget of 155 x 265 pixels: w' = 154, h' = 264, so the plot is W = 100 wide and
// H = 200 high with its baseline at 220; a value range of -1000..1000 gives
// s = 0.05 pixels per unit.
HistogramPlot examplePlot()
{
    return histogramPlot(155, 265, -1000, 1000);
}

void sendMouse(QWidget *widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void drag(QWidget *widget, QPoint from, QPoint to)
{
    sendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// A central view of a plain image whose values run evenly from -500 to 1479 (range
// -500..1500, level 500 and width 1000), its dialog and its histogram of 355 x 265
// pixels, painted once: the plot is 300 wide (s = 0.15 pixels per unit) and 200
// high, baseline at 220, handles at y = 120 and x = 120, 195 and 270.
struct Fixture
{
    MainWindow main;
    MriView *view = nullptr;
    LevelCont *dialog = nullptr;
    LevWidView *histogram = nullptr;

    Fixture()
    {
        const auto value = [](int x, int y) { return -500.0 + (x - 1) * 50 + (y - 1); };
        view = new MriView(main.session(), ViewNewRecording, makeImage(40, 50, value), 40, 50);
        dialog = new LevelCont(view);
        dialog->levelEdit->setText(QStringLiteral("500"));
        dialog->widthEdit->setText(QStringLiteral("1000"));
        histogram = dialog->histogramView();
        // Shown first: the dialog fits the histogram to its frame whenever it is resized.
        dialog->show();
        histogram->resize(355, 265);
        paint();
    }
    ~Fixture() { delete view; }

    QImage paint() const { return histogram->grab().toImage(); }
    int handle(int which) const { return histogram->handlePoints()[which].x; }
};

} // namespace

class TestLevWidView : public QObject
{
    Q_OBJECT

private slots:
    // Too small a widget is tried on the dialog's histogram below.
    void unscaledPlotsShowNoHandles()
    {
        // Value ranges empty, endless and not a number.
        for (QPointF range : {QPointF(1, 1), QPointF(-kInf, kInf), QPointF(kNan, 1)}) {
            const HistogramPlot plot = histogramPlot(300, 300, range.x(), range.y());
            QVERIFY(plot.drawable() && !plot.scaled());
            for (const HandlePoint &h : windowHandles(plot, windowMarks(plot, 0, 10, range.x())))
                QCOMPARE(h.x, -1);
        }
    }

    void windowEdgesAndHandles()
    {
        const HistogramPlot plot = examplePlot();
        QCOMPARE(QRect(plot.left, plot.top, plot.width, plot.height), QRect(45, 20, 100, 200));
        QCOMPARE(QList<int>({plot.baseline, plot.right(), plot.handleY()}), QList<int>({220, 145, 120}));
        QCOMPARE(plot.scale, 0.05);
        // A value of 10 lies 0.5 pixels right of 95 and rounds away from zero.
        QCOMPARE(plotX(plot, 10, -1000), 96);

        // Edges beyond the plot have no handle; exactly on its ends they still do.
        const Handles wide = windowHandles(plot, windowMarks(plot, 0, 4000, -1000));
        QCOMPARE(QList<int>({wide[HandleLow].x, wide[HandleLevel].x, wide[HandleHigh].x}), QList<int>({-1, 95, -1}));
        QCOMPARE(handleWithinReach(wide, 46, 120), -1);
        const Handles full = windowHandles(plot, windowMarks(plot, 0, 2000, -1000));
        QCOMPARE(QList<int>({full[HandleLow].x, full[HandleHigh].x}), QList<int>({45, 145}));

        // Values far beyond doubles' reach still give pixel positions.
        const WindowMarks far = windowMarks(plot, 1e300, 1e300, -1000);
        QVERIFY(far.highX > plot.right() && far.lowX > plot.right());
    }

    void reachPrefersTheHigherHandle()
    {
        // Lower edge at 70, level at 86, upper edge at 120.
        const Handles handles{{{70, 120}, {86, 120}, {120, 120}}};
        QCOMPARE(handleWithinReach(handles, 95, 130), -1); // ten pixels below the level
        QCOMPARE(handleWithinReach(handles, 78, 112), int(HandleLevel)); // within reach of both
        QCOMPARE(handleWithinReach(handles, 120, 120), int(HandleHigh));
    }

    void transferCurves_data()
    {
        QTest::addColumn<double>("level");
        QTest::addColumn<double>("width");
        QTest::addColumn<bool>("invert");
        QTest::addColumn<QList<QPoint>>("curve");
        QTest::newRow("window inside the plot")
            << 0.0 << 1000.0 << false << QList<QPoint>{{45, 220}, {70, 220}, {120, 20}, {145, 20}};
        QTest::newRow("inverted")
            << 0.0 << 1000.0 << true << QList<QPoint>{{45, 20}, {70, 20}, {120, 220}, {145, 220}};
        // Edges at -5 and 195: the ramp rises 200 pixels over 200, cut at 45 (50 up)
        // and 145 (150 up).
        QTest::newRow("window wider than the plot")
            << 0.0 << 4000.0 << false << QList<QPoint>{{45, 170}, {145, 70}};
        // Both edges on one pixel: a step.
        QTest::newRow("width 1")
            << 0.0 << 1.0 << false << QList<QPoint>{{45, 220}, {95, 220}, {95, 20}, {145, 20}};
        QTest::newRow("window left of the plot")
            << -3000.0 << 1000.0 << false << QList<QPoint>{{45, 20}, {145, 20}};
    }
    void transferCurves()
    {
        QFETCH(double, level);
        QFETCH(double, width);
        QFETCH(bool, invert);
        const HistogramPlot plot = examplePlot();
        QList<QPoint> computed;
        for (const PlotPoint &p : transferCurve(plot, windowMarks(plot, level, width, -1000), invert))
            computed.append(QPoint(p.x, p.y));
        QTEST(computed, "curve");
    }

    void barsAndDragsRoundAsDrawn_data()
    {
        QTest::addColumn<double>("computed");
        QTest::addColumn<double>("expected");
        const HistogramPlot plot = examplePlot();
        // Bars reach half the plot's 200 pixels at the peak, taken toward zero.
        QTest::newRow("1 * 200 / 3 toward zero") << double(barHeight(1, 1.5, 200)) << 66.0;
        QTest::newRow("background bin above twice the peak") << double(barHeight(900, 100, 200)) << 200.0;
        QTest::newRow("count not a number") << double(barHeight(kNan, 100, 200)) << 0.0;
        QTest::newRow("peak not a number") << double(barHeight(10, kNan, 200)) << 0.0;
        // Level 500, width 1000: q = 0.255, grey 0.255 v + 0.5 taken toward zero.
        QTest::newRow("0 gives 0.5") << double(barGrey(0, 500, 1000, false)) << 0.0;
        QTest::newRow("the level is mid grey") << double(barGrey(500, 500, 1000, false)) << 128.0;
        QTest::newRow("the upper edge saturates") << double(barGrey(1000, 500, 1000, false)) << 255.0;
        QTest::newRow("inverted level") << double(barGrey(500, 500, 1000, true)) << 127.0;
        QTest::newRow("grey of not a number") << double(barGrey(kNan, 500, 1000, false)) << 0.0;
        // Drags stay on the plot.
        QTest::newRow("drag beyond int") << double(dragX(plot, std::numeric_limits<int>::max(), 9)) << 145.0;
        QTest::newRow("drag far left") << double(dragX(plot, -5000, 0)) << 45.0;
        QTest::newRow("negative half rounds down") << double(roundPixel(-10.5)) << -11.0;
    }
    void barsAndDragsRoundAsDrawn()
    {
        QFETCH(double, computed);
        QTEST(computed, "expected");
    }

    void draggingAHandleSetsTheWindow_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<double>("level");
        QTest::addColumn<double>("width");
        // Grabbed two pixels right of the handle, which follows at that offset to x = 225,
        // 30 pixels or 200 units up.
        QTest::newRow("level handle") << QPoint(197, 118) << QPoint(227, 140) << 700.0 << 1000.0;
        // An edge keeps the window centred.
        QTest::newRow("upper edge 105 pixels from level") << QPoint(270, 120) << QPoint(300, 120) << 500.0 << 1400.0;
        // Stopped at the plot's end, 150 pixels or 1000 units from the level.
        QTest::newRow("upper edge far right") << QPoint(270, 120) << QPoint(5000, 120) << 500.0 << 2000.0;
        QTest::newRow("lower edge 105 pixels from level") << QPoint(120, 120) << QPoint(90, 125) << 500.0 << 1400.0;
        QTest::newRow("lower edge past the level narrows") << QPoint(120, 120) << QPoint(220, 120) << 500.0 << 333.0;
        QTest::newRow("lower edge onto the level") << QPoint(120, 120) << QPoint(195, 120) << 500.0 << 1.0;
    }
    void draggingAHandleSetsTheWindow()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(double, width);
        Fixture f;
        drag(f.histogram, from, to);
        QCOMPARE(f.histogram->draggedHandle(), -1);
        QTEST(f.view->displayLevel(), "level");
        QVERIFY2(std::fabs(f.view->displayWidth() - width) <= kWidthSliderStep * width + 0.5,
                 qPrintable(QString::number(f.view->displayWidth())));
        QCOMPARE(f.view->displayWidth(), std::round(f.view->displayWidth()));
    }

    void pressingAwayFromTheHandlesDragsNothing()
    {
        Fixture f;
        sendMouse(f.histogram, QEvent::MouseButtonPress, QPoint(160, 60), Qt::RightButton, Qt::RightButton);
        QCOMPARE(f.histogram->draggedHandle(), -1);
        sendMouse(f.histogram, QEvent::MouseMove, QPoint(300, 60), Qt::NoButton, Qt::RightButton);
        QCOMPARE(QPointF(f.view->displayLevel(), f.view->displayWidth()), QPointF(500, 1000));

        // Any button grabs a handle.
        sendMouse(f.histogram, QEvent::MouseButtonPress, QPoint(195, 120), Qt::RightButton, Qt::RightButton);
        QCOMPARE(f.histogram->draggedHandle(), int(HandleLevel));
        sendMouse(f.histogram, QEvent::MouseButtonRelease, QPoint(195, 120), Qt::RightButton, Qt::NoButton);

        // Hovering marks the handles; released away from them, a drag gives the arrow back.
        QCOMPARE(f.histogram->cursor().shape(), Qt::ArrowCursor);
        sendMouse(f.histogram, QEvent::MouseMove, QPoint(204, 129), Qt::NoButton, Qt::NoButton);
        QCOMPARE(f.histogram->cursor().shape(), Qt::SizeHorCursor);
        drag(f.histogram, QPoint(204, 129), QPoint(320, 60));
        QCOMPARE(f.histogram->cursor().shape(), Qt::ArrowCursor);
    }

    void paintingShadesOutsideTheWindow()
    {
        Fixture f;
        QImage picture = f.paint();
        QCOMPARE(picture.pixelColor(2, 2), kWhite);
        // Above the bars, below the strip, off the grid: shaded left and right of the
        // window (x = 120..270), white inside it.
        QCOMPARE(picture.pixelColor(60, 90), kShade);
        QCOMPARE(picture.pixelColor(330, 90), kShade);
        QCOMPARE(picture.pixelColor(160, 90), kWhite);
        // The ramp left of the axis runs from black at the baseline to white at the top.
        QVERIFY(picture.pixelColor(35, 220).red() <= 2);
        QVERIFY(picture.pixelColor(35, 21).red() >= 253);
        // Bin 5 (x = 60) ends at -380, far below the window: its bar and strip are black,
        // and unchecking the histogram removes both.
        QCOMPARE(picture.pixelColor(61, 10), QColor(Qt::black));
        QCOMPARE(picture.pixelColor(61, 170), QColor(Qt::black));
        f.dialog->histoBox->setChecked(false);
        picture = f.paint();
        QCOMPARE(picture.pixelColor(61, 10), kWhite);
        QCOMPARE(picture.pixelColor(61, 170), kShade);
        QCOMPARE(QList<int>({f.handle(HandleLow), f.handle(HandleLevel), f.handle(HandleHigh)}),
                 QList<int>({120, 195, 270}));
        QCOMPARE(f.histogram->handlePoints()[HandleLevel].y, 120);
        // One pixel short of drawable either way.
        for (QSize size : {QSize(55, 300), QSize(300, 65)}) {
            f.histogram->resize(size);
            QVERIFY(f.paint().pixelColor(2, 2) != kWhite);
            for (const HandlePoint &h : f.histogram->handlePoints())
                QCOMPARE(h.x, -1);
        }
    }
};

RELAXON_TEST_CLASS(TestLevWidView)
#include "test_levwidview.moc"
