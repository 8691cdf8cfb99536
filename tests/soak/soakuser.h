#ifndef RELAXON_TESTS_SOAK_SOAKUSER_H
#define RELAXON_TESTS_SOAK_SOAKUSER_H

#include <QEvent>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <random>

class MainWindow;
class MriView;
class QAction;

// A careless user of the main window. Actions chosen at random: menu commands and
// shortcuts, case loads good and bad, mouse and keyboard on the views, sub-windows
// closed, the level dialogs opened, edited and closed. Modal dialogs the actions open
// are answered from a timer that runs inside their own event loops: random text,
// valid or not, in their fields, then accepted or cancelled; message boxes get a
// random one of their buttons. Every step writes a line to the log, enough to repeat
// it by hand.
class SoakUser
{
public:
    SoakUser(MainWindow &window, std::mt19937 &random, QStringList caseFiles,
             std::function<void(const QString &)> log);

    // Does one action chosen at random by weight, then lets the event loop run.
    void act();

    // The case file that should be loaded now: the last one that did not fail to read.
    QString expectedFile() const { return loadedFile; }

private:
    void loadCase();
    void menuCommand();
    void namedCommand();
    void mouse();
    void wheel();
    void keyPress();
    void animationControls();
    void editLevelDialog();
    void closeOrResize();

    void trigger(QAction *action);
    QList<QAction *> menuCommands();
    MriView *randomView();
    QWidget *randomViewOrWindow();
    void gesture(QWidget *widget, const QList<QEvent::Type> &events, Qt::MouseButton button,
                 Qt::KeyboardModifiers modifiers);
    Qt::KeyboardModifiers randomModifiers();
    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    bool chance(int percent) { return uniform(0, 99) < percent; }
    template<typename T> T pick(const QList<T> &items) { return items.at(uniform(0, int(items.size()) - 1)); }

    void answer(QWidget *modal);
    void answerFileDialog(QWidget *modal);
    QString randomFieldText(int low, int high);

    MainWindow &window;
    std::mt19937 &random;
    QStringList caseFiles;
    std::function<void(const QString &)> log;
    QString loadedFile;
    // The case file the current action tried to load, if any, and what it was told.
    QString attemptedFile;
    QStringList messages;
    QString chosenFile;
    QTimer poll;
    // The modal widget whose answer is on its way.
    QPointer<QWidget> pending;
};

#endif
