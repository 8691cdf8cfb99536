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

QMenu *menuTitled(MainWindow &window, const QString &title)
{
    for (QAction *action : window.menuBar()->actions()) {
        if (action->text() == title && action->isVisible())
            return action->menu();
    }
    return nullptr;
}

void checkWindowMenu(MainWindow &window, QStringList &breaks)
{
    QMenu *menu = menuTitled(window, QStringLiteral("&Window"));
    QMdiArea *area = window.documentArea();
    if (!area) {
        if (menu)
            breaks.append(QStringLiteral("a Window menu without a document area"));
        return;
    }
    if (!menu) {
        breaks.append(QStringLiteral("no Window menu for the document area"));
        return;
    }
    // The menu is filled as it opens; the sub-window entries follow its last separator.
    emit menu->aboutToShow();
    const QList<QAction *> actions = menu->actions();
    qsizetype first = 0;
    for (qsizetype i = 0; i < actions.size(); ++i) {
        if (actions.at(i)->isSeparator())
            first = i + 1;
    }
    const QList<QMdiSubWindow *> windows = area->subWindowList(QMdiArea::CreationOrder);
    const qsizetype entries = actions.size() - first;
    if (entries != windows.size()) {
        breaks.append(QStringLiteral("Window menu lists %1 sub-windows, %2 are open").arg(entries).arg(windows.size()));
        return;
    }
    MriView *active = window.activeView();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const QAction *entry = actions.at(first + i);
        const QString title = windows.at(i)->widget()->windowTitle();
        QString text = entry->text();
        text.remove(QLatin1Char('&'));
        if (!text.startsWith(QString::number(i + 1)) || !text.endsWith(title))
            breaks.append(QStringLiteral("Window menu entry %1 is \"%2\" for \"%3\"").arg(i + 1).arg(entry->text(), title));
        if (entry->isChecked() != (windows.at(i)->widget() == active))
            breaks.append(QStringLiteral("Window menu entry %1 is %2checked").arg(i + 1).arg(entry->isChecked() ? "" : "not "));
    }
}

void checkView(const MriView *view, const QString &name, QStringList &breaks)
{
    const double level = view->displayLevel();
    const double width = view->displayWidth();
    // Bounds whose maximum lies below the minimum collapse onto the minimum.
    const double levelMax = std::max(view->levelMin(), view->levelMax());
    const double widthMax = std::max(view->widthMin(), view->widthMax());
    if (!(level >= view->levelMin() && level <= levelMax))
        breaks.append(QStringLiteral("%1: level %2 outside [%3, %4]").arg(name).arg(level).arg(view->levelMin()).arg(view->levelMax()));
    // A width of exactly 0 is the black start of an image without range.
    if (width != 0 && !(width >= view->widthMin() && width <= widthMax))
        breaks.append(QStringLiteral("%1: width %2 outside [%3, %4]").arg(name).arg(width).arg(view->widthMin()).arg(view->widthMax()));
}

} // namespace

QStringList invariantBreaks(MainWindow &window, const QString &expectedFile)
{
    QStringList breaks;
    if (QWidget *modal = QApplication::activeModalWidget())
        breaks.append(QStringLiteral("modal %1 \"%2\" left open").arg(QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle()));

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
