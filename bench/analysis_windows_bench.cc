// One step of the value-change control with the spot and PSF windows open
// at default settings: the step, the spot computation, the PSF with its
// analysis and the recording of the spot, PSF and PSF-alone pictures, as
// the main window runs them after the step; and the same with the star-test
// window open too (its default row computed and recorded).
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_systems.h"
#include "mainwindow/run_cycle.h"
#include "mainwindow/selection_logic.h"
#include "mainwindow/window_updates.h"

namespace vn {
namespace {

void stepWithWindows(benchmark::State& state, const char* example, bool starTest) {
    auto ws = std::make_unique<Workspace>();
    bench::openExample(*ws, example);
    createSpotStore(*ws);
    AnalysisWindows windows;
    windows.spot = windows.psf = true;
    windows.starTest = starTest;
    StarTestState star;
    updateAnalysis(*ws, windows, star);
    StDefBool(ws->selection);
    ws->flags.selectionActive = true;
    ws->selection.pickRadius = true;
    ws->selection.pickSurface = 1;
    bool up = true;
    for (auto _ : state) {
        stepPickedValue(*ws, up);
        up = !up;
        const ComputeStatus status = updateAnalysis(*ws, windows, star);
        benchmark::DoNotOptimize(status);
    }
    state.counters["primitives"] = static_cast<double>(
        ws->pictures.spot.commands().size() + ws->pictures.psf.commands().size() +
        ws->pictures.psfGraph.commands().size() + ws->pictures.starTest.commands().size());
}

void BM_StepWithAnalysisWindows(benchmark::State& state, const char* example) {
    stepWithWindows(state, example, false);
}

void BM_StepWithStarTestWindow(benchmark::State& state, const char* example) {
    stepWithWindows(state, example, true);
}

BENCHMARK_CAPTURE(BM_StepWithAnalysisWindows, newtonian, "newtonian-f5.opt")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StepWithAnalysisWindows, schmidt, "schmidt-camera.opt")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StepWithStarTestWindow, newtonian, "newtonian-f5.opt")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vn
