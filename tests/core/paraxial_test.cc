#include "optics/paraxial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "allocation_counter.h"
#include "mainwindow/document.h"
#include "mainwindow/run_cycle.h"
#include "model/glass.h"
#include "spot/spot_computation.h"
#include "test_systems.h"

namespace vn {
namespace {

using test::defaultSystem;
using test::mirror;

// The object "at infinity" stands 1e12 focal lengths away, which moves image
// distances by a few parts in 1e12; the recurrences themselves lose only ulps.
constexpr double kExact = 1e-11;
// A single-precision sum of terms of order 1 keeps about 7 digits.
constexpr float kSingle = 2e-7f;

struct Evaluated {
    SystemModel model;
    ParaxialData p;
    AberrationSums sums;
    EvaluationStatus status;
};

Evaluated evaluate(SystemModel m, bool fixedFocal = false) {
    Evaluated e{std::move(m), {}, {}, {}};
    e.status = EvaluateSystem(e.model, fixedFocal, e.p, e.sums);
    return e;
}

TEST(Paraxial, DefaultMirrorHasUnitFocalLengthAndFocusBehindIt) {
    Evaluated e = evaluate(defaultSystem());
    ASSERT_TRUE(e.status.ok);
    EXPECT_NEAR(e.model.sys.normFocal, 1.0, kExact);
    EXPECT_NEAR(e.p.backFocus, -1.0, kExact);
    EXPECT_EQ(e.p.focusSign, -1.0);
    EXPECT_NEAR(e.p.signedFocal, -1.0, kExact);
    EXPECT_NEAR(e.model.sys.fNumber, e.model.sys.fNumberRef, 10.0 * kExact);
    EXPECT_NEAR(e.model.sys.focalLength, 1000.0, 1000.0 * kExact);
    EXPECT_NEAR(e.p.marginalHeight[1], 1.0, kExact);
    EXPECT_FALSE(e.p.mirrorFound);  // a single surface has no mirror among 1..N-1
}

TEST(Paraxial, MirrorSumsMatchThirdOrderTheory) {
    // Spherical mirror of focal length 1 with the stop at the mirror: the Seidel
    // coefficients are S I = 1/4, S II = -1/2, S III = 1, Petzval -1 (so the
    // medial curvature 2 S III + S IV = 1) and S V = 0 in these units.
    Evaluated sphere = evaluate(mirror(0.0));
    ASSERT_TRUE(sphere.status.ok);
    EXPECT_NEAR(sphere.sums.spherical, 0.25f, kSingle);
    EXPECT_NEAR(sphere.sums.coma, -0.5f, kSingle);
    EXPECT_NEAR(sphere.sums.astigmatism, 1.0f, kSingle);
    EXPECT_NEAR(sphere.sums.curvature, 1.0f, kSingle);
    // A mirror has no colour: exactly zero, not merely small.
    EXPECT_EQ(sphere.sums.chromatic, 0.0f);
    EXPECT_EQ(sphere.sums.secondary, 0.0f);
    EXPECT_EQ(sphere.sums.lateralColour, 0.0f);

    // The paraboloid removes the spherical aberration; with the stop at the
    // mirror its coma stays that of the sphere.
    Evaluated paraboloid = evaluate(mirror(-1.0));
    EXPECT_NEAR(paraboloid.sums.spherical, 0.0f, kSingle);
    EXPECT_NEAR(paraboloid.sums.coma, -0.5f, kSingle);
}

double lensmakerFocal(double n, double r1, double r2, double d) {
    return 1.0 / ((n - 1.0) * (1.0 / r1 - 1.0 / r2 + (n - 1.0) * d / (n * r1 * r2)));
}

TEST(Paraxial, ThickSingletObeysTheLensmakerEquationInEveryColour) {
    const double r1 = 0.6, r2 = -1.8, d = 0.05;
    Evaluated e = evaluate(test::singlet(r1, r2, d));
    ASSERT_TRUE(e.status.ok);
    const auto& n = e.model.surf[1].n;
    const double fGreen = lensmakerFocal(n[colourIndex(kGreen)], r1, r2, d);
    const double fRed = lensmakerFocal(n[colourIndex(kRed)], r1, r2, d);
    const double fBlue = lensmakerFocal(n[colourIndex(kBlue)], r1, r2, d);
    EXPECT_NEAR(e.model.sys.normFocal, fGreen, kExact);
    // The colour passes run on the system scaled to focal length 1.
    EXPECT_NEAR(e.p.focalRed, fRed / fGreen, kExact);
    EXPECT_NEAR(e.p.focalBlue, fBlue / fGreen, kExact);
    EXPECT_NEAR(e.sums.lateralColour, (fRed - fBlue) / fGreen, 1e-6);
    // Back focal distance of a thick lens: f (1 - (n-1) d / (n r1)).
    const double ng = n[colourIndex(kGreen)];
    EXPECT_NEAR(e.p.backFocus, fGreen * (1.0 - (ng - 1.0) * d / (ng * r1)), kExact);
    EXPECT_GT(e.sums.chromatic, 0.0f);  // a positive crown lens focuses blue first
}

TEST(Paraxial, FixedFocalModeRenormalisesAndReportsTheRenormalisedSystem) {
    SystemModel m = test::singlet(0.6, -1.8, 0.05);
    m.surf[1].A2 = 0.01;
    m.surf[1].A4 = 0.2;
    m.surf[1].A6 = 0.3;
    ParaxialData p;
    AberrationSums s;
    SystemModel free = m;
    ASSERT_TRUE(EvaluateSystem(free, false, p, s).ok);
    const double M = free.sys.normFocal;
    ASSERT_GT(std::fabs(M - 1.0), 0.01);

    ASSERT_TRUE(EvaluateSystem(m, true, p, s).ok);
    EXPECT_NEAR(m.surf[1].r, 0.6 / M, kExact);
    EXPECT_NEAR(m.surf[1].A4, 0.2 * M * M * M, kExact);
    EXPECT_NEAR(m.surf[1].A6, 0.3 * std::pow(M, 5), kExact);
    // The results describe the stored, renormalised system at once, so the
    // image plane placed from them is where the stored system focuses.
    EXPECT_NEAR(m.sys.normFocal, 1.0, kExact);
    EXPECT_NEAR(m.sys.focalLength, m.sys.focalLengthRef, 1000.0 * kExact);
    SystemModel again = m;
    ParaxialData q;
    ASSERT_TRUE(EvaluateSystem(again, false, q, s).ok);
    EXPECT_NEAR(p.backFocus, q.backFocus, kExact);
    // Entrance pupil, object distance and the conic stay as they were.
    EXPECT_EQ(m.sys.entrancePupil, 0.0);
    EXPECT_EQ(m.sys.objectDistance, kObjectAtInfinity);
}

TEST(Paraxial, FreeFocalModeNeverChangesTheStoredLengths) {
    SystemModel m = test::singlet(0.6, -1.8, 0.05);
    m.surf[2].A2 = 0.02;
    m.surf[2].A4 = 0.5;
    const SystemModel before = m;
    ParaxialData p;
    AberrationSums s;
    ASSERT_TRUE(EvaluateSystem(m, false, p, s).ok);
    ASSERT_TRUE(EvaluateSystem(m, false, p, s).ok);
    for (int i = 1; i <= m.N(); ++i) {
        EXPECT_EQ(m.surf[i].r, before.surf[i].r);
        EXPECT_EQ(m.surf[i].e, before.surf[i].e);
        EXPECT_EQ(m.surf[i].A2, before.surf[i].A2);
        EXPECT_EQ(m.surf[i].A4, before.surf[i].A4);
    }
}

TEST(Paraxial, FoldingFlatMirrorAddsNoDeviationButTurnsLaterTilts) {
    // Paraboloid with a 45 degree diagonal (a Newtonian): the fold is not an
    // axis deviation of the unfolded system.
    SystemModel m = mirror(-1.0);
    m.sys.surfaceCount = 2;
    m.surf[1].e = -0.8;
    m.surf[2] = Surface{};
    m.surf[2].r = kFlatRadius;
    m.surf[2].u = 45.0;
    m.surf[2].e = 0.2;
    m.surf[2].h = 1.05;
    test::setAir(m, 2, 1.0);
    Evaluated folded = evaluate(m);
    ASSERT_TRUE(folded.status.ok);
    EXPECT_NEAR(folded.p.axisDeviation, 0.0, kExact);
    EXPECT_NEAR(folded.p.backFocus, 0.2, kExact);
    EXPECT_NEAR(folded.model.sys.normFocal, 1.0, kExact);

    // A tilted curved mirror deviates the axis by twice its tilt.
    SystemModel tilted = mirror(0.0);
    tilted.surf[1].u = 3.0;
    Evaluated t = evaluate(tilted);
    EXPECT_NEAR(t.p.axisDeviation, 6.0 * std::numbers::pi / 180.0, kExact);
}

TEST(Paraxial, ObjectOnAVertexPassesWithoutDividingByItsDistance) {
    // A field lens whose curved face lies exactly in the focus of the mirror:
    // the object distance there is zero, which the vertex rule handles. Neither
    // that face nor the plane one behind it changes the focal length.
    SystemModel m = mirror(0.0);
    m.sys.surfaceCount = 3;
    m.surf[1].e = -1.0;
    m.surf[2] = Surface{};
    m.surf[2].r = 0.3;
    m.surf[2].e = -0.01;
    m.surf[2].h = 1.05;
    test::setGlass(m, 2, test::kNBK7, "S     N-BK7         ", -1.0);
    m.surf[3] = Surface{};
    m.surf[3].r = kFlatRadius;
    m.surf[3].e = -0.1;
    m.surf[3].h = 1.05;
    test::setAir(m, 3, -1.0);
    Evaluated e = evaluate(m);
    ASSERT_TRUE(e.status.ok) << describe(e.status);
    EXPECT_TRUE(std::isfinite(e.p.backFocus));
    // A lens at the focus does not change the focal length.
    EXPECT_NEAR(e.model.sys.normFocal, 1.0, kExact);
}

TEST(Paraxial, MirrorLayoutOfCassegrainAndManginSystems) {
    // Classical Cassegrain: primary at surface 1, secondary at surface 2.
    SystemModel cass = mirror(-1.0);
    cass.sys.surfaceCount = 2;
    cass.surf[1].r = -8.0 / 15.0;
    cass.surf[1].e = -0.2;
    cass.surf[2] = Surface{};
    cass.surf[2].r = -8.0 / 15.0 * 15.0 / 44.0;
    cass.surf[2].e = 0.25;
    cass.surf[2].h = 1.05;
    test::setAir(cass, 2, 1.0);
    Evaluated c = evaluate(cass);
    ASSERT_TRUE(c.status.ok);
    EXPECT_TRUE(c.p.mirrorFound);
    EXPECT_EQ(c.p.primaryMirror, 1);
    EXPECT_EQ(c.p.secondaryMirror, 2);
    EXPECT_EQ(c.p.doublePass, 0);
    EXPECT_NEAR(c.model.sys.normFocal, 1.0, 1e-9);

    // Mangin mirror: glass after surface 1, silvered back at 2, the front face
    // passed again at 3 (same radius as 1, opposite spacing), then a flat.
    SystemModel mangin = defaultSystem();
    mangin.sys.surfaceCount = 4;
    for (int i = 1; i <= 4; ++i) {
        mangin.surf[i] = Surface{};
        mangin.surf[i].h = 1.05;
    }
    mangin.surf[1].r = -3.0;
    mangin.surf[1].e = 0.03;
    test::setGlass(mangin, 1, test::kNBK7, "S     N-BK7         ");
    mangin.surf[2].r = -2.5;
    mangin.surf[2].e = -0.03;
    test::setGlass(mangin, 2, test::kNBK7, "S     N-BK7         ", -1.0);
    mangin.surf[3].r = -3.0;
    mangin.surf[3].e = -0.5;
    test::setAir(mangin, 3, -1.0);
    mangin.surf[4].r = kFlatRadius;
    mangin.surf[4].e = -0.3;
    test::setAir(mangin, 4, -1.0);
    Evaluated g = evaluate(mangin);
    ASSERT_TRUE(g.status.ok) << describe(g.status);
    EXPECT_EQ(g.p.primaryMirror, 2);
    EXPECT_EQ(g.p.secondaryMirror, 4);
    EXPECT_EQ(g.p.doublePass, 1);
}

TEST(Paraxial, SchmidtPlateCancelsTheMirrorsSphericalAberration) {
    // Plate with the Schmidt factor on its second face (behind the glass) and a
    // spherical mirror of radius -2 two units behind it: the plate's term is
    // exactly the negative of the mirror's third-order spherical aberration.
    SystemModel m = defaultSystem();
    m.sys.surfaceCount = 3;
    for (int i = 1; i <= 3; ++i) {
        m.surf[i] = Surface{};
        m.surf[i].h = 1.05;
    }
    m.surf[1].r = kFlatRadius;
    m.surf[1].e = 0.01;
    test::setGlass(m, 1, test::kNBK7, "S     N-BK7         ");
    m.surf[2].r = kFlatRadius;
    m.surf[2].e = 2.0;
    m.surf[2].schmidt = 1.0;
    test::setAir(m, 2);
    m.surf[3].r = -2.0;
    m.surf[3].e = -1.0;
    test::setAir(m, 3, -1.0);
    Evaluated e = evaluate(m);
    ASSERT_TRUE(e.status.ok) << describe(e.status);
    EXPECT_NEAR(e.sums.spherical, 0.0f, 1e-6f);
}

TEST(Paraxial, SchmidtSurfaceBehindAirLeavesOnlyTheSeidelSumsUncomputed) {
    // The corrector profile on the plate's first face, behind air: the Schmidt
    // term divides by n - 1 = 0, the first-order data do not see the profile.
    SystemModel plain = test::schmidtCamera();
    plain.surf[2].schmidt = 0.0;
    SystemModel air = plain;
    air.surf[1].schmidt = 1.0;
    const Evaluated reference = evaluate(plain);
    ASSERT_TRUE(reference.status.ok && reference.status.seidelComputable);
    Evaluated e = evaluate(air);
    ASSERT_TRUE(e.status.ok) << describe(e.status);
    EXPECT_FALSE(e.status.seidelComputable);
    EXPECT_EQ(e.status.seidelSurface, 1);
    EXPECT_EQ(describe(e.status),
              "Fehler 3. Ordnung nicht berechenbar: Fläche 1: die Schmidt-Fläche liegt "
              "hinter Luft.");
    EXPECT_EQ(e.model.sys.normFocal, reference.model.sys.normFocal);
    EXPECT_EQ(e.model.sys.focalLength, reference.model.sys.focalLength);
    EXPECT_EQ(e.p.backFocus, reference.p.backFocus);
    EXPECT_EQ(e.p.exitPupilDistance, reference.p.exitPupilDistance);
    EXPECT_EQ(e.sums.chromatic, reference.sums.chromatic);
    EXPECT_EQ(e.sums.lateralColour, reference.sums.lateralColour);
    for (float v :
         {e.sums.spherical, e.sums.coma, e.sums.astigmatism, e.sums.curvature, e.sums.distortion})
        EXPECT_EQ(v, 0.0f);

    // The run cycle places the image plane and lays the system out; the spot
    // computation runs, with a flat image surface where the fit has no sphere.
    Workspace ws;
    Initialize(ws);
    ws.model = air;
    const EvaluationStatus started = Start(ws);
    ASSERT_TRUE(started.ok);
    EXPECT_FALSE(ws.evaluation.seidelComputable);
    EXPECT_EQ(ws.model.surf[3].e, reference.p.backFocus);
    EXPECT_GT(ws.layout.systemLength, 0.0);
    ws.spot.window.selectedY = ws.spot.window.chooserY + 100;  // the axis
    const ComputeStatus spots = berechnen(ws);
    EXPECT_TRUE(spots.ok) << spots.message;
    EXPECT_EQ(ws.spot.results.bestSphereRadius, kFlatRadius);
}

// Copies the bytes of the model's numeric state so that "unchanged" can be
// checked without caring about the meaning of every field.
bool sameNumbers(const SystemModel& a, const SystemModel& b) {
    for (int i = 0; i < kTableSize; ++i) {
        const Surface &x = a.surf[i], &y = b.surf[i];
        if (x.r != y.r || x.e != y.e || x.n != y.n || x.A2 != y.A2 || x.A4 != y.A4) return false;
    }
    return a.sys.normFocal == b.sys.normFocal && a.sys.fNumber == b.sys.fNumber &&
           a.sys.focalLength == b.sys.focalLength;
}

TEST(Paraxial, ZeroDenominatorsLeaveModelAndResultsAlone) {
    Evaluated good = evaluate(test::singlet(0.6, -1.8, 0.05), true);
    ASSERT_TRUE(good.status.ok);

    struct Case {
        const char* what;
        void (*spoil)(SystemModel&);
    };
    const Case cases[] = {
        {"radius 0", [](SystemModel& m) { m.surf[2].r = 0.0; }},
        {"index 0",
         [](SystemModel& m) {
             m.surf[1].n = {0.0, 0.0, 0.0};
         }},
        {"tilt beyond total reflection", [](SystemModel& m) { m.surf[2].u = 60.0; }},
        {"object on the first vertex", [](SystemModel& m) { m.sys.objectDistance = 0.0; }},
    };
    for (const Case& c : cases) {
        SystemModel m = good.model;
        c.spoil(m);
        const SystemModel spoilt = m;
        ParaxialData p = good.p;
        AberrationSums s = good.sums;
        EvaluationStatus status = EvaluateSystem(m, true, p, s);
        EXPECT_FALSE(status.ok) << c.what;
        EXPECT_FALSE(describe(status).empty()) << c.what;
        EXPECT_TRUE(sameNumbers(m, spoilt)) << c.what;
        EXPECT_EQ(std::memcmp(&p, &good.p, sizeof p), 0) << c.what;
        EXPECT_EQ(std::memcmp(&s, &good.sums, sizeof s), 0) << c.what;
    }
}

TEST(Paraxial, EvaluationAllocatesNothing) {
    if (!test::allocationCountingActive()) GTEST_SKIP() << "sanitizer build";
    SystemModel m = test::singlet(0.6, -1.8, 0.05);
    ParaxialData p;
    AberrationSums s;
    const size_t before = test::allocationCount();
    for (int k = 0; k < 10; ++k) EvaluateSystem(m, k % 2 == 0, p, s);
    EXPECT_EQ(test::allocationCount(), before);
}

}  // namespace
}  // namespace vn
