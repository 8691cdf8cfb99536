#include "commands.h"
#include "loadedmatrix.h"

#include <cstdio>

namespace {

// The variant as the header reader sees it; null when the file is not recognised.
const char *variantName(const char *fileName, bool *swapped)
{
    // Built-in cases are raw float files in the machine's byte order.
    *swapped = false;
    if (isResourceName(fileName))
        return "raw float";
    std::FILE *file = std::fopen(fileName, "rb");
    if (!file)
        return nullptr;
    int32 rows = 0, cols = 0, maxCount = 0;
    int isText = 0, isFloat = 0, swap = 0, isMatlab = 0;
    const long offset = readMatrixHeader(file, &rows, &cols, &maxCount, &isText, &isFloat, &swap,
                                         &isMatlab);
    std::fclose(file);
    *swapped = swap != 0;
    if (isMatlab)
        return "matlab";
    if (offset <= 0)
        return nullptr;
    if (isText)
        return maxCount > 0 ? "text sparse" : "text dense";
    if (maxCount > 0)
        return "binary sparse";
    // Raw float files have no header beyond the two dimensions.
    if (isFloat)
        return offset == 8 ? "raw float" : "binary dense float";
    return "binary dense double";
}

} // namespace

int runInfo(int argc, char **argv)
{
    if (argc != 1)
        return failWith("usage: relaxon-tool info FILE");
    const char *fileName = argv[0];
    bool swapped = false;
    const char *variant = variantName(fileName, &swapped);
    LoadedMatrix loaded;
    if (!variant || !loadMatrix(fileName, false, &loaded))
        return failReading(fileName);
    std::printf("variant: %s\n", variant);
    std::printf("byte-swapped: %s\n", swapped ? "yes" : "no");
    std::printf("rows: %d\n", loaded.rows);
    std::printf("cols: %d\n", loaded.cols);
    if (loaded.tail) {
        std::printf("tail:\n");
        printTailLines(stdout, loaded.tailLength, loaded.tail);
    }
    return 0;
}
