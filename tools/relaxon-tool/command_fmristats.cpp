#include "commands.h"
#include "loadedcase.h"

#include "numerics/matrixfile.h"

#include <cstring>

int runFmriStats(int argc, char **argv)
{
    const char *caseName = nullptr;
    const char *output = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc && !output)
            output = argv[++i];
        else if (!caseName && (argv[i][0] != '-' || argv[i][1] == '\0'))
            caseName = argv[i];
        else
            return failWith("usage: relaxon-tool fmri-stats CASE -o OUT.mri");
    }
    if (!caseName || !output)
        return failWith("usage: relaxon-tool fmri-stats CASE -o OUT.mri");

    LoadedCase loaded;
    if (!loadCase(caseName, &loaded))
        return failWith("cannot read %s", caseName);
    const CaseData &data = loaded.data;
    if (data.frames == 0)
        return failWith("%s is not a functional case", caseName);
    if (!data.tValue)
        return failWith("not enough memory for the statistics of %s", caseName);
    const int32 width = data.cols / data.frames;
    if (putmatrix(output, data.tValue, data.rows, width, 0, nullptr, nullptr, nullptr) != 1)
        return failWith("cannot write %s", output);
    return 0;
}
