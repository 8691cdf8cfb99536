#include "app/aboutbox.h"

#include "buildstamp.h"

namespace {

const char *const programVersion = "2.4";

} // namespace

AboutBox::AboutBox(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    setupUi(this);
    // The guide's place is only known at install time, so the link is set here.
    affiliationLabel->setText(
        tr("Written by the Relaxon contributors. Read the <a href=\"%1\">Relaxon user guide</a> "
           "installed with the program.")
            .arg(QStringLiteral(RELAXON_USER_GUIDE_URL)));
    versionLabel->setText(versionText());
    for (QLabel *label : {webLabel, affiliationLabel}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse
                                       | Qt::LinksAccessibleByKeyboard);
        label->setOpenExternalLinks(true);
    }
}

QString AboutBox::versionText()
{
    return QString::asprintf("%s\n%s; %s", programVersion, RELAXON_BUILD_DATE, RELAXON_BUILD_TIME);
}
