// computeFmriStatistics on 256 x 256 pixels and a growing number of frames.

#include "bench/benchcases.h"
#include "simulation/fmristatistics.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kPixels = 256;

void releaseStatistics(CaseData &data)
{
    CaseData maps;
    maps.rows = data.rows;
    maps.cols = data.cols;
    maps.frames = data.frames;
    std::swap(maps.activation, data.activation);
    std::swap(maps.variance, data.variance);
    std::swap(maps.difference, data.difference);
    std::swap(maps.tValue, data.tValue);
    std::swap(maps.pValue, data.pValue);
    maps.release();
}

void fmriStatistics(benchmark::State &state)
{
    CaseData data = bench::functionalSeries(kPixels, int(state.range(0)));
    for (auto _ : state) {
        computeFmriStatistics(data);
        benchmark::DoNotOptimize(data.pValue[kPixels / 2][kPixels / 2]);
        state.PauseTiming();
        releaseStatistics(data);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kPixels * kPixels * state.range(0));
    data.release();
}

} // namespace

BENCHMARK(fmriStatistics)->Name("computeFmriStatistics")->RangeMultiplier(2)->Range(16, 512)
    ->Arg(299)->Unit(benchmark::kMillisecond);
