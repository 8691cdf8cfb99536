#include "soakuser.h"

#include "app/mainwindow.h"
#include "dialogs/levelcont.h"
#include "dialogs/tetr.h"
#include "views/animationcontrols.h"
#include "views/levwidview.h"
#include "views/mriview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

#include <iterator>

namespace {

const QString openFromDisk = QStringLiteral("&Open from disk...");

// Ending the program is the one command the soak user never gives.
bool endsTheProgram(const QAction *action)
{
    return action->text() == QLatin1String("E&xit") || action->text() == QLatin1String("&Close");
}

bool loadsACase(const QAction *action)
{
    return action->data().toString().startsWith(QLatin1Char(':')) || action->text() == openFromDisk;
}

} // namespace

SoakUser::SoakUser(MainWindow &window, std::mt19937 &random, QStringList caseFiles,
                   std::function<void(const QString &)> log)
    : window(window), random(random), caseFiles(std::move(caseFiles)), log(std::move(log))
{
    QObject::connect(&poll, &QTimer::timeout, [this] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == pending)
            return;
        pending = modal;
        // Answered from its own event: a message box the answer provokes then runs its
        // loop outside this timer's slot, where the timer can fire again to close it.
        QTimer::singleShot(0, modal, [this, modal] {
            pending = nullptr;
            answer(modal);
        });
    });
    poll.start(0);
}

void SoakUser::act()
{
    struct Action
    {
        const char *name;
        int weight;
        void (SoakUser::*run)();
    };
    static const Action actions[] = {
        {"load case", 4, &SoakUser::loadCase},
        {"menu command", 12, &SoakUser::menuCommand},
        {"named command", 11, &SoakUser::namedCommand},
        {"mouse", 27, &SoakUser::mouse},
        {"wheel", 3, &SoakUser::wheel},
        {"key press", 11, &SoakUser::keyPress},
        {"animation controls", 3, &SoakUser::animationControls},
        {"level dialog", 12, &SoakUser::editLevelDialog},
        {"close or resize", 5, &SoakUser::closeOrResize},
    };
    // Each action's weight is taken at the middle of its unit interval.
    std::discrete_distribution<int> choose(std::size(actions), 0, std::size(actions),
                                           [](double x) { return actions[int(x)].weight; });
    const Action &action = actions[choose(random)];
    log(QString::fromLatin1(action.name));
    attemptedFile.clear();
    messages.clear();
    (this->*action.run)();

    // Now and then a pause, in which the movies' and animations' timers run.
    if (chance(3))
        QTest::qWait(uniform(1, 40));
    QCoreApplication::processEvents();
    // What the commands handed to deleteLater goes, as it would between two events.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    if (!attemptedFile.isEmpty() && !messages.contains(QStringLiteral("Cannot read file %1.").arg(attemptedFile)))
        loadedFile = attemptedFile;
}

void SoakUser::trigger(QAction *action)
{
    log(QStringLiteral("  trigger \"%1\"").arg(action->text()));
    const QString caseName = action->data().toString();
    const bool opensFromDisk = action->text() == openFromDisk;
    action->trigger();
    if (opensFromDisk)
        attemptedFile = std::exchange(chosenFile, {});
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

Qt::KeyboardModifiers SoakUser::randomModifiers()
{
    return pick(QList<Qt::KeyboardModifiers>{Qt::NoModifier, Qt::NoModifier, Qt::NoModifier, Qt::ShiftModifier,
                                             Qt::ControlModifier, Qt::ShiftModifier | Qt::ControlModifier});
}

// A built-in case, "Open from disk" or a file by name, good or broken.
void SoakUser::loadCase()
{
    QList<QAction *> loads = menuCommands();
    loads.removeIf([](const QAction *action) { return !loadsACase(action); });
    if (!loads.isEmpty() && uniform(0, 2) > 0)
        return trigger(pick(loads));
    attemptedFile = pick(caseFiles);
    log(QStringLiteral("  load %1").arg(attemptedFile));
    window.loadFile(attemptedFile);
}

void SoakUser::menuCommand()
{
    // Case loads have an action of their own; among all commands they would end most
    // sessions before the views had seen much use.
    QList<QAction *> commands = menuCommands();
    commands.removeIf(loadsACase);
    if (!commands.isEmpty())
        trigger(pick(commands));
}

// The commands that change the views' state the most, more often than among all.
void SoakUser::namedCommand()
{
    const QString name = pick(QStringList{QStringLiteral("&Follow Active View"), QStringLiteral("Play &fMRI Movie"),
                                          QStringLiteral("&Animation"), QStringLiteral("&Level and Width")});
    for (QAction *action : menuCommands()) {
        if (action->text() == name)
            return trigger(action);
    }
}

// Presses, moves and releases one after the other from a random point on the
// widget, with the button held from a press (or double click) to the next release.
// A long stride now and then takes a drag out of the widget and the window, as a
// fast hand does.
void SoakUser::gesture(QWidget *widget, const QList<QEvent::Type> &events, Qt::MouseButton button,
                       Qt::KeyboardModifiers modifiers)
{
    QPointer<QWidget> guard(widget);
    QPoint point(uniform(-10, widget->width() + 10), uniform(-10, widget->height() + 10));
    Qt::MouseButtons held;
    for (QEvent::Type type : events) {
        if (!guard)
            return;
        if (type == QEvent::MouseMove && held) {
            const int reach = chance(20) ? 2000 : 40;
            point += QPoint(uniform(-reach, reach), uniform(-reach, reach));
        }
        held = type == QEvent::MouseButtonRelease ? Qt::NoButton : type == QEvent::MouseMove ? held : button;
        log(QStringLiteral("  mouse event %1 button %2 modifiers %3 at (%4, %5)")
                .arg(int(type)).arg(int(button)).arg(int(modifiers)).arg(point.x()).arg(point.y()));
        QMouseEvent event(type, QPointF(point), QPointF(widget->mapToGlobal(point)),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, modifiers);
        QApplication::sendEvent(widget, &event);
    }
}

// A hover, a click, a double click or a drag on a view.
void SoakUser::mouse()
{
    MriView *view = randomView();
    if (!view)
        return;
    using E = QEvent;
    static const QList<QList<E::Type>> gestures{
        {E::MouseMove}, {E::MouseMove}, {E::MouseButtonPress, E::MouseButtonRelease},
        {E::MouseButtonPress, E::MouseButtonRelease, E::MouseButtonDblClick, E::MouseButtonRelease},
        {E::MouseButtonPress, E::MouseMove, E::MouseMove, E::MouseMove, E::MouseButtonRelease}};
    const QList<E::Type> events = pick(gestures);
    log(QStringLiteral("  on %1").arg(view->windowTitle()));
    gesture(view, events, chance(33) ? Qt::RightButton : Qt::LeftButton, randomModifiers());
}

void SoakUser::wheel()
{
    QWidget *target = randomViewOrWindow();
    const QPoint point(uniform(0, target->width()), uniform(0, target->height()));
    const int delta = pick(QList<int>{-720, -120, -15, 15, 120, 720});
    log(QStringLiteral("  wheel %1 at (%2, %3)").arg(delta).arg(point.x()).arg(point.y()));
    QWheelEvent event(QPointF(point), QPointF(target->mapToGlobal(point)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, randomModifiers(), Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

// A shortcut of the program's commands on the main window, or a key with random
// modifiers on a view or the main window.
void SoakUser::keyPress()
{
    QList<QKeyCombination> shortcuts;
    for (QAction *action : window.findChildren<QAction *>()) {
        if (!action->shortcut().isEmpty() && !endsTheProgram(action))
            shortcuts.append(action->shortcut()[0]);
    }
    static const QList<Qt::Key> keys{Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp,
                                     Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End, Qt::Key_Space, Qt::Key_Return,
                                     Qt::Key_Escape, Qt::Key_Plus, Qt::Key_Minus, Qt::Key_L, Qt::Key_A, Qt::Key_1,
                                     Qt::Key_Tab, Qt::Key_F4, Qt::Key_F6};
    const bool shortcut = !shortcuts.isEmpty() && chance(50);
    QWidget *target = shortcut ? &window : randomViewOrWindow();
    const QKeyCombination key = shortcut ? pick(shortcuts) : QKeyCombination(randomModifiers(), pick(keys));
    log(QStringLiteral("  key %1 on \"%2\"").arg(QKeySequence(key).toString(), target->windowTitle()));
    window.activateWindow();
    QCoreApplication::processEvents();
    QTest::keyClick(target, key.key(), key.keyboardModifiers());
    if (key == QKeyCombination(Qt::CTRL, Qt::Key_O))
        attemptedFile = std::exchange(chosenFile, {});
}

void SoakUser::animationControls()
{
    QList<AnimationControls *> all;
    for (MriView *view : window.mdiViews()) {
        if (view->animationControls())
            all.append(view->animationControls());
    }
    if (all.isEmpty())
        return;
    AnimationControls *controls = pick(all);
    const int tr = uniform(controls->trSlider->minimum() - 10, controls->trSlider->maximum() + 10);
    const int speed = uniform(0, controls->speedBox->count() - 1);
    log(QStringLiteral("  TR slider to %1, speed box to %2").arg(tr).arg(speed));
    controls->trSlider->setValue(tr);
    controls->speedBox->setCurrentIndex(speed);
}

// Typing, sliders, Auto, the boxes, Close, or a drag on the histogram.
void SoakUser::editLevelDialog()
{
    QList<LevelCont *> dialogs = window.findChildren<LevelCont *>();
    dialogs.removeIf([](const LevelCont *dialog) { return !dialog->isVisible(); });
    if (dialogs.isEmpty())
        return;
    LevelCont *dialog = pick(dialogs);
    log(QStringLiteral("  in \"%1\"").arg(dialog->windowTitle()));
    const int kind = uniform(0, 6);
    if (kind < 2) {
        QLineEdit *field = pick(QList<QLineEdit *>{dialog->levelEdit, dialog->widthEdit});
        const QString text = randomFieldText(-5000, 10000);
        log(QStringLiteral("  type '%1' into %2").arg(text, field->objectName()));
        field->setText(text);
    } else if (kind < 4) {
        QSlider *slider = pick(QList<QSlider *>{dialog->levelSlider, dialog->widthSlider});
        const int span = std::max(1, slider->maximum() - slider->minimum());
        const int value = uniform(slider->minimum() - span / 10, slider->maximum() + span / 10);
        log(QStringLiteral("  %1 to %2").arg(slider->objectName()).arg(value));
        slider->setValue(value);
    } else if (kind < 6) {
        QAbstractButton *button = pick(QList<QAbstractButton *>{dialog->autoButton, dialog->histoBox,
                                                                dialog->invertBox, dialog->closeButton});
        log(QStringLiteral("  click %1").arg(button->objectName()));
        button->click();
    } else {
        gesture(dialog->histogramView(),
                {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseMove, QEvent::MouseButtonRelease},
                Qt::LeftButton, Qt::NoModifier);
    }
}

// A sub-window closed or resized, or the main window resized.
void SoakUser::closeOrResize()
{
    QList<QWidget *> targets{&window};
    if (QMdiArea *area = window.documentArea()) {
        for (QMdiSubWindow *sub : area->subWindowList())
            targets.append(sub);
    }
    QWidget *target = pick(targets);
    if (target != &window && chance(60)) {
        log(QStringLiteral("  close \"%1\"").arg(target->windowTitle()));
        target->close();
        return;
    }
    const QSize size(uniform(1, 1400), uniform(1, 1000));
    log(QStringLiteral("  resize \"%1\" to %2x%3").arg(target->windowTitle()).arg(size.width()).arg(size.height()));
    target->resize(size);
}

// Message boxes: a random button. Timing dialogs: random times, techniques and dial,
// or Cancel; a dialog that keeps refusing is given up in the end. File dialogs: one
// of the case files typed into the name field. Anything else: random field texts.
void SoakUser::answer(QWidget *modal)
{
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        messages.append(box->text());
        if (box->buttons().isEmpty())
            return box->reject();
        QAbstractButton *button = pick(box->buttons());
        log(QStringLiteral("  message \"%1\" -> %2").arg(box->text().left(60), button->text()));
        return button->click();
    }
    if (qobject_cast<QFileDialog *>(modal))
        return answerFileDialog(modal);
    auto *dialog = qobject_cast<QDialog *>(modal);
    auto *timing = qobject_cast<TeTr *>(modal);
    if (!dialog || chance(timing ? 15 : 50)) {
        log(QStringLiteral("  %1 -> cancel").arg(QString::fromLatin1(modal->metaObject()->className())));
        return dialog ? dialog->reject() : void(modal->close());
    }
    if (!timing) {
        for (QLineEdit *field : modal->findChildren<QLineEdit *>())
            field->setText(randomFieldText(0, 1000));
        log(QStringLiteral("  %1 -> accept").arg(QString::fromLatin1(modal->metaObject()->className())));
        return dialog->accept();
    }
    timing->teEdit->setText(randomFieldText(TeTr::teMinimum, TeTr::teMaximum));
    timing->trEdit->setText(randomFieldText(TeTr::trMinimum, TeTr::trMaximum));
    if (timing->tpCheck->isVisible() && chance(50)) {
        timing->tpCheck->click();
        timing->tpEdit->setText(randomFieldText(TeTr::tpMinimum, TeTr::tpMaximum));
    }
    if (timing->dtiFrame->isVisible()) {
        if (chance(60))
            pick(timing->dtiButtonGroup->buttons())->click();
        timing->dtiDial->setValue(uniform(-5, TeTr::dialPositions + 5));
    }
    log(QStringLiteral("  timing te='%1' tr='%2' tp='%3' prepulse %4 technique %5 dial %6 -> OK")
            .arg(timing->teEdit->text(), timing->trEdit->text(), timing->tpEdit->text())
            .arg(timing->tpCheck->isChecked()).arg(timing->dtiButtonGroup->checkedId()).arg(timing->dtiDial->value()));
    timing->hupButton->click();
}

void SoakUser::answerFileDialog(QWidget *modal)
{
    auto *dialog = static_cast<QFileDialog *>(modal);
    if (chance(20)) {
        log(QStringLiteral("  file dialog -> cancel"));
        return dialog->reject();
    }
    const QFileInfo file(pick(caseFiles));
    log(QStringLiteral("  file dialog -> %1").arg(file.filePath()));
    // Put into the name field, as a user would type it; the dialog checks it on accepting.
    dialog->setDirectory(file.absolutePath());
    dialog->selectFile(file.fileName());
    static_cast<QDialog *>(dialog)->accept();
    // A name the dialog refuses leaves it open; cancelling then is what a user does.
    if (dialog->isVisible())
        dialog->reject();
    else
        chosenFile = file.filePath();
}

QString SoakUser::randomFieldText(int low, int high)
{
    // Empty, words, signs alone, beyond every range, not a number, decimal commas,
    // hexadecimal, Arabic-Indic digits.
    static const QStringList junk = QString::fromUtf8("|abc|-|1e309|nan|inf| 40 |12,5|0x20|99999999999999999999|"
                                                      "\u0664\u0660|-0|3.7|0").split(QLatin1Char('|'));
    const int kind = uniform(0, 9);
    if (kind < 6)
        return QString::number(uniform(low, high));
    return kind < 8 ? QString::number(uniform(-2 * high, 3 * high)) : pick(junk);
}
