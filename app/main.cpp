#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/relaxon.h"
#include "app/resourceregistry.h"

#include <QFileInfo>
#include <QIcon>

#include <cstdio>

namespace {

QStringList rawArguments(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

} // namespace

int main(int argc, char **argv)
{
    // Answered before the toolkit starts, so that they work without a display.
    const QStringList rawArgs = rawArguments(argc, argv);
    const InfoRequest info = findInfoRequest(rawArgs);
    if (info != InfoRequest::None) {
        const QString text = info == InfoRequest::Help
            ? usageText(QFileInfo(rawArgs.value(0, QStringLiteral("relaxon"))).fileName())
            : versionText();
        std::fputs(text.toUtf8().constData(), stdout);
        return 0;
    }

    registerCompiledResources();

    int exitCode = 0;
    {
        // Qt 6 always scales for high DPI; nothing to switch on before the object exists.
        Relaxon app(argc, argv);

        // Qt has taken its own options out of the list by now.
        const QStringList args = QCoreApplication::arguments();

        const QIcon logo(QStringLiteral(":/logo/mrilogo_32px.png"));
        QApplication::setWindowIcon(logo);
        {
            MainWindow mainWin;
            if (QCoreApplication::applicationName().startsWith(QLatin1String("zelmo")))
                mainWin.fileExtension = QStringLiteral("zlm");
            mainWin.show();
            mainWin.setWindowIcon(logo);
            app.mainWindow = &mainWin;

            Session &session = mainWin.session();
            CommandLineTarget target{session.recording.te, session.recording.tr,
                                     session.recording.tp, session.recording.technique,
                                     session.allowMaps, session.allowDti,
                                     mainWin.fileExtension, session.unitsLabel,
                                     [&mainWin](const QString &name) { mainWin.loadFile(name); }};
            processCommandLine(args, target, stdout);

            exitCode = app.exec();
            // The window goes first, with its case; the application object follows.
            app.mainWindow = nullptr;
        }
    }
    return exitCode;
}
