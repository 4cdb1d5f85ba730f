// The Medial designs: the tau start table, the equivalent thin systems, the
// correction loops on the thick systems, and what is refused.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "model/number_format.h"
#include "synthesis/medial_cassegrain.h"
#include "synthesis/medial_triplet.h"
#include "synthesis/tau_start_table.h"
#include "synthesis_test_support.h"

namespace vn {
namespace {

// The colour loop leaves both colours within 5e-7 of their targets; the
// bending steps of the field lens and the front lens that follow it in the
// same pass move the foci of these thick lenses by up to a few 1e-7 more.
constexpr double kCorrectedColour = 2e-6;
// The middle loop steps the front lens by a fixed curvature of 0.005, so the
// spherical aberration ends within one such step of its target (its effect
// here is a few 1e-3), and the astigmatism near its target.
constexpr double kBendingStep = 5e-3;
constexpr double kAstigmatism = 5e-4;

// GetEquSys inputs of the Medial-Cassegrain dialog's defaults.
MedialCassegrainEquivalentInputs defaultEquivalent(double n = 1.52) {
    const MedialCassegrainReduced L = medialCassegrainReduced(MedialCassegrainInputs{});
    MedialCassegrainEquivalentInputs eq;
    eq.n = n;
    eq.rho1 = L.L2 / L.L1;
    eq.rho2 = L.L3 / L.L2;
    return eq;
}

class MedialSynthesis : public ::testing::Test {
protected:
    void SetUp() override {
        ws = test::startedWorkspace();
        ws->model.sys.wavelength = kSynthesisWavelengths;
        test::chooseGlass(*ws, 1, test::nbk7());
    }
    std::unique_ptr<test::SynthesisDesk> ws;
};

TEST(TauStartTable, WorkedLookupsAndTheEdges) {
    // Defaults of the triplet: L1 = 0.929, L2 = 0.91725.
    const MedialTripletReduced L = medialTripletReduced(MedialTripletInputs{});
    EXPECT_NEAR(L.L1, 0.929, 1e-15);
    EXPECT_NEAR(L.L2, 0.91725, 1e-15);
    const double rho = L.L2 / L.L1;
    // r = 3, f_r = 0.2 towards row 4; k = 6, f_k = 0.1265.. towards column 5.
    const double fk = 1.0 - (10.0 * rho - 4.0 - 5.0);
    EXPECT_NEAR(tauStartValue(1.52, rho), 0.8086 + (0.8011 - 0.8086) * 0.2 + (0.7864 - 0.8086) * fk,
                1e-12);
    EXPECT_NEAR(tauStartValue(1.52, rho), 0.80429, 1e-5);
    EXPECT_NEAR(tauStartValue(1.52, 1.0), 0.8071, 1e-12);

    // On a node the node's value.
    EXPECT_NEAR(tauStartValue(1.3, 0.5), 0.7240, 1e-12);
    EXPECT_NEAR(tauStartValue(2.5, 2.0), 0.8831, 1e-12);
    // Beyond rho = 2.0 column 16 is used; beyond the rows the edge row.
    EXPECT_NEAR(tauStartValue(1.3, 2.04), 0.8936, 1e-12);
    EXPECT_NEAR(tauStartValue(1.3, 50.0), 0.8936, 1e-12);
    EXPECT_NEAR(tauStartValue(1.0, 0.1), 0.7240, 1e-12);
    EXPECT_NEAR(tauStartValue(3.0, 2.5), 0.8831, 1e-12);
    EXPECT_NEAR(tauStartValue(1.25, 1.0), tauStartValue(1.3, 1.0), 0.01);
    for (double n : {0.0, 1.2, 1.7, 2.6, 1e9})
        for (double r : {-1.0, 0.0, 0.45, 1.3, 2.06, 1e9}) {
            const double tau = tauStartValue(n, r);
            EXPECT_TRUE(tau > 0.58 && tau < 0.9) << n << " " << r;
        }
}

TEST_F(MedialSynthesis, CassegrainWithDefaultsIsCorrected) {
    const auto start = std::chrono::steady_clock::now();
    const MedialSynthesisResult r =
        synthesiseMedialCassegrain(MedialCassegrainInputs{}, ws->synthesis, *ws);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(r.wrote) << r.message;
    EXPECT_LT(seconds, 1.0);
    ASSERT_TRUE(r.equivalentComa.has_value());
    EXPECT_NEAR(*r.equivalentComa, 0.0, 1e-3);  // the "Sollwert" of the equivalent system

    const SystemModel& m = ws->model;
    EXPECT_EQ(m.N(), 8);
    EXPECT_EQ(m.sys.title, "Medial Cassegrain Synthese");
    EXPECT_EQ(m.sys.source, "Morvek");
    const std::array<double, 9> dir = {1, 1, 1, 1, -1, -1, 1, 1, 1};
    const std::array<double, 9> limit = {1.05, 1.05, 1.05, 1.06, 1.05, 1.09, 1.05, 1.05, 1.05};
    for (size_t i = 0; i <= 8; ++i) {
        EXPECT_EQ(m.surf[i].h, limit[i]) << i;
        if (i > 0) {
            EXPECT_EQ(m.surf[i].dir, dir[i]) << i;
        }
    }
    EXPECT_EQ(m.surf[2].medium, "S   Luft n/L");
    EXPECT_EQ(m.surf[4].medium, ws->synthesis.glasses[1].name);
    EXPECT_EQ(m.surf[4].n[colourIndex(kGreen)], -greenIndex(ws->synthesis.glasses[1]));
    EXPECT_EQ(m.surf[6].coef, kSynthesisAirCoefficients);
    EXPECT_EQ(m.surf[3].r, m.surf[5].r);  // the Mangin's front face, passed twice
    EXPECT_EQ(m.surf[3].e, -m.surf[4].e);
    EXPECT_LT(m.surf[5].e, 0.0);  // back from the Mangin mirror to the secondary

    // The loops' targets, all 0 by default.
    EXPECT_NEAR(ws->sums.chromatic, 0.0, kCorrectedColour);
    EXPECT_NEAR(ws->sums.lateralColour, 0.0, kCorrectedColour);
    EXPECT_NEAR(ws->sums.spherical, 0.0, kBendingStep);
    EXPECT_NEAR(ws->sums.astigmatism, 0.0, kAstigmatism);
    EXPECT_NEAR(ws->sums.coma, 0.0, 1e-3);

    // "ok" twice gives the same system.
    const SystemModel first = m;
    ASSERT_TRUE(synthesiseMedialCassegrain(MedialCassegrainInputs{}, ws->synthesis, *ws).wrote);
    EXPECT_TRUE(test::sameSystem(first, ws->model));
}

TEST_F(MedialSynthesis, DesignModeFixedFocalLengthGivesTheSameCorrection) {
    ASSERT_TRUE(synthesiseMedialCassegrain(MedialCassegrainInputs{}, ws->synthesis, *ws).wrote);
    const AberrationSums free = ws->sums;
    ws->settings.controls.normalised = true;  // "feste Brennweite"
    const MedialSynthesisResult r =
        synthesiseMedialCassegrain(MedialCassegrainInputs{}, ws->synthesis, *ws);
    ASSERT_TRUE(r.wrote) << r.message;
    // The run cycle rescaled the finished system to focal length 1.
    evaluate(*ws);
    EXPECT_NEAR(ws->model.sys.normFocal, 1.0, 1e-9);
    EXPECT_NEAR(ws->sums.chromatic, free.chromatic, 1e-7);
    EXPECT_NEAR(ws->sums.spherical, free.spherical, 1e-5);
}

TEST_F(MedialSynthesis, ColourTargetsAreFollowedAndTheCorrectionSurfaceChoosesTheRoot) {
    MedialCassegrainInputs in;
    in.targets.longitudinalColour = 2e-5;
    in.targets.lateralColour = -1e-5;
    ASSERT_TRUE(synthesiseMedialCassegrain(in, ws->synthesis, *ws).wrote);
    EXPECT_NEAR(ws->sums.chromatic, 2e-5, kCorrectedColour);
    EXPECT_NEAR(ws->sums.lateralColour, -1e-5, kCorrectedColour);

    // "Fläche1" takes the other root of the front-lens equation, which puts
    // the two bendings symmetric about the vertex, and swaps the roles of the
    // air spaces in the colour loop.
    const ThinElements t{1.52};
    const double phiF = 0.3, sT = -0.01;
    const double c2 = frontLensCurvature(t, phiF, sT, CorrectionSurface::Surface2);
    const double c1 = frontLensCurvature(t, phiF, sT, CorrectionSurface::Surface1);
    EXPECT_GT(c2 - c1, 0.01);
    EXPECT_NEAR(c1 + c2, t.L(phiF, 0.0) / t.Q(phiF), 1e-12);
    EXPECT_NEAR(t.S(phiF, 0.0, c1) + sT - t.K(phiF, 0.0), 0.0, 1e-12);
    // With this root the equivalent coma of the defaults stays below -0.24 for
    // every tau with a flat field, so a coma-free equivalent system does not
    // exist ...
    in.correction = CorrectionSurface::Surface1;
    const SystemModel before = ws->model;
    const MedialSynthesisResult none = synthesiseMedialCassegrain(in, ws->synthesis, *ws);
    EXPECT_FALSE(none.wrote);
    EXPECT_TRUE(test::sameSystem(before, ws->model));
    EXPECT_NE(none.message.find("Schnittweite"), std::string::npos) << none.message;

    // The triplet starts with "Fläche1"; with "Fläche2" the air spaces swap
    // their roles, and for this layout the colour loop then runs to its pass
    // limit: the system is kept, as the loops keep their last state, and the
    // message says that the colours are not at their targets.
    MedialTripletInputs tri;
    tri.correction = CorrectionSurface::Surface2;
    const MedialSynthesisResult r = synthesiseMedialTriplet(tri, ws->synthesis, *ws);
    ASSERT_TRUE(r.wrote) << r.message;
    EXPECT_EQ(r.message.rfind("Farbkorrektur nicht konvergiert", 0), 0u) << r.message;
    EXPECT_GT(std::fabs(ws->sums.chromatic) + std::fabs(ws->sums.lateralColour), 1e-5);
}

TEST_F(MedialSynthesis, EquivalentSystemOptions) {
    MedialCassegrainEquivalentInputs eq = defaultEquivalent();
    EquivalentSystem flat, free, freeCurved;
    ASSERT_EQ(medialCassegrainEquivalent(eq, flat), "");
    // "FreeField" takes the back focus from "bfl" and ignores the curvature target.
    eq.flatField = false;
    ASSERT_EQ(medialCassegrainEquivalent(eq, free), "");
    eq.targets.curvature = 0.5;
    ASSERT_EQ(medialCassegrainEquivalent(eq, freeCurved), "");
    EXPECT_EQ(free.r, freeCurved.r);
    EXPECT_NE(free.r, flat.r);

    // A secondary without power is flat.
    eq.P = 0.0;
    EquivalentSystem noSecondary;
    ASSERT_EQ(medialCassegrainEquivalent(eq, noSecondary), "");
    EXPECT_EQ(noSecondary.r[6], kFlatRadius);
    MedialCassegrainInputs in;
    in.secondaryPower = 0.0;
    const MedialCassegrainReduced L = medialCassegrainReduced(in);
    EXPECT_NEAR(L.L1, 0.35 - (1.0 / 3.0 - 3.0) * 0.015 + 1.4 * 0.025 - 1.3 * 0.04, 1e-15);
}

TEST_F(MedialSynthesis, TripletWithDefaultsIsWrittenAndCorrectedForColour) {
    const MedialSynthesisResult r =
        synthesiseMedialTriplet(MedialTripletInputs{}, ws->synthesis, *ws);
    ASSERT_TRUE(r.wrote) << r.message;
    const SystemModel& m = ws->model;
    EXPECT_EQ(m.N(), 7);
    EXPECT_EQ(m.sys.title, "Medial Triplet Synthese");
    EXPECT_EQ(m.surf[7].medium, "L   Luft n/L");
    for (size_t i = 4; i <= 7; ++i) EXPECT_EQ(m.surf[i].dir, -1.0) << i;
    EXPECT_EQ(m.surf[6].n[colourIndex(kGreen)], -greenIndex(ws->synthesis.glasses[1]));
    EXPECT_LT(m.surf[7].e, 0.0);  // the image lies back towards the front lens
    EXPECT_EQ(m.surf[3].r, m.surf[5].r);
    EXPECT_NEAR(ws->sums.chromatic, 0.0, kCorrectedColour);
    EXPECT_NEAR(ws->sums.lateralColour, 0.0, kCorrectedColour);
    EXPECT_NEAR(ws->sums.spherical, 0.0, kBendingStep);
    EXPECT_NEAR(ws->sums.astigmatism, 0.0, kAstigmatism);
}

TEST_F(MedialSynthesis, LoopsThatEndOffTheirTargetsSaySoInTheMessage) {
    auto contains = [](const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    };
    // The triplet's defaults: every loop ends by its own rule.
    const MedialSynthesisResult fine =
        synthesiseMedialTriplet(MedialTripletInputs{}, ws->synthesis, *ws);
    ASSERT_TRUE(fine.wrote);
    EXPECT_EQ(fine.message, "");

    // The Medial-Cassegrain's defaults: the middle loop uses all its passes,
    // the fixed bending step of the front lens leaves the spherical aberration
    // a few 1e-3 off. The design is kept, with the values it ends at.
    const MedialSynthesisResult spherical =
        synthesiseMedialCassegrain(MedialCassegrainInputs{}, ws->synthesis, *ws);
    ASSERT_TRUE(spherical.wrote);
    EXPECT_GT(std::fabs(ws->sums.spherical), 1e-3);
    EXPECT_EQ(spherical.message.rfind("Korrektur nicht erreicht: ", 0), 0u) << spherical.message;
    EXPECT_TRUE(contains(spherical.message,
                         "Öffnungsfehler " + fmt::general(ws->sums.spherical, 6) + " statt 0"))
        << spherical.message;
    EXPECT_FALSE(contains(spherical.message, "Koma")) << spherical.message;

    // A coma target the triplet never crosses: the coma loop runs out of its
    // 51 passes.
    MedialTripletInputs tri;
    tri.targets.coma = 0.05;
    const MedialSynthesisResult coma = synthesiseMedialTriplet(tri, ws->synthesis, *ws);
    ASSERT_TRUE(coma.wrote);
    EXPECT_LT(ws->sums.coma, 0.04);
    EXPECT_TRUE(contains(coma.message, "Koma " + fmt::general(ws->sums.coma, 6) + " statt 0.05"))
        << coma.message;
}

TEST_F(MedialSynthesis, ImpossibleDesignsWriteNothing) {
    const SystemModel before = ws->model;
    auto refusedWithMessage = [&](const MedialSynthesisResult& r, const char* what) {
        EXPECT_FALSE(r.wrote) << what;
        EXPECT_FALSE(r.message.empty()) << what;
        EXPECT_TRUE(test::sameSystem(before, ws->model)) << what;
        EXPECT_FALSE(ws->flags.modelChanged) << what;
    };
    SynthesisState none;
    const MedialSynthesisResult noGlass =
        synthesiseMedialCassegrain(MedialCassegrainInputs{}, none, *ws);
    refusedWithMessage(noGlass, "no glass");
    EXPECT_EQ(noGlass.message, "Glas auswählen");

    MedialCassegrainInputs in;
    in.targets.curvature = -1000.0;  // the back-focus root turns negative
    refusedWithMessage(synthesiseMedialCassegrain(in, ws->synthesis, *ws), "curvature");
    in = MedialCassegrainInputs{};
    in.targets.astigmatism = 1000.0;  // the field-lens root turns negative
    refusedWithMessage(synthesiseMedialCassegrain(in, ws->synthesis, *ws), "astigmatism");
    in = MedialCassegrainInputs{};
    in.secondaryPower = 3.0;  // 1/(3 - P)
    refusedWithMessage(synthesiseMedialCassegrain(in, ws->synthesis, *ws), "P = 3");
    in = MedialCassegrainInputs{};
    in.targets.longitudinalColour = 0.05;  // far beyond what the air spaces reach
    refusedWithMessage(synthesiseMedialCassegrain(in, ws->synthesis, *ws), "colour");

    MedialTripletInputs tri;
    tri.targets.curvature = -1000.0;
    refusedWithMessage(synthesiseMedialTriplet(tri, ws->synthesis, *ws), "triplet");
    tri = MedialTripletInputs{};
    tri.manginDistance = 0.0;
    refusedWithMessage(synthesiseMedialTriplet(tri, ws->synthesis, *ws), "a1 = 0");
}

TEST(MedialEquivalent, TauReachingOneIsRefused) {
    // The offset that puts tau of the last pass onto 1 leaves the front lens
    // without power.
    MedialCassegrainEquivalentInputs eq = defaultEquivalent();
    EquivalentSystem out;
    ASSERT_EQ(medialCassegrainEquivalent(eq, out), "");
    eq.tauOffset = 1.0 - out.tau;
    EXPECT_NE(medialCassegrainEquivalent(eq, out), "");

    MedialTripletEquivalentInputs tri;
    const MedialTripletReduced L = medialTripletReduced(MedialTripletInputs{});
    tri.rho = L.L2 / L.L1;
    ASSERT_EQ(medialTripletEquivalent(tri, out), "");
    tri.tauOffset = 1.0 - out.tau;
    EXPECT_NE(medialTripletEquivalent(tri, out), "");
}

}  // namespace
}  // namespace vn
