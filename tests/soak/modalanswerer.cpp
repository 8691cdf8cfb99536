#include "modalanswerer.h"

#include "dialogs/tetr.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

namespace {

// After this many refused answers a dialog is cancelled, as a user would give up.
constexpr int maxTries = 4;

} // namespace

ModalAnswerer::ModalAnswerer(std::mt19937 &random, QStringList openableFiles,
                             std::function<void(const QString &)> log)
    : random(random), openableFiles(std::move(openableFiles)), log(std::move(log))
{
    poll.setInterval(0);
    connect(&poll, &QTimer::timeout, this, &ModalAnswerer::look);
    poll.start();
}

QStringList ModalAnswerer::takeMessages()
{
    return std::exchange(messages, {});
}

QString ModalAnswerer::takeChosenFile()
{
    return std::exchange(chosenFile, {});
}

bool ModalAnswerer::chance(int percent)
{
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
}

void ModalAnswerer::look()
{
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
}

void ModalAnswerer::answer(QWidget *modal)
{
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        messages.append(box->text());
        const QList<QAbstractButton *> buttons = box->buttons();
        if (buttons.isEmpty()) {
            box->reject();
        } else {
            QAbstractButton *button = buttons.at(std::uniform_int_distribution<qsizetype>(0, buttons.size() - 1)(random));
            log(QStringLiteral("  message \"%1\" -> %2").arg(box->text().left(60), button->text()));
            button->click();
        }
        return;
    }

    int count = 0;
    for (auto &entry : tries) {
        if (entry.first == modal)
            count = ++entry.second;
    }
    tries.removeIf([](const auto &entry) { return entry.first.isNull(); });
    if (count == 0) {
        tries.append({modal, 1});
        count = 1;
    }
    const bool giveUp = count > maxTries;

    if (qobject_cast<TeTr *>(modal))
        answerTiming(modal, giveUp);
    else if (qobject_cast<QFileDialog *>(modal))
        answerFileDialog(modal);
    else
        answerOther(modal);
}

QString ModalAnswerer::randomFieldText(int low, int high)
{
    static const QStringList junk{QString(), QStringLiteral("abc"), QStringLiteral("-"),
                                  QStringLiteral("1e309"), QStringLiteral("nan"), QStringLiteral("inf"),
                                  QStringLiteral(" 40 "), QStringLiteral("12,5"), QStringLiteral("0x20"),
                                  QStringLiteral("99999999999999999999"), QString::fromUtf8("\u0664\u0660"),
                                  QStringLiteral("-0"), QStringLiteral("3.7"), QStringLiteral("0")};
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    if (kind < 6)
        return QString::number(std::uniform_int_distribution<int>(low, high)(random));
    if (kind < 8)
        return QString::number(std::uniform_int_distribution<int>(-2 * high, 3 * high)(random));
    return junk.at(std::uniform_int_distribution<qsizetype>(0, junk.size() - 1)(random));
}

void ModalAnswerer::answerTiming(QWidget *modal, bool giveUp)
{
    auto *dialog = static_cast<TeTr *>(modal);
    if (giveUp || chance(10)) {
        log(QStringLiteral("  timing -> cancel"));
        dialog->cancelButton->click();
        return;
    }
    dialog->teEdit->setText(randomFieldText(TeTr::teMinimum, TeTr::teMaximum));
    dialog->trEdit->setText(randomFieldText(TeTr::trMinimum, TeTr::trMaximum));
    if (dialog->tpCheck->isVisible() && chance(50)) {
        dialog->tpCheck->click();
        dialog->tpEdit->setText(randomFieldText(TeTr::tpMinimum, TeTr::tpMaximum));
    }
    if (dialog->dtiFrame->isVisible()) {
        const QList<QAbstractButton *> buttons = dialog->dtiButtonGroup->buttons();
        if (!buttons.isEmpty() && chance(60))
            buttons.at(std::uniform_int_distribution<qsizetype>(0, buttons.size() - 1)(random))->click();
        dialog->dtiDial->setValue(std::uniform_int_distribution<int>(-5, TeTr::dialPositions + 5)(random));
    }
    log(QStringLiteral("  timing te='%1' tr='%2' tp='%3'%4 technique %5 dial %6 -> OK")
            .arg(dialog->teEdit->text(), dialog->trEdit->text(), dialog->tpEdit->text(),
                 dialog->tpCheck->isChecked() ? QStringLiteral(" prepulse") : QString())
            .arg(dialog->dtiButtonGroup->checkedId())
            .arg(dialog->dtiDial->value()));
    dialog->hupButton->click();
}

void ModalAnswerer::answerFileDialog(QWidget *modal)
{
    auto *dialog = static_cast<QFileDialog *>(modal);
    if (openableFiles.isEmpty() || chance(20)) {
        log(QStringLiteral("  file dialog -> cancel"));
        dialog->reject();
        return;
    }
    const QString file = openableFiles.at(std::uniform_int_distribution<qsizetype>(0, openableFiles.size() - 1)(random));
    log(QStringLiteral("  file dialog -> %1").arg(file));
    // Typed into the name field, as a user would; the dialog checks it on accepting.
    const QFileInfo info(file);
    dialog->setDirectory(info.absolutePath());
    if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        name->setText(info.fileName());
    static_cast<QDialog *>(dialog)->accept();
    if (dialog->isVisible()) {
        // A name the dialog refuses leaves it open; cancelling then is what a user does.
        dialog->reject();
    } else {
        chosenFile = file;
    }
}

void ModalAnswerer::answerOther(QWidget *modal)
{
    auto *dialog = qobject_cast<QDialog *>(modal);
    const QList<QLineEdit *> fields = modal->findChildren<QLineEdit *>();
    for (QLineEdit *field : fields)
        field->setText(randomFieldText(0, 1000));
    const bool accept = chance(50);
    log(QStringLiteral("  dialog %1 -> %2").arg(QString::fromLatin1(modal->metaObject()->className()),
                                                 accept ? QStringLiteral("accept") : QStringLiteral("reject")));
    if (!dialog)
        modal->close();
    else if (accept)
        dialog->accept();
    else
        dialog->reject();
}
