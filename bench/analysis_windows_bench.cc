// One step of the value-change control with the spot and PSF windows open
// at default settings: the step, the spot computation, the PSF with its
// analysis and the recording of the spot, PSF and PSF-alone pictures, as
// the main window runs them after the step.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_systems.h"
#include "mainwindow/run_cycle.h"
#include "mainwindow/selection_logic.h"
#include "mainwindow/window_updates.h"

namespace vn {
namespace {

void BM_StepWithAnalysisWindows(benchmark::State& state, const char* example) {
    auto ws = std::make_unique<Workspace>();
    bench::openExample(*ws, example);
    createSpotStore(*ws);
    AnalysisWindows windows;
    windows.spot = windows.psf = true;
    updateAnalysis(*ws, windows);
    StDefBool(ws->selection);
    ws->flags.selectionActive = true;
    ws->selection.pickRadius = true;
    ws->selection.pickSurface = 1;
    bool up = true;
    for (auto _ : state) {
        stepPickedValue(*ws, up);
        up = !up;
        const ComputeStatus status = updateAnalysis(*ws, windows);
        benchmark::DoNotOptimize(status);
    }
    state.counters["primitives"] = static_cast<double>(ws->pictures.spot.commands().size() +
                                                       ws->pictures.psf.commands().size() +
                                                       ws->pictures.psfGraph.commands().size());
}

BENCHMARK_CAPTURE(BM_StepWithAnalysisWindows, newtonian, "newtonian-f5.opt")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StepWithAnalysisWindows, schmidt, "schmidt-camera.opt")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vn
