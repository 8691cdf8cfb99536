#ifndef RELAXON_TESTS_TIMINGANSWER_H
#define RELAXON_TESTS_TIMINGANSWER_H

#include "dialogs/tetr.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

// An answer for ModalDriver: fills a timing dialog with the given times, lets more
// adjust it, then presses OK (or Cancel).
inline std::function<void(QWidget *)> answerTiming(const QString &te, const QString &tr, bool ok = true,
                                                   std::function<void(TeTr &)> more = {})
{
    return [=](QWidget *modal) {
        auto *dialog = qobject_cast<TeTr *>(modal);
        if (!dialog)
            return;
        dialog->teEdit->setText(te);
        dialog->trEdit->setText(tr);
        if (more)
            more(*dialog);
        QTest::mouseClick(ok ? dialog->hupButton : dialog->cancelButton, Qt::LeftButton);
    };
}

#endif
