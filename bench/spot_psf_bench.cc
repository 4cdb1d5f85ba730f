// Speed of the spot computation and of the PSF, each beside a reference
// measured in the same run and beside a calibration loop of 2^20 scalar
// sincos calls, so that the ratios do not depend on the machine:
//   - the PSF at the default settings (D = 40, 13 rings of 36 azimuths) and at
//     the highest (D = 100, 97 rings of 144 azimuths), one colour, against the
//     term-by-term sum with one sin and cos per term;
//   - the spot computation at point density 4 with "Auflösung hoch" on the
//     eight-surface example, against the same computation with every ray
//     traced alone by TraceRay, on the same threads (one_thread_ms: the
//     batched computation on one thread).
// Counters: best_ms (the fastest iteration), reference_ms, speedup
// (reference / best), sincos_ns (one call of the calibration loop) and
// best_in_loops (best time in units of the whole 2^20-call loop).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "bench_systems.h"
#include "mainwindow/layout_painter.h"
#include "mainwindow/run_cycle.h"
#include "mainwindow/selection_logic.h"
#include "mainwindow/window_updates.h"
#include "psf/psf_computation.h"
#include "spot/spot_computation.h"
#include "ui/recording_canvas.h"

namespace vn {
namespace {

constexpr int kCalibrationCalls = 1 << 20;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One call of sin and cos of a changing argument, the best of a few loops.
double sincosNanoseconds() {
    double best = std::numeric_limits<double>::infinity();
    for (int loop = 0; loop < 3; ++loop) {
        double x = 0.1, sum = 0.0;
        benchmark::DoNotOptimize(x);
        const auto start = Clock::now();
        for (int i = 0; i < kCalibrationCalls; ++i) {
            sum += std::sin(x) + std::cos(x);
            x += 1e-6;
            benchmark::DoNotOptimize(x);
        }
        benchmark::DoNotOptimize(sum);
        best = std::min(best, millisecondsSince(start) * 1e6 / kCalibrationCalls);
    }
    return best;
}

void report(benchmark::State& state, double best, double reference) {
    const double sincos = sincosNanoseconds();
    state.counters["best_ms"] = best;
    state.counters["reference_ms"] = reference;
    state.counters["speedup"] = reference / best;
    state.counters["sincos_ns"] = sincos;
    state.counters["best_in_loops"] = best * 1e6 / (sincos * kCalibrationCalls);
}

// The eight-surface example with its field point computed at the density and
// PSF diameter given (the settings' control values).
std::unique_ptr<Workspace> petzval(int density, int resolution, int diameter) {
    auto ws = std::make_unique<Workspace>();
    bench::openExample(*ws, "petzval-astrograph.opt");
    ws->settings.controls.spotDensity = density;
    ws->pupil.resolution = resolution;
    ws->settings.controls.psfDiameter = diameter;
    Start(*ws);
    createSpotStore(*ws);
    if (!berechnen(*ws).ok) std::abort();
    return ws;
}

void psfBeside(benchmark::State& state, int density, int resolution, int diameter) {
    auto ws = petzval(density, resolution, diameter);
    const PsfSetup s = psfSetup(*ws);
    float transmission = 0.0f;
    double best = std::numeric_limits<double>::infinity();
    for (auto _ : state) {
        const auto start = Clock::now();
        computePsf(s, *ws->spot.store, ws->spot.weights, *ws->spot.psfGrid, transmission,
                   sharedWorkerPool());
        best = std::min(best, millisecondsSince(start));
        benchmark::DoNotOptimize(ws->spot.psfGrid->cells);
    }
    std::vector<double> psf, profile;
    const auto start = Clock::now();
    psfReferenceSum(s, *ws->spot.store, ws->spot.weights, psf, profile, transmission);
    const double reference = millisecondsSince(start);
    report(state, best, reference);
    state.counters["terms"] = double(s.radius + 1) * s.azimuths * s.azimuths * s.rings;
    state.counters["threads"] = sharedWorkerPool().size();
}

void BM_PsfDefaultSettings(benchmark::State& state) {
    psfBeside(state, 2, 1, 20);
}

void BM_PsfHighestSettings(benchmark::State& state) {
    psfBeside(state, 4, 2, 50);
}

void BM_SpotHighestDensity(benchmark::State& state) {
    auto ws = petzval(4, 2, 20);
    double best = std::numeric_limits<double>::infinity();
    for (auto _ : state) {
        const auto start = Clock::now();
        berechnen(*ws);
        best = std::min(best, millisecondsSince(start));
    }
    double reference = std::numeric_limits<double>::infinity();
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        berechnen(*ws, sharedWorkerPool(), SpotTracing::OneRayAtATime);
        reference = std::min(reference, millisecondsSince(start));
    }
    WorkerPool single(1);
    double oneThread = std::numeric_limits<double>::infinity();
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        berechnen(*ws, single);
        oneThread = std::min(oneThread, millisecondsSince(start));
    }
    report(state, best, reference);
    state.counters["one_thread_ms"] = oneThread;
    const SpotResults& r = ws->spot.results;
    state.counters["rays"] = 3.0 * 2 * (r.rings + 1) * r.azimuths;
    state.counters["threads"] = sharedWorkerPool().size();
}

// One stepwise edit with the spot and PSF windows open at the highest
// settings: the step, the main window's repaint (evaluation and the recorded
// layout picture), the spot computation and the PSF that the two windows run
// before they draw (their drawing itself is not included). Reference: the
// same with every spot ray traced alone.
void BM_EditWithSpotAndPsfOpen(benchmark::State& state) {
    auto ws = petzval(4, 2, 50);
    StDefBool(ws->selection);
    ws->flags.selectionActive = true;
    ws->selection.pickRadius = true;
    ws->selection.pickSurface = 1;
    RecordingCanvas canvas(1000, 760);
    bool up = true;
    auto edit = [&](SpotTracing tracing) {
        const auto start = Clock::now();
        stepPickedValue(*ws, up);
        up = !up;
        prepareRepaint(*ws);
        canvas.clear();
        benchmark::DoNotOptimize(paintLayout(canvas, layoutPictureOf(*ws, 1000, 760)));
        if (!berechnen(*ws, sharedWorkerPool(), tracing).ok) std::abort();
        if (!BerechnePSF(*ws).ok) std::abort();
        return millisecondsSince(start);
    };
    double best = std::numeric_limits<double>::infinity();
    for (auto _ : state) best = std::min(best, edit(SpotTracing::Batched));
    double reference = std::numeric_limits<double>::infinity();
    for (int run = 0; run < 6; ++run)
        reference = std::min(reference, edit(SpotTracing::OneRayAtATime));
    report(state, best, reference);
}

BENCHMARK(BM_PsfDefaultSettings)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PsfHighestSettings)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_SpotHighestDensity)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_EditWithSpotAndPsfOpen)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

}  // namespace
}  // namespace vn
