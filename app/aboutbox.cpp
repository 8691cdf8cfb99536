#include "app/aboutbox.h"

#include "buildstamp.h"

#include <QFileInfo>
#include <QUrl>

namespace {

const char *const programVersion = "2.4";

// The installed guide; a program that runs from its build tree has none installed
// and links the guide of the source tree it was built from.
QString userGuideUrl()
{
    const QString installed = QStringLiteral(RELAXON_USER_GUIDE_PATH);
    const QString source = QStringLiteral(RELAXON_SOURCE_USER_GUIDE_PATH);
    const bool useSource = !QFileInfo::exists(installed) && QFileInfo::exists(source);
    return QUrl::fromLocalFile(useSource ? source : installed).toString(QUrl::FullyEncoded);
}

} // namespace

AboutBox::AboutBox(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    setupUi(this);
    // The guide's place is only known when the program runs, so the link is set here.
    affiliationLabel->setText(
        tr("Written by the Relaxon contributors. Read the <a href=\"%1\">Relaxon user guide</a>.")
            .arg(userGuideUrl()));
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
