#include "views/mriviewtiming.h"

#include "../dialogs/modaldriver.h"
#include "../dialogs/timinganswer.h"
#include "dialogs/tetr.h"
#include "testrunner.h"

#include <QTest>

namespace {

ViewRecordingParams viewFrom(const RecordingParams &last)
{
    return {double(last.te), double(last.tr), double(last.tp), last.prepulse, last.technique, last.gradientAngle};
}

} // namespace

class MriViewTimingTest : public QObject
{
    Q_OBJECT

private slots:
    void fieldsShowLastAcceptedTimes()
    {
        ViewRecordingParams view;
        view.te = 40;
        view.tr = 12000; // beyond the slider: the slider stays where it was
        view.tp = 100;
        const QStringList files{":/files/glioblastoma.mri", "/tmp/cases/head.t2.mri", ""};
        const QStringList names{"Case: glioblastoma", "Case: head", "Case: "};
        for (int i = 0; i < files.size(); ++i) {
            TeTr dialog(0, 12);
            TimingOffer offer;
            offer.caseFileName = files.at(i);
            fillTimingDialog(dialog, view, offer);
            QCOMPARE(dialog.nameLabel->text(), names.at(i));
            QCOMPARE(dialog.teEdit->text(), QStringLiteral("40"));
            QCOMPARE(dialog.teSlider->value(), 40);
            QCOMPARE(dialog.trEdit->text(), QStringLiteral("12000"));
            QCOMPARE(dialog.trSlider->value(), 50);
            QCOMPARE(dialog.tpEdit->text(), QStringLiteral("100"));
            QCOMPARE(dialog.tpSlider->value(), 100);
        }
    }

    void offeredRowsAreShown_data()
    {
        QTest::addColumn<bool>("allowPrepulse");
        QTest::addColumn<bool>("prepulse");
        QTest::addColumn<bool>("hasDti");
        QTest::addColumn<bool>("allowDti");
        QTest::addColumn<bool>("dtiShown");
        QTest::newRow("nothing offered") << false << true << false << false << false;
        QTest::newRow("prepulse on") << true << true << false << true << false;
        QTest::newRow("prepulse off") << true << false << true << false << false;
        QTest::newRow("diffusion data and allowed") << false << false << true << true << true;
    }
    void offeredRowsAreShown()
    {
        QFETCH(bool, allowPrepulse);
        QFETCH(bool, prepulse);
        TimingOffer offer;
        offer.allowPrepulse = allowPrepulse;
        QFETCH(bool, hasDti);
        QFETCH(bool, allowDti);
        offer.hasDti = hasDti;
        offer.allowDti = allowDti;
        ViewRecordingParams view;
        view.prepulse = prepulse;
        TeTr dialog(0, 12);
        fillTimingDialog(dialog, view, offer);
        for (QWidget *widget : std::initializer_list<QWidget *>{dialog.tpLabel, dialog.tpCheck, dialog.tpText,
                                                                dialog.tpEdit, dialog.tpMs, dialog.tpSlider})
            QVERIFY2(widget->isVisibleTo(&dialog) == allowPrepulse, qPrintable(widget->objectName()));
        if (allowPrepulse) {
            QCOMPARE(dialog.tpCheck->isChecked(), prepulse);
            QCOMPARE(dialog.tpEdit->isEnabled(), prepulse);
            QCOMPARE(dialog.tpSlider->isEnabled(), prepulse);
        }
        QTEST(dialog.dtiFrame->isVisibleTo(&dialog), "dtiShown");
    }

    void acceptedAnswerIsStoredInViewAndMainSet()
    {
        RecordingParams last;
        ViewRecordingParams view = viewFrom(last);
        TimingOffer offer;
        offer.allowPrepulse = true;
        ModalDriver driver(answerTiming("25", "3000", true, [](TeTr &dialog) {
            QTest::mouseClick(dialog.tpCheck, Qt::LeftButton, {}, QPoint(6, dialog.tpCheck->height() / 2));
            dialog.tpEdit->setText(QStringLiteral("750"));
        }));
        QVERIFY(askRecordingTiming(nullptr, offer, view, last));
        QCOMPARE(QList<double>({view.te, view.tr, view.tp}), QList<double>({25, 3000, 750}));
        QCOMPARE(QList<int>({last.te, last.tr, last.tp}), QList<int>({25, 3000, 750}));
        QVERIFY(view.prepulse && last.prepulse);
    }

    void hiddenChoicesKeepPreviousSettings()
    {
        // Neither prepulse nor diffusion offered: Tp and the prepulse stay, and the view
        // records no diffusion technique while the main set keeps its choice.
        RecordingParams last;
        last.tp = 333;
        last.prepulse = true;
        last.technique = 2;
        ViewRecordingParams view = viewFrom(last);
        ModalDriver driver(answerTiming("40", "500", true, [](TeTr &dialog) { dialog.tpEdit->setText("20"); }));
        QVERIFY(askRecordingTiming(nullptr, TimingOffer{}, view, last));
        QCOMPARE(view.tp, 333.0);
        QCOMPARE(last.tp, 333);
        QVERIFY(view.prepulse && last.prepulse);
        QCOMPARE(view.technique, 0);
        QCOMPARE(last.technique, 2);
    }

    void diffusionChoiceIsReadBack()
    {
        RecordingParams last;
        last.technique = 1;
        last.gradientAngle = 30;
        ViewRecordingParams view = viewFrom(last);
        TimingOffer offer;
        offer.hasDti = true;
        offer.allowDti = true;
        int dialAtOpen = -1;
        ModalDriver driver(answerTiming("40", "500", true, [&](TeTr &dialog) {
            dialAtOpen = dialog.dtiDial->value();
            QVERIFY(dialog.dtiSingle->isChecked());
            QVERIFY(dialog.dtiDial->isVisible());
            QTest::keyClick(dialog.dtiDial, Qt::Key_Up); // one position further
            QTest::mouseClick(dialog.dtiDwi, Qt::LeftButton, {}, QPoint(5, dialog.dtiDwi->height() / 2));
        }));
        QVERIFY(askRecordingTiming(nullptr, offer, view, last));
        QCOMPARE(dialAtOpen, 14);
        QCOMPARE(QPointF(view.technique, view.gradientAngle), QPointF(2, 45));
        QCOMPARE(QPointF(last.technique, last.gradientAngle), QPointF(2, 45));
    }

    void cancelChangesNothing()
    {
        QWidget parent;
        RecordingParams last;
        ViewRecordingParams view = viewFrom(last);
        Qt::WindowFlags flags;
        QWidget *dialogParent = nullptr;
        ModalDriver driver(answerTiming("99", "500", false, [&](TeTr &dialog) {
            flags = dialog.windowFlags();
            dialogParent = dialog.parentWidget();
        }));
        QVERIFY(!askRecordingTiming(&parent, TimingOffer{}, view, last));
        QCOMPARE(view.te, 40.0);
        QCOMPARE(last.te, 40);
        // The dialog stays on top of its parent, without a help button.
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
        QCOMPARE(dialogParent, &parent);
    }
};

RELAXON_TEST_CLASS(MriViewTimingTest)
#include "test_mriviewtiming.moc"
