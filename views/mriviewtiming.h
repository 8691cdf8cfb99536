#ifndef RELAXON_VIEWS_MRIVIEWTIMING_H
#define RELAXON_VIEWS_MRIVIEWTIMING_H

#include "simulation/acquisition.h"
#include "simulation/recordingparams.h"

#include <QString>

class QWidget;
class TeTr;

// What a new recording may offer in its timing dialog.
struct TimingOffer
{
    QString caseFileName;       // shown as "Case: " and its base name
    bool allowPrepulse = false; // the main window's prepulse permission
    bool allowDti = false;      // the main window's diffusion permission
    bool hasDti = false;        // the case holds diffusion tensors
    int imageRows = 0;          // phase-encoding lines, for the scan time
    // The last accepted acquisition settings: offered, and replaced by the
    // dialog's when it is accepted with "Noise and scan time" ticked (only the
    // noise switch when unticked). Null: the defaults are offered and nothing kept.
    AcquisitionSettings *acquisition = nullptr;
};

// Fills a freshly built dialog from the view's parameters (times, technique and
// gradient direction) and the offer: what is shown, hidden and preselected.
void fillTimingDialog(TeTr &dialog, const ViewRecordingParams &view, const TimingOffer &offer);

// Reads an accepted dialog back into the view's parameters and into the main
// window's last accepted set.
void readTimingDialog(const TeTr &dialog, const TimingOffer &offer, ViewRecordingParams &view,
                      RecordingParams &lastAccepted);

// Asks the user for the timing of a new recording, modally, with parent as the
// dialog's parent. On OK the view's parameters and lastAccepted are updated and the
// result is true; on Cancel nothing changes.
bool askRecordingTiming(QWidget *parent, const TimingOffer &offer, ViewRecordingParams &view,
                        RecordingParams &lastAccepted);

// The window title of a new recording: " Te=%1 / Tr=%2", with " / Tp=%3" when the
// prepulse is on and allowed, then " DWI" or " ADC" for those techniques.
QString recordingTitle(const ViewRecordingParams &view, bool allowPrepulse);

// What a noisy recording adds to its title: " · m:ss", its scan time; empty
// without noise.
QString scanTimeTitle(const ViewRecordingParams &view, int imageRows, const AcquisitionSettings &settings);

#endif
