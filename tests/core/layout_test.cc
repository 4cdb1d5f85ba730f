#include "optics/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "allocation_counter.h"
#include "mainwindow/document.h"
#include "mainwindow/run_cycle.h"
#include "model/number_format.h"
#include "test_systems.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

constexpr double kRounding = 1e-13;
// Pixel positions are rounded: one pixel of a beam 100 pixels wide.
constexpr double kPixel = 0.01;

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override { Initialize(*ws); }
    // Loads the system into the workspace and runs the run cycle (scale 1000
    // pixels per focal length).
    void start(SystemModel m) {
        ws->model = std::move(m);
        ASSERT_TRUE(Start(*ws).ok);
    }
    double pupilRadius() const {
        return std::fabs(ws->model.sys.normFocal) / 2.0 / ws->model.sys.fNumber;
    }
    const LayoutResults& out() const { return ws->layout; }

    std::unique_ptr<Workspace> ws = std::make_unique<Workspace>();
};

TEST_F(LayoutTest, UntiltedMirrorIsDrawnOnAStraightAxisShiftedRightOfTheOrigin) {
    start(test::defaultSystem());
    const int N = ws->model.N();
    for (int i = 0; i <= N + 1; ++i) {
        EXPECT_EQ(out().axisAngle[i], 0.0);
        EXPECT_EQ(out().vertexPy[i], ws->view.originY);
    }
    EXPECT_EQ(ws->view.originY, 757 / 2);
    // The focus lies a focal length (1000 pixels) left of the mirror; the
    // origin moves so that it lands at the base x + 100.
    EXPECT_EQ(out().vertexPx[2], 200);
    EXPECT_EQ(out().vertexPx[1], 1200);
    EXPECT_EQ(ws->view.originX, 1200);
    EXPECT_NEAR(out().systemLength, 1000.0, 1e-6);
    EXPECT_EQ(out().obstructionRatio, 0.0);  // a single surface
    // A lens that lies right of its first surface stays where it is.
    start(test::singlet(0.6, -1.8, 0.05));
    EXPECT_EQ(ws->view.originX, 100);
    EXPECT_EQ(out().vertexPx[1], 100);
    EXPECT_EQ(out().obstructionRatio, 0.0);  // no mirror at all
}

TEST_F(LayoutTest, FlatMirrorAt45DegreesTurnsTheDrawnAxisBy90Degrees) {
    start(test::newtonian());
    EXPECT_EQ(out().axisAngle[1], 0.0);
    EXPECT_NEAR(out().axisAngle[2], std::numbers::pi / 2.0, kRounding);
    EXPECT_NEAR(out().axisAngle[3], std::numbers::pi / 2.0, kRounding);
    // The diagonal sits 800 pixels left of the primary; the focus 200 pixels
    // above the diagonal.
    EXPECT_EQ(out().vertexPx[1] - out().vertexPx[2], 800);
    EXPECT_EQ(out().vertexPx[3], out().vertexPx[2]);
    EXPECT_EQ(out().vertexPy[2] - out().vertexPy[3], 200);
    // The axial rays meet in the focus.
    EXPECT_EQ(out().fanPx[0][1][3], out().vertexPx[3]);
    EXPECT_EQ(out().fanPx[1][1][3], out().vertexPx[3]);
}

TEST_F(LayoutTest, ObstructionRatioFollowsTheBeamOnTheSecondary) {
    // Classical Cassegrain, pupil at the primary (focal length 0.4), secondary
    // 0.257 in front: the axial cone there is (0.4 - 0.257) / 0.4 of the
    // aperture 0.1, and the chief rays of +-1 degree land 0.257 tan 1 degree
    // off the axis.
    start(test::cassegrain());
    const double d = 0.9 / 3.5, D = 0.1, w = std::tan(1.0 * std::numbers::pi / 180.0);
    EXPECT_NEAR(out().obstructionRatio, ((0.4 - d) / 0.4 * D + 2.0 * w * d) / D, 2.0 * kPixel);
    EXPECT_NEAR(out().systemLength, (d + 0.1) * 1000.0, 1.0);  // secondary to focus
    // Newtonian f/6: the cone 0.2 before the focus and the chief rays 0.8 from
    // the primary.
    start(test::newtonian());
    const double Dn = 1.0 / 6.0;
    EXPECT_NEAR(out().obstructionRatio, (0.2 * Dn + 2.0 * w * 0.8) / Dn, 2.0 * kPixel);
}

TEST_F(LayoutTest, DrawnRaysAreTheOutermostZoneRaysThatPassTheStop) {
    start(test::mirrorBehind("Luft/Blende", 0.6));
    const PupilSampling& pupil = ws->pupil;
    // The stop radius is 0.6 of the pupil radius.
    int j = pupil.zoneCount;
    while (pupil.zoneHeight[j] > 0.6) --j;
    const int offset = Nearest(1000.0 * pupilRadius() * pupil.zoneHeight[j]);
    for (int field = 0; field < 3; ++field) {
        EXPECT_EQ(out().fanPy[0][field][1], ws->view.originY - offset) << field;
        EXPECT_EQ(out().fanPy[1][field][1], ws->view.originY + offset) << field;
    }
    EXPECT_EQ(out().rimHalf[1], 30);  // a stop is drawn on the axial beam: 1000 H h / (2F)
}

TEST_F(LayoutTest, OutlinesFollowTheLargestDrawnRayAndTheLimit) {
    // The mirror behind a stop at 0.6 of the pupil: the drawn rays of the three
    // fields pass the stop edge and meet the mirror at slightly different heights.
    for (double limit : {1.05, 0.9}) {
        SystemModel m = test::mirrorBehind("Luft/Blende", 0.6);
        m.surf[2].h = limit;
        start(m);
        auto sys = std::make_unique<TraceSystem>();
        prepareTrace(ws->model, ws->paraxial, out().beamFactor, *sys);
        int j = ws->pupil.zoneCount;
        while (ws->pupil.zoneHeight[j] > 0.6) --j;
        double largest = 0.0;
        for (double field : {-1.0, 0.0, 1.0})
            for (double azimuth : {0.0, std::numbers::pi}) {
                RayState ray;
                aimRay(*sys, pupilRadius() * ws->pupil.zoneHeight[j], azimuth,
                       field * std::numbers::pi / 180.0, ray);
                TraceRay(*sys, ray);
                largest = std::max(largest, std::fabs(ray.surfY[2]));
            }
        // h >= 1 widens the outline by h; below 1 it is the ray height itself.
        const double hh = limit >= 1.0 ? limit * largest : largest;
        EXPECT_EQ(out().rimHalf[2], -Nearest(1000.0 * hh)) << limit;  // signed like r = -2
        EXPECT_NEAR(out().edgeSag[2], (1.0 - std::sqrt(1.0 - hh * hh / 4.0)) * -2.0, kRounding);
    }
}

TEST_F(LayoutTest, RimBeyondTheRadiusIsDrawnAtTheRadius) {
    // An f/10 beam on a mirror of radius 0.05 nearly fills the hemisphere; 1.05
    // times the rim ray height lies beyond the radius.
    SystemModel m = test::defaultSystem();
    m.surf[1].r = -0.05;
    start(m);
    const double S = 1000.0 / std::fabs(ws->model.sys.normFocal);
    EXPECT_EQ(out().edgeSag[1], -0.05);
    EXPECT_EQ(out().rimHalf[1], -Nearest(S * 0.05));
}

TEST_F(LayoutTest, SearchCrossesTheAxisWhenOneHalfOfThePupilIsClosed) {
    // The stop moved up by more than its radius: the lower half of the pupil,
    // the centre included, is shut, so side 1 finds its ray in zone -1, above
    // the axis.
    SystemModel m = test::mirrorBehind("Luft/Blende", 0.6);
    m.surf[1].tolDy = 0.032;
    start(m);
    const double y = pupilRadius() * ws->pupil.zoneHeight[1];
    EXPECT_EQ(out().fanPy[1][1][1], ws->view.originY - Nearest(1000.0 * y));
}

TEST_F(LayoutTest, WhenEveryZoneIsBlockedTheChiefRayIsDrawn) {
    start(test::mirrorBehind("Luft/Obstr", 2.0));  // larger than the beam
    for (int side = 0; side < 2; ++side)
        for (int field = 0; field < 3; ++field)
            for (int i = 1; i <= 3; ++i)
                EXPECT_EQ(out().fanPy[side][field][i], out().fanPy[0][field][i]);
    EXPECT_EQ(out().fanPy[0][1][1], ws->view.originY);
    EXPECT_EQ(out().fanPy[0][1][3], ws->view.originY);
}

TEST_F(LayoutTest, BeamFactorsOpenTheAperturesToTheTracedRimRays) {
    // The corrector widens the real beam on the mirror beyond 1.01 times the
    // paraxial one: on the axial beam alone the rim rays would be vignetted.
    start(test::schmidtCamera());
    EXPECT_GT(out().beamFactor[3], 1.1);
    auto unit = std::make_unique<TraceSystem>(), layout = std::make_unique<TraceSystem>();
    prepareTrace(ws->model, ws->paraxial, kUnitBeamFactors, *unit);
    prepareTrace(ws->model, ws->paraxial, out().beamFactor, *layout);
    const double rho = pupilRadius() * ws->pupil.zoneHeight[ws->pupil.zoneCount];
    for (double field : {-1.0, 0.0, 1.0}) {
        RayState ray;
        aimRay(*layout, rho, 0.0, field * std::numbers::pi / 180.0, ray);
        TraceRay(*layout, ray);
        EXPECT_FALSE(ray.blocked) << field;
    }
    RayState ray;
    aimRay(*unit, rho, 0.0, std::numbers::pi / 180.0, ray);
    TraceRay(*unit, ray);
    EXPECT_TRUE(ray.blocked);
    // "Neu" forgets them.
    Initialize(*ws);
    EXPECT_EQ(out().beamFactor, kUnitBeamFactors);
}

TEST_F(LayoutTest, MarkedRayIsTheChiefRayOfTheMarkedField) {
    start(test::defaultSystem());
    ASSERT_EQ(ws->marked.height, 0.0);
    ASSERT_EQ(ws->marked.angle, 1.0);
    // It meets the mirror at its vertex, at the field angle.
    EXPECT_NEAR(out().markedCos[1], std::cos(std::numbers::pi / 180.0), kRounding);
    EXPECT_EQ(out().markedPx[1], out().vertexPx[1]);
    EXPECT_EQ(out().markedPy[1], ws->view.originY);
    // and lands a focal length times the tangent above the axis
    EXPECT_EQ(out().markedPy[2],
              ws->view.originY - Nearest(1000.0 * std::tan(std::numbers::pi / 180.0)));
}

TEST_F(LayoutTest, ZoneRaysShowTheLongitudinalAberration) {
    // E F / G is where a zone ray crosses the axis, counted from one focal
    // length before the image plane: constant for a paraboloid, closer to the
    // mirror by h^2 / 8 for the sphere of focal length 1.
    for (double k : {-1.0, 0.0}) {
        start(test::mirror(k));
        Meridian(*ws);
        const int Z = ws->pupil.zoneCount;
        auto crossing = [&](int j, int c) {
            return out().zoneIntercept[j][c] * out().zoneDirAxis[j][c] / out().zoneDirY[j][c];
        };
        const double reference = crossing(Z + 1, colourIndex(kGreen));
        for (int j = 1; j <= Z; ++j) {
            const double h = pupilRadius() * ws->pupil.zoneHeight[j];
            const double expected = k == 0.0 ? h * h / 8.0 : 0.0;
            EXPECT_NEAR(std::fabs(crossing(j, colourIndex(kGreen)) - reference), expected,
                        0.01 * expected + 1e-11)
                << "k " << k << " zone " << j;
            // A mirror has no colour.
            EXPECT_EQ(out().zoneIntercept[j][colourIndex(kRed)],
                      out().zoneIntercept[j][colourIndex(kGreen)]);
            EXPECT_FALSE(out().zoneFailed[j][colourIndex(kBlue)]);
        }
    }
    // A tilted image plane replaces the axis deviation.
    ws->model.surf[2].u = 2.0;
    Meridian(*ws);
    EXPECT_NEAR(ws->paraxial.axisDeviation, 2.0 * std::numbers::pi / 180.0, kRounding);
}

TEST_F(LayoutTest, LayoutAndZoneRaysAllocateNothing) {
    if (!test::allocationCountingActive()) GTEST_SKIP() << "allocator not counted";
    start(test::schmidtCamera());
    const std::size_t before = test::allocationCount();
    RechneKoord(*ws);
    Meridian(*ws);
    EXPECT_EQ(test::allocationCount(), before);
}

}  // namespace
}  // namespace vn
