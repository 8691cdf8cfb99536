#include "soakinvariants.h"

#include "app/mainwindow.h"
#include "views/mriview.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace {

// The Window menu is there exactly while the document area is, and lists each
// sub-window in creation order, numbered, with the active one checked.
void checkWindowMenu(MainWindow &window, QStringList &breaks)
{
    QMenu *menu = nullptr;
    for (QAction *action : window.menuBar()->actions()) {
        if (action->text() == QLatin1String("&Window") && action->isVisible())
            menu = action->menu();
    }
    QMdiArea *area = window.documentArea();
    if (!area || !menu) {
        if (area || menu)
            breaks.append(QStringLiteral("a Window menu %1 document area").arg(area ? "missing for the" : "without a"));
        return;
    }
    // The menu is filled as it opens; the sub-window entries follow its last separator.
    emit menu->aboutToShow();
    QList<QAction *> entries = menu->actions();
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        if (entries.at(i)->isSeparator()) {
            entries = entries.mid(i + 1);
            break;
        }
    }
    const QList<QMdiSubWindow *> windows = area->subWindowList(QMdiArea::CreationOrder);
    if (entries.size() != windows.size())
        return breaks.append(
            QStringLiteral("Window menu lists %1 sub-windows, %2 are open").arg(entries.size()).arg(windows.size()));
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const QString title = windows.at(i)->widget()->windowTitle();
        const QString text = QString(entries.at(i)->text()).remove(QLatin1Char('&'));
        if (!text.startsWith(QString::number(i + 1)) || !text.endsWith(title))
            breaks.append(QStringLiteral("Window menu entry %1 is \"%2\" for \"%3\"").arg(i + 1).arg(text, title));
        if (entries.at(i)->isChecked() != (windows.at(i)->widget() == window.activeView()))
            breaks.append(QStringLiteral("Window menu entry %1 is checked wrongly").arg(i + 1));
    }
}

// Within the view's bounds; bounds whose maximum lies below the minimum collapse onto
// the minimum, and a width of exactly 0 is the black start of an image without range.
void checkView(const MriView *view, const QString &name, QStringList &breaks)
{
    const double level = view->displayLevel();
    const double width = view->displayWidth();
    const QString outside = QStringLiteral("%1: %2 %3 outside [%4, %5]");
    if (!(level >= view->levelMin() && level <= std::max(view->levelMin(), view->levelMax())))
        breaks.append(outside.arg(name, QStringLiteral("level")).arg(level).arg(view->levelMin()).arg(view->levelMax()));
    if (width != 0 && !(width >= view->widthMin() && width <= std::max(view->widthMin(), view->widthMax())))
        breaks.append(outside.arg(name, QStringLiteral("width")).arg(width).arg(view->widthMin()).arg(view->widthMax()));
}

} // namespace

QStringList invariantBreaks(MainWindow &window, const QString &expectedFile)
{
    QStringList breaks;
    if (QWidget *modal = QApplication::activeModalWidget())
        breaks.append(QStringLiteral("modal \"%1\" left open").arg(modal->windowTitle()));
    if (window.currentFileName() != expectedFile)
        breaks.append(QStringLiteral("case is \"%1\", expected \"%2\"").arg(window.currentFileName(), expectedFile));
    const QString title = window.windowTitle();
    if (expectedFile.isEmpty() ? title != QCoreApplication::applicationName()
                               : !title.startsWith(MainWindow::strippedName(expectedFile) + QStringLiteral("[*]")))
        breaks.append(QStringLiteral("title \"%1\" does not name \"%2\"").arg(title, expectedFile));
    checkWindowMenu(window, breaks);
    const QList<MriView *> views = window.mdiViews();
    for (qsizetype i = 0; i < views.size(); ++i)
        checkView(views.at(i), QStringLiteral("view %1").arg(i + 1), breaks);
    if (MriView *central = window.singleView())
        checkView(central, QStringLiteral("central view"), breaks);
    return breaks;
}
