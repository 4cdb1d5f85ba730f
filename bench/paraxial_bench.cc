// One paraxial evaluation with the aberration sums, as every repaint and every
// trial step of the synthesis loops runs it.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_systems.h"
#include "optics/paraxial.h"

namespace vn {
namespace {

void BM_EvaluateSystem(benchmark::State& state, const char* example) {
    auto ws = std::make_unique<Workspace>();
    bench::openExample(*ws, example);
    state.counters["surfaces"] = ws->model.N();
    for (auto _ : state) {
        EvaluationStatus status = EvaluateSystem(ws->model, false, ws->paraxial, ws->sums);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(ws->sums);
    }
}

BENCHMARK_CAPTURE(BM_EvaluateSystem, petzval_8_surfaces, "petzval-astrograph.opt");
BENCHMARK_CAPTURE(BM_EvaluateSystem, cassegrain_2_surfaces, "cassegrain-classical.opt");

}  // namespace
}  // namespace vn
