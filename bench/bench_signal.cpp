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
    const CaseData &data = bench::resampledCase(caseName, n);
    double **image = dmatrix(1, n, 1, n);
    for (auto _ : state) {
        computeSignal(data, image, n, n, 40, 500, tp, technique, 30);
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

} // namespace

BENCHMARK(computeSignalPlain)->Name("computeSignal/plain")->RangeMultiplier(2)->Range(64, 2048)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(computeSignalPrepulseSingleDirection)->Name("computeSignal/prepulse_technique1")
    ->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);
