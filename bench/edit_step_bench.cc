// One stepwise edit in the main window, as the user clicks the value-change
// control: the step itself, the repaint's evaluation, zone rays and layout
// geometry, and the drawing (recorded, as the window records every picture).
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_systems.h"
#include "mainwindow/layout_painter.h"
#include "mainwindow/run_cycle.h"
#include "mainwindow/selection_logic.h"
#include "ui/recording_canvas.h"

namespace vn {
namespace {

void BM_StepwiseEdit(benchmark::State& state, const char* example) {
    auto ws = std::make_unique<Workspace>();
    bench::openExample(*ws, example);
    prepareRepaint(*ws);
    // A radius pick on surface 1, stepped up and down alternately so that the
    // system stays where it is.
    StDefBool(ws->selection);
    ws->flags.selectionActive = true;
    ws->selection.pickRadius = true;
    ws->selection.pickSurface = 1;
    RecordingCanvas canvas(1000, 760);
    bool up = true;
    for (auto _ : state) {
        stepPickedValue(*ws, up);
        up = !up;
        prepareRepaint(*ws);
        canvas.clear();
        MarkedRayTexts texts = paintLayout(canvas, layoutPictureOf(*ws, 1000, 760));
        benchmark::DoNotOptimize(texts);
    }
    state.counters["surfaces"] = ws->model.N();
    state.counters["primitives"] = static_cast<double>(canvas.commands().size());
}

BENCHMARK_CAPTURE(BM_StepwiseEdit, petzval_8_surfaces, "petzval-astrograph.opt")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vn
