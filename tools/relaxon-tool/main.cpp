#include "commands.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

struct Command
{
    const char *name;
    const char *arguments;
    int (*run)(int argc, char **argv);
};

// New commands are one line here and one file of their own.
constexpr Command commands[] = {
    {"info", "FILE", runInfo},
    {"dump", "FILE", runDump},
    {"convert", "IN OUT --to binary|text [--tail TAILFILE]", runConvert},
    {"simulate",
     "CASE --te N --tr N [--tp N] [--technique N] [--angle N]"
     " [--noise [--nex N] [--bandwidth HZ] [--slice MM] [--etl N] [--seed N]] -o OUT.mri|OUT.png",
     runSimulate},
    {"fmri-stats", "CASE -o OUT.mri", runFmriStats},
    {"import", "(--pd PD --t1 T1 --t2 T2 [--tensor DT] | --labels SEG | --pve CSF,GM,WM) [options] -o CASE.mri",
     runImport},
};

void printUsage(std::FILE *stream)
{
    std::fputs("usage: relaxon-tool", stream);
    const char *separator = " ";
    for (const Command &command : commands) {
        std::fprintf(stream, "%s%s %s", separator, command.name, command.arguments);
        separator = " | ";
    }
    std::fputc('\n', stream);
}

} // namespace

int failWith(const char *format, ...)
{
    std::fputs("relaxon-tool: ", stderr);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
    return 1;
}

int failReading(const char *fileName)
{
    std::fputc('\n', stderr);
    return failWith("cannot read %s", fileName);
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        printUsage(stderr);
        return 1;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage(stdout);
        return 0;
    }
    for (const Command &command : commands)
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(argc - 2, argv + 2);
    printUsage(stderr);
    return 1;
}
