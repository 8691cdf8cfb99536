#include "dialogs/tetr.h"

#include <algorithm>
#include <cmath>

#include <QMessageBox>
#include <QStyle>
#include <QStyleFactory>

namespace {

// The toolkit's conversion: blanks around the number are allowed, anything else
// (or a number beyond 32 bits) does not convert.
bool readInt(const QLineEdit *edit, int &value)
{
    bool ok = false;
    const int converted = edit->text().toInt(&ok, 10);
    if (ok)
        value = converted;
    return ok;
}

// Slider moved by the user or by the program: show its value in the text field.
// An unchanged value ends the echo that the field's own slot sends back.
void sliderToText(int val, int &stored, QLineEdit *edit)
{
    if (val == stored)
        return;
    edit->setText(QString::number(val));
    stored = val;
}

// Text typed: move the slider only to a number it can show; while typing, nothing
// else is reported.
void textToSlider(const QLineEdit *edit, int &stored, QSlider *slider)
{
    int value = 0;
    if (!readInt(edit, value) || value < slider->minimum() || value > slider->maximum())
        return;
    stored = value;
    slider->setValue(value);
}

double readDouble(const QLineEdit *edit)
{
    bool ok = false;
    const double value = edit->text().trimmed().toDouble(&ok);
    return ok ? value : std::nan("");
}

template <typename T>
QString acquisitionRangeMessage(const char *name, const AcquisitionRange<T> &range)
{
    return QStringLiteral("The value for %1 must lie between %2 and %3")
        .arg(QString::fromUtf8(name))
        .arg(range.low)
        .arg(range.high);
}

QString rangeMessage(const char *text, int bound)
{
    return QString::fromUtf8(text) + QStringLiteral("%1").arg(bound) + QStringLiteral(" ms");
}

} // namespace

TeTr::TeTr(int technique, double dialPosition, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    setupUi(this);

    // Raising the minimum moves each slider off 0, and its slot writes the minimum
    // into the still empty text field.
    teSlider->setRange(teMinimum, teMaximum);
    trSlider->setRange(trMinimum, trMaximum);
    tpSlider->setRange(tpMinimum, tpMaximum);

    teValue = teEdit->text().toInt();
    trValue = trEdit->text().toInt();
    tpValue = tpEdit->text().toInt();
    teSlider->setValue(teValue);
    trSlider->setValue(trValue);
    tpSlider->setValue(tpValue);

    this->technique = technique;
    this->dialPosition = dialPosition;
    QRadioButton *const buttons[] = {dtiNone, dtiSingle, dtiDwi, dtiAdc, dtiDti};
    for (int id = 0; id < 5; ++id) {
        dtiButtonGroup->setId(buttons[id], id);
        buttons[id]->setChecked(id == technique);
    }

    dtiDial->setWrapping(true);
    dtiDial->setRange(0, dialPositions);
    // A position from a corrupt command line must not reach an undefined conversion;
    // the dial clamps everything else into its range.
    const double position = std::isfinite(dialPosition) ? std::clamp(dialPosition, -1e6, 1e6) : 0.0;
    dtiDial->setValue(static_cast<int>(position));

    const bool singleDirection = technique == 1;
    dtiDial->setVisible(singleDirection);
    dtiDialText->setVisible(singleDirection);

    // Hidden until asked for: unticked, the dialog is the plain timing question.
    acquisitionGroup->hide();
    setAcquisition(AcquisitionSettings{}, 0);

    dialStyle = QStyleFactory::create(QStringLiteral("Fusion"));
    if (dialStyle)
        dtiDial->setStyle(dialStyle);
}

TeTr::~TeTr()
{
    // The dial must not outlive its style; it goes with the dialog right after.
    if (dialStyle)
        dtiDial->setStyle(nullptr);
    delete dialStyle;
}

void TeTr::on_teSlider_valueChanged(int val)
{
    sliderToText(val, teValue, teEdit);
}

void TeTr::on_trSlider_valueChanged(int val)
{
    sliderToText(val, trValue, trEdit);
}

void TeTr::on_tpSlider_valueChanged(int val)
{
    sliderToText(val, tpValue, tpEdit);
}

void TeTr::on_teEdit_textChanged()
{
    textToSlider(teEdit, teValue, teSlider);
}

void TeTr::on_trEdit_textChanged()
{
    textToSlider(trEdit, trValue, trSlider);
    showScanTime();
}

void TeTr::on_tpEdit_textChanged()
{
    textToSlider(tpEdit, tpValue, tpSlider);
}

void TeTr::on_tpCheck_released()
{
    const bool on = tpCheck->isChecked();
    tpEdit->setEnabled(on);
    tpSlider->setEnabled(on);
}

void TeTr::on_acquisitionCheck_toggled(bool on)
{
    acquisitionGroup->setVisible(on);
    if (!on) {
        // Back to the plain dialog's size once the group has left the layout.
        layout()->activate();
        resize(minimumSizeHint());
    }
}

void TeTr::on_averagesEdit_textChanged()
{
    showScanTime();
}

void TeTr::on_echoTrainEdit_textChanged()
{
    showScanTime();
}

void TeTr::setAcquisition(const AcquisitionSettings &settings, int rows)
{
    scanRows = rows;
    averagesEdit->setText(QString::number(settings.averages));
    bandwidthEdit->setText(QString::number(settings.bandwidth));
    sliceEdit->setText(QString::number(settings.sliceThickness));
    echoTrainEdit->setText(QString::number(settings.echoTrainLength));
    acquisitionCheck->setChecked(settings.noise);
    showScanTime();
}

AcquisitionSettings TeTr::typedAcquisition() const
{
    AcquisitionSettings settings;
    int value = 0;
    settings.averages = readInt(averagesEdit, value) ? value : 0;
    settings.bandwidth = readDouble(bandwidthEdit);
    settings.sliceThickness = readDouble(sliceEdit);
    value = 0;
    settings.echoTrainLength = readInt(echoTrainEdit, value) ? value : 0;
    settings.noise = acquisitionCheck->isChecked();
    return settings;
}

// The time follows the fields as they are typed; "-:--" while one does not read.
void TeTr::showScanTime()
{
    const AcquisitionSettings settings = typedAcquisition();
    int tr = 0;
    const bool readable = readInt(trEdit, tr) && kAveragesRange.contains(settings.averages)
                          && kEchoTrainLengthRange.contains(settings.echoTrainLength);
    const double seconds = readable ? scanTimeSeconds(tr, scanRows, settings) : -1;
    scanTimeLabel->setText(QStringLiteral("Scan time: ")
                           + QString::fromStdString(formatScanTime(seconds)));
}

bool TeTr::acquisitionAcceptable()
{
    switch (firstFieldOutOfRange(typedAcquisition())) {
    case AcquisitionField::Averages:
        refuse(acquisitionRangeMessage("NEX", kAveragesRange));
        return false;
    case AcquisitionField::Bandwidth:
        refuse(acquisitionRangeMessage("BW", kBandwidthRange));
        return false;
    case AcquisitionField::SliceThickness:
        refuse(acquisitionRangeMessage("d", kSliceThicknessRange));
        return false;
    case AcquisitionField::EchoTrainLength:
        refuse(acquisitionRangeMessage("ETL", kEchoTrainLengthRange));
        return false;
    case AcquisitionField::None:
        break;
    }
    return true;
}

void TeTr::refuse(const QString &message)
{
    QMessageBox::warning(this, QStringLiteral("Relaxon"), message, QMessageBox::Ok);
}

void TeTr::accept()
{
    int typedTe = 0;
    int typedTr = 0;
    int typedTp = 0;
    if (!readInt(teEdit, typedTe)) {
        refuse(QStringLiteral("Please enter a number in the \"TE\"-field"));
        return;
    }
    if (!readInt(trEdit, typedTr)) {
        refuse(QStringLiteral("Please enter a number in the \"TR\"-field"));
        return;
    }
    // Checked even with the prepulse off: the field is read back whenever the
    // prepulse is allowed.
    if (!readInt(tpEdit, typedTp)) {
        refuse(QStringLiteral("Please enter a number in the \"TP\"-field"));
        return;
    }
    if (typedTe < teMinimum) {
        refuse(rangeMessage("The minimum value for TE is ", teMinimum));
        return;
    }
    if (typedTe > teMaximum) {
        refuse(rangeMessage("The maximum value for TE is ", teMaximum));
        return;
    }
    if (typedTr < trMinimum) {
        refuse(rangeMessage("The minimum value for TR is ", trMinimum));
        return;
    }
    if (typedTr > trMaximum) {
        refuse(rangeMessage("The maximum value for TR is ", trMaximum));
        return;
    }
    if (typedTr <= typedTe) {
        refuse(QStringLiteral("TR must be larger than TE"));
        return;
    }
    if (tpCheck->isChecked()) {
        if (typedTp < tpMinimum) {
            refuse(rangeMessage("The minimum value for TP is ", tpMinimum));
            return;
        }
        if (typedTp > tpMaximum) {
            refuse(rangeMessage("The maximum value for TP is ", tpMaximum));
            return;
        }
        if (typedTp >= typedTr) {
            refuse(QStringLiteral("TR must be larger than TP"));
            return;
        }
    }
    if (acquisitionCheck->isChecked() && !acquisitionAcceptable())
        return;
    QDialog::accept();
}
