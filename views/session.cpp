#include "views/session.h"

#include "views/mriview.h"

#include <QMdiArea>
#include <QMdiSubWindow>

MriView *Session::activeView() const
{
    if (!documentArea)
        return nullptr;
    QMdiSubWindow *window = documentArea->activeSubWindow();
    return window ? qobject_cast<MriView *>(window->widget()) : nullptr;
}

QList<MriView *> Session::documentViews() const
{
    QList<MriView *> views;
    if (!documentArea)
        return views;
    const QList<QMdiSubWindow *> windows = documentArea->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow *window : windows) {
        if (auto *view = qobject_cast<MriView *>(window->widget()))
            views.append(view);
    }
    return views;
}
