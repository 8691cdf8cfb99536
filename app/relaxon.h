#ifndef RELAXON_APP_RELAXON_H
#define RELAXON_APP_RELAXON_H

#include <QApplication>

class MainWindow;

// The application object. Besides running the event loop it turns the platform's
// file-open events (a case file opened from the desktop) into loads in the one
// main window.
class Relaxon : public QApplication
{
    Q_OBJECT

public:
    Relaxon(int &argc, char **argv);

    // Not owned; set once the window is shown, and the window outlives the loop.
    MainWindow *mainWindow = nullptr;

protected:
    bool event(QEvent *e) override;
};

#endif
