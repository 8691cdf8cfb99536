#include "app/relaxon.h"

#include "app/mainwindow.h"

#include <QFile>
#include <QFileOpenEvent>

Relaxon::Relaxon(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool Relaxon::event(QEvent *e)
{
    if (e->type() != QEvent::FileOpen)
        return QApplication::event(e);
    const QString name = static_cast<QFileOpenEvent *>(e)->file();
    // A vanished file is dropped quietly: the desktop, not the user, sent it.
    if (mainWindow && QFile::exists(name))
        mainWindow->loadFile(name);
    return true;
}
