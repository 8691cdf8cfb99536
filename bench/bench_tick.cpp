// One animation tick of a view at n x n: computeSignal with the next echo time,
// then a synchronous repaint of the view at n x n pixels on the offscreen
// platform; the same tick of a recording with noise, whose field is added to
// each new image; and the memory floor they are measured against.

#include "app/mainwindow.h"
#include "bench/benchcases.h"
#include "numerics/matrixmemory.h"
#include "simulation/acquisition.h"
#include "simulation/noise.h"
#include "simulation/signalmodel.h"
#include "views/mriview.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdint>
#include <vector>

namespace {

// One plain pass that reads the three maps and writes a 32-bit picture of the
// same size: what any tick must at least cost.
void memoryFloor(benchmark::State &state)
{
    const int n = int(state.range(0));
    const CaseData &data = bench::caseAtSize("glioblastoma", n);
    const std::size_t pixels = std::size_t(n) * n;
    const double *pd = data.pd[1] + 1;
    const double *t1 = data.t1[1] + 1;
    const double *t2 = data.t2[1] + 1;
    std::vector<std::uint32_t> picture(pixels);
    for (auto _ : state) {
        for (std::size_t i = 0; i < pixels; ++i)
            picture[i] = 0xff000000u | (std::uint32_t(std::int32_t(pd[i] + t1[i] + t2[i])) & 0xffu);
        benchmark::DoNotOptimize(picture.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(pixels));
}

// A view of the glioblastoma case at n x n, shown at its own size; the window
// borrows the case and hands it back when it goes.
struct TickView
{
    MainWindow window;
    MriView *view = nullptr;

    explicit TickView(int n)
    {
        window.session().caseData = bench::caseAtSize("glioblastoma", n);
        double **image = dmatrix(1, n, 1, n);
        computeSignal(window.session().caseData, image, n, n, 40, 500, 0, 0, 0);
        view = new MriView(window.session(), ViewNewRecording, image, n, n);
        view->resize(n, n);
        view->show();
        QApplication::processEvents();
    }
    ~TickView()
    {
        delete view;
        window.session().caseData = CaseData();
    }
    bool showsWholePicture(int n) const
    {
        return view->pictureRect().width == n && view->pictureRect().height == n;
    }
};

void animationTick(benchmark::State &state)
{
    const int n = int(state.range(0));
    TickView tick(n);
    if (!tick.showsWholePicture(n))
        state.SkipWithError("the view does not show the picture at its own size");

    double te = 0;
    for (auto _ : state) {
        te = te >= 499 ? 1 : te + 1;
        computeSignal(tick.window.session().caseData, tick.view->imageData(), n, n, te, 500, 0, 0, 0);
        tick.view->repaint();
    }
    state.SetItemsProcessed(state.iterations() * n * n);
}

// The tick of a recording with noise at the reference protocol: the field is
// drawn once, as the recording does, and added to every new image.
void animationTickWithNoise(benchmark::State &state)
{
    const int n = int(state.range(0));
    TickView tick(n);
    if (!tick.showsWholePicture(n))
        state.SkipWithError("the view does not show the picture at its own size");
    AcquisitionSettings acquisition;
    acquisition.noise = true;
    const double sigma = noiseSigma(tick.window.session().caseData.fullScale, acquisition);
    const NoiseField field = drawNoiseField(n, n, acquisition.seed);

    double te = 0;
    for (auto _ : state) {
        te = te >= 499 ? 1 : te + 1;
        computeSignal(tick.window.session().caseData, tick.view->imageData(), n, n, te, 500, 0, 0, 0);
        addRicianNoise(tick.view->imageData(), n, n, sigma, field);
        tick.view->repaint();
    }
    state.SetItemsProcessed(state.iterations() * n * n);
}

// The painting half of the tick alone.
void repaintOnly(benchmark::State &state)
{
    const int n = int(state.range(0));
    TickView tick(n);
    for (auto _ : state)
        tick.view->repaint();
    state.SetItemsProcessed(state.iterations() * n * n);
}

} // namespace

BENCHMARK(memoryFloor)->Name("tick/memory_floor")->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(animationTick)->Name("tick/compute_and_paint")->Arg(256)->Arg(1024)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(animationTickWithNoise)->Name("tick/compute_noise_and_paint")->Arg(1024)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(repaintOnly)->Name("tick/paint")->Arg(1024)->Unit(benchmark::kMicrosecond);
