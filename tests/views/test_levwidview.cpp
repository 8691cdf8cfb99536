#include "views/levwidview.h"

#include "app/mainwindow.h"
#include "dialogs/levelcont.h"
#include "simulation/widthslider.h"
#include "views/mriview.h"
#include "testrunner.h"

#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

// A histogram widget of 355 x 265 pixels over the value range -500..1500: the plot
// is 300 wide (s = 0.15 pixels per unit) and 200 high, baseline at 220, handles at
// y = 120. Level 500, width 1000 puts the handles at x = 120, 195 and 270.
constexpr int kWidgetWidth = 355;
constexpr int kWidgetHeight = 265;
constexpr int kHandleY = 120;
// One step of the width slider changes the width by at most 10^(1/1000) - 1.
constexpr double kWidthSliderStep = 0.0024;

const QColor kWhite(255, 255, 255);
const QColor kShade(230, 230, 230);
const QColor kBlack(0, 0, 0);

void sendMouse(QWidget *widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void drag(QWidget *widget, QPoint from, QPoint to)
{
    sendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// A central view of a plain image whose values run evenly from -500 to 1479 (range
// -500..1500, level 500 and width 1000), its dialog and its histogram, painted once.
struct Fixture
{
    MainWindow main;
    MriView *view = nullptr;
    LevelCont *dialog = nullptr;
    LevWidView *histogram = nullptr;

    Fixture()
    {
        double **image = dmatrix(1, 40, 1, 50);
        for (int x = 1; x <= 40; ++x)
            for (int y = 1; y <= 50; ++y)
                image[x][y] = -500.0 + (x - 1) * 50 + (y - 1);
        view = new MriView(main.session(), ViewNewRecording, image, 40, 50);
        dialog = new LevelCont(view);
        dialog->levelEdit->setText(QStringLiteral("500"));
        dialog->widthEdit->setText(QStringLiteral("1000"));
        histogram = dialog->histogramView();
        // Laid out and shown first: the dialog fits the histogram to its frame
        // whenever it is resized.
        dialog->show();
        histogram->resize(kWidgetWidth, kWidgetHeight);
        paint();
    }
    ~Fixture() { delete view; }

    QImage paint() const { return histogram->grab().toImage(); }
};

} // namespace

class TestLevWidView : public QObject
{
    Q_OBJECT

private slots:
    void handlesSitOnTheWindow();
    void draggingTheLevelHandleMovesTheLevel();
    void draggingAnEdgeKeepsTheWindowCentred_data();
    void draggingAnEdgeKeepsTheWindowCentred();
    void draggingStopsAtThePlotsEnds();
    void pressingAwayFromTheHandlesDragsNothing();
    void hoverCursorMarksTheHandles();
    void windowWiderThanThePlotHasNoEdgeHandles();
    void paintingShadesOutsideTheWindow();
    void uncheckingTheHistogramRemovesBarsAndStrip();
    void tooSmallWidgetPaintsNothing();
};

void TestLevWidView::handlesSitOnTheWindow()
{
    Fixture f;
    const Handles &handles = f.histogram->handlePoints();
    QCOMPARE(handles[HandleLow].x, 120);
    QCOMPARE(handles[HandleLevel].x, 195);
    QCOMPARE(handles[HandleHigh].x, 270);
    for (const HandlePoint &h : handles)
        QCOMPARE(h.y, kHandleY);
}

void TestLevWidView::draggingTheLevelHandleMovesTheLevel()
{
    Fixture f;
    // Grabbed two pixels right of the handle; the handle follows at that offset
    // to x = 225, 30 pixels or 200 units up.
    drag(f.histogram, QPoint(197, 118), QPoint(227, 140));
    QCOMPARE(f.view->displayLevel(), 700.0);
    QCOMPARE(f.view->displayWidth(), 1000.0);
    QCOMPARE(f.dialog->levelSlider->value(), 700);
    QCOMPARE(f.dialog->levelEdit->text(), QStringLiteral("  700"));
    QCOMPARE(f.histogram->draggedHandle(), -1);
    f.paint();
    QCOMPARE(f.histogram->handlePoints()[HandleLevel].x, 225);
}

void TestLevWidView::draggingAnEdgeKeepsTheWindowCentred_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<double>("width");
    QTest::newRow("upper edge 105 pixels from the level") << QPoint(270, 120) << QPoint(300, 120) << 1400.0;
    QTest::newRow("lower edge 105 pixels from the level") << QPoint(120, 120) << QPoint(90, 125) << 1400.0;
    QTest::newRow("lower edge right of the level narrows") << QPoint(120, 120) << QPoint(220, 120) << 333.0;
    QTest::newRow("lower edge onto the level") << QPoint(120, 120) << QPoint(195, 120) << 1.0;
}

void TestLevWidView::draggingAnEdgeKeepsTheWindowCentred()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(double, width);
    Fixture f;
    drag(f.histogram, from, to);
    QCOMPARE(f.view->displayLevel(), 500.0);
    QVERIFY2(std::fabs(f.view->displayWidth() - width) <= kWidthSliderStep * width + 0.5,
             qPrintable(QString::number(f.view->displayWidth())));
    QCOMPARE(f.view->displayWidth(), std::round(f.view->displayWidth()));
}

void TestLevWidView::draggingStopsAtThePlotsEnds()
{
    Fixture f;
    drag(f.histogram, QPoint(195, 120), QPoint(5000, 120));
    QCOMPARE(f.view->displayLevel(), 1500.0);
    f.paint();
    drag(f.histogram, QPoint(345, 120), QPoint(-5000, 120));
    QCOMPARE(f.view->displayLevel(), -500.0);
    QVERIFY(f.view->displayLevel() >= f.view->levelMin());

    // With the level at -500 the upper edge starts at x = 120; dragged far right it
    // stops at the plot's end, 300 pixels or 2000 units from the level.
    f.paint();
    const int highX = f.histogram->handlePoints()[HandleHigh].x;
    QCOMPARE(highX, 120);
    drag(f.histogram, QPoint(highX, 120), QPoint(5000, 120));
    QVERIFY(std::fabs(f.view->displayWidth() - 4000) <= kWidthSliderStep * 4000 + 0.5);
    QVERIFY(f.view->displayWidth() <= f.view->widthMax());
}

void TestLevWidView::pressingAwayFromTheHandlesDragsNothing()
{
    Fixture f;
    sendMouse(f.histogram, QEvent::MouseButtonPress, QPoint(160, 60), Qt::RightButton, Qt::RightButton);
    QCOMPARE(f.histogram->draggedHandle(), -1);
    sendMouse(f.histogram, QEvent::MouseMove, QPoint(300, 60), Qt::NoButton, Qt::RightButton);
    QCOMPARE(f.view->displayLevel(), 500.0);
    QCOMPARE(f.view->displayWidth(), 1000.0);

    // Any button grabs a handle.
    sendMouse(f.histogram, QEvent::MouseButtonPress, QPoint(195, 120), Qt::RightButton, Qt::RightButton);
    QCOMPARE(f.histogram->draggedHandle(), int(HandleLevel));
}

void TestLevWidView::hoverCursorMarksTheHandles()
{
    Fixture f;
    QCOMPARE(f.histogram->cursor().shape(), Qt::ArrowCursor);
    sendMouse(f.histogram, QEvent::MouseMove, QPoint(204, 129), Qt::NoButton, Qt::NoButton);
    QCOMPARE(f.histogram->cursor().shape(), Qt::SizeHorCursor);
    sendMouse(f.histogram, QEvent::MouseMove, QPoint(205, 120), Qt::NoButton, Qt::NoButton);
    QCOMPARE(f.histogram->cursor().shape(), Qt::ArrowCursor);

    // Released away from the handles, a drag gives the arrow back.
    sendMouse(f.histogram, QEvent::MouseMove, QPoint(270, 120), Qt::NoButton, Qt::NoButton);
    QCOMPARE(f.histogram->cursor().shape(), Qt::SizeHorCursor);
    drag(f.histogram, QPoint(270, 120), QPoint(320, 60));
    QCOMPARE(f.histogram->cursor().shape(), Qt::ArrowCursor);
}

void TestLevWidView::windowWiderThanThePlotHasNoEdgeHandles()
{
    Fixture f;
    f.dialog->widthEdit->setText(QStringLiteral("5000"));
    f.paint();
    const Handles &handles = f.histogram->handlePoints();
    QCOMPARE(handles[HandleLow].x, -1);
    QCOMPARE(handles[HandleLevel].x, 195);
    QCOMPARE(handles[HandleHigh].x, -1);
    drag(f.histogram, QPoint(45, 120), QPoint(100, 120));
    QCOMPARE(f.view->displayWidth(), 5000.0);
    QCOMPARE(f.view->displayLevel(), 500.0);
}

void TestLevWidView::paintingShadesOutsideTheWindow()
{
    Fixture f;
    const QImage picture = f.paint();
    QCOMPARE(picture.size(), QSize(kWidgetWidth, kWidgetHeight));
    QCOMPARE(picture.pixelColor(2, 2), kWhite);
    // Above the bars, below the strip, off the grid: shaded left and right of the
    // window (x = 120..270), white inside it.
    QCOMPARE(picture.pixelColor(60, 90), kShade);
    QCOMPARE(picture.pixelColor(330, 90), kShade);
    QCOMPARE(picture.pixelColor(160, 90), kWhite);
    // The ramp left of the axis runs from black at the baseline to white at the top.
    QVERIFY(picture.pixelColor(35, 220).red() <= 2);
    QVERIFY(picture.pixelColor(35, 21).red() >= 253);
}

void TestLevWidView::uncheckingTheHistogramRemovesBarsAndStrip()
{
    Fixture f;
    // Bin 5 (x = 60) ends at -380, far below the window: drawn black.
    QImage picture = f.paint();
    QCOMPARE(picture.pixelColor(61, 10), kBlack);
    QCOMPARE(picture.pixelColor(61, 170), kBlack);
    f.dialog->histoBox->setChecked(false);
    picture = f.paint();
    QCOMPARE(picture.pixelColor(61, 10), kWhite);
    QCOMPARE(picture.pixelColor(61, 170), kShade);
    // The handles stay.
    QCOMPARE(f.histogram->handlePoints()[HandleLevel].x, 195);
}

void TestLevWidView::tooSmallWidgetPaintsNothing()
{
    Fixture f;
    for (QSize size : {QSize(55, 300), QSize(300, 65)}) {
        f.histogram->resize(size);
        const QImage picture = f.paint();
        QVERIFY(picture.pixelColor(2, 2) != kWhite);
        for (const HandlePoint &h : f.histogram->handlePoints())
            QCOMPARE(h.x, -1);
    }
}

RELAXON_TEST_CLASS(TestLevWidView)
#include "test_levwidview.moc"
