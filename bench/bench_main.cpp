// The benchmarks of the signal model, the matrix reader, the functional statistics
// and the animation tick. Before running, the inputs are written to the data
// directory for the NumPy peers (bench/numpy_peers.py).

#include "bench/benchcases.h"

#include <benchmark/benchmark.h>

#ifdef RELAXON_BENCH_WITH_GUI
#include <QApplication>
using Application = QApplication;
#else
#include <QCoreApplication>
using Application = QCoreApplication;
#endif

#include <QDir>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application application(argc, argv);

    QDir().mkpath(QString::fromStdString(bench::dataDirectory()));
    for (int n = 64; n <= 2048; n *= 2)
        bench::writeMaps("glioblastoma", n);
    bench::writeMaps("dti", 256);
    bench::writeMaps("dti", 1024);
    bench::textMatrixFile(1500);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
