#include "dialogs/importnifti.h"
#include "testrunner.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class ImportNiftiTest : public QObject
{
    Q_OBJECT

private slots:
    void readsTheChosenVolumesAndPreviewsTheSlice()
    {
        const QString marker = QStringLiteral(NIFTI_FIXTURES "/marker_ras.nii.gz");
        ImportNifti dialog;
        // An empty field is named before any file is read, and nothing can be saved.
        dialog.pdEdit->setText(marker);
        QVERIFY(!dialog.readVolumes());
        QCOMPARE(dialog.messageLabel->text(), QString::fromUtf8("Choose the file for \u201cT1\u201d first."));
        QVERIFY(!dialog.saveCase(QStringLiteral("never.mri")));
        dialog.t1Edit->setText(marker);
        dialog.t2Edit->setText(marker);
        QVERIFY(dialog.readVolumes());
        QVERIFY(dialog.messageLabel->text().isEmpty());
        // Six axial planes of 10 x 12 voxels; the middle one (z = 1 mm) holds the marker at x, y = 5, 7;
        // 3, 7 and 5, 5 mm: the patient's right on the left, anterior at the top.
        QVERIFY(dialog.sliceSlider->isEnabled());
        QCOMPARE(dialog.sliceSlider->maximum(), 5);
        QCOMPARE(dialog.sliceSlider->value(), 3);
        const QImage preview = dialog.previewLabel->pixmap().toImage().scaled(10, 12);
        QList<QPoint> bright;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 10; ++x)
                if (qGray(preview.pixel(x, y)) > qGray(preview.pixel(0, 0)))
                    bright << QPoint(x, y);
        QCOMPARE(bright, (QList<QPoint>{{2, 2}, {3, 2}, {2, 3}}));
        QTemporaryDir folder;
        QVERIFY(dialog.saveCase(folder.filePath("marker.mri")) && QFileInfo::exists(folder.filePath("marker.mri")));
        // Another source forgets the volumes and the message of the last one.
        dialog.sourceCombo->setCurrentIndex(2);
        QVERIFY(!dialog.sliceSlider->isEnabled());
        QVERIFY(!dialog.readVolumes());
        QCOMPARE(dialog.messageLabel->text(), QString::fromUtf8("Choose the file for \u201cCSF\u201d first."));
        dialog.sourceCombo->setCurrentIndex(0);
        QVERIFY(dialog.messageLabel->text().isEmpty());
    }
};

RELAXON_TEST_CLASS(ImportNiftiTest)
#include "test_importnifti.moc"
