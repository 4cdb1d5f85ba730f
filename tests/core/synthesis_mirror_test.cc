// Cassegrain telescopes and the Schmidt camera: layouts, conics and profiles
// against their worked examples and textbook forms, and the third-order sums
// the written systems then have.
#include <gtest/gtest.h>

#include <cmath>

#include "synthesis/cassegrain.h"
#include "synthesis/schmidt_camera.h"
#include "synthesis_test_support.h"

namespace vn {
namespace {

// Single-precision Seidel sums of a two-mirror system: the fast secondary
// (radius about 0.18) contributes terms of order 10^2 that round to 1e-5.
constexpr double kTwoMirrorSums = 1e-4;

CassegrainLayout layoutFor(CassegrainParameter parameter, double value, double e = 0.05) {
    CassegrainLayout l;
    l.e = e;
    if (parameter == CassegrainParameter::Separation) l.d = value;
    if (parameter == CassegrainParameter::Magnification) l.m = value;
    if (parameter == CassegrainParameter::Obstruction) l.k = value;
    EXPECT_EQ(updateCassegrainLayout(l, parameter), "");
    return l;
}

TEST(CassegrainLayout, WorkedExamples) {
    const CassegrainLayout d = layoutFor(CassegrainParameter::Separation, 0.2);
    EXPECT_NEAR(d.m, 3.75, 1e-14);
    EXPECT_NEAR(d.k, 0.25, 1e-14);
    EXPECT_NEAR(d.t, 0.75, 1e-14);
    EXPECT_NEAR(d.q, 15.0 / 44.0, 1e-14);

    const CassegrainLayout m = layoutFor(CassegrainParameter::Magnification, 4.0);
    EXPECT_NEAR(m.k, 0.24, 1e-14);
    EXPECT_NEAR(m.d, 0.19, 1e-14);

    // The obstruction of the default layout gives the default layout back.
    const CassegrainLayout k = layoutFor(CassegrainParameter::Obstruction, 0.25);
    EXPECT_NEAR(k.m, 3.75, 1e-14);
    EXPECT_NEAR(k.d, 0.2, 1e-14);

    // A secondary without magnification is flat.
    EXPECT_EQ(layoutFor(CassegrainParameter::Magnification, 1.0).q, kFlatRadius);

    // The defaults as the dialog starts with them.
    const SynthesisState state;
    EXPECT_NEAR(state.cassegrain.layout.m, 3.75, 1e-14);
}

TEST(CassegrainLayout, DivisionsByZeroAreRefusedAndKeepTheLayout) {
    CassegrainLayout l;
    ASSERT_EQ(updateCassegrainLayout(l, CassegrainParameter::Separation), "");
    const CassegrainLayout before = l;
    CassegrainLayout bad = l;
    bad.m = -1.0;
    EXPECT_NE(updateCassegrainLayout(bad, CassegrainParameter::Magnification), "");
    EXPECT_EQ(bad.m, -1.0);
    EXPECT_EQ(bad.d, before.d);
    bad = l;
    bad.k = bad.e;
    EXPECT_NE(updateCassegrainLayout(bad, CassegrainParameter::Obstruction), "");
    bad = l;
    bad.d = 0.0;
    EXPECT_NE(updateCassegrainLayout(bad, CassegrainParameter::Separation), "");
    bad = l;
    bad.e = 1.0;  // m = (1 - e)/d - 1 = -1
    EXPECT_NE(updateCassegrainLayout(bad, CassegrainParameter::Separation), "");
}

TEST(Cassegrain, ClassicalIsAParaboloidWithTheHyperboloidOfTheTwoFoci) {
    auto ws = test::startedWorkspace();
    const SynthesisResult r = synthesiseCassegrain(CassegrainInputs{}, ws->synthesis, *ws);
    ASSERT_TRUE(r.wrote) << r.message;
    EXPECT_EQ(r.message, "");
    const SystemModel& m = ws->model;
    const double mag = ws->synthesis.cassegrain.layout.m;
    EXPECT_EQ(m.N(), 2);
    EXPECT_EQ(m.sys.title, "Cassegrain Synthese");
    EXPECT_EQ(m.sys.source, "Morvek");
    EXPECT_EQ(m.surf[1].k, -1.0);
    EXPECT_NEAR(m.surf[2].k, -std::pow((mag + 1.0) / (mag - 1.0), 2.0), 1e-12);
    EXPECT_NEAR(m.surf[1].r, -8.0 / 15.0, 1e-14);
    EXPECT_NEAR(m.surf[2].r, 15.0 / 44.0 * -8.0 / 15.0, 1e-14);
    EXPECT_NEAR(m.surf[1].e, -0.2, 1e-14);
    EXPECT_EQ(m.surf[1].n, (std::array<double, 3>{-1.0, -1.0, -1.0}));
    EXPECT_EQ(m.surf[2].n, (std::array<double, 3>{1.0, 1.0, 1.0}));
    EXPECT_EQ(m.surf[1].dir, -1.0);
    EXPECT_EQ(m.surf[2].dir, 1.0);
    EXPECT_EQ(m.surf[1].medium, "L  Luft  N/L");
    EXPECT_EQ(m.surf[0].medium, "Luft/Blende");  // left as "Neu" made it
    EXPECT_EQ(m.sys.fieldAngle, 0.25);
    EXPECT_EQ(ws->settings.controls.systemScale, 2000.0);
    // Focal length 1: the sums are those of the textbook Cassegrain, corrected
    // for spherical aberration with the coma of the paraboloid (-1/2 in these
    // units, the primary at the stop).
    EXPECT_NEAR(m.sys.normFocal, 1.0, 1e-10);  // object at 1e12
    EXPECT_NEAR(ws->sums.spherical, 0.0, kTwoMirrorSums);
    EXPECT_NEAR(ws->sums.coma, -0.5, kTwoMirrorSums);
}

TEST(Cassegrain, EveryFormReachesItsTargetsAndRitcheyChretienIsAplanatic) {
    auto ws = test::startedWorkspace();
    CassegrainInputs in;
    in.type = CassegrainType::RitcheyChretien;
    ASSERT_TRUE(synthesiseCassegrain(in, ws->synthesis, *ws).wrote);
    EXPECT_NEAR(ws->sums.spherical, 0.0, kTwoMirrorSums);
    EXPECT_NEAR(ws->sums.coma, 0.0, kTwoMirrorSums);
    // The aplanatic conics in Schroeder's form (Astronomical Optics), with
    // beta the back focus behind the primary in units of the primary's focal
    // length 1/m.
    const double m = ws->synthesis.cassegrain.layout.m, beta = in.layout.e * m;
    EXPECT_NEAR(ws->model.surf[1].k, -1.0 - 2.0 * (1.0 + beta) / (m * m * (m - beta)), 1e-12);
    EXPECT_NEAR(ws->model.surf[2].k,
                -std::pow((m + 1.0) / (m - 1.0), 2.0) -
                    2.0 * m * (m + 1.0) / ((m - beta) * std::pow(m - 1.0, 3.0)),
                1e-12);

    for (CassegrainType type :
         {CassegrainType::Classical, CassegrainType::DallKirkham, CassegrainType::RitcheyChretien,
          CassegrainType::PressmanCamichel}) {
        for (double target : {0.0, 0.1}) {
            in.type = type;
            in.sphericalTarget = target;
            in.comaTarget = target / 2.0;
            in.parameter = CassegrainParameter::Magnification;
            in.layout.m = 4.0;
            ASSERT_TRUE(synthesiseCassegrain(in, ws->synthesis, *ws).wrote);
            const int t = static_cast<int>(type);
            EXPECT_NEAR(ws->sums.spherical, target, kTwoMirrorSums) << t;
            if (type == CassegrainType::RitcheyChretien) {
                EXPECT_NEAR(ws->sums.coma, target / 2.0, kTwoMirrorSums);
            }
            if (type == CassegrainType::DallKirkham) {
                EXPECT_EQ(ws->model.surf[2].k, 0.0);
            }
            if (type == CassegrainType::PressmanCamichel) {
                EXPECT_EQ(ws->model.surf[1].k, 0.0);
            }
        }
    }
}

TEST(Cassegrain, DegenerateLayoutsWriteNothing) {
    auto ws = test::startedWorkspace();
    const SystemModel before = ws->model;
    CassegrainInputs in;
    in.parameter = CassegrainParameter::Magnification;
    for (double m : {-1.0, 1.0, 0.0}) {
        in.layout.m = m;
        const SynthesisResult r = synthesiseCassegrain(in, ws->synthesis, *ws);
        EXPECT_FALSE(r.wrote) << m;
        EXPECT_FALSE(r.message.empty()) << m;
    }
    in.parameter = CassegrainParameter::Obstruction;
    in.layout.k = in.layout.e;
    EXPECT_FALSE(synthesiseCassegrain(in, ws->synthesis, *ws).wrote);
    EXPECT_TRUE(test::sameSystem(before, ws->model));
    EXPECT_FALSE(ws->flags.modelChanged);
}

TEST(Cassegrain, ANewDesignKeepsNoPositionToleranceOfTheOldSystem) {
    // The old system has offsets on every entry, also on those that become the
    // image plane (entry 3) and lie beyond it in the design.
    auto ws = test::startedWorkspace();
    for (Surface& s : ws->model.surf) {
        s.tolDx = 0.01;
        s.tolDy = -0.02;
        s.tolDw = 0.5;
    }
    ASSERT_TRUE(synthesiseCassegrain(CassegrainInputs{}, ws->synthesis, *ws).wrote);
    ASSERT_EQ(ws->model.N(), 2);
    for (int i = 0; i < kTableSize; ++i) {
        const Surface& s = ws->model.surf[idx(i)];
        EXPECT_EQ(s.tolDx, 0.0) << i;
        EXPECT_EQ(s.tolDy, 0.0) << i;
        EXPECT_EQ(s.tolDw, 0.0) << i;
    }
}

TEST(Cassegrain, CreatingTheDialogSetsTheSystemData) {
    auto ws = test::startedWorkspace();
    cassegrainDialogCreated(*ws, ws->synthesis);
    EXPECT_EQ(ws->model.sys.focalLength, 2000.0);
    EXPECT_EQ(ws->model.sys.fNumber, 10.0);
    EXPECT_EQ(ws->model.sys.fieldAngle, 0.25);
    EXPECT_EQ(ws->model.sys.graphScale, 2000.0);
    EXPECT_EQ(ws->model.sys.focalLengthRef, 1000.0);  // the next evaluation returns to it
    EXPECT_NEAR(ws->synthesis.cassegrain.layout.k, 0.25, 1e-14);
}

TEST(SchmidtCamera, ProfileOfTheWorkedExample) {
    const SchmidtProfile p = schmidtProfile(1.5187, 2.0, 0.866);
    ASSERT_EQ(p.error, "");
    EXPECT_NEAR(p.h, 0.2165, 1e-15);
    EXPECT_NEAR(p.H, 0.04687225, 1e-15);
    EXPECT_NEAR(p.s, 0.0117180625, 1e-15);
    // The zonal ray passes the profile undeviated (zero slope) where its sag
    // equals the path excess Q.
    EXPECT_NEAR(2 * p.A2 * p.h + 4 * p.A4 * std::pow(p.h, 3) + 6 * p.A6 * std::pow(p.h, 5), 0.0,
                1e-15);
    EXPECT_NEAR(p.A2 * p.H + p.A4 * p.H * p.H + p.A6 * p.H * p.H * p.H, p.Q, 1e-15);

    EXPECT_NE(schmidtProfile(1.5187, 2.0, 0.0).error, "");  // no neutral zone
    EXPECT_NE(schmidtProfile(1.5187, 0.5, 4.0).error, "");  // zone beyond the mirror
}

TEST(SchmidtCamera, PlateAtTheCentreOfCurvatureCancelsTheMirrorsSphericalAberration) {
    auto ws = test::startedWorkspace();
    const SystemModel before = ws->model;
    EXPECT_EQ(synthesiseSchmidtCamera({}, ws->synthesis, *ws).message, "Glas auswählen");
    SchmidtInputs in;
    in.neutralZone = 0.0;
    test::chooseGlass(*ws, 1, test::nbk7());
    EXPECT_FALSE(synthesiseSchmidtCamera(in, ws->synthesis, *ws).wrote);
    EXPECT_TRUE(test::sameSystem(before, ws->model));

    in = SchmidtInputs{};
    const SynthesisResult r = synthesiseSchmidtCamera(in, ws->synthesis, *ws);
    ASSERT_TRUE(r.wrote) << r.message;
    const SystemModel& m = ws->model;
    EXPECT_EQ(m.N(), 3);
    EXPECT_EQ(m.sys.title, "Schmidt-Kamera Synthese");
    EXPECT_EQ(m.surf[1].r, kFlatRadius);
    EXPECT_EQ(m.surf[2].r, kFlatRadius);
    EXPECT_EQ(m.surf[3].r, -2.0);
    EXPECT_EQ(m.surf[2].e, 2.0);
    EXPECT_EQ(m.surf[1].e, 0.01);
    EXPECT_EQ(m.surf[2].schmidt, 1.0);
    EXPECT_EQ(m.surf[2].nz, 0.866);
    EXPECT_EQ(m.surf[3].n, (std::array<double, 3>{-1.0, -1.0, -1.0}));
    EXPECT_EQ(m.surf[3].medium, "L   Luft n/L");
    EXPECT_EQ(m.sys.fieldAngle, 3.0);
    const SchmidtProfile p = schmidtProfile(greenIndex(ws->synthesis.glasses[1]), 2.0, 0.866);
    EXPECT_EQ(m.surf[2].A4, p.A4);
    // The mirror alone has 1/4. The y^2 term of the profile gives the plate
    // the weak power of the neutral-zone focus shift, which the third-order
    // Schmidt term does not see: about 1 % remains.
    EXPECT_LT(std::fabs(ws->sums.spherical), 0.01);
    EXPECT_NEAR(ws->sums.coma, 0.0, 1e-3);  // stop at the centre of curvature

    // The targets are read and kept, but the design does not use them.
    const SystemModel plain = m;
    in.sphericalTarget = 0.5;
    in.comaTarget = 0.1;
    ASSERT_TRUE(synthesiseSchmidtCamera(in, ws->synthesis, *ws).wrote);
    EXPECT_TRUE(test::sameSystem(plain, ws->model));
    EXPECT_EQ(ws->synthesis.schmidt.sphericalTarget, 0.5);
}

}  // namespace
}  // namespace vn
