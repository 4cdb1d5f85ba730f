#include "model/editor_buffer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "optics/paraxial.h"
#include "test_systems.h"

namespace vn {
namespace {

constexpr int kG = colourIndex(kGreen);

double focalOf(SystemModel m) {
    ParaxialData p;
    AberrationSums s;
    EXPECT_TRUE(EvaluateSystem(m, false, p, s).ok);
    return m.sys.focalLength;
}

TEST(EditorConversions, PhysicalValuesConvertBothWays) {
    for (double F : {1.0, 0.8, 1.37}) {
        for (double f : {1000.0, 1234.5, 77.0}) {
            for (double v : {-2.0, 0.0213, 1e12, -0.7}) {
                EXPECT_DOUBLE_EQ(storedLength(physicalLength(v, F, f), F, f), v);
                for (int order : {2, 4, 6})
                    EXPECT_DOUBLE_EQ(storedAsphere(physicalAsphere(v, order, F, f), order, F, f),
                                     v);
            }
        }
    }
    EXPECT_DOUBLE_EQ(physicalLength(-2.0, 0.5, 1000.0), -4000.0);
    EXPECT_DOUBLE_EQ(physicalAsphere(1.0, 4, 0.5, 1000.0), 0.125e-9);
}

TEST(EditorConversions, TheBufferIsInMillimetresAndFollowsTheDesignMode) {
    SystemModel m = test::defaultSystem();
    m.sys.normFocal = 0.5;
    SystemEditor ed;
    ed.fill(m, true);
    EXPECT_DOUBLE_EQ(ed.buffer().surf[1].r, -4000.0);
    ed.fill(m, false);  // outside the normalised mode the focal length counts as 1
    EXPECT_DOUBLE_EQ(ed.buffer().surf[1].r, -2000.0);
    EXPECT_DOUBLE_EQ(ed.buffer().surf[1].e, -1000.0);
    EXPECT_DOUBLE_EQ(ed.fields().aperture, 100.0);
    EXPECT_FALSE(ed.fields().focalLengthEditable);
    EXPECT_EQ(ed.fields().kind, SurfaceKind::Reflection);
}

TEST(EditorBuffer, OkOnAnUnchangedSystemKeepsIt) {
    SystemModel m = test::cassegrain();
    ASSERT_NEAR(focalOf(m), 1000.0, 1e-6);
    SystemEditor ed;
    ed.fill(m, true);
    SystemModel out = m;
    ed.accept(out, false);
    for (int i = 0; i <= m.N(); ++i) {
        // "ok" normalises with the traced focal length, which is 1000 mm up
        // to rounding.
        EXPECT_NEAR(out.surf[idx(i)].r, m.surf[idx(i)].r, 1e-9 * std::fabs(m.surf[idx(i)].r));
        EXPECT_NEAR(out.surf[idx(i)].e, m.surf[idx(i)].e, 1e-9);
        EXPECT_EQ(out.surf[idx(i)].k, m.surf[idx(i)].k);
        EXPECT_EQ(out.surf[idx(i)].medium, m.surf[idx(i)].medium);
    }
    // The f-number does not pick up the rounding of the shown aperture.
    EXPECT_EQ(out.sys.fNumberRef, m.sys.fNumberRef);
    EXPECT_EQ(out.sys.focalLengthRef, 1000.0);
}

TEST(EditorBuffer, AValueTypedWithoutSignTakesTheDirectionOfTravel) {
    SystemEditor ed;
    ed.fill(test::defaultSystem(), false);
    ASSERT_EQ(ed.shownSurface(), 1);
    ed.fields().e = 800.0;  // behind the mirror
    ed.fields().n = {1.0, 1.0, 1.0};
    ed.selectTab(0);
    EXPECT_EQ(ed.buffer().surf[1].e, -800.0);
    EXPECT_EQ(ed.buffer().surf[1].n[kG], -1.0);
    EXPECT_EQ(ed.shownSurface(), 0);
    EXPECT_EQ(ed.fields().medium, "Luft/Blende");

    // "ok" straight after typing treats the shown surface the same way.
    ed.selectTab(1);
    ed.fields().e = 500.0;
    SystemModel out = test::defaultSystem();
    ed.accept(out, false);
    EXPECT_LT(out.surf[1].e, 0.0);
}

TEST(EditorBuffer, InsertSplitsTheGapAndDeleteClosesIt) {
    SystemEditor ed;
    ed.fill(test::defaultSystem(), false);
    ASSERT_EQ(ed.insertSurface(10.0), "");
    const EditBuffer& b = ed.buffer();
    EXPECT_EQ(b.N(), 2);
    EXPECT_EQ(b.surf[1].e, -10.0);
    EXPECT_EQ(b.surf[2].e, -990.0);
    EXPECT_EQ(b.surf[2].r, kFlatRadius);
    EXPECT_EQ(b.surf[2].dir, -1.0);
    // The image plane moved up and follows the new last surface.
    EXPECT_EQ(b.surf[3].r, kFlatRadius);
    EXPECT_EQ(b.surf[3].e, -990.0);
    EXPECT_EQ(b.surf[3].h, 1.01);
    EXPECT_EQ(ed.shownSurface(), 2);
    EXPECT_EQ(ed.fields().surfaceCount, 2);

    ASSERT_EQ(ed.deleteSurface(), "");
    EXPECT_EQ(b.N(), 1);
    EXPECT_EQ(b.surf[1].e, -1000.0);
    EXPECT_EQ(b.surf[1].r, -2000.0);
    // The last surface and the entrance pupil stay.
    EXPECT_NE(ed.deleteSurface(), "");
    ed.selectTab(0);
    EXPECT_NE(ed.deleteSurface(), "");
    EXPECT_EQ(b.N(), 1);
}

TEST(EditorBuffer, InsertionStopsAtTwentyNineSurfaces) {
    SystemEditor ed;
    ed.fill(test::defaultSystem(), false);
    for (int i = 1; i < kMaxSurfaces; ++i) ASSERT_EQ(ed.insertSurface(1.0), "") << i;
    EXPECT_EQ(ed.buffer().N(), kMaxSurfaces);
    const EditBuffer before = ed.buffer();
    EXPECT_NE(ed.insertSurface(1.0), "");
    EXPECT_EQ(ed.buffer().N(), kMaxSurfaces);
    EXPECT_EQ(ed.buffer().surf[30].e, before.surf[30].e);
}

TEST(EditorBuffer, DeletingAMirrorLetsTheLightRunOn) {
    SystemEditor ed;
    ed.fill(test::defaultSystem(), false);
    ASSERT_EQ(ed.insertSurface(10.0), "");
    ed.chooseKind(SurfaceKind::Reflection);  // a flat fold mirror 10 mm after the primary
    ASSERT_EQ(ed.buffer().surf[2].dir, 1.0);
    ASSERT_EQ(ed.deleteSurface(), "");
    const EditBuffer& b = ed.buffer();
    EXPECT_EQ(b.N(), 1);
    EXPECT_EQ(b.surf[1].e, -1000.0);
    EXPECT_EQ(b.surf[2].dir, -1.0);  // the image plane lies in the returning light again
    EXPECT_EQ(ed.fields().kind, SurfaceKind::Reflection);
}

TEST(EditorBuffer, TheKindChoiceTurnsTheDirectionOfTheFollowingSurfaces) {
    SystemEditor ed;
    ed.fill(test::defaultSystem(), false);
    ASSERT_EQ(ed.insertSurface(10.0), "");  // surface 2, flat, in the returning light
    ed.fields().u = 0.0;
    ed.fields().r = -500.0;
    ed.chooseKind(SurfaceKind::Reflection);
    const EditBuffer& b = ed.buffer();
    EXPECT_EQ(b.surf[2].dir, 1.0);
    EXPECT_EQ(b.surf[2].r, 500.0);
    EXPECT_EQ(b.surf[2].e, 990.0);
    EXPECT_EQ(b.surf[2].n[kG], 1.0);
    EXPECT_EQ(ed.fields().e, 990.0);
    ed.chooseKind(SurfaceKind::Refraction);  // back, but the radius keeps its sign
    EXPECT_EQ(b.surf[2].dir, -1.0);
    EXPECT_EQ(b.surf[2].r, 500.0);
    EXPECT_EQ(b.surf[2].e, -990.0);

    ed.chooseKind(SurfaceKind::Obstruction);
    EXPECT_EQ(ed.fields().medium, "Luft/Obstr");
    ed.selectTab(1);
    EXPECT_EQ(b.surf[2].medium, "Luft/Obstr");
    ed.selectTab(2);
    EXPECT_EQ(ed.fields().kind, SurfaceKind::Obstruction);
    // Entry 0 has no kind to choose.
    ed.selectTab(0);
    ed.chooseKind(SurfaceKind::Reflection);
    EXPECT_EQ(b.surf[0].dir, 1.0);
    EXPECT_EQ(b.surf[1].dir, -1.0);
}

TEST(EditorUpdate, ANewFocalLengthScalesTheBufferInTheNormalisedMode) {
    const SystemModel m = test::defaultSystem();
    SystemEditor ed;
    ed.fill(m, true);
    ed.fields().focalLength = 2000.0;
    ASSERT_EQ(ed.update(), "");
    const EditBuffer& b = ed.buffer();
    EXPECT_NEAR(b.surf[1].r, -4000.0, 1e-6);
    EXPECT_NEAR(b.surf[1].e, -2000.0, 1e-6);
    EXPECT_NEAR(ed.bufferFocalLength(), 2000.0, 2000.0 * 1e-5);
    EXPECT_TRUE(ed.current().shown);
    EXPECT_EQ(ed.current().focalLength, 2000.0);
    EXPECT_NEAR(ed.fields().aperture, 100.0, 1e-9);  // the aperture stays, f/20
    EXPECT_DOUBLE_EQ(ed.current().fNumber, 20.0);

    SystemModel out = m;
    ed.accept(out, false);
    EXPECT_NEAR(out.surf[1].r, -2.0, 1e-9);
    EXPECT_NEAR(out.surf[1].e, -1.0, 1e-9);
    EXPECT_EQ(out.sys.focalLengthRef, 2000.0);
    EXPECT_NEAR(out.sys.fNumberRef, 20.0, 1e-9);
}

TEST(EditorUpdate, OutsideTheNormalisedModeOkTakesTheParaxialFocalLength) {
    SystemEditor ed;
    ed.fill(test::defaultSystem(), false);
    ed.fields().r = -3000.0;
    SystemModel out = test::defaultSystem();
    ed.accept(out, false);
    EXPECT_NEAR(out.sys.focalLengthRef, 1500.0, 1e-6);
    EXPECT_NEAR(focalOf(out), 1500.0, 1e-6);
    // The aperture of 100 mm stays: f/15.
    EXPECT_NEAR(out.sys.fNumberRef, 15.0, 1e-9);
}

TEST(EditorUpdate, TheSchmidtCorrectorFollowsTheScaledMirror) {
    const SystemModel m = test::schmidtCamera();
    SystemEditor ed;
    ed.fill(m, true);
    ed.fields().focalLength = 2000.0;
    ed.fields().aperture = 1000.0;  // f/2 as before
    ASSERT_EQ(ed.update(), "");
    const EditBuffer& b = ed.buffer();
    ASSERT_NEAR(std::fabs(ed.bufferFocalLength()), 2000.0, 2000.0 * 1e-5);
    // A similar corrector for a similar mirror: the terms times powers of the
    // mirror radius are those of the normalised camera. The plate's own power
    // makes the camera's focal length 0.6 % longer than the mirror's, and the
    // aperture follows the camera's, so they agree to about 2 %.
    const double R = b.surf[3].r, r = m.surf[3].r;
    EXPECT_NEAR(b.surf[2].A2 * R, m.surf[2].A2 * r, 2e-2 * std::fabs(m.surf[2].A2 * r));
    EXPECT_NEAR(b.surf[2].A4 * R * R * R, m.surf[2].A4 * r * r * r,
                2e-2 * std::fabs(m.surf[2].A4 * r * r * r));
    EXPECT_NEAR(b.surf[2].A6 * std::pow(R, 5), m.surf[2].A6 * std::pow(r, 5),
                2e-2 * std::fabs(m.surf[2].A6 * std::pow(r, 5)));
}

TEST(EditorUpdate, ASystemWithoutFocusIsRefusedByUpdateButWrittenByOk) {
    SystemEditor ed;
    ed.fill(test::defaultSystem(), false);
    ed.fields().r = 0.0;  // no paraxial image
    const EditBuffer before = ed.buffer();
    EXPECT_NE(ed.update(), "");
    EXPECT_EQ(ed.buffer().focalLength, before.focalLength);
    SystemModel out = test::defaultSystem();
    ed.accept(out, false);
    EXPECT_EQ(out.surf[1].r, 0.0);
    EXPECT_EQ(out.sys.focalLengthRef, 1000.0);
}

TEST(EditorGlass, AGlassBehindAMirrorGetsNegativeIndicesAtTheSystemWavelengths) {
    SystemEditor ed;
    ed.fill(test::defaultSystem(), false);
    GlassRecord g;
    g.type = "S     N-BK7          Sel";
    g.K = test::kNBK7;
    ASSERT_EQ(ed.applyGlass(g), "");
    const std::array<double, 3> lambda = test::defaultSystem().sys.wavelength;
    for (int c = 0; c < 3; ++c) {
        const double n = std::sqrt(sellmeierIndexSquared(test::kNBK7, lambda[idx(c)]));
        EXPECT_DOUBLE_EQ(ed.buffer().surf[1].n[idx(c)], -n);
        EXPECT_DOUBLE_EQ(ed.fields().n[idx(c)], -n);
    }
    EXPECT_EQ(ed.buffer().surf[1].medium, "S     N-BK7          Sel");
    EXPECT_EQ(ed.buffer().surf[1].coef, test::kNBK7);
}

TEST(EditorGlass, AGlassMeasuredAtOtherWavelengthsMarksThem) {
    SystemEditor ed;
    ed.fill(test::defaultSystem(), false);
    GlassRecord g;
    g.type = "L     Probe          n/L";
    g.K = {1.51, 1.52, 1.53, 0.6438, 0.546074, 0.4358343};
    ASSERT_EQ(ed.applyGlass(g), "");
    EXPECT_EQ(ed.buffer().surf[1].wavelength[0], 0.6438);
    EXPECT_TRUE(ed.fields().wavelengthMarked[0]);
    EXPECT_FALSE(ed.fields().wavelengthMarked[1]);
    EXPECT_NEAR(ed.fields().wavelengthNm[0], 643.8, 1e-9);
    SystemModel out = test::defaultSystem();
    ed.accept(out, false);
    EXPECT_TRUE(out.surf[1].lambdaMismatch[0]);
    EXPECT_FALSE(out.surf[1].lambdaMismatch[2]);

    g.type = "L     Luft           n/L";
    ASSERT_EQ(ed.applyGlass(g), "");
    EXPECT_FALSE(ed.fields().wavelengthMarked[0]);

    // A glass without an index at the wavelengths changes nothing.
    GlassRecord bad;
    bad.type = "L     Bad            Cau";
    const EditBuffer before = ed.buffer();
    EXPECT_NE(ed.applyGlass(bad), "");
    EXPECT_EQ(ed.buffer().surf[1].medium, before.surf[1].medium);
}

}  // namespace
}  // namespace vn
