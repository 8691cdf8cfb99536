// computeSignal on the glioblastoma case and, with prepulse and single-direction
// diffusion weighting, on the diffusion case, both resampled to n x n pixels.

#include "bench/benchcases.h"
#include "numerics/matrixmemory.h"
#include "simulation/recordingparams.h"
#include "simulation/signalmodel.h"

#include <benchmark/benchmark.h>

namespace {

void runSignal(benchmark::State &state, const char *caseName, double tp, int32 technique)
{
    const int n = int(state.range(0));
    const CaseData &data = bench::caseAtSize(caseName, n);
    double **image = dmatrix(1, n, 1, n);
    for (auto _ : state) {
        computeSignal(data, image, n, n, 40, 500, tp, technique, 30);
        benchmark::DoNotOptimize(image[n / 2][n / 2]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n * n);
    free_dmatrix(image, 1, n, 1);
}

// One plain pass over what computeSignal has to read and write at n x n: the
// three maps in, the image out, and with tensors the entries the single-direction
// weighting reads. No implementation of the formula can be faster.
void signalMemoryFloor(benchmark::State &state, const char *caseName, bool withTensor)
{
    const int n = int(state.range(0));
    const CaseData &data = bench::caseAtSize(caseName, n);
    double **image = dmatrix(1, n, 1, n);
    for (auto _ : state) {
        for (int x = 1; x <= n; ++x) {
            const double *pd = data.pd[x];
            const double *t1 = data.t1[x];
            const double *t2 = data.t2[x];
            double *out = image[x];
            for (int y = 1; y <= n; ++y) {
                double sum = pd[y] + t1[y] + t2[y];
                if (withTensor) {
                    const double *tensor = data.tensor[x][y];
                    sum += tensor[1] + tensor[2] + tensor[3] + tensor[4] + tensor[5] + tensor[6] + tensor[10];
                }
                out[y] = sum;
            }
        }
        benchmark::DoNotOptimize(image[n / 2][n / 2]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n * n);
    free_dmatrix(image, 1, n, 1);
}

void computeSignalPlain(benchmark::State &state)
{
    runSignal(state, "glioblastoma", 0, TechniqueNone);
}

void computeSignalPrepulseSingleDirection(benchmark::State &state)
{
    runSignal(state, "dti", 100, TechniqueSingleDirection);
}

void plainMemoryFloor(benchmark::State &state)
{
    signalMemoryFloor(state, "glioblastoma", false);
}

void tensorMemoryFloor(benchmark::State &state)
{
    signalMemoryFloor(state, "dti", true);
}

} // namespace

BENCHMARK(computeSignalPlain)->Name("computeSignal/plain")->RangeMultiplier(2)->Range(64, 2048)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(computeSignalPrepulseSingleDirection)->Name("computeSignal/prepulse_technique1")
    ->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(plainMemoryFloor)->Name("computeSignal/memory_floor_plain")->Arg(256)->Arg(1024)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(tensorMemoryFloor)->Name("computeSignal/memory_floor_technique1")->Arg(256)->Arg(1024)
    ->Unit(benchmark::kMicrosecond);
