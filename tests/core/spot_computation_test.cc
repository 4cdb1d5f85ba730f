#include "spot/spot_computation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>

#include "allocation_counter.h"
#include "mainwindow/commands.h"
#include "mainwindow/document.h"
#include "psf/psf_analysis.h"
#include "psf/psf_computation.h"
#include "spot/focus_fit.h"
#include "spot/focus_model.h"
#include "spot/spot_report.h"
#include "spot_test_support.h"
#include "test_systems.h"

namespace vn {
namespace {

// The spot picture and the statistics place a ray with its single-precision
// direction: over one focal length a slope of 0.05 carries 6e-8 of relative
// rounding, 3e-9 focal lengths, 3 nm at 1000 mm.
constexpr double kFloatDirectionUm = 0.01;

TEST(SpotComputation, ParaboloidImagesTheAxisToAPointWithoutLoss) {
    auto ws = test::spotsFor(test::mirror(-1.0));
    const SpotResults& res = ws->spot.results;
    EXPECT_EQ(res.rings, 13);
    EXPECT_EQ(res.azimuths, 36);
    for (int colour : {kRed, kGreen, kBlue}) {
        const SpotStatistics axis = spotStatistics(*ws, 1, colour);
        EXPECT_EQ(axis.rays, 1 + 13 * 36);
        EXPECT_LT(axis.rmsRadiusUm, kFloatDirectionUm) << colour;
        EXPECT_LT(axis.geoRadiusUm, kFloatDirectionUm) << colour;
    }
    // Coma at the field point: a spot, with its centroid above the chief ray.
    const SpotStatistics field = spotStatistics(*ws, 2, kGreen);
    EXPECT_GT(field.rmsRadiusUm, 1.0);
    EXPECT_GT(field.centroidYUm, 0.0);
    // The paraxial focus of a paraboloid is its best focus; nothing is lost, and
    // an unapodised pupil weighs every ray 1.
    EXPECT_NEAR(res.focusShift, 0.0, 1e-12);
    EXPECT_EQ(res.lightLoss[0], 0.0);
    EXPECT_EQ(res.lightLoss[1], 0.0);
    EXPECT_EQ(res.vignetting, 0.0);
    EXPECT_EQ(ws->spot.weights[7][13][2], 1.0f);
    EXPECT_TRUE(ws->flags.spotComputed);
    EXPECT_TRUE(ws->flags.psfStale);
    // The focus sits on the image surface found.
    EXPECT_EQ(ws->spot.window.focus, ws->paraxial.signedFocal);
    EXPECT_EQ(ws->spot.window.referenceFocus, ws->paraxial.signedFocal);
}

TEST(SpotComputation, FieldPointFollowsTheChooserLinearly) {
    SpotWindowState w;
    // The initial point, the top middle: the maximum field angle.
    EXPECT_DOUBLE_EQ(fieldPoint(w, 0.5).angle, 0.5);
    // A chooser corner: sqrt(2) times the maximum.
    w.selectedX = w.chooserX;
    w.selectedY = w.chooserY;
    EXPECT_DOUBLE_EQ(fieldPoint(w, 0.5).angle, 0.5 * std::sqrt(2.0));
    // Outside the square, 150 pixels right of the centre.
    w.selectedX = w.chooserX + 250;
    w.selectedY = w.chooserY + 100;
    EXPECT_DOUBLE_EQ(fieldPoint(w, 1.0).angle, 1.5);
    // Clicks on or left of the chooser's left edge pick nothing.
    Workspace ws;
    ws.flags.spotComputed = true;
    EXPECT_FALSE(pickFieldPoint(ws, 275, 120));
    EXPECT_TRUE(ws.flags.spotComputed);
    EXPECT_EQ(ws.spot.window.selectedX, 375);
    EXPECT_TRUE(pickFieldPoint(ws, 276, 300));
    EXPECT_FALSE(ws.flags.spotComputed);
    EXPECT_DOUBLE_EQ(fieldPoint(ws.spot.window, 1.0).angle, std::hypot(99.0, 125.0) / 100.0);
    // A fraction of the maximum field above the axis, on the chooser's middle.
    pickFieldFraction(ws, -0.505);
    EXPECT_EQ(ws.spot.window.selectedX, ws.spot.window.chooserX + 100);
    EXPECT_EQ(ws.spot.window.selectedY, ws.spot.window.chooserY + 150);  // -50.5 to even
    EXPECT_DOUBLE_EQ(fieldPoint(ws.spot.window, 1.0).angle, 0.5);
    // A system without field puts the field point on the axis.
    const FieldPoint none = fieldPoint(w, 0.0);
    EXPECT_TRUE(none.onAxis);
    EXPECT_EQ(none.angle, 0.0);
    EXPECT_EQ(none.r, 0.0);
}

TEST(SpotComputation, FieldPointAtTheChooserCentreIsTheAxis) {
    auto ws = test::spotsFor(test::defaultSystem(), {}, 0.0);
    const SpotResults& res = ws->spot.results;
    const SpotStore& store = *ws->spot.store;
    // The three fit points coincide: no sag, so the best sphere is the medial
    // image surface, here behind one mirror.
    EXPECT_DOUBLE_EQ(res.bestSphereRadius, 1.0 / static_cast<double>(ws->sums.curvature));
    EXPECT_EQ(res.distortion, 0.0);
    EXPECT_EQ(res.fieldAngle, 0.0);
    for (int j = 0; j < res.azimuths; ++j)
        for (int k = 0; k <= res.rings; ++k) {
            const size_t axis = SpotStore::index(j, k, kBlue, 1);
            const size_t field = SpotStore::index(j, k, kBlue, 2);
            ASSERT_EQ(store.y[axis], store.y[field]);
            ASSERT_EQ(store.x[axis], store.x[field]);
            ASSERT_EQ(store.wave[axis], store.wave[field]);
        }
}

TEST(SpotComputation, MedialFallbackAgreesWithTheFitWhateverTheNumberOfMirrors) {
    // At the chooser centre the medial image surface stands in for the fit;
    // one pixel off it the fit finds the sphere. Both describe the same image
    // surface, so they agree in sign and nearly in size, after one mirror
    // (Schmidt camera, the flat of the diagonal refractor), two (Newtonian) or
    // none (achromat).
    for (const char* name :
         {"schmidt-camera.opt", "refractor-diagonal.opt", "newtonian-f5.opt", "achromat-f15.opt"}) {
        const SystemModel m = test::example(name);
        auto centre = test::spotsFor(m, {}, 0.0);
        auto near = test::spotsFor(m, {}, 0.01);
        const double fallback = centre->spot.results.bestSphereRadius;
        const double fit = near->spot.results.bestSphereRadius;
        ASSERT_NE(fit, kFlatRadius) << name;
        EXPECT_NEAR(fallback, fit, 0.01 * std::fabs(fit)) << name;
        // The radius goes into the model as the image surface.
        EXPECT_EQ(centre->model.surf[idx(m.N() + 1)].r, fallback) << name;
    }
    EXPECT_EQ(medialImageRadius(0.5, 1.0), -2.0);
    EXPECT_EQ(medialImageRadius(0.5, -1.0), 2.0);
    EXPECT_EQ(medialImageRadius(0.0, -1.0), kFlatRadius);
}

TEST(SpotComputation, SystemWithoutFieldComputesTheAxisTwice) {
    SystemModel m = test::mirror(-1.0);
    m.sys.fieldAngle = 0.0;
    auto ws = test::spotsFor(m);
    const SpotResults& res = ws->spot.results;
    EXPECT_EQ(res.fieldAngle, 0.0);
    EXPECT_EQ(res.distortion, 0.0);
    EXPECT_EQ(res.chiefY[1], res.chiefY[0]);
    EXPECT_TRUE(std::isfinite(res.bestSphereRadius));
    EXPECT_LT(spotStatistics(*ws, 2, kGreen).rmsRadiusUm, kFloatDirectionUm);
}

TEST(SpotComputation, SpiderVanesBlockWholeAzimuthColumns) {
    SystemModel m = test::mirror(-1.0);
    m.sys.spiderCount = 3;
    auto ws = test::spotsFor(m);
    const int n = ws->spot.results.rings, nAz = ws->spot.results.azimuths;
    ASSERT_EQ(nAz, 36);
    for (int j = 0; j < nAz; ++j) {
        const bool vane = j == 0 || j == 12 || j == 24;
        for (int k = 0; k <= n; ++k)
            for (int slot = 0; slot < 3; ++slot)
                ASSERT_EQ(ws->spot.weights[idx(j)][idx(k)][idx(slot)], vane ? 0.0f : 1.0f)
                    << j << " " << k << " " << slot;
    }
    // 33 of 36 azimuths on every ring and colour; the central ray is in a vane
    // column.
    const double expected = (1.0 - 3.0 * n * 33 / (3.0 * n * 36 + 1.0)) * 100.0;
    EXPECT_NEAR(ws->spot.results.lightLoss[0], expected, 1e-12);
    EXPECT_NEAR(ws->spot.results.lightLoss[1], expected, 1e-12);
    EXPECT_EQ(spotStatistics(*ws, 1, kGreen).rays, 33 * n);
}

TEST(SpotComputation, ObstructedRaysLoseTheirWeightInEveryLaterColour) {
    // A central obstruction of 40 % of the beam diameter in front of the mirror:
    // the inner rings are blocked in red already, and their weight stays 0.
    auto ws = test::spotsFor(test::mirrorBehind("Luft/Obstr", 0.4));
    const SpotResults& res = ws->spot.results;
    const int n = res.rings, nAz = res.azimuths;
    int blocked = 0;
    for (int k = 0; k <= n; ++k) {
        const bool inside = ws->pupil.zoneHeight[idx(k)] < 0.4;
        for (int colour = kRed; colour <= kGreen; ++colour)
            EXPECT_EQ(ws->spot.store->blocked[SpotStore::index(5, k, colour, 1)] != 0, inside) << k;
        EXPECT_EQ(ws->spot.weights[5][idx(k)][1], inside ? 0.0f : 1.0f) << k;
        if (inside && k > 0) blocked += nAz;
    }
    const double kept = 3.0 * (n * nAz - blocked);  // the central ray is blocked too
    EXPECT_NEAR(res.lightLoss[0], (1.0 - kept / (3.0 * n * nAz + 1.0)) * 100.0, 1e-12);
    EXPECT_GT(res.lightLoss[0], 10.0);
}

TEST(SpotComputation, FocalSurfaceChoiceIsWrittenIntoTheModel) {
    // A tilted singlet tilts the best image plane.
    SystemModel m = test::singlet(0.6, -1.8, 0.05);
    m.surf[1].u = 3.0;
    m.surf[2].u = 3.0;
    m.sys.fieldAngle = 2.0;
    for (SpotTarget target :
         {SpotTarget::BestSphere, SpotTarget::BestPlane, SpotTarget::PerpendicularPlane}) {
        auto ws =
            test::spotsFor(m, [target](Workspace& w) { w.settings.values.spotTarget = target; });
        const SpotResults& res = ws->spot.results;
        const Surface& image = ws->model.surf[idx(ws->model.N() + 1)];
        ASSERT_GT(std::fabs(res.imageTilt), 0.01);
        switch (target) {
            case SpotTarget::BestSphere:
                EXPECT_EQ(image.r, res.bestSphereRadius);
                EXPECT_EQ(image.u, -res.imageTilt);
                break;
            case SpotTarget::BestPlane:
                EXPECT_EQ(image.r, kFlatRadius);
                EXPECT_EQ(image.u, -res.imageTilt);
                break;
            case SpotTarget::PerpendicularPlane:
                EXPECT_EQ(image.r, kFlatRadius);
                EXPECT_EQ(image.u, 0.0);
                break;
        }
        // The image surface passes through the axial best focus.
        EXPECT_EQ(ws->model.surf[idx(ws->model.N())].e, ws->paraxial.backFocus + res.focusShift);
    }
}

TEST(SpotComputation, FitWithFewerThanTwelveRingsIgnoresStaleRingRadii) {
    // Density 1 has 7 rings; the ring radii above them are those of a denser
    // grid computed before, and must not enter the fit.
    auto fresh = test::spotsFor(test::defaultSystem(), test::withSettings(1));
    auto reused = test::spotsFor(test::defaultSystem(), test::withSettings(4));
    reused->settings.controls.spotDensity = 1;
    Start(*reused);
    ASSERT_GT(reused->pupil.zoneHeight[10], 0.0);
    ASSERT_TRUE(berechnen(*reused).ok);
    EXPECT_EQ(reused->spot.results.rings, 7);
    EXPECT_EQ(reused->spot.results.focusShift, fresh->spot.results.focusShift);
    EXPECT_EQ(reused->spot.results.bestSphereRadius, fresh->spot.results.bestSphereRadius);
    // The sphere's zones focus nearer the mirror than its paraxial focus: the
    // fit moves the image surface.
    EXPECT_NE(fresh->spot.results.focusShift, 0.0);
}

TEST(SpotComputation, ResultsDoNotDependOnTheNumberOfThreads) {
    const SystemModel m = test::example("petzval-astrograph.opt");
    WorkerPool one(1), five(5);
    auto a = test::spotsFor(m, test::withSettings(3, 30, 4, 8), 0.7, one);
    auto b = test::spotsFor(m, test::withSettings(3, 30, 4, 8), 0.7, five);
    const SpotStore& sa = *a->spot.store;
    const SpotStore& sb = *b->spot.store;
    EXPECT_EQ(std::memcmp(sa.y.data(), sb.y.data(), sizeof sa.y), 0);
    EXPECT_EQ(std::memcmp(sa.xRef.data(), sb.xRef.data(), sizeof sa.xRef), 0);
    EXPECT_EQ(std::memcmp(sa.dirM.data(), sb.dirM.data(), sizeof sa.dirM), 0);
    EXPECT_EQ(std::memcmp(sa.wave.data(), sb.wave.data(), sizeof sa.wave), 0);
    EXPECT_EQ(std::memcmp(&a->spot.weights, &b->spot.weights, sizeof a->spot.weights), 0);
    EXPECT_EQ(a->spot.results.focusShift, b->spot.results.focusShift);
    EXPECT_EQ(a->spot.results.lightLoss[1], b->spot.results.lightLoss[1]);

    ASSERT_TRUE(BerechnePSF(*a, one).ok);
    ASSERT_TRUE(BerechnePSF(*b, five).ok);
    const PsfGrid& ga = *a->spot.psfGrid;
    const PsfGrid& gb = *b->spot.psfGrid;
    EXPECT_EQ(std::memcmp(ga.cells.data(), gb.cells.data(), sizeof ga.cells), 0);
}

// The batched trace gives every ray TraceRay's numbers, so the whole
// computation must not move by a bit from the one-ray-at-a-time path, on
// every example and on a field point off the meridional plane's symmetry.
TEST(SpotComputation, BatchedTraceGivesTheOneRayResultsOnEveryExample) {
    for (const char* name : {"achromat-f15.opt", "asphere-mirror.opt", "cassegrain-classical.opt",
                             "doublet-airspaced.opt", "newtonian-f5.opt", "petzval-astrograph.opt",
                             "refractor-diagonal.opt", "ritchey-chretien.opt", "schmidt-camera.opt",
                             "stop-obstruction.opt", "toric-mirror.opt"}) {
        SCOPED_TRACE(name);
        auto a = test::spotsFor(test::example(name), test::withSettings(3), 0.8);
        auto b = std::make_unique<Workspace>();
        Initialize(*b);
        b->model = test::example(name);
        test::withSettings(3)(*b);
        Start(*b);
        createSpotStore(*b);
        b->spot.window = a->spot.window;
        ASSERT_TRUE(berechnen(*b, sharedWorkerPool(), SpotTracing::OneRayAtATime).ok);
        const SpotStore& sa = *a->spot.store;
        const SpotStore& sb = *b->spot.store;
        EXPECT_EQ(std::memcmp(sa.y.data(), sb.y.data(), sizeof sa.y), 0);
        EXPECT_EQ(std::memcmp(sa.x.data(), sb.x.data(), sizeof sa.x), 0);
        EXPECT_EQ(std::memcmp(sa.yRef.data(), sb.yRef.data(), sizeof sa.yRef), 0);
        EXPECT_EQ(std::memcmp(sa.dirL.data(), sb.dirL.data(), sizeof sa.dirL), 0);
        EXPECT_EQ(std::memcmp(sa.opl.data(), sb.opl.data(), sizeof sa.opl), 0);
        EXPECT_EQ(std::memcmp(sa.wave.data(), sb.wave.data(), sizeof sa.wave), 0);
        EXPECT_EQ(std::memcmp(sa.blocked.data(), sb.blocked.data(), sizeof sa.blocked), 0);
        int fitDifferences = 0;
        for (size_t pass = 0; pass < 2; ++pass)
            for (size_t J = 0; J < 3; ++J)
                for (size_t k = 0; k < kFitRings; ++k)
                    for (size_t j = 0; j < kStoreAzimuths; ++j) {
                        const SpotStore::FitRay& u = sa.fit[pass][J][k][j];
                        const SpotStore::FitRay& v = sb.fit[pass][J][k][j];
                        fitDifferences += std::memcmp(&u.y, &v.y, sizeof u.y) != 0 ||
                                          std::memcmp(&u.yRef, &v.yRef, sizeof u.yRef) != 0 ||
                                          std::memcmp(&u.x, &v.x, sizeof u.x) != 0 ||
                                          u.usable != v.usable;
                    }
        EXPECT_EQ(fitDifferences, 0);
        EXPECT_EQ(a->spot.results.focusShift, b->spot.results.focusShift);
        EXPECT_EQ(a->spot.results.bestSphereRadius, b->spot.results.bestSphereRadius);
    }
}

TEST(SpotComputation, MirroredHalfOfTheFanEqualsTheTracedRays) {
    // The lens is its own mirror image in the meridional plane: the rays of
    // azimuths beyond n_az / 2 are taken from their mirror images. Traced
    // directly they agree to the rounding of the azimuth's sine.
    auto ws = test::spotsFor(test::example("petzval-astrograph.opt"), test::withSettings(2), 0.6);
    const SpotResults& res = ws->spot.results;
    ASSERT_TRUE(res.mirrored);
    const SpotStore& store = *ws->spot.store;
    const FieldPoint fp = fieldPoint(ws->spot.window, ws->model.sys.fieldAngle);
    const double pupilScale = std::fabs(ws->model.sys.normFocal) / (2.0 * ws->model.sys.fNumber);
    auto close = [](double a, double b) {
        return std::fabs(a - b) <= 1e-12 * (1.0 + std::fabs(a));
    };
    int compared = 0;
    for (int field = 1; field <= 2; ++field)
        for (int colour = kRed; colour <= kGreen; colour += 2)
            for (int k = 1; k <= res.rings; k += 4)
                for (int j = res.azimuths / 2 + 1; j < res.azimuths; j += 5) {
                    RayState ray;
                    ray.rayColour = static_cast<std::uint8_t>(colour);
                    const double h = pupilScale * ws->pupil.zoneHeight[idx(k)];
                    const double theta = 2.0 * std::numbers::pi * j / res.azimuths;
                    ray.pupilRadius = h;
                    ray.pupilAzimuth = theta;
                    ray.rayField = (field - 1) * fp.angle * std::numbers::pi / 180.0;
                    aimAtPupil(0.0, (field - 1) * fp.w, fp.G, ws->model.sys.objectDistance, h,
                               std::sin(theta), std::cos(theta), ray);
                    TraceRay(ws->spot.trace, ray);
                    const size_t i = SpotStore::index(j, k, colour, field);
                    ASSERT_TRUE(close(store.x[i], ray.x)) << field << colour << k << j;
                    ASSERT_TRUE(close(store.y[i], ray.y));
                    ASSERT_TRUE(close(store.opl[i], ray.path));
                    ASSERT_NEAR(store.dirL[i], ray.L, 1e-7 * std::fabs(ray.L) + 1e-12);
                    ASSERT_EQ(store.blocked[i] != 0, ray.blocked);
                    ++compared;
                }
    EXPECT_GT(compared, 20);

    // A surface tilted about the y axis breaks the symmetry: every ray is traced.
    SystemModel tilted = test::singlet(0.6, -1.8, 0.05);
    tilted.surf[2].u = 1.0;
    tilted.surf[2].sagittal = true;
    EXPECT_FALSE(test::spotsFor(tilted)->spot.results.mirrored);
}

TEST(SpotComputation, TheComputationsAllocateNothingOnceTheStoreExists) {
    if (!test::allocationCountingActive()) GTEST_SKIP() << "allocator not counted";
    // The largest grid: 97 rings of 144 azimuths, a PSF of radius 100.
    auto ws = test::spotsFor(test::example("newtonian-f5.opt"), [](Workspace& w) {
        w.settings.controls.spotDensity = 4;
        w.pupil.resolution = 2;
        w.settings.controls.psfDiameter = 50;
    });
    ASSERT_EQ(ws->spot.results.rings, 97);
    const std::size_t before = test::allocationCount();
    ASSERT_TRUE(berechnen(*ws).ok);
    ASSERT_TRUE(BerechnePSF(*ws).ok);
    analysePsf(*ws);
    rekonstruierenValues(*ws);
    EXPECT_EQ(test::allocationCount(), before);
}

TEST(SpotComputation, UntraceableSystemStillCompletesWithEverythingLost) {
    // An obstruction twice the beam: no ray reaches the image.
    auto ws = test::spotsFor(test::mirrorBehind("Luft/Obstr", 2.0));
    EXPECT_EQ(ws->spot.results.lightLoss[0], 100.0);
    EXPECT_EQ(ws->spot.results.lightLoss[1], 100.0);
    EXPECT_EQ(spotStatistics(*ws, 2, kGreen).rays, 0);
}

TEST(SpotComputation, SystemWithoutScaleIsRefused) {
    for (int which = 0; which < 2; ++which) {
        Workspace ws;
        Initialize(ws);
        if (which == 0) ws.model.sys.fNumberRef = 0.0;
        if (which == 1) ws.model.sys.focalLengthRef = 0.0;
        Start(ws);
        const ComputeStatus status = berechnen(ws);
        EXPECT_FALSE(status.ok) << which;
        EXPECT_FALSE(ws.flags.spotComputed);
    }
}

TEST(SpotComputation, RunCycleFillsTheWeightsAndPutsTheFocusOnTheImage) {
    Workspace ws;
    Initialize(ws);
    ws.model.sys.spiderCount = 4;
    ws.settings.controls.apodisation = 10;  // exponent 1
    Start(ws);
    const int n = ws.pupil.zoneCount;
    const double rho = ws.pupil.zoneHeight[idx(n)];
    EXPECT_EQ(ws.spot.weights[1][idx(n)][0], static_cast<float>(std::exp(-rho * rho)));
    EXPECT_EQ(ws.spot.weights[9][idx(n)][2], 0.0f);  // vane 1 of 4 at 36 azimuths
    EXPECT_EQ(ws.spot.weights[1][0][1], 1.0f);
    EXPECT_EQ(ws.spot.window.focus, ws.paraxial.signedFocal);
}

TEST(FocusModel, TrackKeysAndStepsMoveTheFocalPlane) {
    Workspace ws;
    Initialize(ws);
    Start(ws);
    const double delta = ws.paraxial.signedFocal;
    const double step = ws.settings.values.focusStep;
    // The middle of the track is the image surface; each step moves step x delta.
    moveFocusTrack(ws, 100);
    EXPECT_EQ(ws.spot.window.focus, delta);
    moveFocusTrack(ws, 103);
    EXPECT_NEAR(ws.spot.window.focus - delta, 3 * step * delta, 1e-15);
    EXPECT_TRUE(ws.flags.psfStale);
    // The keys step relative to the current focus.
    const double F = ws.spot.window.focus;
    stepFocusKey(ws, true);
    EXPECT_DOUBLE_EQ(ws.spot.window.focus, F * (1 + step));
    EXPECT_TRUE(ws.spot.window.focusKey);
    stepFocusKey(ws, false);
    EXPECT_DOUBLE_EQ(ws.spot.window.focus, F);
    // The PSF's keys, and the toolbar's focus step, restart the track from the
    // focus shown.
    stepFocusThroughPsf(ws, true);
    EXPECT_DOUBLE_EQ(ws.spot.window.focus, F / (1 + step));
    EXPECT_EQ(ws.spot.window.referenceFocus, ws.spot.window.focus);
    EXPECT_EQ(ws.spot.window.focusTrack, 100);
    moveFocusTrack(ws, 120);
    changeFocusStep(ws, true);
    EXPECT_DOUBLE_EQ(ws.settings.values.focusStep, 1e-4);
    EXPECT_EQ(ws.spot.window.referenceFocus, ws.spot.window.focus);
    EXPECT_EQ(ws.spot.window.focusTrack, 100);
}

}  // namespace
}  // namespace vn
