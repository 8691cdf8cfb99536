#include "views/levwidviewgeometry.h"
#include "testrunner.h"

#include <QTest>

#include <limits>

Q_DECLARE_METATYPE(std::vector<PlotPoint>)

// Names a point in failure messages.
char *toString(const PlotPoint &p)
{
    return QTest::toString(QStringLiteral("(%1, %2)").arg(p.x).arg(p.y));
}

namespace {

// A widget of 155 x 265 pixels: w' = 154, h' = 264, so the plot is W = 100 wide and
// H = 200 high with its baseline at 220; a value range of -1000..1000 gives
// s = 0.05 pixels per unit.
constexpr int kWidgetWidth = 155;
constexpr int kWidgetHeight = 265;

HistogramPlot examplePlot()
{
    return histogramPlot(kWidgetWidth, kWidgetHeight, -1000, 1000);
}

} // namespace

class TestLevWidViewGeometry : public QObject
{
    Q_OBJECT

private slots:
    void plotFollowsTheWidgetSize();
    void tooSmallOrUnscaledPlots_data();
    void tooSmallOrUnscaledPlots();
    void windowEdgesAndHandles();
    void handlesOutsideThePlotAreNotShown();
    void reachPrefersTheHigherHandle_data();
    void reachPrefersTheHigherHandle();
    void transferCurves_data();
    void transferCurves();
    void barHeightsReachHalfThePlotAtThePeak_data();
    void barHeightsReachHalfThePlotAtThePeak();
    void barGreysTruncate_data();
    void barGreysTruncate();
    void draggingArithmetic();
};

void TestLevWidViewGeometry::plotFollowsTheWidgetSize()
{
    const HistogramPlot plot = examplePlot();
    QCOMPARE(plot.left, 45);
    QCOMPARE(plot.top, 20);
    QCOMPARE(plot.width, 100);
    QCOMPARE(plot.height, 200);
    QCOMPARE(plot.baseline, 220);
    QCOMPARE(plot.right(), 145);
    QCOMPARE(plot.handleY(), 120);
    QCOMPARE(plot.scale, 0.05);
    QVERIFY(plot.drawable());
    QVERIFY(plot.scaled());
}

void TestLevWidViewGeometry::tooSmallOrUnscaledPlots_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<bool>("drawable");
    QTest::addColumn<bool>("scaled");
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("narrower than 56 pixels") << 55 << 300 << -1.0 << 1.0 << false << false;
    QTest::newRow("56 pixels wide draws") << 56 << 300 << -1.0 << 1.0 << true << true;
    QTest::newRow("lower than 66 pixels") << 300 << 65 << -1.0 << 1.0 << false << true;
    QTest::newRow("empty value range") << 300 << 300 << 1.0 << 1.0 << true << false;
    QTest::newRow("endless value range") << 300 << 300 << -inf << inf << true << false;
    QTest::newRow("range not a number") << 300 << 300 << nan << 1.0 << true << false;
}

void TestLevWidViewGeometry::tooSmallOrUnscaledPlots()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(bool, drawable);
    QFETCH(bool, scaled);
    const HistogramPlot plot = histogramPlot(width, height, low, high);
    QCOMPARE(plot.drawable(), drawable);
    QCOMPARE(plot.scaled(), scaled);
    if (!scaled) {
        const Handles handles = windowHandles(plot, windowMarks(plot, 0, 10, low));
        for (const HandlePoint &h : handles)
            QCOMPARE(h.x, -1);
    }
}

void TestLevWidViewGeometry::windowEdgesAndHandles()
{
    const HistogramPlot plot = examplePlot();
    // Level 0, width 1000: edges at -500 and 500, 25 pixels either side of the middle.
    const WindowMarks marks = windowMarks(plot, 0, 1000, -1000);
    QCOMPARE(marks.lowX, 70);
    QCOMPARE(marks.centreX, 95);
    QCOMPARE(marks.highX, 120);
    const Handles handles = windowHandles(plot, marks);
    QCOMPARE(handles[HandleLow].x, 70);
    QCOMPARE(handles[HandleLevel].x, 95);
    QCOMPARE(handles[HandleHigh].x, 120);
    for (const HandlePoint &h : handles)
        QCOMPARE(h.y, 120);
    // A value of 10 lies 0.5 pixels right of 95 and rounds away from zero.
    QCOMPARE(plotX(plot, 10, -1000), 96);
}

void TestLevWidViewGeometry::handlesOutsideThePlotAreNotShown()
{
    const HistogramPlot plot = examplePlot();
    const Handles wide = windowHandles(plot, windowMarks(plot, 0, 4000, -1000));
    QCOMPARE(wide[HandleLow].x, -1);
    QCOMPARE(wide[HandleLevel].x, 95);
    QCOMPARE(wide[HandleHigh].x, -1);
    QCOMPARE(handleWithinReach(wide, 46, 120), -1);

    // Edges exactly on the axis and on the plot's right end are still shown.
    const Handles full = windowHandles(plot, windowMarks(plot, 0, 2000, -1000));
    QCOMPARE(full[HandleLow].x, 45);
    QCOMPARE(full[HandleHigh].x, 145);

    // Values far beyond doubles' reach still give pixel positions.
    const WindowMarks far = windowMarks(plot, 1e300, 1e300, -1000);
    QVERIFY(far.highX > plot.right());
    QVERIFY(far.lowX > plot.right());
}

void TestLevWidViewGeometry::reachPrefersTheHigherHandle_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("handle");
    QTest::newRow("nine pixels off in both directions") << 61 << 111 << 0;
    QTest::newRow("ten pixels left of the lower edge") << 60 << 120 << -1;
    QTest::newRow("ten pixels below the level") << 95 << 130 << -1;
    QTest::newRow("between lower edge and level: the level wins") << 78 << 112 << 1;
    QTest::newRow("on the upper edge") << 120 << 120 << 2;
}

void TestLevWidViewGeometry::reachPrefersTheHigherHandle()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, handle);
    // Lower edge at 70, level at 86, upper edge at 120.
    Handles handles;
    handles[HandleLow] = {70, 120};
    handles[HandleLevel] = {86, 120};
    handles[HandleHigh] = {120, 120};
    QCOMPARE(handleWithinReach(handles, x, y), handle);
}

void TestLevWidViewGeometry::transferCurves_data()
{
    QTest::addColumn<double>("level");
    QTest::addColumn<double>("width");
    QTest::addColumn<bool>("invert");
    QTest::addColumn<std::vector<PlotPoint>>("curve");
    QTest::newRow("window inside the plot")
        << 0.0 << 1000.0 << false
        << std::vector<PlotPoint>{{45, 220}, {70, 220}, {120, 20}, {145, 20}};
    QTest::newRow("inverted")
        << 0.0 << 1000.0 << true
        << std::vector<PlotPoint>{{45, 20}, {70, 20}, {120, 220}, {145, 220}};
    // Edges at -5 and 195: the ramp rises 200 pixels over 200, cut at 45 (50 up)
    // and 145 (150 up).
    QTest::newRow("window wider than the plot")
        << 0.0 << 4000.0 << false << std::vector<PlotPoint>{{45, 170}, {145, 70}};
    QTest::newRow("wider and inverted")
        << 0.0 << 4000.0 << true << std::vector<PlotPoint>{{45, 70}, {145, 170}};
    // Both edges on one pixel: a step.
    QTest::newRow("width 1") << 0.0 << 1.0 << false
                             << std::vector<PlotPoint>{{45, 220}, {95, 220}, {95, 20}, {145, 20}};
    QTest::newRow("window left of the plot")
        << -3000.0 << 1000.0 << false << std::vector<PlotPoint>{{45, 20}, {145, 20}};
}

void TestLevWidViewGeometry::transferCurves()
{
    QFETCH(double, level);
    QFETCH(double, width);
    QFETCH(bool, invert);
    QFETCH(std::vector<PlotPoint>, curve);
    const HistogramPlot plot = examplePlot();
    const std::vector<PlotPoint> computed = transferCurve(plot, windowMarks(plot, level, width, -1000), invert);
    QCOMPARE(computed.size(), curve.size());
    for (size_t i = 0; i < curve.size(); ++i)
        QCOMPARE(computed[i], curve[i]);
}

void TestLevWidViewGeometry::barHeightsReachHalfThePlotAtThePeak_data()
{
    QTest::addColumn<double>("count");
    QTest::addColumn<double>("peak");
    QTest::addColumn<int>("height");
    QTest::newRow("the peak reaches half of 200") << 100.0 << 100.0 << 100;
    QTest::newRow("a quarter of the peak") << 25.0 << 100.0 << 25;
    QTest::newRow("taken toward zero: 1 * 200 / 3") << 1.0 << 1.5 << 66;
    QTest::newRow("background bin above twice the peak") << 900.0 << 100.0 << 200;
    QTest::newRow("empty bin") << 0.0 << 100.0 << 0;
    QTest::newRow("count not a number") << std::numeric_limits<double>::quiet_NaN() << 100.0 << 0;
    QTest::newRow("peak not a number") << 10.0 << std::numeric_limits<double>::quiet_NaN() << 0;
}

void TestLevWidViewGeometry::barHeightsReachHalfThePlotAtThePeak()
{
    QFETCH(double, count);
    QFETCH(double, peak);
    QFETCH(int, height);
    QCOMPARE(barHeight(count, peak, 200), height);
}

void TestLevWidViewGeometry::barGreysTruncate_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("invert");
    QTest::addColumn<int>("grey");
    // Level 500, width 1000: q = 0.255, g = 0.255 v + 0.5.
    QTest::newRow("0 gives 0.5, taken toward zero") << 0.0 << false << 0;
    QTest::newRow("the level is mid grey") << 500.0 << false << 128;
    QTest::newRow("the upper edge saturates") << 1000.0 << false << 255;
    QTest::newRow("below the window") << -300.0 << false << 0;
    QTest::newRow("inverted 0") << 0.0 << true << 255;
    QTest::newRow("inverted level") << 500.0 << true << 127;
    QTest::newRow("value not a number") << std::numeric_limits<double>::quiet_NaN() << false << 0;
}

void TestLevWidViewGeometry::barGreysTruncate()
{
    QFETCH(double, value);
    QFETCH(bool, invert);
    QFETCH(int, grey);
    QCOMPARE(barGrey(value, 500, 1000, invert), grey);
}

void TestLevWidViewGeometry::draggingArithmetic()
{
    const HistogramPlot plot = examplePlot();
    QCOMPARE(dragX(plot, 100, -3), 97);
    QCOMPARE(dragX(plot, 10, 0), 45);
    QCOMPARE(dragX(plot, 1000, 0), 145);
    QCOMPARE(dragX(plot, std::numeric_limits<int>::max(), 9), 145);

    // The level handle at 95 is value 0, each pixel 20 units.
    QCOMPARE(draggedLevel(plot, 95, -1000), 0);
    QCOMPARE(draggedLevel(plot, 96, -1000), 20);
    QCOMPARE(draggedLevel(plot, 45, -1000), -1000);

    // An edge 25 pixels from the level is 500 units: width 1000 either side.
    QCOMPARE(draggedWidth(plot, 70, 95), 1000.0);
    QCOMPARE(draggedWidth(plot, 120, 95), 1000.0);
    QCOMPARE(draggedWidth(plot, 95, 95), 1.0);

    QCOMPARE(roundPixel(10.5), 11);
    QCOMPARE(roundPixel(-10.5), -11);
    QCOMPARE(roundPixel(10.49), 10);
}

RELAXON_TEST_CLASS(TestLevWidViewGeometry)
#include "test_levwidviewgeometry.moc"
