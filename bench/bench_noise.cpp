// Drawing the noise field of a recording at n x n, which a new noisy recording
// does once.

#include "simulation/noise.h"

#include <benchmark/benchmark.h>

namespace {

void drawNoise(benchmark::State &state)
{
    const int n = int(state.range(0));
    std::uint64_t seed = 1;
    for (auto _ : state) {
        const NoiseField field = drawNoiseField(n, n, seed++);
        benchmark::DoNotOptimize(field.real.data());
    }
    state.SetItemsProcessed(state.iterations() * n * n);
}

} // namespace

BENCHMARK(drawNoise)->Name("noise/draw")->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
