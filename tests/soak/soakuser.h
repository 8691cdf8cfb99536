#ifndef RELAXON_TESTS_SOAK_SOAKUSER_H
#define RELAXON_TESTS_SOAK_SOAKUSER_H

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <random>
#include <span>

class MainWindow;
class ModalAnswerer;
class MriView;
class QAction;
class QWidget;

// A user who does random things to the main window: menu commands and shortcuts,
// case loads good and bad, mouse and keyboard on the views, sub-windows closed,
// the level dialogs opened, edited and closed. Modal dialogs the actions open are
// answered by the ModalAnswerer. Every action writes a line to the log, enough to
// repeat it by hand.
class SoakUser
{
public:
    SoakUser(MainWindow &window, std::mt19937 &random, ModalAnswerer &answerer, QStringList caseFiles,
             std::function<void(const QString &)> log);

    // Does one action chosen at random by weight, then lets the event loop run.
    void act();

    // The case file that should be loaded now: the last one that did not fail to read.
    QString expectedFile() const { return loadedFile; }

private:
    struct Action
    {
        const char *name;
        int weight;
        void (SoakUser::*run)();
    };
    static std::span<const Action> actions();

    void loadBuiltInCase();
    void loadCaseFile();
    void menuCommand();
    void shortcut();
    void mouseMove();
    void mouseClick();
    void mouseDoubleClick();
    void mouseDrag();
    void wheel();
    void keyPress();
    void closeSubWindow();
    void toggleFollow();
    void toggleMovie();
    void newAnimation();
    void animationControls();
    void toggleLevelDialog();
    void editLevelDialog();
    void resizeWindow();
    void wait();

    void trigger(QAction *action);
    QList<QAction *> menuCommands();
    QAction *commandNamed(const QString &text);
    MriView *randomView();
    QWidget *randomViewOrWindow();
    QPoint randomPointIn(const QWidget *widget);
    Qt::KeyboardModifiers randomModifiers();
    int uniform(int low, int high);
    template<typename T> T pick(const QList<T> &items) { return items.at(uniform(0, int(items.size()) - 1)); }

    MainWindow &window;
    std::mt19937 &random;
    ModalAnswerer &answerer;
    QStringList caseFiles;
    std::function<void(const QString &)> log;
    QString loadedFile;
    // The case file the current action tried to load, if any.
    QString attemptedFile;
};

#endif
