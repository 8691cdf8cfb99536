#include "commands.h"
#include "loadedmatrix.h"

#include <cmath>
#include <cstdio>

int runDump(int argc, char **argv)
{
    if (argc != 1)
        return failWith("usage: relaxon-tool dump FILE");
    LoadedMatrix loaded;
    if (!loadMatrix(argv[0], false, &loaded))
        return failReading(argv[0]);
    for (int32 i = 1; i <= loaded.rows; ++i) {
        for (int32 j = 1; j <= loaded.cols; ++j) {
            if (j > 1)
                std::fputc(' ', stdout);
            const double value = loaded.values[i][j];
            // printf would write "-nan" for some NaNs; every NaN reads back as one.
            if (std::isnan(value))
                std::fputs("nan", stdout);
            else
                std::printf("%.17g", value);
        }
        std::fputc('\n', stdout);
    }
    if (loaded.tail) {
        std::puts("--- tail");
        printTailLines(stdout, loaded.tailLength, loaded.tail);
    }
    return std::fflush(stdout) == 0 ? 0 : failWith("cannot write to standard output");
}
