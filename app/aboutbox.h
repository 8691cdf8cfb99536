#ifndef RELAXON_APP_ABOUTBOX_H
#define RELAXON_APP_ABOUTBOX_H

#include "ui_aboutbox.h"

#include <QDialog>

// The Help menu's About box: logo, description, version with build stamp, the
// makers, acknowledgements and the licence.
class AboutBox : public QDialog, public Ui::AboutBox
{
    Q_OBJECT

public:
    explicit AboutBox(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    // "2.4", a line break, then "<build date>; <build time>".
    static QString versionText();
};

#endif
