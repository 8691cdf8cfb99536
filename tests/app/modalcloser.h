#ifndef RELAXON_TESTS_APP_MODALCLOSER_H
#define RELAXON_TESTS_APP_MODALCLOSER_H

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>

// Answers the next modal dialog from inside its own event loop: calls inspect on it
// and then accepts it, so that code which runs a dialog with exec() can be tested.
class ModalCloser : public QObject
{
public:
    explicit ModalCloser(std::function<void(QDialog *)> inspect)
        : inspect(std::move(inspect))
    {
        connect(&poll, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll.stop();
            seen = true;
            this->inspect(dialog);
            dialog->accept();
        });
        poll.start(0);
    }

    bool seen = false;

private:
    std::function<void(QDialog *)> inspect;
    QTimer poll;
};

#endif
