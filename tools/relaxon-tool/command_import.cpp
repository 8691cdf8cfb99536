#include "commands.h"

#include "cases/caseimport.h"

#include <QString>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char *usage =
    "usage: relaxon-tool import (--pd PD --t1 T1 --t2 T2 [--tensor DT] [--tensor-order fsl|mrtrix]"
    " [--seconds] | --labels SEG [--tissues TABLE.csv] | --pve CSF,GM,WM)"
    " [--axis axial|coronal|sagittal] (--slice N | --at MM) [--keep-pd] -o CASE.mri";

struct ImportArguments
{
    ImportOptions options;
    SliceAxis axis = SliceAxis::Axial;
    bool haveSlice = false;
    long long slice = 0;
    bool haveAt = false;
    double at = 0;
    const char *output = nullptr;
};

QString local(const char *text)
{
    return QString::fromLocal8Bit(text);
}

bool parseNumber(const char *text, double *value)
{
    char *end = nullptr;
    errno = 0;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(*value);
}

bool parseIndex(const char *text, long long *value)
{
    char *end = nullptr;
    errno = 0;
    *value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && errno == 0;
}

// Counts the sources named, so that mixing them is refused.
bool parseArguments(int argc, char **argv, ImportArguments *a, int *sources)
{
    ImportOptions &o = a->options;
    bool maps = false;
    for (int i = 0; i < argc; ++i) {
        const char *option = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto is = [option](const char *name) { return std::strcmp(option, name) == 0; };
        if (is("--seconds")) {
            o.seconds = true;
            continue;
        }
        if (is("--keep-pd")) {
            o.keepPd = true;
            continue;
        }
        if (!value)
            return false;
        ++i;
        if (is("--pd") || is("--t1") || is("--t2")) {
            (is("--pd") ? o.pd : is("--t1") ? o.t1 : o.t2) = local(value);
            maps = true;
        } else if (is("--tensor")) {
            o.tensor = local(value);
        } else if (is("--tensor-order")) {
            if (std::strcmp(value, "fsl") != 0 && std::strcmp(value, "mrtrix") != 0)
                return false;
            o.tensorOrder = std::strcmp(value, "mrtrix") == 0 ? TensorOrder::Mrtrix : TensorOrder::Fsl;
        } else if (is("--labels")) {
            o.labels = local(value);
            o.source = ImportSource::Labels;
            ++*sources;
        } else if (is("--tissues")) {
            o.tissueTable = local(value);
        } else if (is("--pve")) {
            o.partialVolumes = local(value).split(QLatin1Char(','));
            o.source = ImportSource::PartialVolumes;
            ++*sources;
        } else if (is("--axis")) {
            if (!sliceAxisFromName(local(value), &a->axis))
                return false;
        } else if (is("--slice")) {
            a->haveSlice = parseIndex(value, &a->slice);
            if (!a->haveSlice)
                return false;
        } else if (is("--at")) {
            a->haveAt = parseNumber(value, &a->at);
            if (!a->haveAt)
                return false;
        } else if (is("-o")) {
            a->output = value;
        } else {
            return false;
        }
    }
    if (maps) {
        o.source = ImportSource::Maps;
        ++*sources;
    }
    return a->output && a->haveSlice != a->haveAt;
}

} // namespace

int runImport(int argc, char **argv)
{
    ImportArguments arguments;
    int sources = 0;
    if (!parseArguments(argc, argv, &arguments, &sources))
        return failWith("%s", usage);
    const ImportOptions &o = arguments.options;
    if (sources != 1)
        return failWith("give one source: --pd/--t1/--t2 maps, --labels or --pve");
    if (o.source == ImportSource::Maps && (o.pd.isEmpty() || o.t1.isEmpty() || o.t2.isEmpty()))
        return failWith("quantitative maps need all of --pd, --t1 and --t2");
    if (o.source == ImportSource::PartialVolumes && o.partialVolumes.size() != 3)
        return failWith("--pve needs three files separated by commas: CSF,GM,WM");

    CaseImporter importer;
    QString error;
    if (!importer.load(o, &error))
        return failWith("%s", error.toLocal8Bit().constData());
    const std::int64_t slice =
        arguments.haveAt ? importer.sliceAt(arguments.axis, arguments.at) : arguments.slice;
    ImportedCase imported;
    if (!importer.makeCase(arguments.axis, slice, imported, &error)) {
        if (arguments.haveAt)
            error += QStringLiteral(" (--at %1 mm)").arg(arguments.at);
        return failWith("%s", error.toLocal8Bit().constData());
    }
    if (imported.invalidPixels > 0)
        std::fprintf(stderr,
                     "relaxon-tool: warning: %lld %s with NaN or negative values became "
                     "background\n",
                     static_cast<long long>(imported.invalidPixels),
                     imported.invalidPixels == 1 ? "pixel" : "pixels");
    if (!writeImportedCase(imported, local(arguments.output), &error)) {
        std::fputc('\n', stderr);
        return failWith("%s", error.toLocal8Bit().constData());
    }
    return 0;
}
