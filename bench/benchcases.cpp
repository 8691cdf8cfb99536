#include "bench/benchcases.h"

#include "cases/caseloader.h"
#include "numerics/matrixmemory.h"

#include <QFileInfo>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>

namespace bench {

namespace {

constexpr int kTensorDepth = 16;
constexpr int kTensorNorm = 10;

struct CaseDeleter
{
    void operator()(CaseData *data) const
    {
        data->release();
        delete data;
    }
};
using OwnedCase = std::unique_ptr<CaseData, CaseDeleter>;

OwnedCase loadCase(const QString &path)
{
    CaseFile file;
    OwnedCase data(new CaseData);
    if (!readCaseFile(path, file)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::exit(1);
    }
    setupCase(file, *data);
    return data;
}

OwnedCase loadBuiltIn(const std::string &name)
{
    return loadCase(QStringLiteral(RELAXON_SOURCE_DIR "/resources/files/%1.mri").arg(QString::fromStdString(name)));
}

// The case the generator wrote at this size (target glioblastoma-1024), if any.
OwnedCase loadGenerated(const std::string &name, int size)
{
    const QString path = QStringLiteral(RELAXON_GENERATED_CASES_DIR "/%1-%2.mri")
                             .arg(QString::fromStdString(name)).arg(size);
    if (!QFileInfo::exists(path))
        return nullptr;
    OwnedCase data = loadCase(path);
    if (data->rows != size || data->cols != size) {
        std::fprintf(stderr, "%s is not %d x %d\n", qPrintable(path), size, size);
        std::exit(1);
    }
    return data;
}

// Bilinear sample of map (1-based, n x n) at the centre of pixel i of a size x
// size grid over the same field of view.
double sample(double **map, int n, int size, int x, int y)
{
    const auto position = [&](int i) {
        const double p = (i + 0.5) * n / size - 0.5;
        return std::clamp(p, 0.0, double(n - 1));
    };
    const double px = position(x);
    const double py = position(y);
    const int x0 = std::min(int(px), n - 2);
    const int y0 = std::min(int(py), n - 2);
    const double fx = px - x0;
    const double fy = py - y0;
    const double top = map[x0 + 1][y0 + 1] * (1 - fy) + map[x0 + 1][y0 + 2] * fy;
    const double bottom = map[x0 + 2][y0 + 1] * (1 - fy) + map[x0 + 2][y0 + 2] * fy;
    return top * (1 - fx) + bottom * fx;
}

double **resampledMap(double **map, int n, int size)
{
    double **out = dmatrix(1, size, 1, size);
    for (int x = 0; x < size; ++x)
        for (int y = 0; y < size; ++y)
            out[x + 1][y + 1] = sample(map, n, size, x, y);
    return out;
}

OwnedCase resample(const CaseData &source, int size)
{
    OwnedCase data(new CaseData);
    const int n = source.rows;
    data->rows = data->cols = size;
    data->isMri = true;
    data->fullScale = source.fullScale;
    data->pd = resampledMap(source.pd, n, size);
    data->t1 = resampledMap(source.t1, n, size);
    data->t2 = resampledMap(source.t2, n, size);
    // The background stays exactly 0, as in the program's cases.
    for (int x = 1; x <= size; ++x)
        for (int y = 1; y <= size; ++y) {
            const int sx = std::min(n, (x - 1) * n / size + 1);
            const int sy = std::min(n, (y - 1) * n / size + 1);
            if (source.pd[sx][sy] == 0 && source.t1[sx][sy] == 0)
                data->pd[x][y] = data->t1[x][y] = data->t2[x][y] = 0;
        }
    if (source.hasDti && source.tensor) {
        data->hasDti = true;
        data->tensor = d3tensor(1, size, 1, size, 1, kTensorDepth);
        for (int x = 1; x <= size; ++x)
            for (int y = 1; y <= size; ++y) {
                const int sx = std::min(n, (x - 1) * n / size + 1);
                const int sy = std::min(n, (y - 1) * n / size + 1);
                for (int k = 1; k <= kTensorDepth; ++k)
                    data->tensor[x][y][k] = source.tensor[sx][sy][k];
            }
    }
    return data;
}

void writeMatrix(std::FILE *file, double **map, int size)
{
    for (int x = 1; x <= size; ++x)
        std::fwrite(map[x] + 1, sizeof(double), std::size_t(size), file);
}

} // namespace

std::string dataDirectory()
{
    const char *fromEnvironment = std::getenv("RELAXON_BENCH_DATA");
    return fromEnvironment && *fromEnvironment ? fromEnvironment : RELAXON_BENCH_DATA_DIR;
}

const CaseData &caseAtSize(const std::string &name, int size)
{
    static std::map<std::string, OwnedCase> sources;
    static std::map<std::pair<std::string, int>, OwnedCase> cases;
    auto found = cases.find({name, size});
    if (found != cases.end())
        return *found->second;
    if (OwnedCase generated = loadGenerated(name, size))
        return *(cases[{name, size}] = std::move(generated));
    auto &source = sources[name];
    if (!source)
        source = loadBuiltIn(name);
    return *(cases[{name, size}] = resample(*source, size));
}

void writeMaps(const std::string &name, int size)
{
    const CaseData &data = caseAtSize(name, size);
    const std::string path = dataDirectory() + "/" + name + "_" + std::to_string(size) + ".f64";
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    writeMatrix(file, data.pd, size);
    writeMatrix(file, data.t1, size);
    writeMatrix(file, data.t2, size);
    if (data.tensor) {
        for (int k : {1, 2, 3, 4, 5, 6, kTensorNorm})
            for (int x = 1; x <= size; ++x)
                for (int y = 1; y <= size; ++y)
                    std::fwrite(&data.tensor[x][y][k], sizeof(double), 1, file);
    }
    std::fclose(file);
}

CaseData functionalSeries(int rows, int frames)
{
    CaseData data;
    data.rows = rows;
    data.cols = rows * frames;
    data.frames = frames;
    data.pd = dmatrix(1, rows, 1, data.cols);
    for (int f = 1; f <= frames; ++f) {
        // Frames 13-22, 33-42, ... are task frames; pixels with (x + y) % 7 == 0 respond.
        const bool task = f >= 3 && ((f - 3) / 10) % 2 == 1;
        for (int x = 0; x < rows; ++x)
            for (int y = 0; y < rows; ++y) {
                const int base = 200 + (x * 7 + y * 13) % 400;
                const int response = task && (x + y) % 7 == 0 ? 6 : 0;
                const int noise = (x * 31 + y * 17 + f * 101) % 23;
                data.pd[x + 1][(f - 1) * rows + y + 1] = double(base + response + noise);
            }
    }
    return data;
}

std::string textMatrixFile(int n)
{
    const std::string path = dataDirectory() + "/matrix" + std::to_string(n) + ".txt";
    if (std::FILE *existing = std::fopen(path.c_str(), "r")) {
        std::fclose(existing);
        return path;
    }
    std::FILE *file = std::fopen(path.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fprintf(file, "%d %d\n", n, n);
    // Values like those of a case map: a few digits before and after the point.
    std::uint32_t state = 12345;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            state = state * 1664525u + 1013904223u;
            const double value = (state >> 8) / double(1 << 24) * 4000.0 - 500.0;
            std::fprintf(file, j == 0 ? "%.6g" : " %.6g", value);
        }
        std::fputc('\n', file);
    }
    std::fclose(file);
    return path;
}

} // namespace bench
