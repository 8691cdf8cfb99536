#include "views/levwidview.h"

#include "dialogs/levelcont.h"
#include "simulation/widthslider.h"
#include "views/mriview.h"

#include <QMouseEvent>

namespace {

struct PointerPixel
{
    int x;
    int y;
};

PointerPixel pointerPixel(const QMouseEvent *event)
{
    return {roundPixel(event->position().x()), roundPixel(event->position().y())};
}

} // namespace

LevWidView::LevWidView(MriView *view, QWidget *parent) : QWidget(parent), view(view)
{
    setMouseTracking(true);
}

LevelCont *LevWidView::dialog() const
{
    for (QWidget *w = parentWidget(); w; w = w->parentWidget())
        if (auto *found = qobject_cast<LevelCont *>(w))
            return found;
    return nullptr;
}

const MriView *LevWidView::windowSource() const
{
    const LevelCont *owner = dialog();
    return owner ? owner->currentView() : view;
}

void LevWidView::setHoverCursor(bool on)
{
    hoverCursor = on;
    if (on)
        setCursor(Qt::SizeHorCursor);
    else
        setCursor(Qt::ArrowCursor);
}

void LevWidView::mousePressEvent(QMouseEvent *event)
{
    dragHandle = -1;
    const PointerPixel p = pointerPixel(event);
    const int found = handleWithinReach(handles, p.x, p.y);
    if (found >= 0) {
        dragHandle = found;
        dragOffset = handles[found].x - p.x;
    }
}

void LevWidView::mouseMoveEvent(QMouseEvent *event)
{
    const PointerPixel p = pointerPixel(event);
    if (dragHandle < 0) {
        const bool near = handleWithinReach(handles, p.x, p.y) >= 0;
        if (near && !hoverCursor)
            setHoverCursor(true);
        else if (!near && hoverCursor)
            setHoverCursor(false);
        return;
    }
    LevelCont *owner = dialog();
    if (!owner || !plot.scaled())
        return;
    const int x = dragX(plot, p.x, dragOffset);
    if (dragHandle == HandleLevel) {
        owner->levelSlider->setValue(draggedLevel(plot, x, view->rangeLow()));
    } else {
        const double width = draggedWidth(plot, x, marks.centreX);
        owner->widthSlider->setValue(widthToSlider(width, view->widthMax()));
    }
}

void LevWidView::mouseReleaseEvent(QMouseEvent *event)
{
    dragHandle = -1;
    const PointerPixel p = pointerPixel(event);
    if (handleWithinReach(handles, p.x, p.y) < 0 && hoverCursor)
        setHoverCursor(false);
}
