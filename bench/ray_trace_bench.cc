// Speed of the real ray trace on three kinds of system: spheres only (an
// eight-surface lens), conics (a classical Cassegrain) and polynomial aspheres
// (a Schmidt camera). Each benchmark traces a fixed pupil grid in three fields
// and reports the time per ray and surface, and that time in units of one
// scalar sincos call, measured in the same run so that the ratio does not
// depend on the speed of the machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

#include "mainwindow/document.h"
#include "mainwindow/run_cycle.h"
#include "model/glass.h"
#include "optics/batch_trace.h"
#include "optics/ray_trace.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

// Published Sellmeier coefficients of SCHOTT N-BK7 and N-F2.
constexpr GlassCoefficients kNBK7 = {1.03961212,    0.231792344,  1.01046945,
                                     0.00600069867, 0.0200179144, 103.560653};
constexpr GlassCoefficients kNF2 = {1.39757037,    0.159201403,  1.2686543,
                                    0.00995906143, 0.0546931752, 119.248346};

Surface surface(double r, double e, double n, const char* medium = "Luft") {
    Surface s;
    s.r = r;
    s.e = e;
    s.n = {n, n, n};
    s.dir = n < 0.0 ? -1.0 : 1.0;
    s.h = 1.05;
    s.medium = medium;
    return s;
}

Surface glass(double r, double e, const GlassCoefficients& k, const char* name,
              const std::array<double, 3>& wavelength) {
    Surface s = surface(r, e, 1.0, name);
    s.coef = k;
    RecomputeIndices(s, wavelength);
    return s;
}

// Entry N+1 as a placeholder; the run cycle puts it at the focus.
void finish(SystemModel& m, int N) {
    m.sys.surfaceCount = N;
    m.surf[static_cast<size_t>(N + 1)] = m.surf[static_cast<size_t>(N)];
    m.surf[static_cast<size_t>(N + 1)].r = kFlatRadius;
}

// Two air-spaced crown/flint doublets (a Petzval-type objective), f/5, 2 degrees.
SystemModel lens() {
    SystemModel m;
    setDefaultSystem(m);
    m.sys.fNumber = m.sys.fNumberRef = 5.0;
    m.sys.fieldAngle = 2.0;
    const auto& w = m.sys.wavelength;
    m.surf[1] = glass(0.6, 0.025, kNBK7, "S N-BK7 Sel", w);
    m.surf[2] = surface(-0.45, 0.004, 1.0);
    m.surf[3] = glass(-0.46, 0.012, kNF2, "S N-F2 Sel", w);
    m.surf[4] = surface(-1.8, 0.45, 1.0);
    m.surf[5] = glass(0.4, 0.02, kNBK7, "S N-BK7 Sel", w);
    m.surf[6] = surface(-0.3, 0.004, 1.0);
    m.surf[7] = glass(-0.31, 0.01, kNF2, "S N-F2 Sel", w);
    m.surf[8] = surface(-1.2, 0.3, 1.0);
    finish(m, 8);
    return m;
}

// Classical Cassegrain f/10: paraboloid primary of focal length 0.4,
// hyperboloid secondary magnifying 2.5 times, focus 0.1 behind the primary.
SystemModel cassegrain() {
    SystemModel m;
    setDefaultSystem(m);
    const double f1 = 0.4, mm = 2.5, b = 0.1;
    const double d = (mm * f1 - b) / (mm + 1.0), p = f1 - d, q = d + b;
    m.surf[1] = surface(-2.0 * f1, -d, -1.0);
    m.surf[1].k = -1.0;
    m.surf[2] = surface(-2.0 * p * q / (q - p), q, 1.0);
    m.surf[2].k = -std::pow((mm + 1.0) / (mm - 1.0), 2);
    finish(m, 2);
    return m;
}

// Schmidt camera f/2: a plate with the corrector profile on its second face
// and a spherical mirror at its centre of curvature.
SystemModel schmidt() {
    SystemModel m;
    setDefaultSystem(m);
    m.sys.fNumber = m.sys.fNumberRef = 2.0;
    m.surf[1] = glass(kFlatRadius, 0.02, kNBK7, "S N-BK7 Sel", m.sys.wavelength);
    m.surf[2] = surface(kFlatRadius, 2.0, 1.0);
    m.surf[3] = surface(-2.0, -1.0, -1.0);
    finish(m, 3);
    const double n = m.surf[1].n[colourIndex(kGreen)];
    const double rho = -2.0, h = 0.866 / 4.0, H = h * h, s = (h / rho) * (h / rho);
    const double L = (rho / 2.0) / std::sqrt(1.0 - s);
    const double Q = (2.0 * (rho - L) - rho * std::sqrt(1.0 - s)) / (1.0 - n);
    const double a2 = ((L - rho / 2.0) / L / rho) / (n - 1.0);
    m.surf[2].schmidt = 1.0;
    m.surf[2].A2 = a2;
    m.surf[2].A4 = (3.0 * Q - 2.0 * H * a2) / (H * H);
    m.surf[2].A6 = (H * a2 - 2.0 * Q) / (H * H * H);
    return m;
}

// Time of one scalar sincos call: one loop of 2^20 calls.
double timeSincosLoop() {
    constexpr int kCalls = 1 << 20;
    double x = 0.1, sum = 0.0;
    benchmark::DoNotOptimize(x);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCalls; ++i) {
        const double s = std::sin(x), c = std::cos(x);  // one sincos call
        sum += s + c;
        x += 1e-6;
        benchmark::DoNotOptimize(x);
    }
    const std::chrono::duration<double, std::nano> t = std::chrono::steady_clock::now() - start;
    benchmark::DoNotOptimize(sum);
    return t.count() / kCalls;
}

// The best calibration loop of the run so far, timed again at every call, so
// that a moment of load on the machine does not skew every ratio.
double sincosNanoseconds() {
    static double best = std::numeric_limits<double>::infinity();
    for (int run = 0; run < 2; ++run) best = std::min(best, timeSincosLoop());
    return best;
}

// Times each iteration of a benchmark loop; the best one is what the trace
// costs when nothing else runs on the core, which a shared machine rarely
// gives for a whole run.
class IterationClock {
public:
    void lap() {
        const auto now = std::chrono::steady_clock::now();
        best_ = std::min(best_, std::chrono::duration<double, std::nano>(now - last_).count());
        last_ = now;
    }
    double best() const { return best_; }

private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    double best_ = std::numeric_limits<double>::infinity();
};

struct Bench {
    std::unique_ptr<Workspace> ws = std::make_unique<Workspace>();
    std::unique_ptr<TraceSystem> sys = std::make_unique<TraceSystem>();
    std::vector<RayState> rays;  // start values of the pupil grid
    // Sine and cosine of each ray's pupil azimuth, computed once as the spot
    // computation does for its grid.
    std::vector<double> sinAzimuth, cosAzimuth;
};

// The system after the run cycle, with the clear apertures of the layout, and
// 13 rings of 36 azimuths in the fields -w, 0, +w.
std::unique_ptr<Bench> setUp(SystemModel m) {
    auto b = std::make_unique<Bench>();
    Initialize(*b->ws);
    b->ws->model = std::move(m);
    Start(*b->ws);
    const Workspace& ws = *b->ws;
    prepareTrace(ws.model, ws.paraxial, ws.layout.beamFactor, *b->sys);
    const double radius = std::fabs(ws.model.sys.normFocal / 2.0 / ws.model.sys.fNumber);
    for (int field = -1; field <= 1; ++field)
        for (int ring = 1; ring <= ws.pupil.zoneCount; ++ring)
            for (int k = 0; k < 36; ++k) {
                RayState ray;
                aimRay(*b->sys, radius * ws.pupil.zoneHeight[static_cast<size_t>(ring)],
                       k * std::numbers::pi / 18.0,
                       field * ws.model.sys.fieldAngle * std::numbers::pi / 180.0, ray);
                b->rays.push_back(ray);
                b->sinAzimuth.push_back(std::sin(ray.pupilAzimuth));
                b->cosAzimuth.push_back(std::cos(ray.pupilAzimuth));
            }
    return b;
}

void traceGrid(benchmark::State& state, SystemModel (*build)()) {
    const auto b = setUp(build());
    const double raySurfaces = double(b->rays.size()) * (b->sys->N + 1);
    RayState ray;
    int blocked = 0, failed = 0;
    const auto start = std::chrono::steady_clock::now();
    IterationClock clock;
    for (auto _ : state) {
        blocked = failed = 0;
        for (const RayState& aim : b->rays) {
            ray.pupilRadius = aim.pupilRadius;
            ray.pupilAzimuth = aim.pupilAzimuth;
            ray.rayField = aim.rayField;
            ray.L = aim.L;
            ray.M = aim.M;
            ray.N = aim.N;
            ray.blocked = false;
            TraceRay(*b->sys, ray);
            blocked += ray.blocked;
            failed += ray.failed;
        }
        benchmark::DoNotOptimize(ray.path);
        clock.lap();
    }
    const std::chrono::duration<double, std::nano> elapsed =
        std::chrono::steady_clock::now() - start;
    const double perRaySurface = elapsed.count() / (double(state.iterations()) * raySurfaces);
    const double sincos = sincosNanoseconds();
    state.counters["ns_per_ray_surface"] = perRaySurface;
    state.counters["best_ns_per_ray_surface"] = clock.best() / raySurfaces;
    state.counters["sincos_ns"] = sincos;
    state.counters["in_sincos"] = perRaySurface / sincos;
    state.counters["rays"] = double(b->rays.size());
    state.counters["blocked"] = blocked;
    state.counters["failed"] = failed;
}

// The same grid in batches of one field each: the fields are the outer loop
// of the grid, so each run of rays of one field is cut into full batches.
void traceGridBatched(benchmark::State& state, SystemModel (*build)(), int lanes = batchLanes()) {
    const auto b = setUp(build());
    const double raySurfaces = double(b->rays.size()) * (b->sys->N + 1);
    auto batch = std::make_unique<RayBatch>();
    int blocked = 0, failed = 0;
    const auto start = std::chrono::steady_clock::now();
    IterationClock clock;
    for (auto _ : state) {
        blocked = failed = 0;
        for (size_t first = 0; first < b->rays.size();) {
            const double field = b->rays[first].rayField;
            batch->rayField = field;
            batch->count = 0;
            while (first < b->rays.size() && batch->count < kBatchRays &&
                   b->rays[first].rayField == field) {
                const RayState& aim = b->rays[first];
                batch->set(batch->count++, aim.pupilRadius, b->sinAzimuth[first],
                           b->cosAzimuth[first], aim.L, aim.M, aim.N);
                ++first;
            }
            traceBatch(*b->sys, *batch, lanes);
            for (int l = 0; l < batch->count; ++l) {
                blocked += batch->blocked[static_cast<size_t>(l)];
                failed += batch->failed[static_cast<size_t>(l)];
            }
        }
        benchmark::DoNotOptimize(batch->path);
        clock.lap();
    }
    const std::chrono::duration<double, std::nano> elapsed =
        std::chrono::steady_clock::now() - start;
    const double perRaySurface = elapsed.count() / (double(state.iterations()) * raySurfaces);
    const double sincos = sincosNanoseconds();
    state.counters["ns_per_ray_surface"] = perRaySurface;
    state.counters["best_ns_per_ray_surface"] = clock.best() / raySurfaces;
    state.counters["sincos_ns"] = sincos;
    state.counters["in_sincos"] = perRaySurface / sincos;
    state.counters["rays"] = double(b->rays.size());
    state.counters["blocked"] = blocked;
    state.counters["failed"] = failed;
    state.counters["lanes"] = lanes == 8 ? batchLanes() : 4;
}

double minimum(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

void BM_TraceSpheres8(benchmark::State& state) {
    traceGrid(state, lens);
}
void BM_TraceConics2(benchmark::State& state) {
    traceGrid(state, cassegrain);
}
void BM_TraceAsphere3(benchmark::State& state) {
    traceGrid(state, schmidt);
}

void BM_BatchSpheres8(benchmark::State& state) {
    traceGridBatched(state, lens);
}
void BM_BatchConics2(benchmark::State& state) {
    traceGridBatched(state, cassegrain);
}
void BM_BatchAsphere3(benchmark::State& state) {
    traceGridBatched(state, schmidt);
}
// The four-lane variant where the processor would run the eight-lane one.
void BM_BatchConics2FourLanes(benchmark::State& state) {
    traceGridBatched(state, cassegrain, 4);
}

void BM_SinCosCalibration(benchmark::State& state) {
    double ns = 0.0;
    for (auto _ : state) ns = sincosNanoseconds();
    state.counters["sincos_ns"] = ns;
}

BENCHMARK(BM_SinCosCalibration)->Iterations(1);
BENCHMARK(BM_TraceSpheres8)->ComputeStatistics("min", minimum);
BENCHMARK(BM_TraceConics2)->ComputeStatistics("min", minimum);
BENCHMARK(BM_TraceAsphere3)->ComputeStatistics("min", minimum);
BENCHMARK(BM_BatchSpheres8)->ComputeStatistics("min", minimum);
BENCHMARK(BM_BatchConics2)->ComputeStatistics("min", minimum);
BENCHMARK(BM_BatchAsphere3)->ComputeStatistics("min", minimum);
BENCHMARK(BM_BatchConics2FourLanes)->ComputeStatistics("min", minimum);

}  // namespace
}  // namespace vn
