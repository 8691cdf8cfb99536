#include "views/mriviewreadouts.h"
#include "testrunner.h"

#include <QTest>

#include <limits>

namespace {

const QString kUnits = QStringLiteral("Signal strength");

} // namespace

class MriViewReadoutsTest : public QObject
{
    Q_OBJECT

private slots:
    void pixelValueIsWholeAndRightAligned_data();
    void pixelValueIsWholeAndRightAligned();
    void animationReadoutHasNoTrailingBlank();
    void diffusionViewsNameTheirValues_data();
    void diffusionViewsNameTheirValues();
    void centralStatusFollowsDisplayMode_data();
    void centralStatusFollowsDisplayMode();
    void animationLabelsAreWholeMilliseconds();
};

void MriViewReadoutsTest::pixelValueIsWholeAndRightAligned_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("one digit padded to three") << 7.0 << QStringLiteral("Signal strength:   7 ");
    QTest::newRow("rounded down") << 85.2 << QStringLiteral("Signal strength:  85 ");
    QTest::newRow("rounded up") << 99.7 << QStringLiteral("Signal strength: 100 ");
    QTest::newRow("wider than the field") << 2761.0 << QStringLiteral("Signal strength: 2761 ");
    QTest::newRow("negative, a marked fMRI pixel") << -312.0 << QStringLiteral("Signal strength: -312 ");
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN()
                                  << QStringLiteral("Signal strength: nan ");
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity()
                              << QStringLiteral("Signal strength: inf ");
}

void MriViewReadoutsTest::pixelValueIsWholeAndRightAligned()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(pixelValueReadout(kUnits, value), text);
}

void MriViewReadoutsTest::animationReadoutHasNoTrailingBlank()
{
    QCOMPARE(animationValueReadout(kUnits, 42.4), QStringLiteral("Signal strength:  42"));
    QCOMPARE(animationValueReadout(QStringLiteral("HU"), 1234), QStringLiteral("HU: 1234"));
}

void MriViewReadoutsTest::diffusionViewsNameTheirValues_data()
{
    QTest::addColumn<int>("technique");
    QTest::addColumn<QString>("name");
    QTest::newRow("no diffusion") << 0 << kUnits;
    QTest::newRow("single direction") << 1 << kUnits;
    QTest::newRow("DWI") << 2 << kUnits;
    QTest::newRow("ADC") << 3 << QStringLiteral("diffusion coef");
    QTest::newRow("DTI") << 4 << QStringLiteral("diffusion coef");
}

void MriViewReadoutsTest::diffusionViewsNameTheirValues()
{
    QFETCH(int, technique);
    QFETCH(QString, name);
    QCOMPARE(readoutName(technique, kUnits), name);
}

void MriViewReadoutsTest::centralStatusFollowsDisplayMode_data()
{
    QTest::addColumn<bool>("functional");
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("t");
    QTest::addColumn<double>("p");
    QTest::addColumn<bool>("withPosition");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain image") << false << 0 << 812.6 << 0.0 << 0.0 << false
                                 << QStringLiteral("Signal strength: 813");
    QTest::newRow("plain image keeps its sign") << false << 0 << -40.0 << 0.0 << 0.0 << false
                                                << QStringLiteral("Signal strength: -40");
    QTest::newRow("frames only, magnitude") << true << 0 << -640.0 << 2.0 << 0.01 << false
                                            << QStringLiteral("Signal strength: 640");
    QTest::newRow("statistics only") << true << 1 << 640.0 << 3.14159 << 0.000123 << false
                                     << QStringLiteral("t-value: 3.14   p-value: 0.0001   ");
    QTest::newRow("negative t closes up") << true << 1 << 640.0 << -2.5 << 0.98765 << false
                                          << QStringLiteral("t-value: -2.50 p-value: 0.9877   ");
    QTest::newRow("both, with position")
        << true << 2 << -700.0 << 1.0 << 0.5 << true
        << QStringLiteral("t-value: 1.00   p-value: 0.5000   Signal strength: 700  position: ( 10, 20)");
    QTest::newRow("broken statistics")
        << true << 2 << std::numeric_limits<double>::quiet_NaN()
        << std::numeric_limits<double>::quiet_NaN() << std::numeric_limits<double>::infinity() << false
        << QStringLiteral("t-value: nan   p-value: inf   Signal strength: nan");
}

void MriViewReadoutsTest::centralStatusFollowsDisplayMode()
{
    QFETCH(bool, functional);
    QFETCH(int, mode);
    QFETCH(double, value);
    QFETCH(double, t);
    QFETCH(double, p);
    QFETCH(bool, withPosition);
    QFETCH(QString, text);
    PixelStatus status;
    status.unitsLabel = kUnits;
    status.functional = functional;
    status.fmriMode = mode;
    status.value = value;
    status.tValue = t;
    status.pValue = p;
    status.withPosition = withPosition;
    status.x = 9;
    status.y = 19;
    QCOMPARE(pixelStatusText(status), text);
}

void MriViewReadoutsTest::animationLabelsAreWholeMilliseconds()
{
    QCOMPARE(frozenEchoTimeText(123.6), QStringLiteral(" TE=124"));
    QCOMPARE(frozenEchoTimeText(0), QStringLiteral(" TE=0"));
    QCOMPARE(trValueText(8000), QStringLiteral("8000"));
}

RELAXON_TEST_CLASS(MriViewReadoutsTest)
#include "test_mriviewreadouts.moc"
