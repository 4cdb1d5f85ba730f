// The batched trace against the trace of single rays: every value the spot
// computation and the PSF read, and the blocked and failed flags, on the
// shipped examples and on random systems of every surface kind.
#include "optics/batch_trace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

#include "allocation_counter.h"
#include "mainwindow/document.h"
#include "mainwindow/run_cycle.h"
#include "optics/surface_intersection.h"
#include "test_systems.h"

// The trace compiled once more, for eight lanes and without instructions of
// its own: the eight-lane variant that the program picks on processors with
// AVX-512 shares all its width-dependent logic with this one, which runs on
// any machine.
// Its vectors pass by value only between its own functions (GCC's note on
// their calling convention concerns no caller), so the note is off for the
// whole file, where the compiler emits it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif
namespace vn::portable8 {
constexpr int kLanes = 8;
#define VN_KERNEL_AVX512 0
#define VN_KERNEL_PORTABLE 1
#include "optics/batch_trace_kernel.inc"
#undef VN_KERNEL_PORTABLE
#undef VN_KERNEL_AVX512
}  // namespace vn::portable8

namespace vn {
namespace {

// Both traces perform the same operations; anything above rounding is a fault.
constexpr double kAgreement = 1e-12;

bool agree(double batched, double single) {
    if (batched == single) return true;
    return std::fabs(batched - single) <= kAgreement * std::max(1.0, std::fabs(single));
}

struct Tally {
    int rays = 0, blocked = 0, failed = 0;
};

// Traces `count` rays of one colour and field both ways and compares them.
// The rays are spread over the pupil out to `reach` and over all azimuths.
void compareBatch(const TraceSystem& sys, double reach, double field, int colour, int count,
                  std::mt19937& random, Tally& tally, const std::string& what) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto batch = std::make_unique<RayBatch>();
    batch->rayColour = static_cast<std::uint8_t>(colour);
    batch->rayField = field;
    batch->refColour = static_cast<std::uint8_t>(colour % 3);
    batch->refX = {0.0, 1e-3, -2e-3};
    batch->refY = {0.0, 0.01, -0.02};
    batch->count = count;
    std::vector<RayState> single(static_cast<size_t>(count));
    for (int l = 0; l < count; ++l) {
        RayState& ray = single[static_cast<size_t>(l)];
        const double rho = l == 0 ? 0.0 : reach * unit(random);
        const double azimuth = 2.0 * std::numbers::pi * unit(random);
        ray.rayColour = batch->rayColour;
        ray.refColour = batch->refColour;
        ray.refX = batch->refX;
        ray.refY = batch->refY;
        aimRay(sys, rho, azimuth, field, ray);
        batch->set(l, rho, std::sin(azimuth), std::cos(azimuth), ray.L, ray.M, ray.N);
        TraceRay(sys, ray);
    }
    // The eight-lane variant (where the processor has it) and the portable
    // eight-lane one must give the four-lane one's numbers to the bit.
    auto wide = std::make_unique<RayBatch>(*batch);
    auto portable = std::make_unique<RayBatch>(*batch);
    traceBatch(sys, *batch, 4);
    traceBatch(sys, *wide, 8);
    portable8::traceLanes(sys, *portable);
    for (int l = 0; l < count; ++l) {
        const auto b = static_cast<size_t>(l);
        const RayState& r = single[b];
        SCOPED_TRACE(what + ", ray " + std::to_string(l));
        for (const RayBatch* other : {wide.get(), portable.get()}) {
            for (auto member :
                 {&RayBatch::x, &RayBatch::y, &RayBatch::z, &RayBatch::L, &RayBatch::M,
                  &RayBatch::N, &RayBatch::path, &RayBatch::step, &RayBatch::waveTerm})
                ASSERT_EQ(
                    std::memcmp(&((*batch).*member)[b], &((*other).*member)[b], sizeof(double)), 0);
            ASSERT_EQ(batch->blocked[b], other->blocked[b]);
            ASSERT_EQ(batch->failed[b], other->failed[b]);
            ASSERT_EQ(batch->failedAt[b], other->failedAt[b]);
        }
        ASSERT_EQ(batch->failed[b] != 0, r.failed);
        ASSERT_EQ(batch->failedAt[b], r.failedAt);
        ASSERT_EQ(batch->blocked[b] != 0, r.blocked);
        const double pairs[][2] = {
            {batch->x[b], r.x},       {batch->y[b], r.y},       {batch->z[b], r.z},
            {batch->L[b], r.L},       {batch->M[b], r.M},       {batch->N[b], r.N},
            {batch->path[b], r.path}, {batch->step[b], r.step}, {batch->waveTerm[b], r.waveTerm}};
        for (const auto& p : pairs) ASSERT_TRUE(agree(p[0], p[1])) << p[0] << " vs " << p[1];
        ++tally.rays;
        tally.blocked += r.blocked;
        tally.failed += r.failed;
    }
}

TEST(BatchTrace, AgreesWithSingleRaysOnEveryExample) {
    std::mt19937 random(7);
    int examples = 0;
    Tally tally;
    auto ws = std::make_unique<Workspace>();
    auto sys = std::make_unique<TraceSystem>();
    const std::string dir = std::string(VARNISTRALE_TEST_DATA_DIR) + "/examples";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        Initialize(*ws);
        ASSERT_TRUE(openSystemFile(*ws, entry.path().string()).ok) << entry.path();
        const SystemModel& m = ws->model;
        prepareTrace(m, ws->paraxial, ws->layout.beamFactor, *sys);
        const double pupil = std::fabs(m.sys.normFocal / 2.0 / m.sys.fNumber);
        for (int colour = 1; colour <= 3; ++colour)
            for (double fraction : {0.0, 1.0, -1.6})
                compareBatch(*sys, 1.3 * pupil,
                             fraction * m.sys.fieldAngle * std::numbers::pi / 180.0, colour,
                             kBatchRays - 5, random, tally, entry.path().filename().string());
        ++examples;
    }
    EXPECT_GE(examples, 10);
    // The pupil is overfilled: some rays must be blocked.
    EXPECT_GT(tally.blocked, 0);
}

TEST(BatchTrace, AgreesWithSingleRaysOnRandomSystemsOfEveryKind) {
    // Conics, polynomial aspheres, tori, tilts in both sections, tolerance
    // offsets, stops, obstructions and clear apertures, finite objects, and
    // values that make rays miss, reflect totally or fail to converge.
    std::mt19937 random(20251208);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    auto pick = [&](std::initializer_list<double> values) {
        const auto k = std::uniform_int_distribution<size_t>(0, values.size() - 1)(random);
        return *(values.begin() + k);
    };
    auto ws = std::make_unique<Workspace>();
    auto sys = std::make_unique<TraceSystem>();
    Tally tally;
    for (int trial = 0; trial < 300; ++trial) {
        Initialize(*ws);
        SystemModel& m = ws->model;
        switch (trial % 5) {
            case 0:
                m = test::cassegrain();
                break;
            case 1:
                m = test::schmidtCamera();
                break;
            case 2:
                m = test::singlet(0.6, -1.8, 0.05);
                break;
            case 3:
                m = test::newtonian();
                break;
            default:
                m = test::mirrorBehind(trial % 2 ? "Luft/Blende" : "Luft/Obstr", 0.4);
                break;
        }
        for (int i = 1; i <= m.N(); ++i) {
            Surface& s = m.surf[static_cast<size_t>(i)];
            if (unit(random) > 0.6) s.r *= pick({0.3, -1.0, 2.0, 1e-3});
            if (unit(random) > 0.5) s.k = pick({-1.0, -3.5, 0.7, 40.0});
            if (unit(random) > 0.6) s.u = pick({0.5, -3.0, 20.0, 89.0});
            if (unit(random) > 0.6) s.sagittal = true;
            if (unit(random) > 0.6) s.A2 = pick({1e-3, -0.05, 0.3});
            if (unit(random) > 0.6) s.A4 = pick({0.02, -1.0, 50.0, -4e7});
            if (unit(random) > 0.7) s.A6 = pick({0.5, -30.0});
            if (unit(random) > 0.7) s.A8 = pick({0.5, 1.5, -0.3});
            if (unit(random) > 0.6) s.h = pick({0.3, 0.9, 1.0, 2.0});
            if (unit(random) > 0.6) s.tolDy = 0.01 * unit(random);
            if (unit(random) > 0.6) s.tolDx = 0.01 * unit(random);
            if (unit(random) > 0.8) s.medium = pick({0.0, 1.0}) ? "Luft/Blende" : "Luft/Schatten";
        }
        if (trial % 4 == 0) m.sys.objectDistance = pick({-3.0, -20.0, 5.0});
        Start(*ws);  // may refuse the system; the trace must agree either way
        placeImagePlane(m, ws->paraxial);
        if (trial % 3 == 0) {
            // A tilted, curved image surface, as the spot computation leaves it.
            m.surf[static_cast<size_t>(m.N() + 1)].u = 2.0;
            m.surf[static_cast<size_t>(m.N() + 1)].r = -1.5;
        }
        prepareTrace(m, ws->paraxial, ws->layout.beamFactor, *sys);
        const double pupil = std::fabs(m.sys.normFocal / 2.0 / m.sys.fNumber);
        const double reach = std::isfinite(pupil) && pupil > 0.0 ? 1.5 * pupil : 0.1;
        const int colour = 1 + trial % 3;
        const double field = 0.02 * unit(random);
        compareBatch(*sys, reach, field, colour, trial % 2 ? kBatchRays : 1 + trial % 40, random,
                     tally, "trial " + std::to_string(trial));
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(tally.blocked, tally.failed);
    EXPECT_GT(tally.failed, 0);
    EXPECT_LT(tally.blocked, tally.rays);
}

TEST(BatchTrace, TracingAllocatesNothing) {
    if (!test::allocationCountingActive()) GTEST_SKIP() << "allocator not counted";
    auto ws = std::make_unique<Workspace>();
    Initialize(*ws);
    ws->model = test::schmidtCamera();
    Start(*ws);
    auto sys = std::make_unique<TraceSystem>();
    prepareTrace(ws->model, ws->paraxial, ws->layout.beamFactor, *sys);
    auto batch = std::make_unique<RayBatch>();
    for (int l = 0; l < kBatchRays; ++l) batch->set(l, 0.002 * l, 0.6, 0.8, 0.0, 0.0, 1.0);
    batch->count = kBatchRays;
    const std::size_t before = test::allocationCount();
    traceBatch(*sys, *batch);
    EXPECT_EQ(test::allocationCount(), before);
    EXPECT_EQ(batch->failed[0], 0);
}

}  // namespace
}  // namespace vn
