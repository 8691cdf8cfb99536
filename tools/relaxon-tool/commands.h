#ifndef RELAXON_TOOLS_COMMANDS_H
#define RELAXON_TOOLS_COMMANDS_H

// The commands of relaxon-tool. Each receives the arguments after its own name and
// returns the process exit status: 0 on success, 1 after writing one line to stderr.

int runInfo(int argc, char **argv);
int runDump(int argc, char **argv);
int runConvert(int argc, char **argv);
int runSimulate(int argc, char **argv);
int runFmriStats(int argc, char **argv);
int runImport(int argc, char **argv);

// One line on stderr, prefixed with the program name; returns 1.
int failWith(const char *format, ...) __attribute__((format(printf, 1, 2)));

// "cannot read FILE" on a line of its own: the matrix library's diagnostics before
// it end without a line end.
int failReading(const char *fileName);

#endif
