// getmatrix on a dense text matrix of n x n values, as the case loader calls it.

#include "bench/benchcases.h"
#include "numerics/matrixfile.h"
#include "numerics/matrixmemory.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

void getmatrixText(benchmark::State &state)
{
    const std::string path = bench::textMatrixFile(int(state.range(0)));
    for (auto _ : state) {
        int32 rows = 0, cols = 0, tailLength = 0;
        char *tail = nullptr;
        double **matrix = getmatrix(path.c_str(), &rows, &cols, &tailLength, &tail, nullptr,
                                    nullptr, -1, -1, -1, -1, -1, -1, 0);
        if (!matrix) {
            state.SkipWithError("getmatrix failed");
            break;
        }
        benchmark::DoNotOptimize(matrix[rows][cols]);
        free_dmatrix(matrix, 1, rows, 1);
        std::free(tail);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}

} // namespace

BENCHMARK(getmatrixText)->Name("getmatrix/text")->Arg(1500)->Unit(benchmark::kMillisecond);
