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
    QDialog::accept();
}
