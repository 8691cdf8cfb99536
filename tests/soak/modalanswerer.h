#ifndef RELAXON_TESTS_SOAK_MODALANSWERER_H
#define RELAXON_TESTS_SOAK_MODALANSWERER_H

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <random>

// Answers every modal dialog the program opens the way a careless user would: from
// a timer that runs inside the dialog's own event loop it types random text, valid
// or not, into the dialog's fields and then accepts or rejects it. A dialog that
// keeps refusing what it is given is rejected after a few tries. Message boxes get
// a random one of their buttons and are remembered, so that the soak test can tell
// a refused case file from a loaded one.
class ModalAnswerer : public QObject
{
public:
    ModalAnswerer(std::mt19937 &random, QStringList openableFiles,
                  std::function<void(const QString &)> log);

    // Texts of the message boxes answered since the last call.
    QStringList takeMessages();
    // The file last chosen in a file dialog, or empty; cleared by the call.
    QString takeChosenFile();

private:
    void look();
    void answer(QWidget *modal);
    void answerTiming(QWidget *dialog, bool giveUp);
    void answerFileDialog(QWidget *dialog);
    void answerOther(QWidget *dialog);
    QString randomFieldText(int low, int high);
    bool chance(int percent);

    std::mt19937 &random;
    QStringList openableFiles;
    std::function<void(const QString &)> log;
    QTimer poll;
    // The modal widget whose answer is on its way, and how often each was answered.
    QPointer<QWidget> pending;
    QList<QPair<QPointer<QWidget>, int>> tries;
    QStringList messages;
    QString chosenFile;
};

#endif
