#include "mainwindow/commands.h"

#include <gtest/gtest.h>

#include <memory>

#include "mainwindow/document.h"
#include "mainwindow/run_cycle.h"

namespace vn {
namespace {

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Initialize(ws);
        Start(ws);
    }
    Workspace ws;
};

TEST_F(CommandsTest, LayoutZoomStepsBy200Between200And3000) {
    struct Case {
        double scale;
        bool larger;
        double expected;
    };
    for (Case c : {Case{3000, true, 3000}, Case{200, false, 200}, Case{350, true, 400},
                   Case{350, false, 200}, Case{1000, true, 1200}, Case{2999, true, 3000},
                   Case{100, false, 100}, Case{100, true, 200}}) {
        ws.model.sys.graphScale = c.scale;
        zoomLayout(ws, c.larger);
        EXPECT_EQ(ws.model.sys.graphScale, c.expected) << c.scale << (c.larger ? " up" : " down");
        EXPECT_EQ(ws.settings.controls.systemScale, c.expected);
        EXPECT_EQ(ws.settings.values.layoutScale, 2 * c.expected);
    }
}

TEST_F(CommandsTest, ANewSystemIsFittedIntoTheDrawingAreaByTheZoomSteps) {
    // The default mirror, 1000 mm at scale 1000, starts at x = 200: it needs
    // more than the 1000 pixels of the drawing beside the result column.
    ws.view.clientHeight = 700;
    Start(ws);
    EXPECT_FALSE(layoutFitsView(ws, 1000, 700));
    EXPECT_TRUE(fitLayoutToView(ws, 1000, 700));
    EXPECT_EQ(ws.model.sys.graphScale, 600.0);
    EXPECT_EQ(ws.settings.controls.systemScale, 600.0);
    EXPECT_EQ(ws.settings.values.layoutScale, 1200.0);
    EXPECT_EQ(ws.layout.drawScale, 600.0);
    EXPECT_TRUE(layoutFitsView(ws, 1000, 700));
    // What fits keeps its scale.
    EXPECT_FALSE(fitLayoutToView(ws, 1000, 700));
    EXPECT_EQ(ws.model.sys.graphScale, 600.0);
    // Below the first step the scale shrinks further (the system starts at x = 200).
    ws.settings.controls.systemScale = 1000;
    Start(ws);
    EXPECT_TRUE(fitLayoutToView(ws, 300, 700));
    EXPECT_LT(ws.model.sys.graphScale, 200.0);
    EXPECT_TRUE(layoutFitsView(ws, 300, 700));
}

TEST_F(CommandsTest, StepFactorStaysWithin1To20AndScalesTheSteps) {
    ws.settings.controls.stepFactor = 20;
    changeStepFactor(ws, true);
    EXPECT_EQ(ws.settings.controls.stepFactor, 20);
    ws.settings.controls.stepFactor = 1;
    changeStepFactor(ws, false);
    EXPECT_EQ(ws.settings.controls.stepFactor, 1);
    changeStepFactor(ws, true);
    EXPECT_EQ(ws.settings.controls.stepFactor, 2);
    EXPECT_DOUBLE_EQ(ws.settings.values.bendStep, 1.0);  // 0.5 % x 2
}

TEST_F(CommandsTest, SpotScaleAndFocusStepBounds) {
    ws.settings.controls.spotScale = 50;
    changeSpotScale(ws, true);
    EXPECT_EQ(ws.settings.controls.spotScale, 50);
    ws.settings.controls.spotScale = 5;
    changeSpotScale(ws, false);
    EXPECT_EQ(ws.settings.controls.spotScale, 5);
    ws.settings.controls.spotScale = 6;
    changeSpotScale(ws, false);
    EXPECT_EQ(ws.settings.controls.spotScale, 1);
    EXPECT_EQ(ws.settings.values.spotZoom, 200.0);

    ws.settings.controls.focusStepPosition = 4;
    changeFocusStep(ws, true);
    EXPECT_EQ(ws.settings.controls.focusStepPosition, 4);
    EXPECT_DOUBLE_EQ(ws.settings.values.focusStep, 1e-3);
    ws.settings.controls.focusStepPosition = 1;
    changeFocusStep(ws, false);
    EXPECT_EQ(ws.settings.controls.focusStepPosition, 1);
    EXPECT_DOUBLE_EQ(ws.settings.values.focusStep, 1e-6);
}

TEST_F(CommandsTest, PsfOrderSetsTheSpotDensityAndRunsTheCycle) {
    struct Case {
        int order;
        bool larger;
        int density;
    };
    for (Case c : {Case{4, true, 3}, Case{9, true, 4}, Case{5, false, 2}}) {
        ws.settings.controls.psfOrder = c.order;
        ws.flags.modelChanged = false;
        changePsfOrder(ws, c.larger);
        EXPECT_EQ(ws.settings.controls.spotDensity, c.density) << c.order;
        EXPECT_TRUE(ws.flags.psfStale);
        EXPECT_TRUE(ws.flags.modelChanged);
        EXPECT_EQ(ws.pupil.zoneCount, zoneCountFor(c.density, 1));  // the run cycle ran
    }
    ws.settings.controls.psfOrder = 12;
    changePsfOrder(ws, true);
    EXPECT_EQ(ws.settings.controls.psfOrder, 12);  // the end of the order track bar
}

TEST_F(CommandsTest, PsfDiameterStepsInTens) {
    struct Case {
        int position;
        bool larger;
        int expected;
    };
    for (Case c :
         {Case{50, true, 50}, Case{10, false, 10}, Case{25, true, 30}, Case{25, false, 10}}) {
        ws.settings.controls.psfDiameter = c.position;
        changePsfDiameter(ws, c.larger);
        EXPECT_EQ(ws.settings.controls.psfDiameter, c.expected);
        EXPECT_EQ(ws.settings.values.psfDiameter, 2 * c.expected);
    }
}

TEST_F(CommandsTest, RayMarkingStaysAtTheTopItem) {
    ws.settings.controls.zoneDirection = 2;
    moveRayMarking(ws, true);
    EXPECT_EQ(ws.settings.controls.zoneDirection, 2);
    EXPECT_EQ(ws.marked.angle, ws.model.sys.fieldAngle);
    moveRayMarking(ws, false);
    moveRayMarking(ws, false);
    moveRayMarking(ws, false);
    EXPECT_EQ(ws.settings.controls.zoneDirection, 0);
    EXPECT_EQ(ws.marked.angle, -ws.model.sys.fieldAngle);
}

TEST_F(CommandsTest, NewSystemIsAnUntitledUnmodifiedDocument) {
    ws.model.sys.fileName = "/tmp/old.opt";
    ws.model.sys.description = {"alt"};
    ws.model.surf[1].r = -3.0;
    ws.flags.documentModified = true;
    ASSERT_TRUE(newSystem(ws).ok);
    EXPECT_EQ(ws.model.surf[1].r, -2.0);
    EXPECT_TRUE(ws.model.sys.fileName.empty());
    EXPECT_TRUE(ws.model.sys.description.empty());
    EXPECT_FALSE(ws.flags.documentModified);
    EXPECT_TRUE(ws.flags.modelChanged);
}

}  // namespace
}  // namespace vn
