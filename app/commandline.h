#ifndef RELAXON_APP_COMMANDLINE_H
#define RELAXON_APP_COMMANDLINE_H

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <functional>

// Where the command line writes: the main window's recording parameters and
// switches, bound by reference so that options take effect in the order given, and
// the loader that every case argument is handed to.
struct CommandLineTarget
{
    std::int32_t &te;
    std::int32_t &tr;
    std::int32_t &tp;
    std::int32_t &technique;
    bool &allowMaps;
    bool &allowDti;
    QString &fileExtension;
    QString &unitsLabel;
    std::function<void(const QString &)> loadCase;
};

enum class InfoRequest { None, Help, Version };

// The integer value of an option argument: base-10, surrounding blanks allowed;
// text that does not convert or lies outside the 32-bit range gives 0.
std::int32_t optionInteger(const QString &text);

// Walks args[1..] with the same option rules as processCommandLine, without acting,
// and reports whether "--help" or "--version" stands where an option is expected
// (so "-unit --help" is a unit name, not a request for help).
InfoRequest findInfoRequest(const QStringList &args);

// Processes args[1..] (args[0] is the program): echoes each argument taken as
// "<index> <text>" on echo (flushed at once, so a pipe sees it while the program
// runs), applies options to target and hands every argument without a leading
// minus sign to target.loadCase. Options are recognised by their endings; see the
// manual page for the table.
void processCommandLine(const QStringList &args, CommandLineTarget &target, std::FILE *echo);

// The text printed by --help and --version.
QString usageText(const QString &programName);
QString versionText();

#endif
