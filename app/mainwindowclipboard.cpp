// The main window's clipboard commands: the active picture as an image, and the
// times and signal of every recording at the pixel under the mouse as a table.

#include "app/mainwindow.h"

#include "app/valuetable.h"
#include "simulation/regionvaluestable.h"
#include "views/mriview.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPixmap>

void MainWindow::copyImage()
{
    QWidget *widget = nullptr;
    if (state.documentArea) {
        if (QMdiSubWindow *window = state.documentArea->activeSubWindow())
            widget = window->widget();
    } else {
        widget = centralView;
    }
    if (!widget)
        return;

    // Rendered rather than grabbed from the screen, so that a covered or partly
    // scrolled-out view still copies whole, with its status bar and controls.
    QPixmap picture(widget->size());
    widget->render(&picture, QPoint(0, 0), QRegion(),
                   QWidget::DrawWindowBackground | QWidget::DrawChildren);
    QGuiApplication::clipboard()->setImage(picture.toImage(), QClipboard::Clipboard);
}

void MainWindow::copyValues()
{
    if (!state.documentArea)
        return;
    if (state.selectedPixel.x() < 0) {
        QMessageBox::information(this, QStringLiteral("Copying values"),
                                 QStringLiteral("To copy (Te,Tr,strength) values\n"
                                                "at location of interest in all windows:\nPress ")
                                     + QStringLiteral("Shift-Ctrl-C")
                                     + QStringLiteral(" while pointing at location.\n\n"
                                                      "Subsequently, the values can be pasted\n"
                                                      " in a spreadsheet program such as Excel."));
        return;
    }

    const int x = state.selectedPixel.x();
    const int y = state.selectedPixel.y();
    QList<ValueRow> rows;
    for (MriView *view : mdiViews()) {
        const ViewRecordingParams &params = view->recordingParams();
        // A pixel outside this view's image has no value to give (all views of a
        // case share its size, so this only guards a stale pixel).
        double **image = view->imageData();
        if (!image || x >= view->rows() || y >= view->cols() || y < 0)
            continue;
        rows.append({truncateAfterHalf(params.te), truncateAfterHalf(params.tr),
                     truncateAfterHalf(image[x + 1][y + 1])});
    }
    if (rows.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(valueTableText(rows), QClipboard::Clipboard);
}

void MainWindow::copyRegionValues()
{
    if (!state.documentArea)
        return;
    std::vector<RegionValuesRow> rows;
    for (MriView *view : mdiViews()) {
        if (view->kind() != ViewNewRecording || !view->hasImage())
            continue;
        rows.push_back({view->recordingParams(), view->acquisitionSettings(), view->rows(),
                        state.caseData.fullScale, view->regionValues()});
    }
    QGuiApplication::clipboard()->setText(QString::fromStdString(regionValuesTable(rows)),
                                          QClipboard::Clipboard);
}
