// The PSF window's picture as recorded, its grey scale, and the rules of
// the test-grating overlay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "mainwindow/window_updates.h"
#include "psf/grating_overlay.h"
#include "psf/psf_analysis.h"
#include "psf/psf_computation.h"
#include "psf/psf_painter.h"
#include "recording_queries.h"
#include "spot_test_support.h"
#include "test_systems.h"

namespace vn {
namespace {

using Kind = DrawCommand::Kind;

using test::textAt;

std::unique_ptr<Workspace> psfOf(const SystemModel& m) {
    auto ws = test::spotsFor(m);
    EXPECT_TRUE(BerechnePSF(*ws).ok);
    analysePsf(*ws);
    return ws;
}

TEST(PsfGrey, EachDecadeSpansTheContrastAndBelowTheThresholdIsBlack) {
    EXPECT_EQ(psfGreyIndex(1.0, 30), 127);
    EXPECT_EQ(psfGreyIndex(0.1, 30), 97);
    EXPECT_EQ(psfGreyIndex(0.1, 60), 67);
    // Contrast 30: black below 10^(-127/30), about 5.84e-5.
    EXPECT_EQ(psfGreyIndex(5.7e-5, 30), 0);
    EXPECT_GT(psfGreyIndex(7.0e-5, 30), 0);
    // Contrast 60: black below 10^(-127/60), about 7.64e-3.
    EXPECT_EQ(psfGreyIndex(7.4e-3, 60), 0);
    EXPECT_GT(psfGreyIndex(8.5e-3, 60), 0);
    // Below 1e-6, not finite or negative: the lowest grey.
    EXPECT_EQ(psfGreyIndex(0.0, 30), 0);
    EXPECT_EQ(psfGreyIndex(std::nan(""), 30), 0);
    EXPECT_EQ(paletteGrey(127), rgb(254, 254, 254));
}

TEST(PsfPainter, DrawsTheStarImageReferenceCurvesAndFigures) {
    auto ws = psfOf(test::example("schmidt-camera.opt"));
    PsfLook look;
    RecordingCanvas c;
    paintPsfWindow(c, *ws, look);
    const int D = ws->psf.radius, nAz = ws->psf.azimuths;
    int arcs = 0, largest = 0;
    for (const DrawCommand& d : c.commands())
        if (d.kind == Kind::Arc && d.points[0].x < 220) {
            ++arcs;
            largest = std::max(largest, (d.points[1].x - d.points[0].x) / 2);
        }
    // One arc per grid point but the centre, and the rim and marker circles.
    EXPECT_GE(arcs, D * nAz);
    EXPECT_EQ(textAt(c, {345, 20})->text, "M:0°");
    EXPECT_EQ(textAt(c, {495, 235})->text.rfind("E0: ", 0), 0u);
    EXPECT_EQ(textAt(c, {75, 295})->text.rfind("DH: ", 0), 0u);
    EXPECT_EQ(textAt(c, {495, 295})->text.rfind("Ob: ", 0), 0u);
    const DrawCommand* strehl = textAt(c, {345, 65});
    ASSERT_NE(strehl, nullptr);
    EXPECT_EQ(strehl->text, "Strehl: " + fmt::fixed(ws->psf.analysis.strehl, 5, 3));
    EXPECT_EQ(textAt(c, {75, 310})->text,
              "Strehl (DH): " + fmt::fixed(ws->psf.analysis.strehlPeak, 5, 3));
    EXPECT_GT(ws->psf.analysis.strehlPeak, 0.3);
    EXPECT_LE(ws->psf.analysis.strehlPeak, 1.0);

    // The PSF alone on black.
    RecordingCanvas graph;
    paintPsfGraph(graph, *ws, look);
    EXPECT_EQ(graph.commands().front().kind, Kind::FillRect);
    EXPECT_EQ(graph.commands().front().colour, psf_colour::black);
    EXPECT_GT(graph.commands().size(), static_cast<size_t>(D * nAz));
}

TEST(PsfPainter, RadiiAbove108AreNotDrawn) {
    auto ws = psfOf(test::example("newtonian-f5.opt"));
    ws->psf.radius = 120;  // beyond what the settings allow
    RecordingCanvas c;
    paintPsfWindow(c, *ws, {});
    // The reference circles (but the black disc of radius 105) and the PSF arcs.
    for (const DrawCommand& d : c.commands())
        if (d.kind == Kind::Ellipse && d.points[0].x > 400)
            EXPECT_LE((d.points[1].x - d.points[0].x) / 2, 108);
    int widest = 0, penWidth = 1;
    for (const DrawCommand& d : c.commands()) {
        if (d.kind == Kind::Pen) penWidth = d.width;
        if (d.kind == Kind::Arc && penWidth == 2)
            widest = std::max(widest, (d.points[1].x - d.points[0].x) / 2);
    }
    EXPECT_EQ(widest, 108);
}

TEST(PsfPainter, StrehlOutsideZeroToOneIsMarked) {
    auto ws = psfOf(test::example("newtonian-f5.opt"));
    ws->psf.analysis.strehl = 1.21;
    RecordingCanvas c;
    paintPsfWindow(c, *ws, {});
    const DrawCommand* s = textAt(c, {345, 65});
    EXPECT_EQ(s->text, "Strehl: 1.210 ?");
    EXPECT_EQ(s->colour, psf_colour::red);
    EXPECT_FALSE(strehlPlausible(-0.08));
    EXPECT_TRUE(strehlPlausible(1.0));
}

TEST(PsfPainter, MarkersFollowTheCheckBoxAndAnEmptyPsfSaysSo) {
    auto ws = psfOf(test::example("newtonian-f5.opt"));
    PsfLook look;
    look.markers = false;
    RecordingCanvas c;
    paintPsfWindow(c, *ws, look);
    for (const DrawCommand& d : c.commands())
        if (d.kind == Kind::Pen) EXPECT_NE(d.colour, psf_colour::navy);

    ws->psf.transmission = 0.0f;
    RecordingCanvas empty;
    paintPsfWindow(empty, *ws, {});
    bool note = false;
    for (const DrawCommand& d : empty.commands()) {
        EXPECT_FALSE(d.kind == Kind::Pen && d.width == 2) << "an arc of the PSF";
        note = note || (d.kind == Kind::Text && d.text.find("leer") != std::string::npos);
    }
    EXPECT_TRUE(note);
}

Point atAngle(double degrees, double distance) {
    return {kGratingCentreX + Nearest(distance * std::sin(degrees * kDegree)),
            kGratingCentreY - Nearest(distance * std::cos(degrees * kDegree))};
}

TEST(GratingOverlay, TurnsSnapToFiveDegreesAndWrapIntoTheHalfCircle) {
    GratingOverlay g;
    g.angle = 90;
    gratingPress(g, 110, 70);
    EXPECT_TRUE(g.rotating);
    const Point p = atAngle(-5.0, 50.0);
    gratingMove(g, p.x, p.y);
    EXPECT_TRUE(gratingRelease(g, p.x, p.y).repaint);
    EXPECT_EQ(g.angle, -85);  // 95 degrees

    g.angle = -90;
    gratingPress(g, 110, 70);
    const Point q = atAngle(5.0, 50.0);
    gratingRelease(g, q.x, q.y);
    EXPECT_EQ(g.angle, 85);  // -95 degrees

    g.angle = 0;
    gratingPress(g, 110, 70);
    const Point r = atAngle(-7.0, 50.0);
    gratingRelease(g, r.x, r.y);
    EXPECT_EQ(g.angle, 5);
    EXPECT_FALSE(g.rotating);
}

TEST(GratingOverlay, MarkersAreDraggedOnlyAtTheRimNearTheirLine) {
    GratingOverlay g;          // alpha 0, beta 15: markers at -15 and +15 degrees
    gratingPress(g, 110, 18);  // distance exactly 102
    EXPECT_FALSE(g.rotating || g.movingFirst || g.movingSecond);

    const Point first = atAngle(-15.0, 105.0);
    gratingPress(g, first.x, first.y);
    EXPECT_TRUE(g.movingFirst);
    EXPECT_FALSE(g.movingSecond);
    const Point wider = atAngle(-20.0, 105.0);
    gratingMove(g, wider.x, wider.y);
    EXPECT_LT(g.delta, 0.0);
    gratingRelease(g, wider.x, wider.y);
    EXPECT_NEAR(g.halfAngle, 20.0, 0.5);

    GratingOverlay h;
    const Point second = atAngle(15.0, 105.0);
    gratingPress(h, second.x, second.y);
    EXPECT_TRUE(h.movingSecond);
    const Point away = atAngle(25.0, 105.0);  // more than 2 degrees off any line
    gratingPress(h, away.x, away.y);
    EXPECT_FALSE(h.movingFirst || h.movingSecond || h.rotating);
    // Outside the rim nothing happens and nothing needs a repaint.
    gratingPress(h, 110, 2);
    EXPECT_FALSE(gratingRelease(h, 110, 2).repaint);
}

TEST(GratingOverlay, PeriodFollowsTheMarkerAngle) {
    const double theta = 1e-5;
    const double p = gratingPeriodArcsec(std::sin(15.0 * kDegree), theta, 40);
    EXPECT_NEAR(p, std::sin(15.0 * kDegree) * theta * 2.0 / kArcsecond / 40.0 * 110.0, 1e-12);
    EXPECT_NEAR(gratingPeriodUm(1.0, 1000.0), 4.84813681109536, 1e-9);
    EXPECT_EQ(gratingPeriodArcsec(0.5, theta, 0), 0.0);
}

}  // namespace
}  // namespace vn
