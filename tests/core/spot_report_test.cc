#include "spot/spot_report.h"

#include <gtest/gtest.h>

#include <cmath>

#include "spot/focus_model.h"
#include "spot_test_support.h"
#include "test_systems.h"

namespace vn {
namespace {

TEST(SpotReport, ReferenceCirclesAndImageFieldOfAnF10Mirror) {
    auto ws = test::spotsFor(test::mirror(-1.0));
    const SpotReport r = rekonstruierenValues(*ws);
    // S = 4000 pixels per mm at the default "Massstab" of 20.
    EXPECT_EQ(r.grainRadiusPx, 50);   // 25 um grain
    EXPECT_EQ(r.seeingRadiusPx, 19);  // 1" at 1000 mm is 4.85 um
    EXPECT_EQ(r.airyRadiusPx, 27);    // 1.22 lambda N = 6.66 um
    EXPECT_NEAR(r.airyDiameterUm, 2.44 * 0.546074 * 10.0, 1e-9);
    EXPECT_NEAR(r.grainDiameterUm, 25.0, 1e-12);
    EXPECT_NEAR(r.imageFieldWidthMm, 2000.0 * std::tan(std::numbers::pi / 180.0), 1e-9);
    EXPECT_NEAR(r.focalLengthMm, 1000.0, 1e-6);
    EXPECT_NEAR(r.apertureMm, 100.0, 1e-6);
    EXPECT_NEAR(r.effectiveFNumber[1], 10.0, 1e-9);
    // A paraboloid has no distortion to speak of: its field point's chief ray
    // lands on the chooser where the field point was picked.
    EXPECT_EQ(ws->spot.window.markerU, 0);
    EXPECT_EQ(ws->spot.window.markerV, 100);
    EXPECT_NEAR(r.wavelengthNm[1], 546.074, 1e-9);
}

TEST(SpotReport, DefocusLinesFollowTheFocus) {
    auto ws = test::spotsFor(test::mirror(-1.0));
    // On the paraxial focus exactly: no side word.
    ws->spot.results.focusShift = 0.0;
    SpotReport r = rekonstruierenValues(*ws);
    EXPECT_EQ(r.rayDefocusWaves, 0.0);
    EXPECT_EQ(r.gaussDefocusMm, 0.0);
    EXPECT_EQ(r.gaussDefocusSide, 0);
    // One focus step of 1e-5 focal lengths, 10 um: 10 / (8 N^2 lambda) waves.
    stepFocusKey(*ws, true);
    r = rekonstruierenValues(*ws);
    const double waves = 1e-5 * 1000.0 * 1000.0 / (8.0 * 100.0 * 0.546074);
    EXPECT_NEAR(std::fabs(r.rayDefocusWaves), waves, 1e-9);
    EXPECT_NEAR(std::fabs(r.gaussDefocusMm), 0.01, 1e-9);
    EXPECT_EQ(r.gaussDefocusSide, r.gaussDefocusMm > 0.0 ? 1 : -1);
}

TEST(SpotReport, EffectiveFNumberStaysWhenNoLightArrives) {
    auto ws = test::spotsFor(test::mirror(-1.0));
    rekonstruierenValues(*ws);
    ws->model = test::mirrorBehind("Luft/Obstr", 2.0);
    Start(*ws);
    ASSERT_TRUE(berechnen(*ws).ok);
    ASSERT_EQ(ws->spot.results.lightLoss[1], 100.0);
    const SpotReport r = rekonstruierenValues(*ws);
    EXPECT_NEAR(r.effectiveFNumber[1], 10.0, 1e-9);
    EXPECT_EQ(r.obstruction, 100.0);
}

}  // namespace
}  // namespace vn
