// The star-test window's part of the live update: the row computed from the
// stored rays and recorded, on the user-interface thread or in the
// background, and its export picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "mainwindow/picture_export.h"
#include "mainwindow/window_updates.h"
#include "recording_queries.h"
#include "spot_test_support.h"
#include "test_systems.h"
#include "workspace/changes.h"

namespace vn {
namespace {

using Kind = DrawCommand::Kind;

using test::anyTextContains;

bool samePicture(const RecordingCanvas& a, const RecordingCanvas& b) {
    return std::equal(a.commands().begin(), a.commands().end(), b.commands().begin(),
                      b.commands().end(), [](const DrawCommand& x, const DrawCommand& y) {
                          return x.kind == y.kind && x.colour == y.colour && x.points == y.points &&
                                 x.text == y.text;
                      });
}

AnalysisWindows starTestOnly(StarTestSettings settings = {}) {
    AnalysisWindows w;
    w.starTest = true;
    w.starTestSettings = settings;
    return w;
}

TEST(StarTestUpdate, TheVisibleWindowGetsTheRowOfItsSettingsAndAStepChangesIt) {
    auto ws = test::spotsFor(test::newtonian(), {}, 0.0);
    StarTestState state;
    StarTestSettings settings;
    settings.steps = 3;
    settings.defocusWaves = 6.0;
    ASSERT_TRUE(updateAnalysis(*ws, starTestOnly(settings), state).ok);
    ASSERT_EQ(state.result.images.size(), 3u);
    EXPECT_EQ(state.result.images[0].defocusWaves, -6.0);
    EXPECT_TRUE(anyTextContains(ws->pictures.starTest, "intrafokal"));
    EXPECT_EQ(ws->pictures.starTest.width(), kStarTestPictureWidth);
    const RecordingCanvas before = ws->pictures.starTest;
    const std::vector<float> imageBefore = state.result.images[0].intensity;

    // A change of the system: the spots and the row follow at once.
    setToleranceOffset(*ws, &Surface::tolDx, ws->model.N(), 0.02);
    ASSERT_TRUE(updateAnalysis(*ws, starTestOnly(settings), state).ok);
    EXPECT_FALSE(ws->flags.modelChanged);
    EXPECT_NE(state.result.images[0].intensity, imageBefore);
    EXPECT_FALSE(samePicture(ws->pictures.starTest, before));

    // The spot and PSF windows alone leave the star test's picture alone.
    AnalysisWindows spotOnly;
    spotOnly.spot = true;
    const RecordingCanvas recorded = ws->pictures.starTest;
    ASSERT_TRUE(updateAnalysis(*ws, spotOnly, state).ok);
    EXPECT_TRUE(samePicture(ws->pictures.starTest, recorded));
}

TEST(StarTestUpdate, WithoutSpotsTheRowIsEmptyAndThePictureSaysWhy) {
    auto ws = test::spotsFor(test::newtonian(), {}, 0.0);
    StarTestState state;
    ASSERT_TRUE(computeStarTestRow(*ws, {}, state).ok);
    ASSERT_FALSE(state.result.images.empty());
    // A changed model whose spots were not computed again: no old row stays.
    ws->flags.modelChanged = true;
    const ComputeStatus status = computeStarTestRow(*ws, {}, state);
    EXPECT_FALSE(status.ok);
    EXPECT_TRUE(state.result.images.empty());
    recordStarTest(*ws, state, AnalysisWindows{}.starTestLook);
    EXPECT_TRUE(anyTextContains(ws->pictures.starTest, "keine Spotdaten"));
}

TEST(StarTestUpdate, TheLogarithmicLookRecordsAnotherPictureOfTheSameRow) {
    auto ws = test::spotsFor(test::newtonian(), {}, 0.0);
    StarTestState state;
    ASSERT_TRUE(computeStarTestRow(*ws, {}, state).ok);
    StarTestLook look = AnalysisWindows{}.starTestLook;
    recordStarTest(*ws, state, look);
    const RecordingCanvas linear = ws->pictures.starTest;
    look.logarithmic = true;
    recordStarTest(*ws, state, look);
    EXPECT_FALSE(samePicture(ws->pictures.starTest, linear));
    EXPECT_TRUE(anyTextContains(ws->pictures.starTest, "logarithmisch"));
}

TEST(StarTestUpdate, TheBackgroundGivesTheRowOfTheForegroundWhateverTheThreads) {
    // The field edge, where coma makes the images lopsided.
    auto ws = test::spotsFor(test::newtonian(), {}, 1.0);
    setToleranceOffset(*ws, &Surface::tolDx, ws->model.N(), 0.01);
    Workspace job;
    copyAnalysisInputs(*ws, job);
    StarTestState background;
    WorkerPool one(1);
    ASSERT_TRUE(computeAnalysis(job, false, StarTestSettings{}, &background, one).ok);

    StarTestState foreground;
    ASSERT_TRUE(updateAnalysis(*ws, starTestOnly(), foreground).ok);
    ASSERT_EQ(background.result.images.size(), foreground.result.images.size());
    for (size_t i = 0; i < foreground.result.images.size(); ++i)
        EXPECT_EQ(background.result.images[i].intensity, foreground.result.images[i].intensity);

    // Taken over, the background's spots are those of the foreground.
    adoptAnalysis(*ws, job);
    EXPECT_FALSE(ws->flags.modelChanged);
}

TEST(StarTestUpdate, TheFocusThroughThePsfMovesTheRow) {
    auto ws = test::spotsFor(test::newtonian(), {}, 0.0);
    StarTestState state;
    ASSERT_TRUE(updateAnalysis(*ws, starTestOnly(), state).ok);
    const float focused = state.result.images[2].peak;
    focusThroughPsf(*ws, true, starTestOnly(), state);
    ASSERT_EQ(state.result.images.size(), 5u);
    // The middle image is no longer the focused star: its peak drops.
    EXPECT_LT(state.result.images[2].peak, 0.999f * focused);
}

TEST(StarTestUpdate, LargeRowsGoToTheBackground) {
    EXPECT_FALSE(starTestIsHeavy(StarTestSettings{}));
    StarTestSettings many;
    many.steps = kStarTestMaxSteps;
    EXPECT_TRUE(starTestIsHeavy(many));
    StarTestSettings far;
    far.defocusWaves = 30.0;
    EXPECT_TRUE(starTestIsHeavy(far));
    StarTestSettings near;
    near.defocusWaves = kStarTestMinDefocus;
    near.steps = kStarTestMaxSteps;
    EXPECT_FALSE(starTestIsHeavy(near));
}

TEST(StarTestExport, TheRowWithTheCaptionAndTheIconUnderIt) {
    auto ws = test::spotsFor(test::newtonian(), {}, 0.0);
    AnalysisWindows looks = starTestOnly();
    looks.spotLook.caption = "Varnistrale - newtonian";
    looks.starTestLook.logarithmic = true;
    RecordingCanvas picture;
    ASSERT_TRUE(recordWindowExport(*ws, GraphicSource::StarTest, looks, picture).ok);
    EXPECT_EQ(picture.width(), kStarTestPictureWidth);
    EXPECT_GT(picture.height(), kStarTestPictureHeight);
    EXPECT_TRUE(anyTextContains(picture, "Varnistrale - newtonian"));
    EXPECT_TRUE(anyTextContains(picture, "extrafokal"));
    EXPECT_TRUE(anyTextContains(picture, "logarithmisch"));
    EXPECT_EQ(proposedExportName(GraphicSource::StarTest, "/a/mirror.opt"), "Sterntestmirror");
}

}  // namespace
}  // namespace vn
