#ifndef RELAXON_TESTS_MODALDRIVER_H
#define RELAXON_TESTS_MODALDRIVER_H

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

// Answers modal widgets for a test: while armed, every turn of the event loop looks
// at the active modal widget and hands each new one to the answer function, which
// fills it in and closes it. Message boxes are recorded and closed with OK.
class ModalDriver
{
public:
    struct Message
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    };

    explicit ModalDriver(std::function<void(QWidget *)> answer = {}) : answer(std::move(answer))
    {
        QObject::connect(&poll, &QTimer::timeout, [this] { look(); });
        poll.start(0);
    }

    QList<Message> messages;
    int answered = 0;

private:
    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || handled.contains(modal))
            return;
        handled.append(modal);
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            messages.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
            box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
            return;
        }
        ++answered;
        // Answered from its own event, so that a message box the answer provokes is
        // seen by the next poll (a timer does not fire again inside its own slot).
        if (answer)
            QTimer::singleShot(0, modal, [this, modal] { answer(modal); });
    }

    std::function<void(QWidget *)> answer;
    QTimer poll;
    QList<QPointer<QWidget>> handled;
};

#endif
