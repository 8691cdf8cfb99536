#ifndef RELAXON_APP_MAINWINDOW_H
#define RELAXON_APP_MAINWINDOW_H

#include "views/session.h"

#include <QList>
#include <QMainWindow>
#include <QString>

class QAction;
class QActionGroup;
class QCloseEvent;
class QKeyEvent;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QSignalMapper;
class QToolBar;
class QToolButton;
class MriView;
struct CaseSetup;

// The program's one top-level window. It owns the session (the loaded case, the
// recording parameters last accepted by the user, the switches) and the views:
// sub-windows of a multiple-document area for PD/T1/T2 cases, or one central view
// for functional cases and plain images. Views reach the shared state through the
// session only.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // How many entries of the built-in case directory the File menu offers.
    static constexpr int builtInCaseSlots = 10;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Reads a case file (a disk path, or a resource path starting with ':') and
    // builds the views for it. Reports its own failure to the user and then leaves
    // the previous case as it was.
    void loadFile(const QString &name);

    // The view in the document area's active sub-window; null without a document
    // area, without an active sub-window, or when its widget is not a view.
    MriView *activeView() const { return state.activeView(); }

    // The views of the document area in creation order; empty without one.
    QList<MriView *> mdiViews() const { return state.documentViews(); }

    QMdiArea *documentArea() const { return state.documentArea; }
    MriView *singleView() const { return centralView; }
    QString currentFileName() const { return state.currentFile; }

    static QString strippedName(const QString &fullFileName);

    // The state shared with the views, dialogs and the command line.
    Session &session() { return state; }
    const Session &session() const { return state; }

    QString fileExtension = QStringLiteral("mri");

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void open();
    void importNifti();
    void openStandardFile();
    void about();
    void doLevel();
    void doBold();
    void fMriModeChanges(QAction *action);
    void doAllowPre();
    void doAllowDti();
    void setFollowActive(bool on);
    void setMeasureRegion(bool on);
    void copyRegionValues();
    bool exit();
    void updateMenus();
    void updateWindowMenu();
    void fMriMovie();
    void newView();
    void newAnimView();
    void rhoView();
    void t1View();
    void t2View();
    void updateAll(QMdiSubWindow *window);
    void setActiveSubWindow(QObject *window);
    void copyValues();
    void copyImage();

private:
    void createActions();
    void createBuiltInCaseActions();
    void createMenus();
    void createToolBars();
    void createStatusBar();
    void readSettings();
    void writeSettings();
    void setCurrentFile(const QString &fileName);
    // Whether window, a top-level widget, belongs to this window's widget tree.
    bool ownsWindow(const QWidget *window) const;

    // Case handling (mainwindowcase.cpp).
    void tearDownCase();
    void setupMriViews();
    void addFunctionalCommands();
    void setupSingleView(CaseSetup &setup);
    bool createMdiChild(int kind);

    Session state{this};
    MriView *centralView = nullptr;
    QSignalMapper *windowMapper = nullptr;

    QMenu *fileMenu = nullptr;
    QMenu *openMenu = nullptr; // no parent: pops up from the tool bar's open button
    QMenu *editMenu = nullptr;
    QMenu *viewMenu = nullptr;
    QMenu *modalityMenu = nullptr;
    QMenu *simulationMenu = nullptr;
    QMenu *windowMenu = nullptr;
    QMenu *helpMenu = nullptr;
    QToolBar *toolBar = nullptr;

    QList<QAction *> builtInCaseActs;
    QAction *openAct = nullptr;
    QAction *importAct = nullptr;
    QAction *closeAct = nullptr;
    QAction *exitAct = nullptr;
    QAction *levelAct = nullptr;
    QAction *followAct = nullptr;
    QAction *measureAct = nullptr;
    QAction *copyRegionAct = nullptr;
    QAction *copyImageAct = nullptr;
    QAction *copyValuesAct = nullptr;
    QAction *aboutAct = nullptr;

    // MRI case set-up
    QAction *newAct = nullptr;
    QAction *animAct = nullptr;
    QAction *rhoAct = nullptr;
    QAction *t1Act = nullptr;
    QAction *t2Act = nullptr;
    QAction *allowPreAct = nullptr;
    QAction *allowDtiAct = nullptr;
    QAction *closeActiveAct = nullptr;
    QAction *closeAllAct = nullptr;
    QAction *tileAct = nullptr;
    QAction *cascadeAct = nullptr;
    QAction *nextAct = nullptr;
    QAction *previousAct = nullptr;
    QAction *separatorAct = nullptr;

    // functional case load
    QAction *boldAct = nullptr;
    QAction *movieAct = nullptr;
    QAction *showMriAct = nullptr;
    QAction *showStatsAct = nullptr;
    QAction *showBothAct = nullptr;
    QActionGroup *modalityGroup = nullptr;
    QToolButton *modalityButton = nullptr;
};

#endif
