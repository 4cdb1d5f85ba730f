// Picking and stepwise editing in the side view.
#include "mainwindow/selection_logic.h"

#include "mainwindow/layout_painter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "model/number_format.h"

#include "mainwindow/document.h"
#include "mainwindow/run_cycle.h"

namespace vn {
namespace {

const std::string kExamples = std::string(VARNISTRALE_TEST_DATA_DIR) + "/examples/";

class SelectionTest : public ::testing::Test {
protected:
    void open(const std::string& name) {
        Initialize(*ws);
        ws->view.clientHeight = 760;
        ASSERT_TRUE(openSystemFile(*ws, kExamples + name).ok);
        ASSERT_TRUE(prepareRepaint(*ws).ok);
    }
    Point vertex(int i) const {
        return {ws->layout.vertexPx[static_cast<size_t>(i)],
                ws->layout.vertexPy[static_cast<size_t>(i)]};
    }
    void click(Point p) {
        pickAt(*ws, p, {});
        releaseAt(*ws, p);
    }
    std::unique_ptr<Workspace> ws = std::make_unique<Workspace>();
};

TEST_F(SelectionTest, AClickThatHitsNothingClearsTheSelection) {
    open("achromat-f15.opt");
    click({600, 40});
    EXPECT_FALSE(ws->flags.selectionActive);
    EXPECT_EQ(ws->selection.itemText, "keine Selektion");
    EXPECT_EQ(ws->selection.colour, layout_colour::rgbGrey);
    EXPECT_TRUE(ws->selection.valueText.empty());
}

TEST_F(SelectionTest, AClickOnAVertexPicksTheTilt) {
    open("achromat-f15.opt");
    click(vertex(2));  // on the arc of surface 2 as well: the tilt test comes last
    EXPECT_TRUE(ws->flags.selectionActive);
    EXPECT_TRUE(ws->selection.pickTilt);
    EXPECT_FALSE(ws->selection.pickRadius);
    EXPECT_EQ(ws->selection.pickTiltIndex, 2);
    EXPECT_EQ(ws->selection.itemText, "Fläche 2  Winkel/°");
    EXPECT_EQ(ws->selection.colour, layout_colour::rgbYellow);

    stepPickedValue(*ws, true);
    EXPECT_DOUBLE_EQ(ws->model.surf[2].u, ws->settings.values.angleStep);
    EXPECT_TRUE(ws->flags.modelChanged);
}

TEST_F(SelectionTest, ADistanceStepUpThenDownRestoresIt) {
    open("newtonian-f5.opt");
    const Point a = vertex(1), b = vertex(2);
    click({(a.x + b.x) / 2, a.y});
    ASSERT_TRUE(ws->selection.pickDistance);
    ASSERT_EQ(ws->selection.pickDistanceIndex, 1);
    EXPECT_EQ(ws->selection.itemText, "Fläche 1  Abstand");
    const double before = ws->model.surf[1].e;
    stepPickedValue(*ws, true);
    EXPECT_DOUBLE_EQ(ws->model.surf[1].e,
                     before * (1.0 + ws->settings.values.distanceStep / 100.0));
    stepPickedValue(*ws, false);
    EXPECT_EQ(ws->model.surf[1].e, before);
    // The box shows millimetres while the design mode is "freie Brennweite".
    EXPECT_EQ(ws->selection.valueText, fmt::fixed(before * ws->model.sys.focalLengthRef, 15, 4));
}

TEST_F(SelectionTest, ARadiusPickStepsAndMovesWithinTheSurfaces) {
    open("achromat-f15.opt");
    // A point on the arc of surface 1 half-way up its rim.
    const int rim = ws->layout.rimHalf[1];
    const double R = ws->model.surf[1].r * ws->layout.drawScale / ws->model.sys.normFocal;
    const double y = rim / 2.0;
    const int x =
        vertex(1).x + static_cast<int>(std::lround(R - std::copysign(std::sqrt(R * R - y * y), R)));
    click({x, vertex(1).y - static_cast<int>(std::lround(y))});
    ASSERT_TRUE(ws->selection.pickRadius) << ws->selection.itemText;
    EXPECT_EQ(ws->selection.pickSurface, 1);
    EXPECT_EQ(ws->selection.itemText, "Fläche 1  Radius");
    const double r1 = ws->model.surf[1].r;
    stepPickedValue(*ws, false);
    EXPECT_DOUBLE_EQ(ws->model.surf[1].r, r1 / (1.0 + ws->settings.values.radiusStep / 100.0));

    movePick(*ws, false, {});
    EXPECT_EQ(ws->selection.pickSurface, 1);  // stays at the first surface
    for (int k = 0; k < 10; ++k) movePick(*ws, true, {});
    EXPECT_EQ(ws->selection.pickSurface, ws->model.N() + 1);  // and at the image plane
}

TEST_F(SelectionTest, MeasuringHundredPixelsAtScale1000) {
    open("newtonian-f5.opt");
    ws->settings.controls.systemScale = 1000;
    Start(*ws);
    ASSERT_TRUE(prepareRepaint(*ws).ok);
    ASSERT_EQ(ws->layout.drawScale, 1000.0);
    ASSERT_NEAR(ws->model.sys.focalLength, 1000.0, 1e-6);
    ws->selection.measuring = true;
    click({700, 80});
    EXPECT_EQ(ws->selection.itemText, "erster Meßpunkt:");
    EXPECT_EQ(ws->selection.valueText, "700;80");
    click({800, 80});
    EXPECT_EQ(ws->selection.itemText, "Abstand / mm");
    EXPECT_EQ(ws->selection.valueText, "100.0000");
    EXPECT_FALSE(ws->selection.measureStarted);  // the next click starts a new measurement
    click({0, 0});  // a first point on the window's edge is a first point too
    EXPECT_EQ(ws->selection.itemText, "erster Meßpunkt:");
    click({0, 30});
    EXPECT_EQ(ws->selection.valueText, "30.0000");
}

TEST_F(SelectionTest, DraggingMovesThePicture) {
    open("achromat-f15.opt");
    const int x0 = ws->view.baseX, y0 = ws->view.originY;
    pickAt(*ws, {600, 40}, {});
    ws->selection.dragging = true;
    ws->selection.lastDrag = {630, 20};
    releaseAt(*ws, {630, 20});
    EXPECT_EQ(ws->view.baseX, x0 + 30);
    EXPECT_EQ(ws->view.originY, y0 - 20);
}

}  // namespace
}  // namespace vn
