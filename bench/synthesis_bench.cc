// One "ok" of the Medial-Cassegrain dialog with its default inputs and N-BK7:
// the equivalent system and the nested correction loops with their trial
// evaluations, then the run cycle. It must stay well under a second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "mainwindow/document.h"
#include "synthesis/medial_cassegrain.h"
#include "synthesis/medial_triplet.h"
#include "synthesis/synthesis_state.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

// Published Sellmeier coefficients of SCHOTT N-BK7.
constexpr GlassCoefficients kNBK7 = {1.03961212,    0.231792344,  1.01046945,
                                     0.00600069867, 0.0200179144, 103.560653};

// The workspace beside what the synthesis dialogs keep.
struct Desk : Workspace {
    SynthesisState synthesis;
};

std::unique_ptr<Desk> workspaceWithCrown() {
    auto ws = std::make_unique<Desk>();
    Initialize(*ws);
    ws->model.sys.wavelength = kSynthesisWavelengths;
    GlassRecord crown;
    crown.type = "S     N-BK7          Sel";
    crown.K = kNBK7;
    if (!chooseSynthesisGlass(ws->synthesis.glasses[1], crown, kSynthesisWavelengths).empty()) {
        std::fputs("N-BK7 gives no index\n", stderr);
        std::exit(1);
    }
    return ws;
}

template <typename Inputs, typename Synthesise>
void run(benchmark::State& state, Synthesise synthesise) {
    auto ws = workspaceWithCrown();
    int evaluations = 0;
    for (auto _ : state) {
        const MedialSynthesisResult r = synthesise(Inputs{}, ws->synthesis, *ws);
        if (!r.wrote) state.SkipWithError(r.message.c_str());
        evaluations = r.evaluations;
        benchmark::DoNotOptimize(ws->sums);
    }
    state.counters["evaluations"] = evaluations;
}

void BM_MedialCassegrainDefaults(benchmark::State& state) {
    run<MedialCassegrainInputs>(state, synthesiseMedialCassegrain);
}
void BM_MedialTripletDefaults(benchmark::State& state) {
    run<MedialTripletInputs>(state, synthesiseMedialTriplet);
}

BENCHMARK(BM_MedialCassegrainDefaults)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedialTripletDefaults)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vn
