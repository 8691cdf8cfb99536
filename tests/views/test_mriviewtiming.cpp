#include "views/mriviewtiming.h"

#include "../dialogs/modaldriver.h"
#include "dialogs/tetr.h"
#include "testrunner.h"

#include <QTest>

namespace {

// Finds the timing dialog among the modal widgets, lets the test fill it in and
// presses OK or Cancel.
std::function<void(QWidget *)> answerTiming(std::function<void(TeTr &)> fill, bool ok,
                                            QStringList *seen = nullptr)
{
    return [fill, ok, seen](QWidget *modal) {
        auto *dialog = qobject_cast<TeTr *>(modal);
        if (!dialog)
            return;
        if (seen)
            seen->append(dialog->objectName());
        if (fill)
            fill(*dialog);
        QTest::mouseClick(ok ? dialog->hupButton : dialog->cancelButton, Qt::LeftButton);
    };
}

ViewRecordingParams viewFrom(const RecordingParams &last)
{
    ViewRecordingParams view;
    view.te = last.te;
    view.tr = last.tr;
    view.tp = last.tp;
    view.prepulse = last.prepulse;
    view.technique = last.technique;
    view.gradientAngle = last.gradientAngle;
    return view;
}

bool hiddenIn(const TeTr &dialog, const QWidget *widget)
{
    return !widget->isVisibleTo(&dialog);
}

} // namespace

class MriViewTimingTest : public QObject
{
    Q_OBJECT

private slots:
    void fieldsShowLastAcceptedTimes();
    void caseNameIsTheBaseName_data();
    void caseNameIsTheBaseName();
    void prepulseRowHiddenUnlessAllowed();
    void allowedPrepulseFollowsLastSetting();
    void diffusionFrameNeedsCaseAndPermission_data();
    void diffusionFrameNeedsCaseAndPermission();
    void dialogStaysOnTopWithoutHelpButton();
    void acceptedAnswerIsStoredInViewAndMainSet();
    void hiddenPrepulseKeepsPreviousTp();
    void diffusionChoiceIsReadBack();
    void withoutDiffusionDataTechniqueIsNone();
    void cancelChangesNothing();
    void refusedAnswerCanBeCorrected();
    void titlesNameTheRecording_data();
    void titlesNameTheRecording();
};

void MriViewTimingTest::fieldsShowLastAcceptedTimes()
{
    TeTr dialog(0, 12);
    ViewRecordingParams view;
    view.te = 40;
    view.tr = 12000; // beyond the slider: the slider stays where it was
    view.tp = 100;
    fillTimingDialog(dialog, view, TimingOffer{});
    QCOMPARE(dialog.teEdit->text(), QStringLiteral("40"));
    QCOMPARE(dialog.teSlider->value(), 40);
    QCOMPARE(dialog.trEdit->text(), QStringLiteral("12000"));
    QCOMPARE(dialog.trSlider->value(), 50);
    QCOMPARE(dialog.tpEdit->text(), QStringLiteral("100"));
    QCOMPARE(dialog.tpSlider->value(), 100);
}

void MriViewTimingTest::caseNameIsTheBaseName_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("label");
    QTest::newRow("built-in case") << ":/files/glioblastoma.mri" << "Case: glioblastoma";
    QTest::newRow("several extensions") << "/tmp/cases/head.t2.mri" << "Case: head";
    QTest::newRow("no file") << "" << "Case: ";
}

void MriViewTimingTest::caseNameIsTheBaseName()
{
    QFETCH(QString, file);
    TeTr dialog(0, 12);
    TimingOffer offer;
    offer.caseFileName = file;
    fillTimingDialog(dialog, ViewRecordingParams{}, offer);
    QTEST(dialog.nameLabel->text(), "label");
}

void MriViewTimingTest::prepulseRowHiddenUnlessAllowed()
{
    TeTr hidden(0, 12);
    fillTimingDialog(hidden, ViewRecordingParams{}, TimingOffer{});
    for (const QWidget *widget : {static_cast<QWidget *>(hidden.tpLabel), static_cast<QWidget *>(hidden.tpCheck),
                                  static_cast<QWidget *>(hidden.tpText), static_cast<QWidget *>(hidden.tpEdit),
                                  static_cast<QWidget *>(hidden.tpMs), static_cast<QWidget *>(hidden.tpSlider)})
        QVERIFY2(hiddenIn(hidden, widget), qPrintable(widget->objectName()));

    TeTr shown(0, 12);
    TimingOffer offer;
    offer.allowPrepulse = true;
    fillTimingDialog(shown, ViewRecordingParams{}, offer);
    QVERIFY(!hiddenIn(shown, shown.tpSlider));
    QVERIFY(!hiddenIn(shown, shown.tpLabel));

    // Hiding rows lets the dialog open smaller.
    hidden.show();
    shown.show();
    QVERIFY(hidden.height() < shown.height());
}

void MriViewTimingTest::allowedPrepulseFollowsLastSetting()
{
    TimingOffer offer;
    offer.allowPrepulse = true;
    ViewRecordingParams view;
    view.prepulse = true;
    TeTr on(0, 12);
    fillTimingDialog(on, view, offer);
    QVERIFY(on.tpCheck->isChecked());
    QVERIFY(on.tpEdit->isEnabled());
    QVERIFY(on.tpSlider->isEnabled());

    view.prepulse = false;
    TeTr off(0, 12);
    fillTimingDialog(off, view, offer);
    QVERIFY(!off.tpCheck->isChecked());
    QVERIFY(!off.tpEdit->isEnabled());
    QVERIFY(!off.tpSlider->isEnabled());
}

void MriViewTimingTest::diffusionFrameNeedsCaseAndPermission_data()
{
    QTest::addColumn<bool>("hasDti");
    QTest::addColumn<bool>("allowDti");
    QTest::addColumn<bool>("shown");
    QTest::newRow("neither") << false << false << false;
    QTest::newRow("allowed without data") << false << true << false;
    QTest::newRow("data not allowed") << true << false << false;
    QTest::newRow("data and allowed") << true << true << true;
}

void MriViewTimingTest::diffusionFrameNeedsCaseAndPermission()
{
    QFETCH(bool, hasDti);
    QFETCH(bool, allowDti);
    TimingOffer offer;
    offer.hasDti = hasDti;
    offer.allowDti = allowDti;
    TeTr dialog(0, 12);
    fillTimingDialog(dialog, ViewRecordingParams{}, offer);
    QTEST(!hiddenIn(dialog, dialog.dtiFrame), "shown");
}

void MriViewTimingTest::dialogStaysOnTopWithoutHelpButton()
{
    QWidget parent;
    RecordingParams last;
    ViewRecordingParams view = viewFrom(last);
    Qt::WindowFlags flags;
    QWidget *dialogParent = nullptr;
    ModalDriver driver([&](QWidget *modal) {
        flags = modal->windowFlags();
        dialogParent = modal->parentWidget();
        QTest::mouseClick(static_cast<TeTr *>(modal)->cancelButton, Qt::LeftButton);
    });
    QVERIFY(!askRecordingTiming(&parent, TimingOffer{}, view, last));
    QCOMPARE(driver.answered, 1);
    QVERIFY(flags & Qt::WindowStaysOnTopHint);
    QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
    QCOMPARE(dialogParent, &parent);
}

void MriViewTimingTest::acceptedAnswerIsStoredInViewAndMainSet()
{
    RecordingParams last;
    ViewRecordingParams view = viewFrom(last);
    TimingOffer offer;
    offer.allowPrepulse = true;
    ModalDriver driver(answerTiming([](TeTr &dialog) {
        dialog.teEdit->setText(QStringLiteral("25"));
        dialog.trEdit->setText(QStringLiteral("3000"));
        QTest::mouseClick(dialog.tpCheck, Qt::LeftButton, {}, QPoint(6, dialog.tpCheck->height() / 2));
        dialog.tpEdit->setText(QStringLiteral("750"));
    }, true));
    QVERIFY(askRecordingTiming(nullptr, offer, view, last));
    QCOMPARE(view.te, 25.0);
    QCOMPARE(view.tr, 3000.0);
    QCOMPARE(view.tp, 750.0);
    QVERIFY(view.prepulse);
    QCOMPARE(last.te, 25);
    QCOMPARE(last.tr, 3000);
    QCOMPARE(last.tp, 750);
    QVERIFY(last.prepulse);
}

void MriViewTimingTest::hiddenPrepulseKeepsPreviousTp()
{
    RecordingParams last;
    last.tp = 333;
    last.prepulse = true;
    ViewRecordingParams view = viewFrom(last);
    ModalDriver driver(answerTiming([](TeTr &dialog) {
        dialog.tpEdit->setText(QStringLiteral("20"));
    }, true));
    QVERIFY(askRecordingTiming(nullptr, TimingOffer{}, view, last));
    QCOMPARE(view.tp, 333.0);
    QVERIFY(view.prepulse);
    QCOMPARE(last.tp, 333);
    QVERIFY(last.prepulse);
}

void MriViewTimingTest::diffusionChoiceIsReadBack()
{
    RecordingParams last;
    last.technique = 1;
    last.gradientAngle = 30;
    ViewRecordingParams view = viewFrom(last);
    TimingOffer offer;
    offer.hasDti = true;
    offer.allowDti = true;
    int dialAtOpen = -1;
    ModalDriver driver(answerTiming([&](TeTr &dialog) {
        dialAtOpen = dialog.dtiDial->value();
        QVERIFY(dialog.dtiSingle->isChecked());
        QVERIFY(dialog.dtiDial->isVisible());
        QTest::keyClick(dialog.dtiDial, Qt::Key_Up); // one position further
        QTest::mouseClick(dialog.dtiDwi, Qt::LeftButton, {}, QPoint(5, dialog.dtiDwi->height() / 2));
    }, true));
    QVERIFY(askRecordingTiming(nullptr, offer, view, last));
    QCOMPARE(dialAtOpen, 14);
    QCOMPARE(view.technique, 2);
    QCOMPARE(view.gradientAngle, 45.0);
    QCOMPARE(last.technique, 2);
    QCOMPARE(last.gradientAngle, 45.0);
}

void MriViewTimingTest::withoutDiffusionDataTechniqueIsNone()
{
    RecordingParams last;
    last.technique = 2;
    ViewRecordingParams view = viewFrom(last);
    ModalDriver driver(answerTiming({}, true));
    QVERIFY(askRecordingTiming(nullptr, TimingOffer{}, view, last));
    QCOMPARE(view.technique, 0);
    QCOMPARE(last.technique, 2);
}

void MriViewTimingTest::cancelChangesNothing()
{
    RecordingParams last;
    ViewRecordingParams view = viewFrom(last);
    ModalDriver driver(answerTiming([](TeTr &dialog) {
        dialog.teEdit->setText(QStringLiteral("99"));
    }, false));
    QVERIFY(!askRecordingTiming(nullptr, TimingOffer{}, view, last));
    QCOMPARE(view.te, 40.0);
    QCOMPARE(last.te, 40);
}

void MriViewTimingTest::refusedAnswerCanBeCorrected()
{
    RecordingParams last;
    ViewRecordingParams view = viewFrom(last);
    ModalDriver driver([](QWidget *modal) {
        auto *dialog = qobject_cast<TeTr *>(modal);
        if (!dialog)
            return;
        dialog->teEdit->setText(QStringLiteral("100"));
        dialog->trEdit->setText(QStringLiteral("100"));
        QTest::mouseClick(dialog->hupButton, Qt::LeftButton); // refused, message answered
        dialog->trEdit->setText(QStringLiteral("101"));
        QTest::mouseClick(dialog->hupButton, Qt::LeftButton);
    });
    QVERIFY(askRecordingTiming(nullptr, TimingOffer{}, view, last));
    QCOMPARE(driver.messages.size(), 1);
    QCOMPARE(driver.messages.first().text, QStringLiteral("TR must be larger than TE"));
    QCOMPARE(view.tr, 101.0);
}

void MriViewTimingTest::titlesNameTheRecording_data()
{
    QTest::addColumn<bool>("prepulse");
    QTest::addColumn<bool>("allowPrepulse");
    QTest::addColumn<int>("technique");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << false << false << 0 << " Te=40 / Tr=500";
    QTest::newRow("prepulse allowed") << true << true << 0 << " Te=40 / Tr=500 / Tp=100";
    QTest::newRow("prepulse not allowed") << true << false << 0 << " Te=40 / Tr=500";
    QTest::newRow("dwi") << false << false << 2 << " Te=40 / Tr=500 DWI";
    QTest::newRow("adc with prepulse") << true << true << 3 << " Te=40 / Tr=500 / Tp=100 ADC";
    QTest::newRow("dti has no suffix") << false << false << 4 << " Te=40 / Tr=500";
}

void MriViewTimingTest::titlesNameTheRecording()
{
    QFETCH(bool, prepulse);
    QFETCH(bool, allowPrepulse);
    QFETCH(int, technique);
    ViewRecordingParams view;
    view.prepulse = prepulse;
    view.technique = technique;
    QTEST(recordingTitle(view, allowPrepulse), "title");
}

RELAXON_TEST_CLASS(MriViewTimingTest)
#include "test_mriviewtiming.moc"
