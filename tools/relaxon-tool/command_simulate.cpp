#include "commands.h"
#include "loadedcase.h"

#include "numerics/matrixfile.h"
#include "simulation/acquisition.h"
#include "simulation/displaywindow.h"
#include "simulation/noise.h"
#include "simulation/signalmodel.h"

#include <QImage>
#include <QString>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char *usage =
    "usage: relaxon-tool simulate CASE --te N --tr N [--tp N] [--technique N] [--angle N]"
    " [--noise [--nex N] [--bandwidth HZ] [--slice MM] [--etl N] [--seed N]] -o OUT";

struct SimulateOptions
{
    const char *caseName = nullptr;
    const char *output = nullptr;
    double te = 0;
    double tr = 0;
    double tp = 0;
    long technique = 0;
    long angle = 0;
    AcquisitionSettings acquisition;
    bool acquisitionGiven = false;
    // Set when an acquisition option has a value it cannot take.
    std::string badValue;
};

bool parseNumber(const char *text, double *value)
{
    char *end = nullptr;
    errno = 0;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0;
}

bool parseInteger(const char *text, long *value)
{
    char *end = nullptr;
    errno = 0;
    *value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && errno == 0 && *value >= INT32_MIN && *value <= INT32_MAX;
}

bool parseSeed(const char *text, std::uint64_t *seed)
{
    char *end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    *seed = value;
    return text[0] >= '0' && text[0] <= '9' && *end == '\0' && errno == 0;
}

// Reads the value of an acquisition option; a value it cannot take leaves a
// message that names the option and its range in options->badValue.
void parseAcquisitionOption(const char *option, const char *text, SimulateOptions *options)
{
    AcquisitionSettings &acquisition = options->acquisition;
    options->acquisitionGiven = true;
    long whole = 0;
    double number = 0;
    char range[96] = "";
    if (std::strcmp(option, "--nex") == 0) {
        if (parseInteger(text, &whole) && kAveragesRange.contains(int32(whole)))
            acquisition.averages = int32(whole);
        else
            std::snprintf(range, sizeof range, "a whole number from %d to %d", kAveragesRange.low,
                          kAveragesRange.high);
    } else if (std::strcmp(option, "--etl") == 0) {
        if (parseInteger(text, &whole) && kEchoTrainLengthRange.contains(int32(whole)))
            acquisition.echoTrainLength = int32(whole);
        else
            std::snprintf(range, sizeof range, "a whole number from %d to %d",
                          kEchoTrainLengthRange.low, kEchoTrainLengthRange.high);
    } else if (std::strcmp(option, "--bandwidth") == 0) {
        if (parseNumber(text, &number) && kBandwidthRange.contains(number))
            acquisition.bandwidth = number;
        else
            std::snprintf(range, sizeof range, "from %g to %g Hz", kBandwidthRange.low,
                          kBandwidthRange.high);
    } else if (std::strcmp(option, "--slice") == 0) {
        if (parseNumber(text, &number) && kSliceThicknessRange.contains(number))
            acquisition.sliceThickness = number;
        else
            std::snprintf(range, sizeof range, "from %g to %g mm", kSliceThicknessRange.low,
                          kSliceThicknessRange.high);
    } else if (!parseSeed(text, &acquisition.seed)) {
        std::snprintf(range, sizeof range, "a whole number from 0 to %llu", ULLONG_MAX);
    }
    if (range[0] != '\0' && options->badValue.empty())
        options->badValue = std::string(option) + " must be " + range + ", not \"" + text + "\"";
}

bool isAcquisitionOption(const char *argument)
{
    for (const char *option : {"--nex", "--bandwidth", "--slice", "--etl", "--seed"})
        if (std::strcmp(argument, option) == 0)
            return true;
    return false;
}

bool parseOptions(int argc, char **argv, SimulateOptions *options)
{
    bool haveTe = false;
    bool haveTr = false;
    for (int i = 0; i < argc; ++i) {
        const char *argument = argv[i];
        const bool hasValue = i + 1 < argc;
        bool ok = true;
        if (std::strcmp(argument, "--te") == 0 && hasValue)
            ok = haveTe = parseNumber(argv[++i], &options->te);
        else if (std::strcmp(argument, "--tr") == 0 && hasValue)
            ok = haveTr = parseNumber(argv[++i], &options->tr);
        else if (std::strcmp(argument, "--tp") == 0 && hasValue)
            ok = parseNumber(argv[++i], &options->tp);
        else if (std::strcmp(argument, "--technique") == 0 && hasValue)
            ok = parseInteger(argv[++i], &options->technique);
        else if (std::strcmp(argument, "--angle") == 0 && hasValue)
            ok = parseInteger(argv[++i], &options->angle);
        else if (std::strcmp(argument, "--noise") == 0)
            options->acquisition.noise = true;
        else if (isAcquisitionOption(argument) && hasValue)
            parseAcquisitionOption(argument, argv[++i], options);
        else if (std::strcmp(argument, "-o") == 0 && hasValue)
            options->output = argv[++i];
        else if (argument[0] == '-' && argument[1] != '\0')
            ok = false;
        else if (!options->caseName)
            options->caseName = argument;
        else
            ok = false;
        if (!ok)
            return false;
    }
    return options->caseName && options->output && haveTe && haveTr;
}

bool endsWith(const char *text, const char *suffix)
{
    const std::size_t length = std::strlen(text);
    const std::size_t suffixLength = std::strlen(suffix);
    return length >= suffixLength && std::strcmp(text + length - suffixLength, suffix) == 0;
}

// The picture a new view shows: the automatic window of its histogram, x to the
// right and y downwards.
bool writePng(const char *fileName, double **image, int32 rows, int32 cols, bool invert)
{
    const AutoDisplayWindow window = autoLevelWidth(image, rows, cols);
    QImage picture(rows, cols, QImage::Format_Grayscale8);
    if (picture.isNull())
        return false;
    for (int32 y = 1; y <= cols; ++y) {
        uchar *line = picture.scanLine(y - 1);
        for (int32 x = 1; x <= rows; ++x)
            line[x - 1] = uchar(levelToGrey(image[x][y], window.level, window.width, invert));
    }
    return picture.save(QString::fromLocal8Bit(fileName), "PNG");
}

} // namespace

int runSimulate(int argc, char **argv)
{
    SimulateOptions options;
    if (!parseOptions(argc, argv, &options))
        return failWith("%s", usage);
    if (!options.badValue.empty())
        return failWith("%s", options.badValue.c_str());
    const AcquisitionSettings &acquisition = options.acquisition;
    if (options.acquisitionGiven && !acquisition.noise)
        return failWith("--nex, --bandwidth, --slice, --etl and --seed need --noise");
    if (acquisition.noise && !(options.te > 0 && options.tr > 0))
        return failWith("--noise needs a recording: --te and --tr above 0");
    const bool toPng = endsWith(options.output, ".png");
    if (!toPng && !endsWith(options.output, ".mri"))
        return failWith("%s: the output must end in .mri or .png", options.output);

    LoadedCase loaded;
    if (!loadCase(options.caseName, &loaded))
        return failWith("cannot read %s", options.caseName);
    const CaseData &data = loaded.data;
    if (!data.isMri)
        return failWith("%s holds no hydrogen density, T1 and T2 maps", options.caseName);

    double **image = dmatrix(1, data.rows, 1, data.cols);
    if (!image)
        return failWith("not enough memory for a %d x %d image", data.rows, data.cols);
    computeSignal(data, image, data.rows, data.cols, options.te, options.tr, options.tp,
                  int32(options.technique), int32(options.angle));
    if (acquisition.noise) {
        // The image rows are the phase-encoding lines.
        const double seconds = scanTimeSeconds(options.tr, data.rows, acquisition);
        const double sigma = noiseSigma(data.fullScale, acquisition);
        std::fprintf(stderr, "scan time %s (%g s), noise sigma %g\n", formatScanTime(seconds).c_str(),
                     seconds, sigma);
        addRicianNoise(image, data.rows, data.cols, sigma, acquisition.seed);
    }
    const bool written = toPng
        ? writePng(options.output, image, data.rows, data.cols, loaded.setup.invertScale)
        : putmatrix(options.output, image, data.rows, data.cols, 0, nullptr, nullptr, nullptr) == 1;
    free_dmatrix(image, 1, data.rows, 1);
    if (!written)
        return failWith("cannot write %s", options.output);
    return 0;
}
