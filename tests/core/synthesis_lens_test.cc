// The cemented achromat and the Fraunhofer doublet: the thin-lens algebra
// checked by what the evaluated lenses do, the system written, and what is
// refused.
#include <gtest/gtest.h>

#include <cmath>

#include "model/number_format.h"
#include "synthesis/achromat.h"
#include "synthesis/fraunhofer.h"
#include "synthesis_test_support.h"

namespace vn {
namespace {

// Thin lenses in contact: the colour sum is phi1/v1 + phi2/v2 divided by the
// product of the red and blue powers, which differs from 1 by about the
// secondary spectrum and the target itself (together below 2e-3).
double thinColourTolerance(double target) {
    return 2e-3 * std::fabs(target) + 1e-9;
}
// The object stands at 1e12, not at infinity.
constexpr double kObjectAt1e12 = 1e-10;
// Single-precision Seidel sums of strongly bent thin lenses: per-surface terms
// of order 10^2 round to a few 1e-6 each.
constexpr double kThinSeidel = 1e-4;

class LensSynthesis : public ::testing::Test {
protected:
    void SetUp() override {
        ws = test::startedWorkspace();
        test::chooseGlass(*ws, 1, test::nbk7());
        test::chooseGlass(*ws, 2, test::nf2());
        test::chooseGlass(*ws, kFraunhoferSecondSlot, test::nf2());
    }
    std::unique_ptr<test::SynthesisDesk> ws;
};

TEST_F(LensSynthesis, AchromatWritesTheCementedDoubletInTheFramesOrder) {
    AchromatInputs in;
    const SynthesisResult r = synthesiseAchromat(in, ws->synthesis, *ws);
    ASSERT_TRUE(r.wrote) << r.message;
    EXPECT_EQ(r.message, "Lösung gefunden");
    const SystemModel& m = ws->model;
    EXPECT_EQ(m.N(), 3);
    EXPECT_EQ(m.sys.title, "Kitt Achromat Synthese");
    EXPECT_EQ(m.sys.source, "Morvek");
    EXPECT_EQ(m.sys.focalLengthRef, 1500.0);
    EXPECT_EQ(m.sys.fNumberRef, 15.0);
    EXPECT_EQ(m.sys.fieldAngle, 0.5);  // "Feld/°" 1 is the full field
    EXPECT_EQ(ws->settings.controls.systemScale, 1000.0);
    EXPECT_EQ(m.sys.wavelength, kSynthesisWavelengths);
    EXPECT_EQ(m.surf[0].medium, "Luft/Blende");
    EXPECT_EQ(m.surf[0].r, kFlatRadius);
    EXPECT_EQ(m.surf[1].medium, ws->synthesis.glasses[1].name);
    EXPECT_EQ(m.surf[2].medium, ws->synthesis.glasses[2].name);
    EXPECT_EQ(m.surf[3].medium, "L   Luft n/L");
    EXPECT_EQ(m.surf[1].n, ws->synthesis.glasses[1].n);
    EXPECT_EQ(m.surf[1].coef, test::kNBK7);
    EXPECT_EQ(m.surf[3].coef, kSynthesisAirCoefficients);
    EXPECT_EQ(m.surf[3].n, (std::array<double, 3>{1.0, 1.0, 1.0}));
    for (int i = 0; i <= 3; ++i) EXPECT_EQ(m.surf[static_cast<size_t>(i)].h, 1.05);
    EXPECT_EQ(m.surf[1].e, in.thickness1);
    EXPECT_EQ(m.surf[2].e, in.thickness2);
    EXPECT_EQ(m.surf[3].e, ws->paraxial.backFocus);  // placed by the run cycle
    EXPECT_TRUE(ws->flags.modelChanged);
    EXPECT_TRUE(ws->evaluation.ok);

    // "ok" twice with the same inputs gives the same system.
    const SystemModel first = m;
    ASSERT_TRUE(synthesiseAchromat(in, ws->synthesis, *ws).wrote);
    EXPECT_TRUE(test::sameSystem(first, ws->model));
}

TEST_F(LensSynthesis, ThinAchromatReachesItsColourAndSphericalTargets) {
    // With no thickness the written lens is the thin solution itself.
    for (double colour : {0.0, 1e-4, -2e-4}) {
        for (double spherical : {0.0, 0.05}) {
            AchromatInputs in;
            in.thickness1 = in.thickness2 = 0.0;
            in.colourTarget = colour;
            in.sphericalTarget = spherical;
            ASSERT_TRUE(synthesiseAchromat(in, ws->synthesis, *ws).wrote);
            EXPECT_NEAR(ws->sums.chromatic, colour, thinColourTolerance(colour)) << colour;
            EXPECT_NEAR(ws->sums.spherical, spherical, kThinSeidel) << spherical;
            EXPECT_NEAR(ws->model.sys.normFocal, 1.0, kObjectAt1e12);
        }
    }
}

TEST_F(LensSynthesis, FlintFirstTakesTheOtherRootAndUnreachableTargetsTheVertex) {
    AchromatInputs in;
    in.thickness1 = in.thickness2 = 0.0;
    ASSERT_TRUE(synthesiseAchromat(in, ws->synthesis, *ws).wrote);
    const double crownFirstR1 = ws->model.surf[1].r;

    auto flintFirst = test::startedWorkspace();
    test::chooseGlass(*flintFirst, 1, test::nf2());
    test::chooseGlass(*flintFirst, 2, test::nbk7());
    const SynthesisResult r = synthesiseAchromat(in, flintFirst->synthesis, *flintFirst);
    ASSERT_TRUE(r.wrote);
    EXPECT_EQ(r.message, "Lösung gefunden");
    EXPECT_NEAR(flintFirst->sums.spherical, 0.0, kThinSeidel);
    EXPECT_NEAR(flintFirst->sums.chromatic, 0.0, thinColourTolerance(0.0));
    EXPECT_GT(std::fabs(flintFirst->model.surf[1].r - crownFirstR1), 0.1);

    // Far below the smallest spherical aberration any bending gives: the
    // vertex, and the message names what it reaches.
    in.sphericalTarget = -10.0;
    const SynthesisResult vertex = synthesiseAchromat(in, ws->synthesis, *ws);
    ASSERT_TRUE(vertex.wrote);
    const std::string prefix = "Lösung für Zielwert ";
    ASSERT_EQ(vertex.message.rfind(prefix, 0), 0u) << vertex.message;
    const double reached = fmt::parseNumber(vertex.message.substr(prefix.size())).value_or(1e9);
    EXPECT_NEAR(ws->sums.spherical, reached, 1e-4 + kThinSeidel);  // 4 decimals shown
    EXPECT_GT(reached, -10.0);
}

TEST_F(LensSynthesis, FraunhoferMeetsColourComaAndSphericalTargetsWhenThin) {
    FraunhoferInputs in;
    in.thickness1 = in.thickness2 = in.gap = 0.0;
    for (double coma : {0.0, 0.02}) {
        in.comaTarget = coma;
        in.sphericalTarget = 0.03;
        in.colourTarget = 1e-4;
        const SynthesisResult r = synthesiseFraunhofer(in, ws->synthesis, *ws);
        ASSERT_TRUE(r.wrote) << r.message;
        EXPECT_EQ(r.message, "Lösung gefunden");
        EXPECT_NEAR(ws->sums.coma, coma, kThinSeidel);
        EXPECT_NEAR(ws->sums.spherical, 0.03, kThinSeidel);
        EXPECT_NEAR(ws->sums.chromatic, 1e-4, thinColourTolerance(1e-4));
    }
}

TEST_F(LensSynthesis, FraunhoferWritesSlotOneAndSlotThreeWithTheRealSpacings) {
    FraunhoferInputs in;
    ASSERT_TRUE(synthesiseFraunhofer(in, ws->synthesis, *ws).wrote);
    const SystemModel& m = ws->model;
    EXPECT_EQ(m.N(), 4);
    EXPECT_EQ(m.sys.title, "Kitt Achromat Synthese");
    EXPECT_EQ(m.surf[2].medium, "L   Luft n/L");
    EXPECT_EQ(m.surf[4].medium, "L   Luft n/L");
    EXPECT_EQ(m.surf[3].n, ws->synthesis.glasses[3].n);
    EXPECT_EQ(m.surf[3].coef, test::kNF2);
    EXPECT_EQ(m.surf[2].n, (std::array<double, 3>{1.0, 1.0, 1.0}));
    EXPECT_EQ(m.surf[1].e, 0.02);
    EXPECT_EQ(m.surf[2].e, 0.001);
    EXPECT_EQ(m.surf[3].e, 0.01);

    // The radii are those of the thin solution, whatever the thicknesses.
    const std::array<double, 4> thick = {m.surf[1].r, m.surf[2].r, m.surf[3].r, m.surf[4].r};
    in.thickness1 = in.thickness2 = in.gap = 0.0;
    ASSERT_TRUE(synthesiseFraunhofer(in, ws->synthesis, *ws).wrote);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(ws->model.surf[static_cast<size_t>(i)].r, thick[i - 1]);
}

TEST_F(LensSynthesis, MissingGlassesAndDegenerateSplitsWriteNothing) {
    const SystemModel before = ws->model;
    auto expectUnchanged = [&](const SynthesisResult& r, const char* what) {
        EXPECT_FALSE(r.wrote) << what;
        EXPECT_FALSE(r.message.empty()) << what;
        EXPECT_TRUE(test::sameSystem(before, ws->model)) << what;
    };

    // Fraunhofer uses slot 3, not slot 2: an empty slot 3 is a missing glass.
    SynthesisState noThird = ws->synthesis;
    noThird.glasses[3] = GlassSlot{};
    const SynthesisResult missing = synthesiseFraunhofer({}, noThird, *ws);
    expectUnchanged(missing, "slot 3 empty");
    EXPECT_EQ(missing.message, "Glas auswählen");
    SynthesisState noSecond = ws->synthesis;
    noSecond.glasses[2] = GlassSlot{};
    EXPECT_EQ(synthesiseAchromat({}, noSecond, *ws).message, "Glas auswählen");

    // The same glass twice: v1 = v2 leaves no power split.
    SynthesisState same = ws->synthesis;
    same.glasses[2] = same.glasses[3] = same.glasses[1];
    expectUnchanged(synthesiseAchromat({}, same, *ws), "achromat v1 = v2");
    expectUnchanged(synthesiseFraunhofer({}, same, *ws), "Fraunhofer v1 = v2");

    // A colour target of 1/v1 leaves lens 2 without power, so its bending no
    // longer acts on the coma (B2 = 0). Abbe numbers 64 and 32 make it exact.
    FraunhoferInputs noPower;
    noPower.colourTarget = 1.0 / 64.0;
    const FraunhoferSolution zero = solveFraunhofer(1.5, 64.0, 1.6, 32.0, noPower);
    EXPECT_EQ(static_cast<double>(zero.phi2), 0.0);
    EXPECT_FALSE(zero.error.empty());
    noPower.colourTarget = 0.0;
    EXPECT_TRUE(solveFraunhofer(1.5, 64.0, 1.6, 32.0, noPower).error.empty());

    // A focal length of 0 is no system.
    AchromatInputs noFocal;
    noFocal.common.focalLength = 0.0;
    expectUnchanged(synthesiseAchromat(noFocal, ws->synthesis, *ws), "focal length 0");
}

}  // namespace
}  // namespace vn
