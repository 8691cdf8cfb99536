#ifndef RELAXON_VIEWS_SESSION_H
#define RELAXON_VIEWS_SESSION_H

#include "cases/casedata.h"
#include "simulation/acquisition.h"
#include "simulation/recordingparams.h"
#include "simulation/regionstatistics.h"

#include <QList>
#include <QPoint>
#include <QString>

class MriView;
class QLabel;
class QMdiArea;
class QStatusBar;
class QWidget;

// What the views and dialogs of one main window share: the loaded case, the
// recording settings last accepted, the switches, the pixel under the mouse and
// the parts of the workspace a view reads or places itself against. The main
// window owns it and fills in the workspace as it builds it; every view keeps a
// reference to it, so no view may outlive the main window.
class Session
{
public:
    // window: the top-level window that dialogs and time curves are placed against.
    explicit Session(QWidget *window) : workspaceWindow(window) {}

    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // The view in the document area's active sub-window; null without a document
    // area, without an active sub-window, or when its widget is not a view.
    MriView *activeView() const;

    // The views of the document area in creation order; empty without one.
    QList<MriView *> documentViews() const;

    QWidget *window() const { return workspaceWindow; }

    CaseData caseData;
    bool caseLoaded = false;
    QString currentFile;           // the case's file name; empty before the first case
    RecordingParams recording;     // last accepted timing: te, tr, tp, prepulse, technique, gradientAngle
    AcquisitionSettings acquisition; // last accepted noise and scan-time settings
    std::uint64_t noiseRecordings = 0; // noisy recordings made so far: each takes the next seed
    bool allowMaps = false;        // offer hydrogen density, T1 and T2 views
    bool allowPrepulse = false;    // timing dialogs offer the 180º inversion prepulse
    bool allowDti = false;         // timing dialogs offer the gradient double-pulse
    bool followActive = false;     // views take level and width from the active view
    bool measureRegion = false;    // a left drag draws the region instead of changing level and width
    ImageRegion region;            // the measured region in image pixels, shown in every view; empty for none
    QPoint selectedPixel{-1, -1};  // 0-based image pixel under the mouse in any view; (-1, -1) for none
    QString unitsLabel = QStringLiteral("Signal strength");
    bool invertScale = false;      // views of this case start with an inverted grey scale

    // The workspace: the document area of a PD/T1/T2 case (null otherwise), and
    // the status bar with its permanent level and width read-outs that a central
    // view uses.
    QMdiArea *documentArea = nullptr;
    QStatusBar *statusBar = nullptr;
    QLabel *levelLabel = nullptr;
    QLabel *widthLabel = nullptr;

private:
    QWidget *workspaceWindow;
};

#endif
