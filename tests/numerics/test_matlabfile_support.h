#ifndef RELAXON_TESTS_MATLABFILE_SUPPORT_H
#define RELAXON_TESTS_MATLABFILE_SUPPORT_H

#include <unistd.h>

#include <cstdio>
#include <string>

// Collects what the code under test prints on standard output, where the MAT-file
// operations put their messages. Nothing else may print while it runs.
class StdoutCapture
{
public:
    StdoutCapture()
    {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        sink = std::tmpfile();
        if (sink)
            dup2(fileno(sink), STDOUT_FILENO);
    }

    ~StdoutCapture() { finish(); }

    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    // Restores standard output and returns what was printed since construction.
    std::string finish()
    {
        if (!sink)
            return text;
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        std::rewind(sink);
        char buffer[512];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, sink)) > 0)
            text.append(buffer, got);
        std::fclose(sink);
        sink = nullptr;
        return text;
    }

private:
    int saved = -1;
    std::FILE *sink = nullptr;
    std::string text;
};

// The three lines every MAT-file operation prints when the library is missing.
inline std::string unavailableMessage(const std::string &fileName)
{
    return "\nError opening matlab file " + fileName
        + "\nDynamic libraries for reading matlab files not available\n"
          "Please ask my maker for instruction how to install them\n\n";
}

#endif
