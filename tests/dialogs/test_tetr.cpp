#include "dialogs/tetr.h"
#include "modaldriver.h"
#include "testrunner.h"

#include <QButtonGroup>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include <limits>

class TeTrTest : public QObject
{
    Q_OBJECT

private slots:
    void techniqueAndDialPosition_data()
    {
        QTest::addColumn<int>("technique");
        QTest::addColumn<double>("given");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("button");
        // Angles at 15 degree steps from -180 (position 0) to +180 (position 24).
        QTest::newRow("none") << 0 << 12.0 << 12 << "dtiNone";
        QTest::newRow("single direction at -180 degrees") << 1 << TeTr::angleToDialPosition(-180) << 0 << "dtiSingle";
        QTest::newRow("dwi at 15 degrees") << 2 << TeTr::angleToDialPosition(15) << 13 << "dtiDwi";
        QTest::newRow("adc at +180 degrees") << 3 << TeTr::angleToDialPosition(180) << 24 << "dtiAdc";
        // The dial wraps round: 10^6 (where a position is clamped first) mod 24 = 16.
        QTest::newRow("dti far beyond the end") << 4 << 1e300 << 16 << "dtiDti";
        QTest::newRow("-7.5 degrees is taken toward zero") << 1 << TeTr::angleToDialPosition(-7.5) << 11 << "dtiSingle";
        QTest::newRow("12.99 is taken toward zero") << 1 << 12.99 << 12 << "dtiSingle";
        QTest::newRow("not a number") << 1 << std::numeric_limits<double>::quiet_NaN() << 0 << "dtiSingle";
        QTest::newRow("unknown code checks nothing") << 7 << 12.0 << 12 << "";
    }

    void techniqueAndDialPosition()
    {
        QFETCH(int, technique);
        QFETCH(double, given);
        QFETCH(int, position);
        QFETCH(QString, button);
        TeTr dialog(technique, given);
        dialog.show();
        QCOMPARE(dialog.dtiButtonGroup->checkedId(), button.isEmpty() ? -1 : technique);
        if (!button.isEmpty())
            QCOMPARE(dialog.dtiButtonGroup->checkedButton()->objectName(), button);
        // The dial is for a single direction only.
        QCOMPARE(dialog.dtiDial->isVisible() && dialog.dtiDialText->isVisible(), technique == 1);
        QCOMPARE(dialog.dtiDial->value(), position);
        QCOMPARE(dialog.dtiDial->style()->name().toLower(), QStringLiteral("fusion"));
        QCOMPARE(TeTr::dialPositionToAngle(position), 15.0 * position - 180.0);
    }

    void typingMovesSliderOnlyWithinRange_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("slider");
        // Each field starts at 300, its slider with it.
        QTest::newRow("te lowest") << "te" << "10" << 10;
        QTest::newRow("te below range") << "te" << "5" << 300;
        QTest::newRow("te above range") << "te" << "2001" << 300;
        QTest::newRow("te with blanks") << "te" << " 42 " << 42;
        QTest::newRow("tr highest") << "tr" << "10000" << 10000;
        QTest::newRow("tr above range") << "tr" << "10001" << 300;
        QTest::newRow("tp above range") << "tp" << "5001" << 300;
    }

    void typingMovesSliderOnlyWithinRange()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, slider);
        TeTr dialog(0, 12);
        auto *edit = dialog.findChild<QLineEdit *>(field + "Edit");
        auto *bar = dialog.findChild<QSlider *>(field + "Slider");
        // A fresh dialog shows the lowest times.
        QCOMPARE(edit->text(), QString::number(bar->minimum()));
        bar->setValue(300);
        QCOMPARE(edit->text(), QStringLiteral("300"));
        edit->setText(typed);
        QCOMPARE(bar->value(), slider);
        QCOMPARE(edit->text(), typed);
    }

    void prepulseClickSwitchesTpControls()
    {
        TeTr dialog(0, 12);
        dialog.show();
        for (const bool on : {true, false}) {
            QTest::mouseClick(dialog.tpCheck, Qt::LeftButton);
            QCOMPARE(dialog.tpEdit->isEnabled() && dialog.tpSlider->isEnabled(), on);
        }
    }

    void okRefusesInvalidSetsInOrder_data()
    {
        QTest::addColumn<QString>("te");
        QTest::addColumn<QString>("tr");
        QTest::addColumn<QString>("tp");
        QTest::addColumn<bool>("prepulse");
        QTest::addColumn<QString>("message"); // empty: accepted

        const QString number = QStringLiteral("Please enter a number in the \"%1\"-field");
        const QString bound = QStringLiteral("The %1 value for %2 is %3 ms");
        QTest::newRow("valid") << "40" << "500" << "100" << false << "";
        QTest::newRow("te letters before tr letters") << "abc" << "xyz" << "100" << false << number.arg("TE");
        QTest::newRow("tr letters") << "40" << "x5" << "100" << false << number.arg("TR");
        QTest::newRow("tp letters with prepulse off") << "40" << "500" << "tp" << false << number.arg("TP");
        QTest::newRow("te below minimum") << "5" << "500" << "100" << false << bound.arg("minimum", "TE", "10");
        QTest::newRow("te above maximum") << "2001" << "5000" << "100" << false << bound.arg("maximum", "TE", "2000");
        QTest::newRow("te range before tr range") << "5" << "20000" << "100" << false << bound.arg("minimum", "TE", "10");
        QTest::newRow("tr below minimum") << "10" << "49" << "100" << false << bound.arg("minimum", "TR", "50");
        QTest::newRow("tr above maximum") << "40" << "10001" << "100" << false << bound.arg("maximum", "TR", "10000");
        QTest::newRow("tr equal to te") << "100" << "100" << "50" << false << "TR must be larger than TE";
        QTest::newRow("tr just above te") << "100" << "101" << "50" << false << "";
        QTest::newRow("tp below minimum") << "40" << "500" << "9" << true << bound.arg("minimum", "TP", "10");
        QTest::newRow("tp below minimum ignored when off") << "40" << "500" << "9" << false << "";
        QTest::newRow("tp above maximum") << "40" << "10000" << "5001" << true << bound.arg("maximum", "TP", "5000");
        QTest::newRow("tp equal to tr") << "40" << "500" << "500" << true << "TR must be larger than TP";
        QTest::newRow("tp just below tr") << "40" << "500" << "499" << true << "";
        QTest::newRow("blanks around numbers") << " 40 " << " 500" << "100 " << true << "";
    }

    void okRefusesInvalidSetsInOrder()
    {
        QFETCH(QString, te);
        QFETCH(QString, tr);
        QFETCH(QString, tp);
        QFETCH(bool, prepulse);
        QFETCH(QString, message);
        TeTr dialog(0, 12);
        dialog.show();
        dialog.tpCheck->setChecked(prepulse);
        dialog.teEdit->setText(te);
        dialog.trEdit->setText(tr);
        dialog.tpEdit->setText(tp);
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        ModalDriver driver;
        QTest::mouseClick(dialog.hupButton, Qt::LeftButton);
        QCOMPARE(accepted.count(), message.isEmpty() ? 1 : 0);
        QCOMPARE(driver.messages.size(), message.isEmpty() ? 0 : 1);
        QCOMPARE(driver.messages.isEmpty() ? QString() : driver.messages.first().text, message);
    }

    void acquisitionFieldsAreCheckedOnlyWhenTicked_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QStringList>("fields"); // NEX, BW, d, ETL
        QTest::addColumn<QString>("scanTime");
        QTest::addColumn<QString>("message"); // empty: accepted

        // TR 3000 ms x 256 rows = 12:48 for one average and no echo train.
        const QString range = QStringLiteral("The value for %1 must lie between %2 and %3");
        QTest::newRow("reference") << true << QStringList{"1", "130", "5", "1"} << "12:48" << "";
        QTest::newRow("junk ignored when unticked") << false << QStringList{"x", "0", "", "99"} << "-:--" << "";
        QTest::newRow("four averages") << true << QStringList{"4", "130", "5", "1"} << "51:12" << "";
        QTest::newRow("echo train of 16") << true << QStringList{"1", "130", "5", "16"} << "0:48" << "";
        QTest::newRow("nex letters") << true << QStringList{"a", "130", "5", "1"} << "-:--" << range.arg("NEX", "1", "16");
        QTest::newRow("nex before bw") << true << QStringList{"17", "20", "5", "1"} << "-:--" << range.arg("NEX", "1", "16");
        QTest::newRow("bw above") << true << QStringList{"2", "1000.5", "5", "1"} << "25:36" << range.arg("BW", "50", "1000");
        QTest::newRow("d below") << true << QStringList{"1", "130", "0.5", "1"} << "12:48" << range.arg("d", "1", "10");
        QTest::newRow("etl above") << true << QStringList{"1", "130", "5", "33"} << "-:--" << range.arg("ETL", "1", "32");
    }

    void acquisitionFieldsAreCheckedOnlyWhenTicked()
    {
        QFETCH(bool, ticked);
        QFETCH(QStringList, fields);
        QFETCH(QString, scanTime);
        QFETCH(QString, message);
        TeTr dialog(0, 12);
        dialog.setAcquisition(AcquisitionSettings{}, 256);
        dialog.show();
        const QSize plainSize = dialog.minimumSizeHint();
        dialog.acquisitionCheck->setChecked(ticked);
        QCOMPARE(dialog.acquisitionGroup->isVisible(), ticked);
        dialog.trEdit->setText(QStringLiteral("3000"));
        QLineEdit *const edits[] = {dialog.averagesEdit, dialog.bandwidthEdit, dialog.sliceEdit, dialog.echoTrainEdit};
        for (int i = 0; i < 4; ++i)
            edits[i]->setText(fields[i]);
        QCOMPARE(dialog.scanTimeLabel->text(), QStringLiteral("Scan time: ") + scanTime);

        ModalDriver driver;
        QTest::mouseClick(dialog.hupButton, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(message.isEmpty() ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(driver.messages.isEmpty() ? QString() : driver.messages.first().text, message);
        // Unticked, the dialog goes back to its plain size.
        dialog.acquisitionCheck->setChecked(true);
        dialog.acquisitionCheck->setChecked(false);
        QCOMPARE(dialog.size(), plainSize);
    }
};

RELAXON_TEST_CLASS(TeTrTest)
#include "test_tetr.moc"
