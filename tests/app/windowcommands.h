#ifndef RELAXON_TESTS_APP_WINDOWCOMMANDS_H
#define RELAXON_TESTS_APP_WINDOWCOMMANDS_H

#include "menutexts.h"

#include "../cases/casefilewriter.h"
#include "../dialogs/modaldriver.h"
#include "../dialogs/timinganswer.h"

#include <QCoreApplication>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <functional>

// Drives the main window as the user does: through its menus and the timing dialog.

// The command of that text in any menu of the menu bar, or null.
inline QAction *command(MainWindow &window, const QString &text)
{
    for (QAction *bar : window.menuBar()->actions()) {
        for (QAction *action : bar->menu() ? bar->menu()->actions() : QList<QAction *>()) {
            if (action->text() == text)
                return action;
        }
    }
    return nullptr;
}

// Loads a case and answers its first timing dialog with OK at the given times.
inline void loadAccepting(MainWindow &window, const QString &name, const QString &te = QStringLiteral("40"),
                          const QString &tr = QStringLiteral("500"), bool ok = true)
{
    ModalDriver driver(answerTiming(te, tr, ok));
    window.loadFile(name);
}

inline void newRecording(MainWindow &window, const QString &te, const QString &tr,
                         std::function<void(TeTr &)> more = {}, bool ok = true)
{
    ModalDriver driver(answerTiming(te, tr, ok, std::move(more)));
    command(window, QStringLiteral("&New recording"))->trigger();
}

// A PD/T1/T2 case of rows x cols pixels, all of one tissue: PD 900, T1 700 ms, T2 90 ms.
inline bool writeUniformCase(const QString &path, int rows, int cols)
{
    return writeCaseMatrix(
        path, 3 * rows, cols, [rows](int32 i, int32) { return i <= rows ? 900.0 : i <= 2 * rows ? 700.0 : 90.0; },
        QByteArray("MRI PD,T1,T2 DATA\n"));
}

// What the tool bar holds, by text; a tool button placed as a widget by its action or tool tip.
inline QStringList toolBarItems(MainWindow &window)
{
    // A replaced tool bar goes when control is back in the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList items;
    for (QToolBar *bar : window.findChildren<QToolBar *>()) {
        for (QAction *action : bar->actions()) {
            auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action));
            if (button && qobject_cast<QWidgetAction *>(action))
                items.append("button:"
                             + (button->defaultAction() ? button->defaultAction()->text() : button->toolTip()));
            else if (button)
                items.append(action->text());
        }
    }
    return items;
}

#endif
