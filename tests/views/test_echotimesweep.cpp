#include "views/echotimesweep.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

// Echo times are whole milliseconds times a speed factor such as 0.1, which no
// double holds exactly: allow a few ulps of a few thousand ms.
constexpr double kMsTolerance = 1e-9;

bool nearMs(double a, double b)
{
    return std::abs(a - b) < kMsTolerance;
}

} // namespace

class EchoTimeSweepTest : public QObject
{
    Q_OBJECT

private slots:
    void echoTimeRunsWithRealTimeUpToTr();
    void speedFactorsStretchTheCycle_data();
    void speedFactorsStretchTheCycle();
    void unknownSpeedIndexKeepsTheSpeed();
    void longStallSkipsWholeCycles();
    void trWithoutCycleFallsBackToSliderMinimum_data();
    void trWithoutCycleFallsBackToSliderMinimum();
    void clockBeforeTheStartGivesEchoTimeZero();
};

void EchoTimeSweepTest::echoTimeRunsWithRealTimeUpToTr()
{
    EchoTimeSweep sweep;
    sweep.start(1000, 500);
    QCOMPARE(sweep.te(), 0.0);
    QCOMPARE(sweep.tr(), 500.0);
    QCOMPARE(sweep.pendingTr(), 500.0);
    sweep.advance(1250);
    QCOMPARE(sweep.te(), 250.0);
    // Exactly one period still belongs to the cycle: te reaches Tr.
    sweep.advance(1500);
    QCOMPARE(sweep.te(), 500.0);
    QCOMPARE(sweep.cycleStart(), 1000.0);
    sweep.advance(1501);
    QCOMPARE(sweep.te(), 1.0);
    QCOMPARE(sweep.cycleStart(), 1500.0);
}

void EchoTimeSweepTest::speedFactorsStretchTheCycle_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("cycleMs"); // real time one 500 ms cycle takes
    QTest::newRow("Double") << 0 << 250.0;
    QTest::newRow("Real time") << 1 << 500.0;
    QTest::newRow("Half") << 2 << 1000.0;
    QTest::newRow("Quarter") << 3 << 2000.0;
    QTest::newRow("Tenth") << 4 << 5000.0;
}

void EchoTimeSweepTest::speedFactorsStretchTheCycle()
{
    QFETCH(int, index);
    QFETCH(double, cycleMs);
    EchoTimeSweep sweep;
    sweep.start(0, 500);
    sweep.chooseSpeed(index);
    sweep.advance(cycleMs / 2);
    QVERIFY(nearMs(sweep.te(), 250));
    sweep.advance(cycleMs);
    QVERIFY(nearMs(sweep.te(), 500));
    // One real millisecond into the next cycle.
    sweep.advance(cycleMs + 1);
    QVERIFY(nearMs(sweep.te(), 500 / cycleMs));
}

void EchoTimeSweepTest::unknownSpeedIndexKeepsTheSpeed()
{
    EchoTimeSweep sweep;
    sweep.chooseSpeed(2);
    sweep.chooseSpeed(5);
    sweep.chooseSpeed(-1);
    QCOMPARE(sweep.speed(), 0.5);
}

void EchoTimeSweepTest::longStallSkipsWholeCycles()
{
    EchoTimeSweep sweep;
    sweep.start(0, 500);
    sweep.advance(1e9 + 250);
    QCOMPARE(sweep.te(), 250.0);
    QCOMPARE(sweep.cycleStart(), 1e9);
    // Ending exactly on a cycle boundary keeps te at Tr.
    sweep.advance(1e9 + 500);
    QCOMPARE(sweep.te(), 500.0);
}

void EchoTimeSweepTest::trWithoutCycleFallsBackToSliderMinimum_data()
{
    QTest::addColumn<double>("tr");
    QTest::newRow("zero, from the command line") << 0.0;
    QTest::newRow("negative") << -5.0;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
}

void EchoTimeSweepTest::trWithoutCycleFallsBackToSliderMinimum()
{
    QFETCH(double, tr);
    EchoTimeSweep sweep;
    sweep.start(0, tr);
    QCOMPARE(sweep.tr(), EchoTimeSweep::minimumTr);
    sweep.setPendingTr(tr);
    QCOMPARE(sweep.pendingTr(), EchoTimeSweep::minimumTr);
    // Would never end with an empty period.
    sweep.advance(1234);
    QCOMPARE(sweep.te(), 34.0);
}

void EchoTimeSweepTest::clockBeforeTheStartGivesEchoTimeZero()
{
    // A negative echo time would turn the picture into the T2 map.
    EchoTimeSweep sweep;
    sweep.start(1000, 500);
    sweep.advance(900);
    QCOMPARE(sweep.te(), 0.0);
}

RELAXON_TEST_CLASS(EchoTimeSweepTest)
#include "test_echotimesweep.moc"
