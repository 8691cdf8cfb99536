#include "dialogs/tetr.h"
#include "modaldriver.h"
#include "testrunner.h"

#include <QButtonGroup>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

class TeTrTest : public QObject
{
    Q_OBJECT

private slots:
    void freshDialogShowsLowestTimes();
    void formCarriesItsTextsAndRanges();
    void metaObjectAnswersBothBases();
    void techniqueButtonsCarryTheirCodes_data();
    void techniqueButtonsCarryTheirCodes();
    void dialShowsOnlyForSingleDirection_data();
    void dialShowsOnlyForSingleDirection();
    void diffusionFrameShowsWholeAtSmallestSize_data();
    void diffusionFrameShowsWholeAtSmallestSize();
    void dialPositionIsTakenTowardZero();
    void dialPositionsMapToAngles_data();
    void dialPositionsMapToAngles();
    void dialAloneUsesFusionStyle();
    void slidersWriteTheirFields();
    void draggingTrToItsEndShowsTenThousand();
    void typingMovesSliderOnlyWithinRange_data();
    void typingMovesSliderOnlyWithinRange();
    void keyboardTypingReachesTheSlider();
    void releasingPrepulseCheckEnablesTpControls();
    void programmaticCheckLeavesTpControlsAlone();
    void okRefusesInvalidSetsInOrder_data();
    void okRefusesInvalidSetsInOrder();
    void cancelClosesWithoutChecks();
    void acquisitionFieldsAreCheckedOnlyWhenTicked_data();
    void acquisitionFieldsAreCheckedOnlyWhenTicked();
};

void TeTrTest::freshDialogShowsLowestTimes()
{
    TeTr dialog(0, 12);
    QCOMPARE(dialog.teEdit->text(), QStringLiteral("10"));
    QCOMPARE(dialog.trEdit->text(), QStringLiteral("50"));
    QCOMPARE(dialog.tpEdit->text(), QStringLiteral("10"));
    QCOMPARE(dialog.teSlider->value(), 10);
    QCOMPARE(dialog.trSlider->value(), 50);
    QCOMPARE(dialog.tpSlider->value(), 10);
}

void TeTrTest::formCarriesItsTextsAndRanges()
{
    TeTr dialog(0, 12);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Timing MR sequence"));
    QCOMPARE(dialog.label_5->text(), QStringLiteral("Simulate Spin-Echo MR recording"));
    QVERIFY(dialog.label_5->font().bold());
    QCOMPARE(dialog.nameLabel->text(), QStringLiteral("Case: head_15"));
    QVERIFY(dialog.nameLabel->wordWrap());
    QCOMPARE(dialog.tpLabel->text(), QStringLiteral("180º Prepulse (Inverse Recovery)"));
    QVERIFY(dialog.tpLabel->font().italic());
    QCOMPARE(dialog.label->text(), QStringLiteral("TE"));
    QCOMPARE(dialog.label_2->text(), QStringLiteral("TR"));
    QCOMPARE(dialog.tpText->text(), QStringLiteral("TP"));
    QVERIFY(dialog.tpCheck->text().isEmpty());
    QCOMPARE(dialog.dtiLabel->text(), QStringLiteral("Diffusion Imaging technique to use"));
    QCOMPARE(dialog.dtiDialText->text(), QStringLiteral("Gradient direction"));
    QCOMPARE(dialog.hupButton->text(), QStringLiteral("OK"));
    QVERIFY(dialog.hupButton->autoDefault());
    QCOMPARE(dialog.cancelButton->text(), QStringLiteral("Cancel"));

    QCOMPARE(dialog.teSlider->minimum(), 10);
    QCOMPARE(dialog.teSlider->maximum(), 2000);
    QCOMPARE(dialog.trSlider->minimum(), 50);
    QCOMPARE(dialog.trSlider->maximum(), 10000);
    QCOMPARE(dialog.tpSlider->minimum(), 10);
    QCOMPARE(dialog.tpSlider->maximum(), 5000);
    QCOMPARE(dialog.teSlider->orientation(), Qt::Horizontal);
    QVERIFY(dialog.dtiDial->wrapping());
    QCOMPARE(dialog.dtiDial->minimum(), 0);
    QCOMPARE(dialog.dtiDial->maximum(), 24);
    QVERIFY(dialog.teEdit->validator() == nullptr);
    QVERIFY(dialog.dtiFrame->minimumSizeHint().width() >= 310);
    QVERIFY(dialog.dtiFrame->minimumSizeHint().height() >= 160);
}

void TeTrTest::metaObjectAnswersBothBases()
{
    TeTr dialog(0, 12);
    QVERIFY(dialog.qt_metacast("TeTr") != nullptr);
    QCOMPARE(dialog.qt_metacast("Ui::TeTr"), static_cast<void *>(static_cast<Ui::TeTr *>(&dialog)));
}

void TeTrTest::techniqueButtonsCarryTheirCodes_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << "dtiNone" << 0 << "None";
    QTest::newRow("single direction") << "dtiSingle" << 1 << "Single direction";
    QTest::newRow("dwi") << "dtiDwi" << 2 << "Multi-direction: DWI";
    QTest::newRow("adc") << "dtiAdc" << 3 << "Multi-direction: ADC";
    QTest::newRow("dti") << "dtiDti" << 4 << "Multi-direction: DTI";
}

void TeTrTest::techniqueButtonsCarryTheirCodes()
{
    QFETCH(QString, button);
    QFETCH(int, id);
    QFETCH(QString, text);
    TeTr dialog(id, 12);
    auto *radio = dialog.findChild<QRadioButton *>(button);
    QVERIFY(radio);
    QCOMPARE(radio->text(), text);
    QCOMPARE(dialog.dtiButtonGroup->id(radio), id);
    QVERIFY(radio->isChecked());
    QCOMPARE(dialog.dtiButtonGroup->checkedId(), id);
}

void TeTrTest::dialShowsOnlyForSingleDirection_data()
{
    QTest::addColumn<int>("technique");
    QTest::addColumn<bool>("dialShown");
    QTest::newRow("none") << 0 << false;
    QTest::newRow("single direction") << 1 << true;
    QTest::newRow("dwi") << 2 << false;
    QTest::newRow("dti") << 4 << false;
    QTest::newRow("unknown code checks nothing") << 7 << false;
}

void TeTrTest::dialShowsOnlyForSingleDirection()
{
    QFETCH(int, technique);
    QFETCH(bool, dialShown);
    TeTr dialog(technique, 12);
    dialog.show();
    QCOMPARE(dialog.dtiDial->isVisible(), dialShown);
    QCOMPARE(dialog.dtiDialText->isVisible(), dialShown);
    if (technique > 4)
        QCOMPARE(dialog.dtiButtonGroup->checkedId(), -1);

    // Choosing another technique while the dialog is open changes nothing else.
    QTest::mouseClick(dialog.dtiSingle, Qt::LeftButton, {}, QPoint(5, dialog.dtiSingle->height() / 2));
    QVERIFY(dialog.dtiSingle->isChecked());
    QCOMPARE(dialog.dtiDial->isVisible(), dialShown);
}

void TeTrTest::diffusionFrameShowsWholeAtSmallestSize_data()
{
    QTest::addColumn<int>("technique");
    QTest::addColumn<double>("fontScale");
    QTest::newRow("dial, desktop font") << 1 << 1.0;
    QTest::newRow("dial, large desktop font") << 1 << 1.5;
}

void TeTrTest::diffusionFrameShowsWholeAtSmallestSize()
{
    QFETCH(int, technique);
    QFETCH(double, fontScale);
    TeTr dialog(technique, 12);
    QFont font = dialog.font();
    font.setPointSizeF(font.pointSizeF() * fontScale);
    dialog.setFont(font);
    dialog.resize(10, 10);
    dialog.show();
    const QRect frame = dialog.dtiFrame->geometry();
    QVERIFY(dialog.rect().contains(frame));
    QVERIFY(frame.bottom() < dialog.hupButton->geometry().top());
    for (const QWidget *part : dialog.dtiFrame->findChildren<QWidget *>()) {
        if (!part->isVisible())
            continue;
        const QRect inFrame(part->mapTo(dialog.dtiFrame, QPoint(0, 0)), part->size());
        QVERIFY2(dialog.dtiFrame->contentsRect().contains(inFrame), qPrintable(part->objectName()));
        const QSize whole = part->minimumSizeHint();
        QVERIFY2(part->width() >= whole.width() && part->height() >= whole.height(),
                 qPrintable(part->objectName()));
    }
}

void TeTrTest::dialPositionIsTakenTowardZero()
{
    TeTr dialog(1, TeTr::angleToDialPosition(-7.5));
    QCOMPARE(dialog.dtiDial->value(), 11);
    TeTr upper(1, 12.99);
    QCOMPARE(upper.dtiDial->value(), 12);
}

void TeTrTest::dialPositionsMapToAngles_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<double>("angle");
    QTest::newRow("start is -180") << 0 << -180.0;
    QTest::newRow("middle is 0") << 12 << 0.0;
    QTest::newRow("end is +180") << 24 << 180.0;
    QTest::newRow("one step is 15 degrees") << 13 << 15.0;
}

void TeTrTest::dialPositionsMapToAngles()
{
    QFETCH(int, position);
    QFETCH(double, angle);
    TeTr dialog(1, TeTr::angleToDialPosition(angle));
    QCOMPARE(dialog.dtiDial->value(), position);
    QCOMPARE(TeTr::dialPositionToAngle(dialog.dtiDial->value()), angle);
}

void TeTrTest::dialAloneUsesFusionStyle()
{
    TeTr dialog(1, 12);
    QCOMPARE(dialog.dtiDial->style()->name().toLower(), QStringLiteral("fusion"));
    QVERIFY(dialog.teSlider->style() != dialog.dtiDial->style());
}

void TeTrTest::slidersWriteTheirFields()
{
    TeTr dialog(0, 12);
    dialog.teSlider->setValue(300);
    QCOMPARE(dialog.teEdit->text(), QStringLiteral("300"));
    dialog.trSlider->setValue(2500);
    QCOMPARE(dialog.trEdit->text(), QStringLiteral("2500"));
    dialog.tpSlider->setValue(777);
    QCOMPARE(dialog.tpEdit->text(), QStringLiteral("777"));
}

void TeTrTest::draggingTrToItsEndShowsTenThousand()
{
    TeTr dialog(0, 12);
    QTest::keyClick(dialog.trSlider, Qt::Key_End);
    QCOMPARE(dialog.trSlider->value(), 10000);
    QCOMPARE(dialog.trEdit->text(), QStringLiteral("10000"));
    QTest::keyClick(dialog.teSlider, Qt::Key_End);
    QCOMPARE(dialog.teEdit->text(), QStringLiteral("2000"));
    QTest::keyClick(dialog.tpSlider, Qt::Key_End);
    QCOMPARE(dialog.tpEdit->text(), QStringLiteral("5000"));
}

void TeTrTest::typingMovesSliderOnlyWithinRange_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("slider");
    // Each field starts at 300, its slider with it.
    QTest::newRow("te in range") << "te" << "250" << 250;
    QTest::newRow("te lowest") << "te" << "10" << 10;
    QTest::newRow("te below range") << "te" << "5" << 300;
    QTest::newRow("te highest") << "te" << "2000" << 2000;
    QTest::newRow("te above range") << "te" << "2001" << 300;
    QTest::newRow("te letters") << "te" << "abc" << 300;
    QTest::newRow("te with blanks") << "te" << " 42 " << 42;
    QTest::newRow("tr highest") << "tr" << "10000" << 10000;
    QTest::newRow("tr above range") << "tr" << "10001" << 300;
    QTest::newRow("tr lowest") << "tr" << "50" << 50;
    QTest::newRow("tr below range") << "tr" << "49" << 300;
    QTest::newRow("tr beyond 32 bits") << "tr" << "99999999999" << 300;
    QTest::newRow("tp highest") << "tp" << "5000" << 5000;
    QTest::newRow("tp above range") << "tp" << "5001" << 300;
    QTest::newRow("tp lowest") << "tp" << "10" << 10;
    QTest::newRow("tp decimal") << "tp" << "12.5" << 300;
}

void TeTrTest::typingMovesSliderOnlyWithinRange()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, slider);
    TeTr dialog(0, 12);
    dialog.show();
    auto *edit = dialog.findChild<QLineEdit *>(field + "Edit");
    auto *bar = dialog.findChild<QSlider *>(field + "Slider");
    QVERIFY(edit && bar);
    dialog.tpCheck->setChecked(true);
    dialog.on_tpCheck_released();
    bar->setValue(300);
    edit->setText(typed);
    QCOMPARE(bar->value(), slider);
    QCOMPARE(edit->text(), typed);
}

void TeTrTest::keyboardTypingReachesTheSlider()
{
    TeTr dialog(0, 12);
    dialog.show();
    dialog.teEdit->selectAll();
    QTest::keyClicks(dialog.teEdit, QStringLiteral("75"));
    QCOMPARE(dialog.teSlider->value(), 75);
    QCOMPARE(dialog.teEdit->text(), QStringLiteral("75"));
}

void TeTrTest::releasingPrepulseCheckEnablesTpControls()
{
    TeTr dialog(0, 12);
    dialog.show();
    QTest::mouseClick(dialog.tpCheck, Qt::LeftButton);
    QVERIFY(dialog.tpCheck->isChecked());
    QVERIFY(dialog.tpEdit->isEnabled());
    QVERIFY(dialog.tpSlider->isEnabled());
    QTest::mouseClick(dialog.tpCheck, Qt::LeftButton);
    QVERIFY(!dialog.tpCheck->isChecked());
    QVERIFY(!dialog.tpEdit->isEnabled());
    QVERIFY(!dialog.tpSlider->isEnabled());
}

void TeTrTest::programmaticCheckLeavesTpControlsAlone()
{
    TeTr dialog(0, 12);
    dialog.tpEdit->setEnabled(false);
    dialog.tpCheck->setChecked(true);
    QVERIFY(!dialog.tpEdit->isEnabled());
}

void TeTrTest::okRefusesInvalidSetsInOrder_data()
{
    QTest::addColumn<QString>("te");
    QTest::addColumn<QString>("tr");
    QTest::addColumn<QString>("tp");
    QTest::addColumn<bool>("prepulse");
    QTest::addColumn<QString>("message"); // empty: accepted

    QTest::newRow("valid") << "40" << "500" << "100" << false << "";
    QTest::newRow("te letters before tr letters")
        << "abc" << "xyz" << "100" << false << "Please enter a number in the \"TE\"-field";
    QTest::newRow("tr letters") << "40" << "x5" << "100" << false
                                << "Please enter a number in the \"TR\"-field";
    QTest::newRow("tp letters with prepulse off")
        << "40" << "500" << "tp" << false << "Please enter a number in the \"TP\"-field";
    QTest::newRow("empty tp") << "40" << "500" << "" << false
                              << "Please enter a number in the \"TP\"-field";
    QTest::newRow("te below minimum") << "5" << "500" << "100" << false
                                      << "The minimum value for TE is 10 ms";
    QTest::newRow("te above maximum") << "2001" << "5000" << "100" << false
                                      << "The maximum value for TE is 2000 ms";
    QTest::newRow("te range before tr range") << "5" << "20000" << "100" << false
                                              << "The minimum value for TE is 10 ms";
    QTest::newRow("tr below minimum") << "10" << "49" << "100" << false
                                      << "The minimum value for TR is 50 ms";
    QTest::newRow("tr above maximum") << "40" << "10001" << "100" << false
                                      << "The maximum value for TR is 10000 ms";
    QTest::newRow("tr equal to te") << "100" << "100" << "50" << false << "TR must be larger than TE";
    QTest::newRow("tr just above te") << "100" << "101" << "50" << false << "";
    QTest::newRow("tr below te") << "300" << "200" << "50" << false << "TR must be larger than TE";
    QTest::newRow("tp below minimum") << "40" << "500" << "9" << true
                                      << "The minimum value for TP is 10 ms";
    QTest::newRow("tp below minimum ignored when off") << "40" << "500" << "9" << false << "";
    QTest::newRow("tp above maximum") << "40" << "10000" << "5001" << true
                                      << "The maximum value for TP is 5000 ms";
    QTest::newRow("tp equal to tr") << "40" << "500" << "500" << true << "TR must be larger than TP";
    QTest::newRow("tp equal to tr ignored when off") << "40" << "500" << "500" << false << "";
    QTest::newRow("tp just below tr") << "40" << "500" << "499" << true << "";
    QTest::newRow("blanks around numbers") << " 40 " << " 500" << "100 " << true << "";
}

void TeTrTest::okRefusesInvalidSetsInOrder()
{
    QFETCH(QString, te);
    QFETCH(QString, tr);
    QFETCH(QString, tp);
    QFETCH(bool, prepulse);
    QFETCH(QString, message);

    TeTr dialog(0, 12);
    dialog.show();
    dialog.tpCheck->setChecked(prepulse);
    dialog.on_tpCheck_released();
    dialog.teEdit->setText(te);
    dialog.trEdit->setText(tr);
    dialog.tpEdit->setText(tp);
    QSignalSpy accepted(&dialog, &QDialog::accepted);

    ModalDriver driver;
    QTest::mouseClick(dialog.hupButton, Qt::LeftButton);

    if (message.isEmpty()) {
        QVERIFY(driver.messages.isEmpty());
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        return;
    }
    QCOMPARE(driver.messages.size(), 1);
    const ModalDriver::Message &shown = driver.messages.first();
    QCOMPARE(shown.text, message);
    QCOMPARE(shown.title, QStringLiteral("Relaxon"));
    QCOMPARE(shown.icon, QMessageBox::Warning);
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(accepted.count(), 0);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.teEdit->text(), te);
    QCOMPARE(dialog.trEdit->text(), tr);
    QCOMPARE(dialog.tpEdit->text(), tp);
}

void TeTrTest::cancelClosesWithoutChecks()
{
    TeTr dialog(0, 12);
    dialog.show();
    dialog.teEdit->setText(QStringLiteral("junk"));
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    ModalDriver driver;
    QTest::mouseClick(dialog.cancelButton, Qt::LeftButton);
    QVERIFY(driver.messages.isEmpty());
    QCOMPARE(rejected.count(), 1);
    QVERIFY(!dialog.isVisible());
}

void TeTrTest::acquisitionFieldsAreCheckedOnlyWhenTicked_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QStringList>("fields"); // NEX, BW, d, ETL
    QTest::addColumn<QString>("scanTime");
    QTest::addColumn<QString>("message"); // empty: accepted

    const QStringList reference{"1", "130", "5", "1"};
    QTest::newRow("reference") << true << reference << "Scan time: 12:48" << "";
    QTest::newRow("junk ignored when unticked") << false << QStringList{"x", "0", "", "99"}
                                                << "Scan time: -:--" << "";
    QTest::newRow("four averages") << true << QStringList{"4", "130", "5", "1"} << "Scan time: 51:12" << "";
    QTest::newRow("echo train of 16") << true << QStringList{"1", "130", "5", "16"} << "Scan time: 0:48" << "";
    QTest::newRow("nex letters") << true << QStringList{"a", "130", "5", "1"} << "Scan time: -:--"
                                 << "The value for NEX must lie between 1 and 16";
    QTest::newRow("nex before bw") << true << QStringList{"17", "20", "5", "1"} << "Scan time: -:--"
                                   << "The value for NEX must lie between 1 and 16";
    QTest::newRow("bw above") << true << QStringList{"2", "1000.5", "5", "1"} << "Scan time: 25:36"
                              << "The value for BW must lie between 50 and 1000";
    QTest::newRow("d below") << true << QStringList{"1", "130", "0.5", "1"} << "Scan time: 12:48"
                             << "The value for d must lie between 1 and 10";
    QTest::newRow("etl above") << true << QStringList{"1", "130", "5", "33"} << "Scan time: -:--"
                               << "The value for ETL must lie between 1 and 32";
}

void TeTrTest::acquisitionFieldsAreCheckedOnlyWhenTicked()
{
    QFETCH(bool, ticked);
    QFETCH(QStringList, fields);
    QFETCH(QString, scanTime);
    QFETCH(QString, message);

    TeTr dialog(0, 12);
    dialog.setAcquisition(AcquisitionSettings{}, 256);
    dialog.show();
    QVERIFY(!dialog.acquisitionGroup->isVisible());
    const QSize plainSize = dialog.minimumSizeHint();
    // The box shares the buttons' row: the plain dialog is no larger than without it.
    dialog.acquisitionCheck->hide();
    QCOMPARE(dialog.minimumSizeHint(), plainSize);
    dialog.acquisitionCheck->show();
    dialog.acquisitionCheck->setChecked(ticked);
    QCOMPARE(dialog.acquisitionGroup->isVisible(), ticked);
    dialog.teEdit->setText(QStringLiteral("15"));
    dialog.trEdit->setText(QStringLiteral("3000"));
    QLineEdit *const edits[] = {dialog.averagesEdit, dialog.bandwidthEdit, dialog.sliceEdit,
                                dialog.echoTrainEdit};
    for (int i = 0; i < 4; ++i)
        edits[i]->setText(fields[i]);
    QCOMPARE(dialog.scanTimeLabel->text(), scanTime);

    ModalDriver driver;
    QTest::mouseClick(dialog.hupButton, Qt::LeftButton);
    if (message.isEmpty()) {
        QVERIFY(driver.messages.isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        return;
    }
    QCOMPARE(driver.messages.size(), 1);
    QCOMPARE(driver.messages.first().text, message);
    QCOMPARE(driver.messages.first().title, QStringLiteral("Relaxon"));
    QVERIFY(dialog.isVisible());
    dialog.acquisitionCheck->setChecked(false);
    QVERIFY(!dialog.acquisitionGroup->isVisible());
    QCOMPARE(dialog.minimumSizeHint(), plainSize);
}

RELAXON_TEST_CLASS(TeTrTest)
#include "test_tetr.moc"
