#include "simulation/widthslider.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

// sliderToWidth is one power of ten and a few products.
constexpr double kWidthTolerance = 1e-9;

} // namespace

class TestWidthSlider : public QObject
{
    Q_OBJECT

private slots:
    void widthsAtHandComputedPositions_data();
    void widthsAtHandComputedPositions();
    void positionsOfHandComputedWidths_data();
    void positionsOfHandComputedWidths();
    void everyPositionSurvivesTheRoundTrip_data();
    void everyPositionSurvivesTheRoundTrip();
    void widthsOffTheScaleStayOnTheSlider_data();
    void widthsOffTheScaleStayOnTheSlider();
    void sliderValuesRoundHalvesAwayFromZero();
};

void TestWidthSlider::widthsAtHandComputedPositions_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<double>("widthMax");
    QTest::addColumn<double>("width");
    QTest::newRow("position 0 is width 1") << 0 << 1000.0 << 1.0;
    QTest::newRow("one decade up: 1 + 9 * 1000 / 100") << 1000 << 1000.0 << 91.0;
    QTest::newRow("the end: 1 + 99 * 1000 / 100") << 2000 << 1000.0 << 991.0;
    // 10^0.5 = 3.16227766016838
    QTest::newRow("half a decade of a 20000 scale") << 500 << 20000.0 << 1 + 2.16227766016838 * 200;
    QTest::newRow("the end of a 20000 scale") << 2000 << 20000.0 << 19801.0;
}

void TestWidthSlider::widthsAtHandComputedPositions()
{
    QFETCH(int, position);
    QFETCH(double, widthMax);
    QFETCH(double, width);
    QVERIFY(std::fabs(sliderToWidth(position, widthMax) - width) < kWidthTolerance * width);
}

void TestWidthSlider::positionsOfHandComputedWidths_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("widthMax");
    QTest::addColumn<int>("position");
    QTest::newRow("width 1 is position 0") << 1.0 << 1000.0 << 0;
    QTest::newRow("91 of 1000 is one decade") << 91.0 << 1000.0 << 1000;
    QTest::newRow("991 of 1000 is the end") << 991.0 << 1000.0 << 2000;
    // log10(1399 * 100 / 15000 + 1) = log10(10.32667) = 1.01396
    QTest::newRow("1400 of 15000") << 1400.0 << 15000.0 << 1014;
    // log10(2 * 100 / 2000 + 1) = log10(1.1) = 0.0413927
    QTest::newRow("3 of 2000") << 3.0 << 2000.0 << 41;
}

void TestWidthSlider::positionsOfHandComputedWidths()
{
    QFETCH(double, width);
    QFETCH(double, widthMax);
    QFETCH(int, position);
    QCOMPARE(widthToSlider(width, widthMax), position);
}

void TestWidthSlider::everyPositionSurvivesTheRoundTrip_data()
{
    QTest::addColumn<double>("widthMax");
    QTest::newRow("an image range of 1 (widthMax 10)") << 10.0;
    QTest::newRow("widthMax 1000") << 1000.0;
    QTest::newRow("a PD/T1/T2 case of full scale 3000") << 30000.0;
    QTest::newRow("huge values") << 1e300;
}

void TestWidthSlider::everyPositionSurvivesTheRoundTrip()
{
    QFETCH(double, widthMax);
    for (int p = 0; p <= kWidthSliderMaximum; ++p) {
        const double width = sliderToWidth(p, widthMax);
        QVERIFY2(widthToSlider(width, widthMax) == p, qPrintable(QString::number(p)));
    }
}

void TestWidthSlider::widthsOffTheScaleStayOnTheSlider_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("widthMax");
    QTest::addColumn<int>("position");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("width 0 of an empty value range") << 0.0 << 10.0 << 0;
    QTest::newRow("width 0 far below 1 on a small scale") << 0.0 << 50.0 << 0;
    QTest::newRow("negative width") << -5.0 << 1000.0 << 0;
    QTest::newRow("width above the scale") << 1e6 << 1000.0 << 2000;
    QTest::newRow("endless width") << inf << 1000.0 << 2000;
    QTest::newRow("width not a number") << nan << 1000.0 << 0;
    QTest::newRow("widthMax 0") << 100.0 << 0.0 << 0;
    QTest::newRow("widthMax not a number") << 100.0 << nan << 0;
}

void TestWidthSlider::widthsOffTheScaleStayOnTheSlider()
{
    QFETCH(double, width);
    QFETCH(double, widthMax);
    QFETCH(int, position);
    QCOMPARE(widthToSlider(width, widthMax), position);
}

void TestWidthSlider::sliderValuesRoundHalvesAwayFromZero()
{
    QCOMPARE(sliderValue(2.5), 3);
    QCOMPARE(sliderValue(-2.5), -3);
    QCOMPARE(sliderValue(1234.4999), 1234);
    QCOMPARE(sliderValue(std::numeric_limits<double>::quiet_NaN()), 0);
    QCOMPARE(sliderValue(1e300), 1000000000);
    QCOMPARE(sliderValue(-std::numeric_limits<double>::infinity()), -1000000000);
}

RELAXON_TEST_CLASS(TestWidthSlider)
#include "test_widthslider.moc"
