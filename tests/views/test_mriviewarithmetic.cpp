#include "views/echotimesweep.h"

#include "../dialogs/modaldriver.h"
#include "../dialogs/timinganswer.h"
#include "dialogs/tetr.h"
#include "views/mriviewgeometry.h"
#include "views/mriviewoverlays.h"
#include "views/mriviewreadouts.h"
#include "views/mriviewtiming.h"
#include "testrunner.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

// Shapes come from sin and cos of whole degrees, widths from powers of ten times 200
// and echo times from speed factors such as 0.1: a few ulps of thousands.
constexpr double kTolerance = 1e-9;
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const QString kUnits = QStringLiteral("Signal strength");

// A PD/T1/T2 case with full scale 2000: level -2000..4000, width 1..20000.
LevelWidthBounds fullScale2000()
{
    return levelWidthBounds(0, 0, true, 2000);
}

bool near(QPointF a, QPointF b)
{
    return std::abs(a.x() - b.x()) < kTolerance * std::max(1.0, std::abs(b.x()))
        && std::abs(a.y() - b.y()) < kTolerance * std::max(1.0, std::abs(b.y()));
}

// (level, width) after dragging from start to (x, y) on a widget of the given extent.
QPointF dragged(DragStart start, int x, int y, int extent)
{
    const DisplayWindow window = draggedWindow(start, x, y, extent, fullScale2000());
    return {window.level, window.width};
}

QString statusText(bool functional, int mode, double value, double t, double p, bool withPosition)
{
    PixelStatus status{kUnits, functional, mode, value, t, p, withPosition, 9, 19};
    return pixelStatusText(status);
}

QString title(bool prepulse, bool allowPrepulse, int technique)
{
    ViewRecordingParams view;
    view.prepulse = prepulse;
    view.technique = technique;
    return recordingTitle(view, allowPrepulse);
}

ViewRecordingParams viewFrom(const RecordingParams &last)
{
    return {double(last.te), double(last.tr), double(last.tp), last.prepulse, last.technique, last.gradientAngle};
}

} // namespace

class MriViewArithmeticTest : public QObject
{
    Q_OBJECT

private slots:
    void pictureKeepsSquarePixelsAndIsCentred()
    {
        // (area, image, picture): a wide and a tall image; (300 - 255) / 2 = 22.5 rounds
        // away from zero; a negative area is empty.
        const std::tuple<QSize, QSize, QRect> cases[] = {{{400, 400}, {200, 100}, {0, 100, 400, 200}},
                                                         {{400, 400}, {100, 200}, {100, 0, 200, 400}},
                                                         {{300, 255}, {256, 256}, {23, 0, 255, 255}},
                                                         {{-20, 100}, {10, 10}, {0, 50, 0, 0}}};
        for (const auto &[area, image, picture] : cases) {
            const ImageRect rect = fitImageRect(area.width(), area.height(), image.width(), image.height());
            QCOMPARE(QRect(rect.x0, rect.y0, rect.width, rect.height), picture);
        }
    }

    void clampingKeepsWindowInsideBounds()
    {
        // (level, width) too high, not numbers, infinite.
        const std::pair<QPointF, QPointF> cases[] = {{{5000, 100}, {4000, 100}},
                                                     {{kNan, kNan}, {-2000, 1}},
                                                     {{kInf, -kInf}, {4000, 1}}};
        for (const auto &[window, clamped] : cases) {
            double level = window.x();
            double width = window.y();
            clampLevelWidth(level, width, levelWidthBounds(1, 300, true, 2000));
            QCOMPARE(QPointF(level, width), clamped);
        }

        // Other cases take their bounds from the value range.
        const LevelWidthBounds image = levelWidthBounds(-500, 300, false, 2000);
        // Compared as one (levelMin, levelMax, widthMin, widthMax) quadruple.
        QCOMPARE(QRectF(image.levelMin, image.levelMax, image.widthMin, image.widthMax),
                 QRectF(-1000, 600, 1, 3000)); // 2 * rangeLow is below -rangeHigh
        QCOMPARE(levelWidthBounds(1, 300, false, 2000).levelMin, -300.0);
    }

    void draggingMovesLevelLinearlyAndWidthLogarithmically_data()
    {
        QTest::addColumn<QPointF>("window");
        QTest::addColumn<QPointF>("expected");
        // 30 pixels down on a 400 x 300 widget: 30 * 6000 / 300 = 600. Width 1801 is
        // slider position 1000 exactly (1 + 9 * 20000 / 100), so it stays.
        QTest::newRow("30 down") << dragged({100, 100, 1000, 1801}, 100, 130, 300) << QPointF(400, 1801);
        // From position 1000: dx * 19999 / 300 / 10 positions, rounded; width
        // 1 + (10^(p / 1000) - 1) * 200.
        QTest::newRow("15 left: 900.005 -> 900")
            << dragged({100, 100, 1000, 1801}, 85, 100, 300) << QPointF(1000, 1 + (7.943282347242816 - 1) * 200);
        QTest::newRow("300 left: -999.9 -> -1000, below the bound")
            << dragged({100, 100, 1000, 1801}, -200, 100, 300) << QPointF(1000, 1 + (0.1 - 1) * 200);
        // 2000 is no slider width: log10(1999 * 100 / 20000 + 1) = 1.04119... gives
        // position 1041 and 1 + (10^1.041 - 1) * 200.
        QTest::newRow("back to the nearest slider width")
            << dragged({50, 60, 700, 2000}, 50, 60, 300) << QPointF(700, 1999.0116788650416);
        QTest::newRow("empty widget") << dragged({0, 0, 700, 2000}, 40, -40, 0) << QPointF(700, 2000);
    }
    void draggingMovesLevelLinearlyAndWidthLogarithmically()
    {
        QFETCH(QPointF, window);
        QFETCH(QPointF, expected);
        QVERIFY2(near(window, expected), qPrintable(QString::number(window.y(), 'g', 17)));
    }

    void gradientArrowPointsAlongAngle()
    {
        // 0 points up, -90 left; the tail lies opposite the tip about the centre (25, 25).
        for (const auto &[angle, tip] : {std::pair(0.0, QPointF(25, 10)), std::pair(-90.0, QPointF(10, 25))}) {
            const GradientArrow arrow = gradientArrow(angle);
            QVERIFY(near(arrow.shaft.p1(), QPointF(50, 50) - tip));
            QVERIFY(near(arrow.shaft.p2(), tip));
            QVERIFY(arrow.head.size() == 3 && near(arrow.head[0], tip));
        }
    }

    void glyphFollowsPrincipalDirection()
    {
        // Diffusion only along x: the stroke is horizontal and 12 pixels long.
        const double alongX[9] = {1, 0, 0, 0, 0, 0, 0, 0, 0};
        QLineF glyph = tensorGlyph(alongX, 100, 50);
        QVERIFY(std::abs(glyph.length() - 12) < kTolerance);
        QVERIFY(near(glyph.center(), QPointF(100, 50)));
        QVERIFY(std::abs(glyph.p1().y() - 50) < kTolerance);

        // Principal direction along y with w2 / w1 = 1 / 2: vertical, 6 pixels long.
        const double alongY[9] = {0.5, 0, 0, 0, 1, 0, 0, 0, 0.1};
        glyph = tensorGlyph(alongY, 10, 10);
        QVERIFY(near(glyph.p2() - glyph.p1(), QPointF(0, 6)) || near(glyph.p1() - glyph.p2(), QPointF(0, 6)));

        const double zero[9] = {};
        QCOMPARE(tensorGlyph(zero, 7, 8), QLineF(7, 8, 7, 8));
        const double broken[9] = {kInf, 0, 0, 0, 1, 0, 0, 0, 1};
        glyph = tensorGlyph(broken, 7, 8);
        QVERIFY(std::isfinite(glyph.p1().x()) && std::isfinite(glyph.p2().y()));

        // Glyphs stand 16 screen pixels apart.
        QCOMPARE(glyphStep(256, 512), 8.0);
    }

    void textsAreFormatted_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("negative value") << pixelValueReadout(kUnits, -312) << "Signal strength: -312 ";
        QTest::newRow("value not a number") << pixelValueReadout(kUnits, kNan) << "Signal strength: nan ";
        QTest::newRow("animation units") << animationValueReadout("HU", 1234) << "HU: 1234";
        QTest::newRow("statistics with position")
            << statusText(true, 1, 640, 3.14159, 0.000123, true)
            << "t-value: 3.14   p-value: 0.0001     position: ( 10, 20)";
        QTest::newRow("broken statistics")
            << statusText(true, 2, kNan, kNan, kInf, false) << "t-value: nan   p-value: inf   Signal strength: nan";
        QTest::newRow("last of 99") << frameTimeText(98) << "t=196 s";
        QTest::newRow("dwi") << title(false, false, 2) << " Te=40 / Tr=500 DWI";
        QTest::newRow("adc with prepulse") << title(true, true, 3) << " Te=40 / Tr=500 / Tp=100 ADC";
        QTest::newRow("dti has no suffix") << title(false, false, 4) << " Te=40 / Tr=500";
    }
    void textsAreFormatted()
    {
        QFETCH(QString, text);
        QTEST(text, "expected");
    }

    void echoTimeRunsWithRealTimeUpToTr()
    {
        EchoTimeSweep sweep;
        sweep.start(1000, 500);
        // A clock before the start gives te 0, not a negative one (the T2 map).
        sweep.advance(900);
        QCOMPARE(sweep.te(), 0.0);
        // Exactly one period still belongs to the cycle: te reaches Tr.
        sweep.advance(1500);
        QCOMPARE(sweep.te(), 500.0);
        QCOMPARE(sweep.cycleStart(), 1000.0);
        // A long stall skips whole cycles.
        sweep.advance(1e9 + 250);
        QCOMPARE(sweep.te(), 250.0);
        QCOMPARE(sweep.cycleStart(), 1e9);
        // "Quarter" and "Half" (the animation tests try "Double" and "Tenth"); unknown
        // speed indices keep the speed.
        sweep.chooseSpeed(3);
        QCOMPARE(sweep.speed(), 0.25);
        for (int i : {2, 5, -1})
            sweep.chooseSpeed(i);
        QCOMPARE(sweep.speed(), 0.5);
    }

    void trWithoutCycleFallsBackToSliderMinimum()
    {
        // Zero comes from the command line, the others from broken settings.
        for (double tr : {0.0, kNan, kInf}) {
            EchoTimeSweep sweep;
            sweep.start(0, tr);
            sweep.setPendingTr(tr);
            QCOMPARE(QPointF(sweep.tr(), sweep.pendingTr()), QPointF(1, 1) * EchoTimeSweep::minimumTr);
            // Would never end with an empty period.
            sweep.advance(1234);
            QCOMPARE(sweep.te(), 34.0);
        }
    }

    void fieldsShowLastAcceptedTimes()
    {
        ViewRecordingParams view;
        view.te = 40;
        view.tr = 12000; // beyond the slider: the slider stays where it was
        view.tp = 100;
        for (const auto &[file, name] : {std::pair("/tmp/cases/head.t2.mri", "Case: head"), std::pair("", "Case: ")}) {
            TeTr dialog(0, 12);
            TimingOffer offer;
            offer.caseFileName = QString::fromUtf8(file);
            fillTimingDialog(dialog, view, offer);
            QCOMPARE(dialog.nameLabel->text(), QString::fromUtf8(name));
            QCOMPARE(QList<int>({dialog.teSlider->value(), dialog.trSlider->value(), dialog.tpSlider->value()}),
                     QList<int>({40, 50, 100}));
            QCOMPARE(dialog.teEdit->text() + ' ' + dialog.trEdit->text() + ' ' + dialog.tpEdit->text(),
                     QStringLiteral("40 12000 100"));
        }
    }

    void offeredRowsAreShown_data()
    {
        QTest::addColumn<bool>("allowPrepulse");
        QTest::addColumn<bool>("prepulse");
        QTest::addColumn<bool>("allowDti");
        QTest::addColumn<bool>("hasDti");
        QTest::newRow("nothing offered") << false << true << false << false;
        QTest::newRow("prepulse on") << true << true << true << false;
        QTest::newRow("prepulse off, diffusion not allowed") << true << false << false << true;
        QTest::newRow("diffusion data and allowed") << false << false << true << true;
    }
    void offeredRowsAreShown()
    {
        QFETCH(bool, allowPrepulse);
        QFETCH(bool, prepulse);
        QFETCH(bool, allowDti);
        QFETCH(bool, hasDti);
        ViewRecordingParams view;
        view.prepulse = prepulse;
        TeTr dialog(0, 12);
        TimingOffer offer;
        offer.allowPrepulse = allowPrepulse;
        offer.allowDti = allowDti;
        offer.hasDti = hasDti;
        fillTimingDialog(dialog, view, offer);
        for (QWidget *widget : std::initializer_list<QWidget *>{dialog.tpLabel, dialog.tpCheck, dialog.tpText,
                                                                dialog.tpEdit, dialog.tpMs, dialog.tpSlider})
            QVERIFY2(widget->isVisibleTo(&dialog) == allowPrepulse, qPrintable(widget->objectName()));
        if (allowPrepulse)
            QCOMPARE(QList<bool>({dialog.tpCheck->isChecked(), dialog.tpEdit->isEnabled(),
                                  dialog.tpSlider->isEnabled()}),
                     QList<bool>(3, prepulse));
        QCOMPARE(dialog.dtiFrame->isVisibleTo(&dialog), allowDti && hasDti);
    }

    void askingKeepsWhatIsNotOfferedOrAccepted()
    {
        QWidget parent;
        RecordingParams last;
        last.tp = 333;
        last.prepulse = true;
        last.technique = 1;
        last.gradientAngle = 30;
        ViewRecordingParams view = viewFrom(last);
        {
            // Cancelled: nothing changes. The dialog stays on top of its parent, without a help button.
            Qt::WindowFlags flags;
            QWidget *dialogParent = nullptr;
            ModalDriver cancel(answerTiming("99", "500", false, [&](TeTr &dialog) {
                flags = dialog.windowFlags();
                dialogParent = dialog.parentWidget();
            }));
            QVERIFY(!askRecordingTiming(&parent, TimingOffer{}, view, last));
            QCOMPARE(view.te, 40.0);
            QVERIFY((flags & Qt::WindowStaysOnTopHint) && !(flags & Qt::WindowContextHelpButtonHint));
            QCOMPARE(dialogParent, &parent);
        }
        {
            // Neither prepulse nor diffusion offered: Tp and the prepulse stay, and the view
            // records no diffusion technique while the main set keeps its choice.
            ModalDriver hidden(answerTiming("40", "500", true, [](TeTr &dialog) { dialog.tpEdit->setText("20"); }));
            QVERIFY(askRecordingTiming(nullptr, TimingOffer{}, view, last));
            QCOMPARE(QList<double>({view.tp, double(last.tp), double(view.technique), double(last.technique)}),
                     QList<double>({333, 333, 0, 1}));
            QVERIFY(view.prepulse && last.prepulse);
        }
        // Offered, the diffusion choice opens as last accepted and is read back.
        view = viewFrom(last);
        TimingOffer offer;
        offer.hasDti = true;
        offer.allowDti = true;
        int dialAtOpen = -1;
        ModalDriver diffusion(answerTiming("40", "500", true, [&](TeTr &dialog) {
            dialAtOpen = dialog.dtiSingle->isChecked() ? dialog.dtiDial->value() : -1;
            QTest::keyClick(dialog.dtiDial, Qt::Key_Up); // one position further
            QTest::mouseClick(dialog.dtiDwi, Qt::LeftButton, {}, QPoint(5, dialog.dtiDwi->height() / 2));
        }));
        QVERIFY(askRecordingTiming(nullptr, offer, view, last));
        QCOMPARE(dialAtOpen, 14);
        QCOMPARE(QPointF(view.technique, view.gradientAngle), QPointF(2, 45));
        QCOMPARE(QPointF(last.technique, last.gradientAngle), QPointF(2, 45));
    }
};

RELAXON_TEST_CLASS(MriViewArithmeticTest)
#include "test_mriviewarithmetic.moc"
