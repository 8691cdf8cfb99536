#include "app/mainwindow.h"

#include "app/aboutbox.h"
#include "dialogs/importnifti.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {

const char *const organisationName = "Relaxon";
const char *const settingsApplicationName = "relaxon";
const QPoint defaultOffset(50, 50);
const QSize storedSizeDefault(700, 700);
constexpr double defaultShareOfScreen = 0.75;

QAction *makeAction(QObject *parent, const QString &text, const QKeySequence &shortcut,
                    const QString &iconPath, const QString &statusTip)
{
    auto *action = new QAction(text, parent);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (!iconPath.isEmpty())
        action->setIcon(QIcon(iconPath));
    action->setStatusTip(statusTip);
    return action;
}

// A hand-edited or damaged settings file, or a place remembered from a monitor that
// was removed, must not open a window out of sight, too small to use or larger than
// its screen: on close such a geometry would only be stored again.
bool isUsablePosition(const QVariant &pos)
{
    return pos.typeId() == QMetaType::QPoint && QGuiApplication::screenAt(pos.toPoint());
}

bool isUsableSize(const QVariant &size, const QPoint &pos, const QSize &smallest)
{
    if (size.typeId() != QMetaType::QSize)
        return false;
    const QSize wanted = size.toSize();
    const QSize available = QGuiApplication::screenAt(pos)->availableGeometry().size();
    return wanted.width() >= smallest.width() && wanted.height() >= smallest.height()
        && wanted.width() <= available.width() && wanted.height() <= available.height();
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    createActions();
    createMenus();
    createToolBars();
    createStatusBar();
    readSettings();
    setCurrentFile(QString());
    setFocusPolicy(Qt::ClickFocus);
}

MainWindow::~MainWindow()
{
    // The base class hides and deletes the document area after this window's own
    // part is gone; what the area signals then must not reach this window's slots.
    if (state.documentArea)
        disconnect(state.documentArea, nullptr, this, nullptr);
    state.caseData.release();
    // The only menu without a parent; the widget tree owns everything else.
    delete openMenu;
}

void MainWindow::createActions()
{
    createBuiltInCaseActions();

    openAct = makeAction(this, tr("&Open from disk..."), QKeySequence(tr("Ctrl+O")),
                         QStringLiteral(":/images/open.png"), tr("Open an existing file"));
    connect(openAct, &QAction::triggered, this, &MainWindow::open);

    importAct = makeAction(this, tr("&Import NIfTI…"), QKeySequence(), QString(),
                           tr("Make a case from NIfTI volumes"));
    connect(importAct, &QAction::triggered, this, &MainWindow::importNifti);

    closeAct = makeAction(this, tr("&Close"), QKeySequence(tr("Ctrl+W")), QString(),
                          tr("Close current MRI data set"));
    connect(closeAct, &QAction::triggered, this, &QWidget::close);

    exitAct = makeAction(this, tr("E&xit"), QKeySequence(tr("Ctrl+Q")), QString(),
                         tr("Exit Relaxon"));
    connect(exitAct, &QAction::triggered, this, &MainWindow::exit);

    levelAct = makeAction(this, tr("&Level and Width"), QKeySequence(tr("Ctrl+L")),
                          QStringLiteral(":/images/levwid.png"), tr("Set window level and width"));
    connect(levelAct, &QAction::triggered, this, &MainWindow::doLevel);

    followAct = makeAction(this, tr("&Follow Active View"), QKeySequence(tr("Ctrl+F")),
                           QStringLiteral(":/images/follow.png"),
                           tr("All views take level and width from active view"));
    followAct->setCheckable(true);
    connect(followAct, &QAction::toggled, this, &MainWindow::setFollowActive);

    measureAct = makeAction(this, tr("&Measure Region"), QKeySequence(tr("Ctrl+R")),
                            QStringLiteral(":/images/region.png"),
                            tr("Dragging draws a region whose mean, SD and SNR each view shows"));
    measureAct->setCheckable(true);
    connect(measureAct, &QAction::toggled, this, &MainWindow::setMeasureRegion);

    copyRegionAct = makeAction(this, tr("Copy &Region Values"), QKeySequence(), QString(),
                               tr("Copy the region's values of every recording to the clipboard"));
    connect(copyRegionAct, &QAction::triggered, this, &MainWindow::copyRegionValues);

    copyImageAct = makeAction(this, tr("&Copy Image"), QKeySequence(tr("Ctrl+C")),
                              QStringLiteral(":/images/copy.png"),
                              tr("Copy the current image to the clipboard"));
    connect(copyImageAct, &QAction::triggered, this, &MainWindow::copyImage);

    copyValuesAct = makeAction(this, tr("Copy &Values"), QKeySequence(tr("Shift+Ctrl+C")),
                               QStringLiteral(":/images/copyValues.png"),
                               tr("Copy the signal strenght values to the clipboard"));
    connect(copyValuesAct, &QAction::triggered, this, &MainWindow::copyValues);

    aboutAct = makeAction(this, tr("&About..."), QKeySequence(),
                          QStringLiteral(":/logo/mrilogo_16px.png"), tr("Show the About box"));
    connect(aboutAct, &QAction::triggered, this, &MainWindow::about);
}

void MainWindow::createBuiltInCaseActions()
{
    // Only the first entries the directory yields are offered; sorting comes after,
    // so which cases make the cut depends on the directory order, not on their names.
    QStringList paths;
    QDirIterator it(QStringLiteral(":files"), QDirIterator::Subdirectories);
    while (paths.size() < builtInCaseSlots && it.hasNext())
        paths.append(it.next());
    std::sort(paths.begin(), paths.end());

    for (int i = 0; i < builtInCaseSlots; ++i) {
        auto *action = new QAction(this);
        if (i < paths.size()) {
            action->setText(strippedName(paths.at(i)));
            action->setData(paths.at(i));
        } else {
            action->setVisible(false);
        }
        connect(action, &QAction::triggered, this, &MainWindow::openStandardFile);
        builtInCaseActs.append(action);
    }
}

void MainWindow::createMenus()
{
    // Menus of an earlier phase may be the ones whose command is running right now,
    // so they go once control is back in the event loop.
    menuBar()->clear();
    for (QMenu *menu : {fileMenu, editMenu, viewMenu, simulationMenu, windowMenu, helpMenu}) {
        if (menu)
            menu->deleteLater();
    }
    simulationMenu = nullptr;
    windowMenu = nullptr;
    modalityMenu = nullptr;

    fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addActions(builtInCaseActs);
    fileMenu->addSeparator();
    fileMenu->addAction(openAct);
    fileMenu->addAction(importAct);
    // The open button's menu never changes, and the button may be showing it.
    if (!openMenu) {
        openMenu = new QMenu;
        openMenu->addActions(builtInCaseActs);
        openMenu->addSeparator();
        openMenu->addAction(openAct);
    }
    fileMenu->addAction(closeAct);
    fileMenu->addAction(exitAct);

    editMenu = menuBar()->addMenu(tr("&Edit"));
    editMenu->addAction(copyImageAct);
    if (state.documentArea) {
        editMenu->addAction(copyValuesAct);
        editMenu->addAction(copyRegionAct);
    }

    viewMenu = menuBar()->addMenu(tr("&View"));
    viewMenu->addAction(levelAct);
    if (state.documentArea) {
        viewMenu->addAction(followAct);
        viewMenu->addAction(measureAct);
        simulationMenu = menuBar()->addMenu(tr("&Simulation"));
        simulationMenu->addAction(followAct);
        windowMenu = menuBar()->addMenu(tr("&Window"));
        windowMenu->addAction(followAct);
    }

    menuBar()->addSeparator();

    helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->addAction(aboutAct);
}

void MainWindow::createToolBars()
{
    if (toolBar) {
        removeToolBar(toolBar);
        toolBar->deleteLater();
    }
    toolBar = addToolBar(tr("Relaxon"));
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setMovable(false);

    auto *openButton = new QToolButton(toolBar);
    openButton->setDefaultAction(openAct);
    openButton->setPopupMode(QToolButton::InstantPopup);
    openButton->setMenu(openMenu);
    openButton->setStyleSheet(QStringLiteral("padding-right: 16px; /* make way for the popup button */"));
    toolBar->addWidget(openButton);
    toolBar->addAction(levelAct);
}

void MainWindow::createStatusBar()
{
    state.statusBar = statusBar();
    state.levelLabel = new QLabel(this);
    state.widthLabel = new QLabel(this);
    statusBar()->addPermanentWidget(state.levelLabel);
    statusBar()->addPermanentWidget(state.widthLabel);
    state.levelLabel->hide();
    state.widthLabel->hide();
    statusBar()->showMessage(tr("Ready"));
}

void MainWindow::readSettings()
{
    const QScreen *screen = QGuiApplication::screenAt(QPoint(0, 0));
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QPoint computedPos = available.topLeft() + defaultOffset;
    const QSize computedSize(int(std::lround(defaultShareOfScreen * available.width())),
                             int(std::lround(defaultShareOfScreen * available.height())));

    QPoint pos = computedPos;
    QSize size = computedSize;
    QSettings settings{QLatin1String(organisationName), QLatin1String(settingsApplicationName)};
    if (settings.contains(QStringLiteral("pos"))) {
        const QVariant storedPos = settings.value(QStringLiteral("pos"));
        const QVariant storedSize = settings.value(QStringLiteral("size"));
        const QSize smallest = minimumSizeHint().expandedTo(minimumSize());
        // Without a stored size the window takes the fixed default size.
        if (isUsablePosition(storedPos)
            && (!storedSize.isValid() || isUsableSize(storedSize, storedPos.toPoint(), smallest))) {
            pos = storedPos.toPoint();
            size = storedSize.isValid() ? storedSize.toSize() : storedSizeDefault;
        }
    }
    resize(size);
    move(pos);
}

void MainWindow::writeSettings()
{
    QSettings settings{QLatin1String(organisationName), QLatin1String(settingsApplicationName)};
    settings.setValue(QStringLiteral("pos"), pos());
    settings.setValue(QStringLiteral("size"), size());
}

void MainWindow::setCurrentFile(const QString &fileName)
{
    state.currentFile = fileName;
    setWindowModified(false);
    const QString appName = QCoreApplication::applicationName();
    if (state.currentFile.isEmpty())
        setWindowTitle(appName);
    else
        setWindowTitle(tr("%1[*] - %2").arg(strippedName(state.currentFile), appName));
}

QString MainWindow::strippedName(const QString &fullFileName)
{
    return QFileInfo(fullFileName).fileName();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    writeSettings();
    // The time curve and the level dialogs are windows of their own; one left on
    // screen would keep the program running without its main window.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window != this && window->isVisible() && ownsWindow(window))
            window->close();
    }
    event->accept();
}

bool MainWindow::ownsWindow(const QWidget *window) const
{
    for (const QWidget *parent = window->parentWidget(); parent; parent = parent->parentWidget()) {
        if (parent == this)
            return true;
    }
    return false;
}

void MainWindow::open()
{
    QString startDir = QDir::currentPath();
    if (startDir == QLatin1String("/")) {
        // A documents folder that was never created would turn up as a file name in
        // the dialog; the home folder is the nearer sensible place then.
        const QStringList documents = QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation);
        if (!documents.isEmpty())
            startDir = QFileInfo(documents.first()).isDir() ? documents.first() : QDir::homePath();
    }
    QString name;
    if (fileExtension == QLatin1String("mri")) {
        name = QFileDialog::getOpenFileName(this, QStringLiteral("Choose an MRI file"), startDir,
                                            QStringLiteral("MRI files (*.mri)"));
    } else {
        const QString filter = fileExtension + QStringLiteral(" files (*.") + fileExtension + QLatin1Char(')');
        name = QFileDialog::getOpenFileName(this, QStringLiteral("Choose a file"), startDir, filter);
    }
    if (!name.isEmpty())
        loadFile(name);
}

void MainWindow::importNifti()
{
    ImportNifti dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        loadFile(dialog.savedFile());
}

void MainWindow::openStandardFile()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (action)
        loadFile(action->data().toString());
}

void MainWindow::about()
{
    AboutBox box(this);
    box.setWindowFlags(box.windowFlags() & ~Qt::WindowContextHelpButtonHint);
    box.exec();
}

bool MainWindow::exit()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *widget : windows) {
        auto *other = qobject_cast<MainWindow *>(widget);
        if (other && other != this)
            other->close();
    }
    close();
    return true;
}
