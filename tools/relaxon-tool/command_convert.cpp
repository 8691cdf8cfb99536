#include "commands.h"
#include "loadedmatrix.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

// Full precision, so that a conversion to text keeps every value.
constexpr const char *exactTextFormat = " %.17g";

struct ConvertOptions
{
    const char *input = nullptr;
    const char *output = nullptr;
    bool toText = false;
    const char *tailFile = nullptr;
};

bool parseOptions(int argc, char **argv, ConvertOptions *options)
{
    const char *target = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--to") == 0 && i + 1 < argc)
            target = argv[++i];
        else if (std::strcmp(argv[i], "--tail") == 0 && i + 1 < argc)
            options->tailFile = argv[++i];
        else if (argv[i][0] == '-' && argv[i][1] == '-')
            return false;
        else if (!options->input)
            options->input = argv[i];
        else if (!options->output)
            options->output = argv[i];
        else
            return false;
    }
    if (!options->output || !target)
        return false;
    options->toText = std::strcmp(target, "text") == 0;
    return options->toText || std::strcmp(target, "binary") == 0;
}

bool readWholeFile(const char *fileName, std::string *contents)
{
    std::FILE *file = std::fopen(fileName, "rb");
    if (!file)
        return false;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        contents->append(buffer, got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool sameFile(const char *a, const char *b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

} // namespace

int runConvert(int argc, char **argv)
{
    ConvertOptions options;
    if (!parseOptions(argc, argv, &options))
        return failWith("usage: relaxon-tool convert IN OUT --to binary|text [--tail TAILFILE]");
    LoadedMatrix loaded;
    if (!loadMatrix(options.input, true, &loaded))
        return failReading(options.input);

    std::string tail;
    if (options.tailFile) {
        if (!readWholeFile(options.tailFile, &tail))
            return failWith("cannot read tail file %s", options.tailFile);
    } else if (loaded.tail) {
        // getmatrix closes lines with NULs; the file keeps line feeds.
        tail.assign(loaded.tail, std::size_t(loaded.tailLength));
        for (char &c : tail)
            if (c == '\0')
                c = '\n';
    }
    if (tail.size() > std::size_t(INT32_MAX))
        return failWith("tail file %s is too large", options.tailFile);

    if (sameFile(options.input, options.output))
        return failWith("will not overwrite the input file %s", options.input);

    // The target is replaced only by a complete file: a full disk or a failed write
    // leaves whatever was there before.
    const std::string partial =
        std::string(options.output) + ".partial-" + std::to_string(long(getpid()));
    const int32 tailLength = int32(tail.size());
    const int written = options.toText
                            ? putmatrix_text(partial.c_str(), loaded.values, loaded.rows,
                                             loaded.cols, exactTextFormat, tailLength, tail.data(),
                                             loaded.counts, loaded.indices)
                            : putmatrix(partial.c_str(), loaded.values, loaded.rows, loaded.cols,
                                        tailLength, tail.data(), loaded.counts, loaded.indices);
    if (!written || std::rename(partial.c_str(), options.output) != 0) {
        std::remove(partial.c_str());
        return failWith("cannot write %s", options.output);
    }
    return 0;
}
