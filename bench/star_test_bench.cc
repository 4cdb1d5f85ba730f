// Speed of the star test: a row of five images at the default settings (8
// waves, point density 2, the field point at the top middle of the chooser)
// of the Newtonian f/5, whose coma there asks for the 256-point pupil grid and
// images of 512 x 512 pixels, and of the same mirror on axis (128 points,
// 256 pixels). The target is 100 ms for the row. Counters: best_ms (the
// fastest iteration), mean_ms, grid (L), threads.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <limits>
#include <memory>

#include "bench_systems.h"
#include "mainwindow/run_cycle.h"
#include "psf/star_test.h"
#include "spot/spot_computation.h"

namespace vn {
namespace {

using Clock = std::chrono::steady_clock;

void starTestRow(benchmark::State& state, double fieldFraction) {
    auto ws = std::make_unique<Workspace>();
    bench::openExample(*ws, "newtonian-f5.opt");
    Start(*ws);
    createSpotStore(*ws);
    pickFieldFraction(*ws, fieldFraction);
    if (!berechnen(*ws).ok) std::abort();
    StarTestResult result;
    StarTestWork work;
    double best = std::numeric_limits<double>::infinity(), total = 0.0;
    int runs = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!computeStarTest(*ws, StarTestSettings{}, result, work).ok) std::abort();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        best = std::min(best, ms);
        total += ms;
        ++runs;
        benchmark::DoNotOptimize(result.images.data());
    }
    state.counters["best_ms"] = best;
    state.counters["mean_ms"] = total / runs;
    state.counters["grid"] = result.pupilSamples;
    state.counters["threads"] = sharedWorkerPool().size();
}

void BM_StarTestDefaultSettings(benchmark::State& state) {
    starTestRow(state, 1.0);
}

void BM_StarTestOnAxis(benchmark::State& state) {
    starTestRow(state, 0.0);
}

BENCHMARK(BM_StarTestDefaultSettings)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_StarTestOnAxis)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

}  // namespace
}  // namespace vn
