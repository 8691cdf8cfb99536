#include "views/mriviewtiming.h"

#include "dialogs/tetr.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QString wholeMs(double ms)
{
    return QString::number(ms, 'f', 0);
}

// The last accepted set keeps whole milliseconds; view times come from the dialog's
// integer fields, so only a value from elsewhere can lie outside 32 bits.
std::int32_t roundedMs(double ms)
{
    if (!std::isfinite(ms))
        return 0;
    const double limit = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::round(std::clamp(ms, -limit, limit)));
}

double fieldMs(const QLineEdit *edit)
{
    return edit->text().toInt();
}

} // namespace

void fillTimingDialog(TeTr &dialog, const ViewRecordingParams &view, const TimingOffer &offer)
{
    dialog.nameLabel->setText(QStringLiteral("Case: ") + QFileInfo(offer.caseFileName).baseName());
    dialog.teEdit->setText(wholeMs(view.te));
    dialog.trEdit->setText(wholeMs(view.tr));
    dialog.tpEdit->setText(wholeMs(view.tp));

    if (offer.allowPrepulse) {
        dialog.tpCheck->setChecked(view.prepulse);
        dialog.on_tpCheck_released();
    } else {
        for (QWidget *widget : {static_cast<QWidget *>(dialog.tpLabel),
                                static_cast<QWidget *>(dialog.tpCheck),
                                static_cast<QWidget *>(dialog.tpText),
                                static_cast<QWidget *>(dialog.tpEdit),
                                static_cast<QWidget *>(dialog.tpMs),
                                static_cast<QWidget *>(dialog.tpSlider)})
            widget->hide();
    }

    dialog.dtiFrame->setVisible(offer.hasDti && offer.allowDti);
    dialog.setAcquisition(offer.acquisition ? *offer.acquisition : AcquisitionSettings{}, offer.imageRows);
    // The smallest size the layout allows, which shrinks with the hidden rows.
    dialog.resize(10, 10);
}

void readTimingDialog(const TeTr &dialog, const TimingOffer &offer, ViewRecordingParams &view,
                      RecordingParams &lastAccepted)
{
    view.te = fieldMs(dialog.teEdit);
    view.tr = fieldMs(dialog.trEdit);
    if (offer.allowPrepulse) {
        view.tp = fieldMs(dialog.tpEdit);
        view.prepulse = dialog.tpCheck->isChecked();
    }
    if (offer.hasDti) {
        view.technique = dialog.dtiButtonGroup->checkedId();
        view.gradientAngle = TeTr::dialPositionToAngle(dialog.dtiDial->value());
        lastAccepted.technique = view.technique;
        lastAccepted.gradientAngle = view.gradientAngle;
    } else {
        view.technique = TechniqueNone;
    }
    lastAccepted.te = roundedMs(view.te);
    lastAccepted.tr = roundedMs(view.tr);
    lastAccepted.tp = roundedMs(view.tp);
    lastAccepted.prepulse = view.prepulse;
    if (offer.acquisition) {
        // Unticked fields were never checked; the settings accepted before stay.
        if (dialog.acquisitionCheck->isChecked())
            *offer.acquisition = dialog.typedAcquisition();
        else
            offer.acquisition->noise = false;
    }
}

bool askRecordingTiming(QWidget *parent, const TimingOffer &offer, ViewRecordingParams &view,
                        RecordingParams &lastAccepted)
{
    TeTr dialog(view.technique, TeTr::angleToDialPosition(view.gradientAngle), parent,
                Qt::WindowStaysOnTopHint);
    dialog.setWindowFlags(dialog.windowFlags() & ~Qt::WindowContextHelpButtonHint);
    fillTimingDialog(dialog, view, offer);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    readTimingDialog(dialog, offer, view, lastAccepted);
    return true;
}

QString recordingTitle(const ViewRecordingParams &view, bool allowPrepulse)
{
    QString title;
    if (allowPrepulse && view.prepulse)
        title = QStringLiteral(" Te=%1 / Tr=%2 / Tp=%3").arg(wholeMs(view.te), wholeMs(view.tr), wholeMs(view.tp));
    else
        title = QStringLiteral(" Te=%1 / Tr=%2").arg(wholeMs(view.te), wholeMs(view.tr));
    if (view.technique == TechniqueDwi)
        title += QStringLiteral(" DWI");
    else if (view.technique == TechniqueAdc)
        title += QStringLiteral(" ADC");
    return title;
}

QString scanTimeTitle(const ViewRecordingParams &view, int imageRows, const AcquisitionSettings &settings)
{
    if (!settings.noise)
        return QString();
    return QStringLiteral(" \u00B7 ")
           + QString::fromStdString(formatScanTime(scanTimeSeconds(view.tr, imageRows, settings)));
}
