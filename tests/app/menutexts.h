#ifndef RELAXON_TESTS_APP_MENUTEXTS_H
#define RELAXON_TESTS_APP_MENUTEXTS_H

#include "app/mainwindow.h"

#include <QAction>
#include <QList>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

// The texts of the visible actions, "|" for a separator.
inline QStringList visibleTexts(const QList<QAction *> &actions)
{
    QStringList texts;
    for (QAction *action : actions) {
        if (action->isVisible())
            texts.append(action->isSeparator() ? QStringLiteral("|") : action->text());
    }
    return texts;
}

inline QMenu *menuTitled(MainWindow &window, const QString &title)
{
    for (QAction *action : window.menuBar()->actions()) {
        if (action->text() == title)
            return action->menu();
    }
    return nullptr;
}

#endif
