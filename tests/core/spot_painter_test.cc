// The spot window's picture as recorded: spots, circles, chooser, report
// texts with their places and formats, and what odd systems show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "mainwindow/window_updates.h"
#include "recording_queries.h"
#include "spot/spot_painter.h"
#include "spot/spot_report.h"
#include "spot_test_support.h"
#include "test_systems.h"
#include "ui/recording_canvas.h"

namespace vn {
namespace {

using Kind = DrawCommand::Kind;

using test::anyTextContains;
using test::textAt;

RecordingCanvas paint(Workspace& ws, const SpotLook& look = {}) {
    RecordingCanvas canvas(kSpotWindowWidth, kSpotWindowHeight);
    paintSpotWindow(canvas, ws, rekonstruierenValues(ws), look);
    return canvas;
}

TEST(SpotPainter, DrawsSpotsCirclesChooserAndReportAtTheirPlaces) {
    auto ws = test::spotsFor(test::example("newtonian-f5.opt"));
    const RecordingCanvas c = paint(*ws);
    int red = 0, blue = 0, green = 0, nearAxis = 0, nearField = 0;
    for (const DrawCommand& d : c.commands()) {
        if (d.kind != Kind::Pixel) continue;
        red += d.colour == spot_colour::red;
        blue += d.colour == spot_colour::blue;
        green += d.colour == spot_colour::green;
        const Point p = d.points.front();
        nearAxis += std::abs(p.x - 120) < 20 && std::abs(p.y - 100) < 20;
        nearField += std::abs(p.x - 120) < 60 && std::abs(p.y - 240) < 60;
    }
    EXPECT_GT(red, 0);
    EXPECT_GT(blue, 0);
    EXPECT_GT(green, 0);
    // A paraboloid images the axis into a point; the field point shows coma.
    EXPECT_GT(nearAxis, 0);
    EXPECT_GT(nearField, 0);

    const DrawCommand* heading = textAt(c, {70, 10});
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->text, "Durchstoßfläche : beste Kugel");
    EXPECT_EQ(textAt(c, {170, 85})->text, "w :   0°  ");
    EXPECT_EQ(textAt(c, {510, 10})->text, ws->model.sys.title);
    // The right-hand column, 18 pixels apart on the screen.
    EXPECT_EQ(textAt(c, {510, 70})->text.rfind("Brennweite:  ", 0), 0u);
    EXPECT_EQ(textAt(c, {510, 268})->text.rfind("Bildradius   : ", 0), 0u);
    EXPECT_EQ(textAt(c, {20, 310})->colour, spot_colour::red);
    EXPECT_EQ(textAt(c, {90, 310})->colour, spot_colour::greenLabel);
    EXPECT_EQ(textAt(c, {30, 380})->colour, spot_colour::airyLegend);
    const std::string w = textAt(c, {170, 225})->text;
    EXPECT_EQ(w, "w :" + fmt::fixed(ws->model.sys.fieldAngle, 5, 2) + "°  ");

    // The circles around both spot centres and the legend points, in their
    // pen colours.
    int airy = 0, seeing = 0, grain = 0;
    Rgb pen = 0;
    for (const DrawCommand& d : c.commands()) {
        if (d.kind == Kind::Pen) pen = d.colour;
        if (d.kind != Kind::Arc) continue;
        airy += pen == spot_colour::airy;
        seeing += pen == spot_colour::seeing;
        grain += pen == spot_colour::grain;
    }
    EXPECT_EQ(airy, 8);  // two half arcs, four places
    EXPECT_EQ(seeing, 8);
    EXPECT_EQ(grain, 8);
}

TEST(SpotPainter, ExportUsesFieldWidthsShortHeadingAndWiderRows) {
    auto ws = test::spotsFor(test::example("newtonian-f5.opt"));
    ws->settings.values.spotTarget = SpotTarget::BestPlane;
    SpotLook look;
    look.exportRendering = true;
    look.caption = "Varnistrale - newtonian-f5";
    const RecordingCanvas c = paint(*ws, look);
    EXPECT_EQ(textAt(c, {70, 10})->text, "Durchstoßfläche :  plan");
    EXPECT_EQ(textAt(c, {100, 380})->text, "See  2\"");
    EXPECT_NE(textAt(c, {510, 270}), nullptr);  // rows 20 apart
    EXPECT_EQ(textAt(c, {510, 268}), nullptr);
    EXPECT_EQ(textAt(c, {45, 425})->text, look.caption);
}

TEST(SpotPainter, GaussDefocusOfExactlyZeroHasNoSideWord) {
    EXPECT_STREQ(defocusSideWord(0.0), "");
    EXPECT_STREQ(defocusSideWord(1e-9), " extrafokal");
    EXPECT_STREQ(defocusSideWord(-1e-9), " intrafokal");
    auto ws = test::spotsFor(test::example("newtonian-f5.opt"));
    SpotReport r = rekonstruierenValues(*ws);
    r.gaussDefocusMm = 0.0;
    RecordingCanvas c;
    paintSpotWindow(c, *ws, r, {});
    const int x0 = ws->spot.window.chooserX, y0 = ws->spot.window.chooserY;
    EXPECT_EQ(textAt(c, {x0, y0 + 260})->text, "Gauß-Defokus : 0.000 mm ");
}

TEST(SpotPainter, HeldFocusKeyDrawsOnlyTheSpots) {
    auto ws = test::spotsFor(test::example("newtonian-f5.opt"));
    ws->spot.window.focusKey = true;
    const RecordingCanvas c = paint(*ws);
    for (const DrawCommand& d : c.commands())
        EXPECT_TRUE(d.kind == Kind::Pixel || d.kind == Kind::FillRect);
}

TEST(SpotPainter, OddSystemsGetANoteAndNoNumberThatIsNotOne) {
    auto ws = test::spotsFor(test::example("newtonian-f5.opt"));
    ws->spot.results.chiefLostAt[1] = 2;
    ws->spot.results.lightLoss[1] = 100.0;
    SpotReport r = rekonstruierenValues(*ws);
    r.distortion = std::nan("");
    r.imageRadius = INFINITY;
    RecordingCanvas c;
    paintSpotWindow(c, *ws, r, {});
    EXPECT_TRUE(anyTextContains(c, "Hauptstrahl an Fläche 2 verloren"));
    EXPECT_TRUE(anyTextContains(c, "100 % Lichtverlust"));
    for (const DrawCommand& d : c.commands()) {
        if (d.kind != Kind::Text) continue;
        EXPECT_EQ(d.text.find("NAN"), std::string::npos) << d.text;
        EXPECT_EQ(d.text.find("INF"), std::string::npos) << d.text;
    }

    // A system without spots still shows the chooser and says why.
    Workspace empty;
    Initialize(empty);
    RecordingCanvas none;
    paintSpotWindow(none, empty, SpotReport{}, {});
    EXPECT_TRUE(anyTextContains(none, "Keine Spotdaten"));
}

TEST(AnalysisUpdate, ToleranceShiftOnAFocusingSurfaceMovesTheFocusButNotOnAPlateFace) {
    // The Schmidt camera's plate has a flat front face in the parallel beam;
    // the mirror focuses.
    auto base = test::spotsFor(test::schmidtCamera());
    const double shift = base->spot.results.focusShift;
    const double axisY = base->spot.store->yRef[SpotStore::index(5, 7, kGreen, 1)];
    AnalysisWindows spotOnly;
    spotOnly.spot = true;

    auto plate = test::spotsFor(test::schmidtCamera());
    setToleranceOffset(*plate, &Surface::tolDx, 1, 0.01);
    ASSERT_TRUE(updateAnalysis(*plate, spotOnly).ok);
    EXPECT_NEAR(plate->spot.store->yRef[SpotStore::index(5, 7, kGreen, 1)], axisY, 1e-12);

    auto mirror = test::spotsFor(test::schmidtCamera());
    const int m = mirror->model.N();
    setToleranceOffset(*mirror, &Surface::tolDx, m, 0.01);
    ASSERT_TRUE(updateAnalysis(*mirror, spotOnly).ok);
    EXPECT_GT(std::fabs(mirror->spot.results.focusShift - shift), 1e-3);
    EXPECT_FALSE(mirror->pictures.spot.commands().empty());
}

}  // namespace
}  // namespace vn
