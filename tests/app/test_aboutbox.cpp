#include "app/aboutbox.h"
#include "app/mainwindow.h"
#include "app/resourceregistry.h"
#include "modalcloser.h"
#include "testrunner.h"

#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class AboutBoxTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void formHasItsSizes();
    void formNamesItsWidgets();
    void versionLabelHasVersionAndBuildStamp();
    void logoIsShown();
    void linksOpenInBrowser();
    void okButtonAccepts();
    void keysClose_data();
    void keysClose();
    void aboutCommandShowsBoxWithoutHelpButton();

private:
    QTemporaryDir settingsDir;
};

void AboutBoxTest::initTestCase()
{
    registerCompiledResources();
    QVERIFY(settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
}

void AboutBoxTest::formHasItsSizes()
{
    AboutBox box;
    QCOMPARE(box.size(), QSize(464, 482));
    QCOMPARE(box.minimumSize(), QSize(314, 330));
    QVERIFY(box.isSizeGripEnabled());
    QVERIFY(box.isModal());
    QCOMPARE(box.windowTitle(), QStringLiteral("About Relaxon"));
    box.show();
    box.resize(100, 100);
    QCOMPARE(box.size(), QSize(314, 330));
}

void AboutBoxTest::formNamesItsWidgets()
{
    AboutBox box;
    for (const char *name : {"label", "TextLabel1_2", "TextLabel1_3", "versionLabel", "affiliationLabel",
                             "TextLabel1_4", "webLabel"})
        QVERIFY2(box.findChild<QLabel *>(QLatin1String(name)), name);
    QVERIFY(box.findChild<QPushButton *>(QStringLiteral("buttonOk_2")));
    QCOMPARE(box.TextLabel1_3->text(), QStringLiteral("Version:<br>\nRelease:"));
    QVERIFY(box.TextLabel1_2->text().startsWith(QStringLiteral("Relaxon demonstrates how the settings")));
    QVERIFY(box.TextLabel1_2->text().endsWith(QLatin1Char('\t')));
    QVERIFY(box.TextLabel1_4->text().startsWith(QStringLiteral("<i>Acknowledgements:</i><br>")));
    QCOMPARE(box.buttonOk_2->whatsThis(), QStringLiteral("Closes this dialog box"));
    QVERIFY(box.buttonOk_2->isDefault());
    QVERIFY(box.inherits("Ui::AboutBox"));
}

void AboutBoxTest::versionLabelHasVersionAndBuildStamp()
{
    AboutBox box;
    const QStringList lines = box.versionLabel->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), QStringLiteral("2.4"));
    static const QRegularExpression stamp(QStringLiteral(
        "^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [1-9][0-9]? [0-9]{4}; [0-2][0-9]:[0-5][0-9]:[0-6][0-9]$"));
    QVERIFY2(stamp.match(lines.at(1)).hasMatch(), qPrintable(lines.at(1)));
}

void AboutBoxTest::logoIsShown()
{
    AboutBox box;
    const QPixmap logo = box.label->pixmap();
    QCOMPARE(logo.size(), QSize(128, 128));
    QVERIFY(box.label->text().isEmpty());
}

void AboutBoxTest::linksOpenInBrowser()
{
    AboutBox box;
    const Qt::TextInteractionFlags wanted =
        Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard;
    for (QLabel *label : {box.webLabel, box.affiliationLabel}) {
        QCOMPARE(label->textInteractionFlags(), wanted);
        QVERIFY(label->openExternalLinks());
        QCOMPARE(label->text().count(QStringLiteral("<a href=")), 1);
        QVERIFY(!label->whatsThis().isEmpty());
    }
    QVERIFY(box.webLabel->text().contains(QStringLiteral("https://opensource.org/license/mit")));
    // Installed or not, the link leads to a guide that is there.
    const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
    const QUrl guide(href.match(box.affiliationLabel->text()).captured(1));
    QVERIFY(guide.isLocalFile());
    QCOMPARE(QFileInfo(guide.toLocalFile()).fileName(), QStringLiteral("user-guide.md"));
    QVERIFY(QFileInfo::exists(guide.toLocalFile()));
}

void AboutBoxTest::okButtonAccepts()
{
    AboutBox box;
    box.show();
    QTest::mouseClick(box.buttonOk_2, Qt::LeftButton);
    QCOMPARE(box.result(), int(QDialog::Accepted));
    QVERIFY(!box.isVisible());
}

void AboutBoxTest::keysClose_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("enter presses OK") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("escape rejects") << int(Qt::Key_Escape) << int(QDialog::Rejected);
}

void AboutBoxTest::keysClose()
{
    QFETCH(int, key);
    QFETCH(int, result);
    AboutBox box;
    box.setResult(-1);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key(key));
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), result);
}

void AboutBoxTest::aboutCommandShowsBoxWithoutHelpButton()
{
    MainWindow window;
    QAction *about = nullptr;
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->text() == QStringLiteral("&About..."))
            about = action;
    }
    QVERIFY(about);
    bool isAboutBox = false;
    bool hasHelpHint = true;
    QWidget *parent = nullptr;
    ModalCloser closer([&](QDialog *dialog) {
        isAboutBox = qobject_cast<AboutBox *>(dialog) != nullptr;
        hasHelpHint = dialog->windowFlags().testFlag(Qt::WindowContextHelpButtonHint);
        parent = dialog->parentWidget();
    });
    about->trigger();
    QVERIFY(closer.seen);
    QVERIFY(isAboutBox);
    QVERIFY(!hasHelpHint);
    QCOMPARE(parent, &window);
    // The box lived only while it was shown.
    QVERIFY(window.findChildren<AboutBox *>().isEmpty());
}

RELAXON_TEST_CLASS(AboutBoxTest)
#include "test_aboutbox.moc"
