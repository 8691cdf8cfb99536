#include "soakuser.h"

#include "modalanswerer.h"

#include "app/mainwindow.h"
#include "dialogs/levelcont.h"
#include "views/animationcontrols.h"
#include "views/levwidview.h"
#include "views/mriview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

#include <array>
#include <vector>

namespace {

// Ending the program is the one command the soak user never gives.
bool endsTheProgram(const QAction *action)
{
    return action->text() == QLatin1String("E&xit") || action->text() == QLatin1String("&Close");
}

QString describe(QPoint point)
{
    return QStringLiteral("(%1, %2)").arg(point.x()).arg(point.y());
}

QString describe(Qt::KeyboardModifiers modifiers)
{
    QString text;
    if (modifiers & Qt::ShiftModifier)
        text += QStringLiteral("Shift+");
    if (modifiers & Qt::ControlModifier)
        text += QStringLiteral("Ctrl+");
    return text;
}

void sendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

} // namespace

SoakUser::SoakUser(MainWindow &window, std::mt19937 &random, ModalAnswerer &answerer, QStringList caseFiles,
                   std::function<void(const QString &)> log)
    : window(window), random(random), answerer(answerer), caseFiles(std::move(caseFiles)), log(std::move(log))
{
}

std::span<const SoakUser::Action> SoakUser::actions()
{
    static const std::array<Action, 19> table{{
        {"load built-in case", 2, &SoakUser::loadBuiltInCase},
        {"load case file", 2, &SoakUser::loadCaseFile},
        {"menu command", 12, &SoakUser::menuCommand},
        {"shortcut", 6, &SoakUser::shortcut},
        {"mouse move", 12, &SoakUser::mouseMove},
        {"mouse click", 6, &SoakUser::mouseClick},
        {"double click", 3, &SoakUser::mouseDoubleClick},
        {"drag", 6, &SoakUser::mouseDrag},
        {"wheel", 3, &SoakUser::wheel},
        {"key press", 5, &SoakUser::keyPress},
        {"close sub-window", 3, &SoakUser::closeSubWindow},
        {"toggle follow", 3, &SoakUser::toggleFollow},
        {"toggle movie", 2, &SoakUser::toggleMovie},
        {"new animation", 2, &SoakUser::newAnimation},
        {"animation controls", 3, &SoakUser::animationControls},
        {"toggle level dialog", 4, &SoakUser::toggleLevelDialog},
        {"edit level dialog", 10, &SoakUser::editLevelDialog},
        {"resize", 2, &SoakUser::resizeWindow},
        {"wait", 3, &SoakUser::wait},
    }};
    return table;
}

int SoakUser::uniform(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

void SoakUser::act()
{
    static const std::vector<int> weights = [] {
        std::vector<int> w;
        for (const Action &action : actions())
            w.push_back(action.weight);
        return w;
    }();
    const Action &action = actions()[std::discrete_distribution<int>(weights.begin(), weights.end())(random)];
    log(QString::fromLatin1(action.name));
    attemptedFile.clear();
    (this->*action.run)();

    QCoreApplication::processEvents();
    // What the commands handed to deleteLater goes, as it would between two events.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const QStringList messages = answerer.takeMessages();
    if (!attemptedFile.isEmpty()
        && !messages.contains(QStringLiteral("Cannot read file %1.").arg(attemptedFile)))
        loadedFile = attemptedFile;
}

void SoakUser::trigger(QAction *action)
{
    log(QStringLiteral("  trigger \"%1\"").arg(action->text()));
    const bool opensFromDisk = action->text() == QLatin1String("&Open from disk...");
    const QString caseName = action->data().toString();
    action->trigger();
    if (opensFromDisk)
        attemptedFile = answerer.takeChosenFile();
    else if (caseName.startsWith(QLatin1Char(':')))
        attemptedFile = caseName;
}

QList<QAction *> SoakUser::menuCommands()
{
    QList<QAction *> commands;
    QList<QMenu *> menus;
    for (QAction *action : window.menuBar()->actions()) {
        if (action->menu() && action->isVisible())
            menus.append(action->menu());
    }
    while (!menus.isEmpty()) {
        QMenu *menu = menus.takeFirst();
        // The Window menu makes its sub-window entries as it opens.
        emit menu->aboutToShow();
        for (QAction *action : menu->actions()) {
            if (action->menu())
                menus.append(action->menu());
            else if (!action->isSeparator() && action->isVisible() && action->isEnabled() && !endsTheProgram(action))
                commands.append(action);
        }
    }
    return commands;
}

QAction *SoakUser::commandNamed(const QString &text)
{
    for (QAction *action : menuCommands()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

MriView *SoakUser::randomView()
{
    QList<MriView *> views = window.mdiViews();
    if (MriView *central = window.singleView())
        views.append(central);
    return views.isEmpty() ? nullptr : pick(views);
}

QWidget *SoakUser::randomViewOrWindow()
{
    MriView *view = randomView();
    return view && uniform(0, 3) > 0 ? static_cast<QWidget *>(view) : &window;
}

QPoint SoakUser::randomPointIn(const QWidget *widget)
{
    // A little beyond the edges too: a drag leaves the view, a press lands on its border.
    return QPoint(uniform(-10, widget->width() + 10), uniform(-10, widget->height() + 10));
}

Qt::KeyboardModifiers SoakUser::randomModifiers()
{
    static const QList<Qt::KeyboardModifiers> choices{Qt::NoModifier, Qt::NoModifier, Qt::NoModifier,
                                                      Qt::ShiftModifier, Qt::ControlModifier,
                                                      Qt::ShiftModifier | Qt::ControlModifier};
    return pick(choices);
}

void SoakUser::loadBuiltInCase()
{
    QList<QAction *> cases;
    for (QAction *action : menuCommands()) {
        if (action->data().toString().startsWith(QLatin1Char(':')))
            cases.append(action);
    }
    if (!cases.isEmpty())
        trigger(pick(cases));
}

void SoakUser::loadCaseFile()
{
    if (uniform(0, 1) == 0) {
        if (QAction *open = commandNamed(QStringLiteral("&Open from disk...")))
            trigger(open);
        return;
    }
    const QString file = pick(caseFiles);
    log(QStringLiteral("  load %1").arg(file));
    attemptedFile = file;
    window.loadFile(file);
}

void SoakUser::menuCommand()
{
    // Case loads have actions of their own; among all commands they would end most
    // sessions before the views had seen much use.
    QList<QAction *> commands = menuCommands();
    commands.removeIf([](const QAction *action) {
        return action->data().toString().startsWith(QLatin1Char(':'))
            || action->text() == QLatin1String("&Open from disk...");
    });
    if (!commands.isEmpty())
        trigger(pick(commands));
}

void SoakUser::shortcut()
{
    QList<QKeySequence> keys;
    for (QAction *action : window.findChildren<QAction *>()) {
        if (!action->shortcut().isEmpty() && !endsTheProgram(action))
            keys.append(action->shortcut());
    }
    if (keys.isEmpty())
        return;
    const QKeyCombination key = pick(keys)[0];
    log(QStringLiteral("  key %1").arg(QKeySequence(key).toString()));
    window.activateWindow();
    QCoreApplication::processEvents();
    QTest::keyClick(&window, key.key(), key.keyboardModifiers());
    if (key == QKeyCombination(Qt::CTRL, Qt::Key_O))
        attemptedFile = answerer.takeChosenFile();
}

void SoakUser::mouseMove()
{
    MriView *view = randomView();
    if (!view)
        return;
    const QPoint point = randomPointIn(view);
    const Qt::KeyboardModifiers modifiers = randomModifiers();
    log(QStringLiteral("  %1move to %2 on %3").arg(describe(modifiers), describe(point), view->windowTitle()));
    sendMouse(view, QEvent::MouseMove, point, Qt::NoButton, Qt::NoButton, modifiers);
}

void SoakUser::mouseClick()
{
    MriView *view = randomView();
    if (!view)
        return;
    const QPoint point = randomPointIn(view);
    const Qt::MouseButton button = uniform(0, 2) == 0 ? Qt::RightButton : Qt::LeftButton;
    const Qt::KeyboardModifiers modifiers = randomModifiers();
    log(QStringLiteral("  %1%2 click at %3 on %4")
            .arg(describe(modifiers), button == Qt::LeftButton ? QStringLiteral("left") : QStringLiteral("right"),
                 describe(point), view->windowTitle()));
    QPointer<MriView> guard(view);
    sendMouse(view, QEvent::MouseButtonPress, point, button, button, modifiers);
    if (guard)
        sendMouse(view, QEvent::MouseButtonRelease, point, button, Qt::NoButton, modifiers);
}

void SoakUser::mouseDoubleClick()
{
    MriView *view = randomView();
    if (!view)
        return;
    const QPoint point = randomPointIn(view);
    log(QStringLiteral("  double click at %1 on %2").arg(describe(point), view->windowTitle()));
    QPointer<MriView> guard(view);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        if (!guard)
            return;
        const bool down = type != QEvent::MouseButtonRelease;
        sendMouse(view, type, point, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    }
}

void SoakUser::mouseDrag()
{
    MriView *view = randomView();
    if (!view)
        return;
    QPoint point = randomPointIn(view);
    const Qt::KeyboardModifiers modifiers = randomModifiers();
    QString path = describe(point);
    QPointer<MriView> guard(view);
    sendMouse(view, QEvent::MouseButtonPress, point, Qt::LeftButton, Qt::LeftButton, modifiers);
    const int steps = uniform(1, 6);
    for (int i = 0; i < steps && guard; ++i) {
        // Long strides now and then: a fast hand leaves the view and the window.
        const int reach = uniform(0, 4) == 0 ? 2000 : 40;
        point += QPoint(uniform(-reach, reach), uniform(-reach, reach));
        path += QStringLiteral(" -> ") + describe(point);
        sendMouse(view, QEvent::MouseMove, point, Qt::NoButton, Qt::LeftButton, modifiers);
    }
    if (guard)
        sendMouse(view, QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton, modifiers);
    log(QStringLiteral("  %1drag %2 on %3").arg(describe(modifiers), path, guard ? guard->windowTitle() : QString()));
}

void SoakUser::wheel()
{
    QWidget *target = randomViewOrWindow();
    const QPoint point = randomPointIn(target);
    const int delta = pick(QList<int>{-720, -120, -15, 15, 120, 720});
    log(QStringLiteral("  wheel %1 at %2").arg(delta).arg(describe(point)));
    QWheelEvent event(QPointF(point), QPointF(target->mapToGlobal(point)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, randomModifiers(), Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

void SoakUser::keyPress()
{
    static const QList<Qt::Key> keys{Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp,
                                     Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End, Qt::Key_Space,
                                     Qt::Key_Return, Qt::Key_Escape, Qt::Key_Plus, Qt::Key_Minus,
                                     Qt::Key_L, Qt::Key_A, Qt::Key_1, Qt::Key_Tab, Qt::Key_F4, Qt::Key_F6};
    QWidget *target = randomViewOrWindow();
    const Qt::Key key = pick(keys);
    const Qt::KeyboardModifiers modifiers = randomModifiers();
    log(QStringLiteral("  key %1%2 on %3")
            .arg(describe(modifiers), QKeySequence(key).toString(), target == &window ? QStringLiteral("main window")
                                                                                       : target->windowTitle()));
    QTest::keyClick(target, key, modifiers);
}

void SoakUser::closeSubWindow()
{
    QMdiArea *area = window.documentArea();
    if (!area || area->subWindowList().isEmpty())
        return;
    QMdiSubWindow *sub = pick(area->subWindowList());
    log(QStringLiteral("  close \"%1\"").arg(sub->windowTitle()));
    sub->close();
}

void SoakUser::toggleFollow()
{
    if (QAction *follow = commandNamed(QStringLiteral("&Follow Active View")))
        trigger(follow);
}

void SoakUser::toggleMovie()
{
    if (QAction *movie = commandNamed(QStringLiteral("Play &fMRI Movie")))
        trigger(movie);
}

void SoakUser::newAnimation()
{
    if (QAction *animation = commandNamed(QStringLiteral("&Animation")))
        trigger(animation);
}

void SoakUser::animationControls()
{
    QList<MriView *> animations;
    for (MriView *view : window.mdiViews()) {
        if (view->animationControls())
            animations.append(view);
    }
    if (animations.isEmpty())
        return;
    AnimationControls *controls = pick(animations)->animationControls();
    switch (uniform(0, 1)) {
    case 0: {
        const int value = uniform(controls->trSlider->minimum() - 10, controls->trSlider->maximum() + 10);
        log(QStringLiteral("  TR slider to %1").arg(value));
        controls->trSlider->setValue(value);
        break;
    }
    default: {
        const int index = uniform(0, controls->speedBox->count() - 1);
        log(QStringLiteral("  speed box to %1").arg(index));
        controls->speedBox->setCurrentIndex(index);
        break;
    }
    }
}

void SoakUser::toggleLevelDialog()
{
    if (uniform(0, 1) == 0) {
        if (QAction *level = commandNamed(QStringLiteral("&Level and Width")))
            trigger(level);
        return;
    }
    const QList<LevelCont *> dialogs = window.findChildren<LevelCont *>();
    if (dialogs.isEmpty())
        return;
    LevelCont *dialog = pick(dialogs);
    log(QStringLiteral("  close level dialog \"%1\"").arg(dialog->windowTitle()));
    dialog->closeButton->click();
}

void SoakUser::editLevelDialog()
{
    QList<LevelCont *> dialogs;
    for (LevelCont *dialog : window.findChildren<LevelCont *>()) {
        if (dialog->isVisible())
            dialogs.append(dialog);
    }
    if (dialogs.isEmpty())
        return;
    LevelCont *dialog = pick(dialogs);
    static const QStringList texts{QStringLiteral("0"), QStringLiteral("-1"), QStringLiteral("abc"), QString(),
                                   QStringLiteral("1e308"), QStringLiteral("-1e308"), QStringLiteral("nan"),
                                   QStringLiteral("2147483648"), QStringLiteral("12.5")};
    switch (uniform(0, 7)) {
    case 0:
    case 1: {
        QLineEdit *field = uniform(0, 1) ? dialog->levelEdit : dialog->widthEdit;
        const QString text = uniform(0, 2) ? QString::number(uniform(-5000, 10000)) : pick(texts);
        log(QStringLiteral("  type '%1' into %2").arg(text, field->objectName()));
        field->setText(text);
        break;
    }
    case 2:
    case 3: {
        QSlider *slider = uniform(0, 1) ? dialog->levelSlider : dialog->widthSlider;
        const int span = std::max(1, slider->maximum() - slider->minimum());
        const int value = uniform(slider->minimum() - span / 10, slider->maximum() + span / 10);
        log(QStringLiteral("  %1 to %2").arg(slider->objectName()).arg(value));
        slider->setValue(value);
        break;
    }
    case 4:
        log(QStringLiteral("  Auto"));
        dialog->autoButton->click();
        break;
    case 5: {
        QCheckBox *box = uniform(0, 1) ? dialog->histoBox : dialog->invertBox;
        log(QStringLiteral("  toggle %1").arg(box->objectName()));
        box->click();
        break;
    }
    default: {
        QWidget *histogram = dialog->histogramView();
        if (!histogram)
            return;
        QPoint point = randomPointIn(histogram);
        QString path = describe(point);
        QPointer<QWidget> guard(histogram);
        sendMouse(histogram, QEvent::MouseButtonPress, point, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        for (int i = uniform(1, 4); i > 0 && guard; --i) {
            point += QPoint(uniform(-60, 60), uniform(-20, 20));
            path += QStringLiteral(" -> ") + describe(point);
            sendMouse(histogram, QEvent::MouseMove, point, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        }
        if (guard)
            sendMouse(histogram, QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        log(QStringLiteral("  drag on histogram %1").arg(path));
        break;
    }
    }
}

void SoakUser::resizeWindow()
{
    QWidget *target = &window;
    if (QMdiArea *area = window.documentArea(); area && !area->subWindowList().isEmpty() && uniform(0, 1))
        target = pick(area->subWindowList());
    const QSize size(uniform(1, 1400), uniform(1, 1000));
    log(QStringLiteral("  resize %1 to %2x%3")
            .arg(target == &window ? QStringLiteral("main window") : target->windowTitle())
            .arg(size.width())
            .arg(size.height()));
    target->resize(size);
}

void SoakUser::wait()
{
    const int ms = uniform(1, 40);
    log(QStringLiteral("  %1 ms").arg(ms));
    QTest::qWait(ms);
}
