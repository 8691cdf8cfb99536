#ifndef RELAXON_DIALOGS_TETR_H
#define RELAXON_DIALOGS_TETR_H

#include "simulation/acquisition.h"
#include "ui_tetr.h"

#include <QDialog>

class QStyle;

// The modal question for the timing of one simulated spin-echo recording: TE, TR,
// the optional inversion prepulse TP, and for diffusion cases the technique and the
// gradient direction. Each time is shown as a text field and a slider kept in step.
// The caller fills the form's widgets before exec() and reads them back after an
// accepted answer; accept() lets only a valid set through.
class TeTr : public QDialog, public Ui::TeTr
{
    Q_OBJECT

public:
    // The slider ranges of the three times, in ms; accept() enforces them again.
    static constexpr int teMinimum = 10;
    static constexpr int teMaximum = 2000;
    static constexpr int trMinimum = 50;
    static constexpr int trMaximum = 10000;
    static constexpr int tpMinimum = 10;
    static constexpr int tpMaximum = 5000;
    // Dial positions 0..24 stand for -180..180 degrees in 15-degree steps.
    static constexpr int dialPositions = 24;

    // technique: the diffusion technique code to preselect (0..4; any other value
    // checks no button). dialPosition: the gradient dial position, taken toward zero.
    TeTr(int technique, double dialPosition, QWidget *parent = nullptr,
         Qt::WindowFlags flags = Qt::WindowFlags());
    ~TeTr() override;

    static double dialPositionToAngle(int position) { return 15.0 * position - 180.0; }
    static double angleToDialPosition(double angle) { return (180.0 + angle) / 15.0; }

public slots:
    void on_teSlider_valueChanged(int val);
    void on_trSlider_valueChanged(int val);
    void on_tpSlider_valueChanged(int val);
    void on_teEdit_textChanged();
    void on_trEdit_textChanged();
    void on_tpEdit_textChanged();
    void on_tpCheck_released();
    void on_acquisitionCheck_toggled(bool on);
    void on_averagesEdit_textChanged();
    void on_echoTrainEdit_textChanged();
    void accept() override;

public:
    // Fills the acquisition fields and the check box from settings; rows: the
    // image rows (phase-encoding lines) the scan time counts.
    void setAcquisition(const AcquisitionSettings &settings, int rows);
    // The acquisition fields as typed, with noise as the check box says; fields
    // that do not read as numbers give NaN or 0, which no range contains.
    AcquisitionSettings typedAcquisition() const;

private:
    void refuse(const QString &message);
    bool acquisitionAcceptable();
    void showScanTime();

    int technique = 0;
    double dialPosition = 0;
    QStyle *dialStyle = nullptr;
    // the last values taken over from a slider or a text field, in ms
    int teValue = 0;
    int trValue = 0;
    int tpValue = 0;
    int scanRows = 0;
};

#endif
