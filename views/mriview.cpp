#include "views/mriview.h"

#include "dialogs/levelcont.h"
#include "simulation/signalmodel.h"
#include "views/animationcontrols.h"
#include "views/mriviewtiming.h"
#include "views/pixeltime.h"
#include "views/session.h"

#include <QBitmap>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMinimumSize = 200;
constexpr int kAnimationMinimumSize = 290;
constexpr int kOwnStatusBarMinimumWidth = 256;
constexpr int kStatusBarHeight = 20;
constexpr int kCrossSize = 3;
constexpr int kDarkMarkerThreshold = 191; // above it a yellow marker would not show

const QColor kYellow(255, 255, 0);
const QColor kDarkGreen(0, 128, 0);

// The plus-shaped mask of the cross marker, from the program's bitmap; drawn here
// when the bitmap is not among the compiled-in resources.
QBitmap crossMask()
{
    const QImage bitmap(QStringLiteral(":/images/cross.xpm"));
    if (bitmap.width() == kCrossSize && bitmap.height() == kCrossSize) {
        if (bitmap.hasAlphaChannel())
            return QBitmap::fromImage(bitmap.createAlphaMask());
        return QBitmap::fromImage(bitmap.createMaskFromColor(qRgb(0, 0, 0), Qt::MaskOutColor));
    }
    QImage plus(kCrossSize, kCrossSize, QImage::Format_MonoLSB);
    plus.setColor(0, Qt::color0);
    plus.setColor(1, Qt::color1);
    for (int x = 0; x < kCrossSize; ++x)
        for (int y = 0; y < kCrossSize; ++y)
            plus.setPixel(x, y, (x == kCrossSize / 2 || y == kCrossSize / 2) ? 1 : 0);
    return QBitmap::fromImage(plus);
}

// The signal model takes whole degrees; an angle from elsewhere than the dial must
// not reach an undefined conversion.
int32 wholeDegrees(double angle)
{
    if (!std::isfinite(angle))
        return 0;
    return static_cast<int32>(std::clamp(angle, -360.0, 360.0));
}

QString levelText(double level)
{
    return QStringLiteral(" wl: %1 ").arg(level, 4, 'f', 0);
}

QString widthText(double width)
{
    return QStringLiteral(" ww: %1 ").arg(width, 4, 'f', 0);
}

} // namespace

MriView::MriView(Session &session, int kind, double **givenImage, int rows, int cols)
    : state(session), viewKind(kind)
{
    const CaseData &data = state.caseData;
    display.rangeHigh = 2000;
    invertGrey = state.invertScale;
    if (kind == ViewAnimation)
        setMinimumSize(kAnimationMinimumSize, kAnimationMinimumSize);
    else
        setMinimumSize(kMinimumSize, kMinimumSize);
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);

    statusBar = state.statusBar;
    levelLabel = state.levelLabel;
    widthLabel = state.widthLabel;

    crossLabel = new QLabel(this);
    crossLabel->resize(kCrossSize, kCrossSize);
    QPixmap cross(kCrossSize, kCrossSize);
    cross.fill(kYellow);
    cross.setMask(crossMask());
    crossLabel->setPixmap(cross);
    // Out of sight until the mouse is over another view.
    crossLabel->move(-2, -2);

    QString title;
    if (!givenImage) {
        createOwnStatusBar();
        if (data.rows < 1 || data.cols < 1)
            return;
        const RecordingParams &last = state.recording;
        recording.te = last.te;
        recording.tr = last.tr;
        recording.tp = last.tp;
        recording.prepulse = last.prepulse;
        if (data.hasDti && kind != ViewAnimation) {
            recording.technique = last.technique;
            recording.gradientAngle = last.gradientAngle;
        }
        switch (kind) {
        case ViewNewRecording: {
            const TimingOffer offer{state.currentFile, state.allowPrepulse, state.allowDti,
                                    data.hasDti, data.rows, &state.acquisition};
            if (!askRecordingTiming(this, offer, recording, state.recording))
                return;
            takeNoise(state.acquisition);
            // The image is computed without diffusion weighting then; the view must
            // not claim any.
            if (!state.allowDti)
                recording.technique = TechniqueNone;
            title = recordingTitle(recording, state.allowPrepulse)
                    + scanTimeTitle(recording, data.rows, acquisition);
            break;
        }
        case ViewAnimation:
            takeNoise(state.acquisition);
            title = QStringLiteral(" animation");
            break;
        case ViewHydrogenDensity:
            recording.te = recording.tr = -1;
            title = QStringLiteral(" Hydrogen density");
            break;
        case ViewT1:
            recording.tr = -1;
            title = QStringLiteral(" T1");
            break;
        case ViewT2:
            recording.te = -1;
            title = QStringLiteral(" T2");
            break;
        default:
            return;
        }
        imageRows = data.rows;
        imageCols = data.cols;
        image = dmatrix(1, imageRows, 1, imageCols);
        computeImage();
    } else {
        image = givenImage;
        imageRows = rows;
        imageCols = cols;
    }

    setWindowTitle(title);
    if (levelLabel)
        levelLabel->show();
    if (widthLabel)
        widthLabel->show();

    display = autoLevelWidth(image, imageRows, imageCols);
    if (!std::isfinite(display.autoLow) || !std::isfinite(display.autoHigh)) {
        // Values spanning more than doubles can hold leave no automatic window; the
        // picture then starts black, like an image without a range.
        display.autoLow = display.autoHigh = 0;
        display.level = display.width = 0;
    }
    currentLevel = display.level;
    currentWidth = display.width;

    // Signals of a case are bounded by its full scale; a map's values (T1 of fluid)
    // can pass that scale, so a map is bounded by its own range.
    const bool isMap = kind == ViewHydrogenDensity || kind == ViewT1 || kind == ViewT2;
    bounds = levelWidthBounds(display.rangeLow, display.rangeHigh, data.isMri && !isMap, data.fullScale);
    // The first window obeys the bounds like every later one. A width of 0 stays: an
    // image without range starts black.
    if (currentWidth != 0)
        clampLevelWidth(currentLevel, currentWidth, bounds);
    crossLabel->setVisible(data.isMri);
    setReadouts(currentLevel, currentWidth);

    showRegion();
    if (kind == ViewAnimation)
        startAnimation();
    if (data.frames > 0)
        createFmriCompanions();
}

MriView::~MriView()
{
    if (fmriTimer)
        fmriTimer->stop();
    if (image)
        free_dmatrix(image, 1, imageRows, 1);
}

void MriView::createOwnStatusBar()
{
    ownStatusBar = new QStatusBar(this);
    ownStatusBar->setSizeGripEnabled(false);
    // A sub-window is only as wide as its image, 256 pixels for most cases: in the
    // default font the value under the mouse would be cut off by the level and
    // width fields, so a slightly smaller one keeps every digit in sight. The view
    // of a smaller image is kept that wide for the same reason.
    QFont compact = ownStatusBar->font();
    compact.setPointSizeF(compact.pointSizeF() * 0.85);
    ownStatusBar->setFont(compact);
    setMinimumWidth(std::max(minimumWidth(), kOwnStatusBarMinimumWidth));
    regionLabel = new QLabel(ownStatusBar);
    regionLabel->hide();
    ownStatusBar->addPermanentWidget(regionLabel);
    levelLabel = new QLabel(ownStatusBar);
    widthLabel = new QLabel(ownStatusBar);
    ownStatusBar->addPermanentWidget(levelLabel);
    ownStatusBar->addPermanentWidget(widthLabel);
    statusBar = ownStatusBar;
}

void MriView::computeImage()
{
    const CaseData &data = state.caseData;
    if (viewKind == ViewNewRecording) {
        const bool prepulse = recording.prepulse && state.allowPrepulse;
        computeSignal(data, image, imageRows, imageCols, recording.te, recording.tr,
                      prepulse ? recording.tp : 0, state.allowDti ? recording.technique : 0,
                      wholeDegrees(recording.gradientAngle));
        addNoise();
    } else if (viewKind == ViewAnimation) {
        // Only the histogram uses this image; the animation draws its own.
        computeSignal(data, image, imageRows, imageCols, 40, 500, 0, 0, 0);
        addNoise();
    } else {
        computeSignal(data, image, imageRows, imageCols, recording.te, recording.tr, 0, 0, 0);
    }
}

void MriView::takeNoise(const AcquisitionSettings &settings)
{
    if (!settings.noise)
        return;
    acquisition = settings;
    acquisition.seed = ++state.noiseRecordings;
    noiseField = drawNoiseField(state.caseData.rows, state.caseData.cols, acquisition.seed);
}

void MriView::addNoise()
{
    if (!acquisition.noise)
        return;
    addRicianNoise(image, imageRows, imageCols, noiseSigma(state.caseData.fullScale, acquisition), noiseField);
}

void MriView::setReadouts(double shownLevel, double shownWidth)
{
    if (levelLabel)
        levelLabel->setText(levelText(shownLevel));
    if (widthLabel)
        widthLabel->setText(widthText(shownWidth));
}

void MriView::setLevelWidth(double newLevel, double newWidth)
{
    if (newWidth == 0) {
        newLevel = (display.autoLow + display.autoHigh) / 2;
        newWidth = display.autoHigh - display.autoLow;
    }
    clampLevelWidth(newLevel, newWidth, bounds);
    currentLevel = newLevel;
    currentWidth = newWidth;
    if (LevelCont *dialog = LevelCont::of(this))
        dialog->moveSliders(currentLevel, currentWidth, widthMax());
    spreadWindowToFollowers();
    showPaintingWindow();
}

void MriView::showPaintingWindow()
{
    double shownLevel = 0;
    double shownWidth = 0;
    paintingWindow(shownLevel, shownWidth);
    if (statusBar)
        setReadouts(shownLevel, shownWidth);
    if (LevelCont *dialog = LevelCont::of(this))
        dialog->setCurrentView(followedView());
}

void MriView::spreadWindowToFollowers()
{
    if (!state.followActive || !state.documentArea)
        return;
    for (MriView *other : state.documentViews()) {
        if (other == this)
            continue;
        other->showPaintingWindow();
        other->update();
    }
}

void MriView::setCursorPixel(int x, int y)
{
    if (!image || x < 0 || x >= imageRows || y < 0 || y >= imageCols) {
        crossLabel->move(-2, -2);
        return;
    }
    const ScreenPoint point = pixelToScreen(imageRect, imageRows, imageCols, x, y);
    const int grey = levelToGrey(image[x + 1][y + 1], currentLevel, currentWidth, invertGrey,
                                 GreyRange::Unclamped);
    QPixmap cross = crossLabel->pixmap();
    cross.fill(grey > kDarkMarkerThreshold ? kDarkGreen : kYellow);
    cross.setMask(crossMask());
    crossLabel->setPixmap(cross);
    crossLabel->move(point.x - crossLabel->width() / 2, point.y - crossLabel->height() / 2);
}

void MriView::showLevelDialog(bool toggle)
{
    LevelCont::showForView(this, toggle);
}

void MriView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    int areaW = width();
    int areaH = height();
    if (ownStatusBar) {
        ownStatusBar->resize(areaW, kStatusBarHeight);
        ownStatusBar->move(0, areaH - kStatusBarHeight);
        areaH -= kStatusBarHeight;
    }
    if (timeCurveWidget)
        timeCurveWidget->placeBeside(state.window(), width());
    if (controls) {
        controls->place(areaW, areaH);
        areaW -= AnimationControls::columnWidth;
        areaH -= AnimationControls::rowHeight;
    }
    pictureAreaWidth = areaW;
    pictureAreaHeight = areaH;
    if (image)
        imageRect = fitImageRect(areaW, areaH, imageRows, imageCols);
}
