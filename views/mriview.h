#ifndef RELAXON_VIEWS_MRIVIEW_H
#define RELAXON_VIEWS_MRIVIEW_H

#include "simulation/acquisition.h"
#include "simulation/displaywindow.h"
#include "simulation/noise.h"
#include "simulation/regionstatistics.h"
#include "simulation/recordingparams.h"
#include "views/echotimesweep.h"
#include "views/mriviewgeometry.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class AnimationControls;
class PixelTime;
class QLabel;
class QPainter;
class QStatusBar;
class QTimer;
class Session;

// What a view shows; fixed at construction.
enum ViewKind : int {
    ViewNewRecording = 0, // a simulated recording; also the central view of a functional or plain-image case
    ViewAnimation = 1,    // the echo time running
    ViewHydrogenDensity = 2,
    ViewT1 = 3,
    ViewT2 = 4,
};

// One image of a case, painted as grey levels through a display window (level and
// width) and scaled to the widget with square pixels. A view owns its image. Views
// of PD/T1/T2 cases live in sub-windows of the main window and carry their own
// status bar; the single view of a functional or plain-image case is the main
// window's central widget and uses the main window's status bar.
class MriView : public QWidget
{
    Q_OBJECT

public:
    // p-value below which a pixel of a functional case counts as significant.
    static constexpr double pThreshold = 0.1;

    // Without an image the view makes its own of the case's size (a sub-window
    // view); a view of kind 0 then asks for the timing first and, when the user
    // cancels, ends up without an image: the creator must test hasImage() and
    // destroy it. With an image (rows x cols, 1-based) the view is a central view and
    // takes ownership of the matrix.
    MriView(Session &session, int kind, double **image = nullptr, int rows = 0, int cols = 0);
    ~MriView() override;

    // Sets the display window; a width of exactly 0 chooses the automatic window.
    // Both are clamped to their bounds. Callers repaint.
    void setLevelWidth(double level, double width);

    // Shows the window this view paints with (its own, or the active view's while it
    // follows) in its level and width read-outs and its level dialog.
    void showPaintingWindow();

    // While following is on, brings the other views of the document area up to date
    // after this view's window changed.
    void spreadWindowToFollowers();

    // Places the cross marker on image pixel (x, y), 0-based, or out of sight when
    // the pixel lies outside the image.
    void setCursorPixel(int x, int y);

    // The session's region in this view's image: its statistics, and the status
    // text with mean, SD and SNR, hidden without a region.
    RegionStatistics regionValues() const;
    void showRegion();

    // Opens, raises or hides the view's level and width dialog.
    void showLevelDialog(bool toggle);

    // Moves a functional view step frames on (any sign; the index wraps) and
    // repaints it with its time curve.
    void stepFrame(int step);

    // Starts or stops the fMRI movie: one frame per 10 ms tick, looping. Views of
    // cases without frames have no movie.
    void playMovie(bool on);
    bool moviePlaying() const;

    // Shows text, without time-out, in this view's status bar, or with allViews in
    // the status bars of every view of the document area.
    void showStatus(const QString &text, bool allViews);

    // Reports the selected pixel of a central view: statistics, value and, while a
    // keyboard modifier is held, its position.
    void showPixelStatus();

    // The time curve of a functional view; null for other cases.
    PixelTime *timeCurve() const { return timeCurveWidget; }

    // The controls and timing of an animation view; null and idle for other kinds.
    AnimationControls *animationControls() const { return controls.get(); }
    const EchoTimeSweep &echoTimeSweep() const { return sweep; }
    bool animationRunning() const;

    bool hasImage() const { return image != nullptr; }
    double **imageData() const { return image; }
    int kind() const { return viewKind; }
    int rows() const { return imageRows; }
    int cols() const { return imageCols; }

    double rangeLow() const { return display.rangeLow; }
    double rangeHigh() const { return display.rangeHigh; }
    const std::array<HistogramBin, kHistogramBins> &histogram() const { return display.histogram; }
    double histogramPeak() const { return display.histogramPeak; }
    double autoLow() const { return display.autoLow; }
    double autoHigh() const { return display.autoHigh; }

    double displayLevel() const { return currentLevel; }
    double displayWidth() const { return currentWidth; }
    double levelMin() const { return bounds.levelMin; }
    double levelMax() const { return bounds.levelMax; }
    double widthMin() const { return bounds.widthMin; }
    double widthMax() const { return bounds.widthMax; }
    bool invert() const { return invertGrey; }
    void setInvert(bool on) { invertGrey = on; }
    // Takes a window from the level dialog as it is: the dialog keeps it within the
    // bounds and repaints.
    void setDisplayWindow(double newLevel, double newWidth)
    {
        currentLevel = newLevel;
        currentWidth = newWidth;
    }
    Session &session() const { return state; }

    const ViewRecordingParams &recordingParams() const { return recording; }
    // How the view's recording was acquired; noise off for maps and plain images.
    const AcquisitionSettings &acquisitionSettings() const { return acquisition; }
    int technique() const { return recording.technique; }

    int frame() const { return currentFrame; }
    int fmriMode() const { return displayMode; }
    void setFmriMode(int mode) { displayMode = mode; }

    QStatusBar *viewStatusBar() const { return statusBar; }
    QLabel *levelReadout() const { return levelLabel; }
    QLabel *widthReadout() const { return widthLabel; }
    QLabel *crossMarker() const { return crossLabel; }

    ImageRect pictureRect() const { return imageRect; }
    int areaWidth() const { return pictureAreaWidth; }
    int areaHeight() const { return pictureAreaHeight; }

public slots:
    // Part of the view's published slots; there is nothing for them to do.
    void lMoved(int, int) {}
    void wMoved(int, int) {}
    void tRSliderChanged(int value);
    void speedBoxChanged(int index);
    void animFrame();
    void fMriFrame();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createOwnStatusBar();
    void startAnimation();
    void pauseOrResumeAnimation();
    void createFmriCompanions();
    // Status and cross markers of every view of the document area for pixel (x, y).
    void showValuesEverywhere(int x, int y);
    // Sets the session's region from the drag's anchor to pixel and shows it in
    // every view of the case; a null size clears it.
    void spreadRegion(ScreenPoint pixel, bool clear);
    void paintRegion(QPainter &painter) const;
    // The session's selected pixel, when it lies on this view's image.
    bool selectedPixelInside(int &x, int &y) const;
    void computeImage();
    // Takes settings for this recording with a seed of its own and draws its noise.
    void takeNoise(const AcquisitionSettings &settings);
    // Adds the recording's noise to the freshly computed image; nothing without noise.
    void addNoise();
    void setReadouts(double shownLevel, double shownWidth);
    // The active view, while following is on and both it and this view show signal
    // strengths; else null.
    MriView *followedView() const;
    // The level and width this view paints with: its own, or the followed view's.
    void paintingWindow(double &shownLevel, double &shownWidth) const;
    void showAnimationReadout();
    void paintPicture(QPainter &painter, double shownLevel, double shownWidth);
    void paintFrameTime(QPainter &painter) const;
    void paintGradientArrow(QPainter &painter) const;
    void paintTensorGlyphs(QPainter &painter) const;

    Session &state;
    int viewKind;
    int imageRows = 0;
    int imageCols = 0;
    double **image = nullptr;

    AutoDisplayWindow display;
    double currentLevel = 1000;
    double currentWidth = 2000;
    bool invertGrey = false;
    LevelWidthBounds bounds;

    ViewRecordingParams recording;
    AcquisitionSettings acquisition;
    NoiseField noiseField; // drawn once, so every image of the recording shows one pattern
    int currentFrame = 0;
    int displayMode = 0;

    QStatusBar *statusBar = nullptr;
    QStatusBar *ownStatusBar = nullptr;
    QLabel *levelLabel = nullptr;
    QLabel *widthLabel = nullptr;
    QLabel *crossLabel = nullptr;

    ImageRect imageRect;
    // Kept from paint to paint: every animation and movie tick repaints, and a new
    // picture each time would cost fresh memory pages for every pixel.
    std::vector<std::uint32_t> pictureMemory;
    QImage picture; // pixels in pictureMemory
    std::vector<std::uint32_t> pictureBand;
    int pictureAreaWidth = 0;
    int pictureAreaHeight = 0;

    bool dragging = false;
    bool drawingRegion = false;
    bool regionDragged = false;
    ScreenPoint regionAnchor;
    QLabel *regionLabel = nullptr;
    DragStart dragStart;

    EchoTimeSweep sweep;
    QTimer *animTimer = nullptr;
    std::unique_ptr<AnimationControls> controls;

    QTimer *fmriTimer = nullptr;
    PixelTime *timeCurveWidget = nullptr;
};

#endif
