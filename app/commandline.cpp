#include "app/commandline.h"

namespace {

enum class OptionAction {
    Skip,
    AllowMaps,
    Te,
    Tr,
    Tp,
    Technique,
    AllowDti,
    FileExtension,
    UnitsLabel,
    Ignore,
};

// The first matching row decides, so overlapping endings resolve in this order:
// "-te" is an echo time, never a file extension, and anything starting "-p" other
// than "-plugin" switches the maps on.
OptionAction classifyOption(const QString &arg)
{
    if (arg.startsWith(QLatin1String("-plugin")))
        return OptionAction::Skip;
    if (arg.size() > 1 && arg.at(1) == QLatin1Char('p'))
        return OptionAction::AllowMaps;
    if (arg.endsWith(QLatin1String("te")))
        return OptionAction::Te;
    if (arg.endsWith(QLatin1String("tr")))
        return OptionAction::Tr;
    if (arg.endsWith(QLatin1String("tp")))
        return OptionAction::Tp;
    if (arg.endsWith(QLatin1String("dti")))
        return OptionAction::Technique;
    if (arg.endsWith(QLatin1Char('g')))
        return OptionAction::AllowDti;
    if (arg.endsWith(QLatin1String("ext")) || arg.endsWith(QLatin1Char('e')))
        return OptionAction::FileExtension;
    if (arg.endsWith(QLatin1String("unit")) || arg.endsWith(QLatin1Char('u')))
        return OptionAction::UnitsLabel;
    return OptionAction::Ignore;
}

int argumentsConsumed(OptionAction action)
{
    switch (action) {
    case OptionAction::AllowMaps:
    case OptionAction::AllowDti:
    case OptionAction::Ignore:
        return 1;
    default:
        return 2;
    }
}

bool isOption(const QString &arg)
{
    return arg.startsWith(QLatin1Char('-'));
}

} // namespace

std::int32_t optionInteger(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

InfoRequest findInfoRequest(const QStringList &args)
{
    for (qsizetype i = 1; i < args.size();) {
        const QString &arg = args.at(i);
        if (!isOption(arg)) {
            ++i;
            continue;
        }
        if (arg == QLatin1String("--help"))
            return InfoRequest::Help;
        if (arg == QLatin1String("--version"))
            return InfoRequest::Version;
        i += argumentsConsumed(classifyOption(arg));
    }
    return InfoRequest::None;
}

void processCommandLine(const QStringList &args, CommandLineTarget &target, std::FILE *echo)
{
    for (qsizetype i = 1; i < args.size();) {
        const QString &arg = args.at(i);
        if (echo) {
            std::fprintf(echo, "%d %s\n", int(i), arg.toUtf8().constData());
            std::fflush(echo);
        }
        if (!isOption(arg)) {
            target.loadCase(arg);
            ++i;
            continue;
        }
        const OptionAction action = classifyOption(arg);
        // A value option given last reads its value as empty text.
        const QString value = i + 1 < args.size() ? args.at(i + 1) : QString();
        switch (action) {
        case OptionAction::Skip:
        case OptionAction::Ignore:
            break;
        case OptionAction::AllowMaps:
            target.allowMaps = true;
            break;
        case OptionAction::Te:
            target.te = optionInteger(value);
            break;
        case OptionAction::Tr:
            target.tr = optionInteger(value);
            break;
        case OptionAction::Tp:
            target.tp = optionInteger(value);
            break;
        case OptionAction::Technique:
            target.technique = optionInteger(value);
            break;
        case OptionAction::AllowDti:
            target.allowDti = true;
            break;
        case OptionAction::FileExtension:
            target.fileExtension = value;
            break;
        case OptionAction::UnitsLabel:
            target.unitsLabel = value;
            break;
        }
        i += argumentsConsumed(action);
    }
}

QString usageText(const QString &programName)
{
    return QStringLiteral(
               "Usage: %1 [options] [case.mri ...]\n"
               "Simulates spin-echo MR images from tissue maps, for teaching.\n"
               "\n"
               "Options are recognised by how they end; the first matching row wins:\n"
               "  -plugin VALUE   ignored, together with its value\n"
               "  -p...           offer hydrogen density, T1 and T2 maps (any option whose\n"
               "                  second character is 'p')\n"
               "  -te MS          echo time offered for the next recording\n"
               "  -tr MS          repetition time offered for the next recording\n"
               "  -tp MS          inversion prepulse time\n"
               "  -dti CODE       diffusion technique: 0 none, 1 single direction, 2 DWI,\n"
               "                  3 ADC, 4 DTI\n"
               "  -g              allow the gradient double-pulse (diffusion imaging)\n"
               "  -ext EXT, -e EXT\n"
               "                  file extension offered by the open dialog (default mri)\n"
               "  -unit NAME, -u NAME\n"
               "                  name of the signal unit (reset by each case load)\n"
               "  --help          show this text and exit\n"
               "  --version       show the version and exit\n"
               "\n"
               "Every other argument is a case file to load. Each processed argument is\n"
               "echoed on standard output as \"<index> <argument>\".\n")
        .arg(programName);
}

QString versionText()
{
    return QStringLiteral("relaxon 2.4\n");
}
