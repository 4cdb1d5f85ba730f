#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include <filesystem>
#include <fstream>
#include <memory>

#include "mainwindow/commands.h"
#include "mainwindow/document.h"
#include "mainwindow/run_cycle.h"
#include "model/system_file.h"
#include "test_systems.h"

namespace vn {
namespace {

std::string readBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() /
            ("varnistrale_ws_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        Initialize(ws);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const char* name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
    Workspace ws;
};

TEST_F(WorkspaceTest, NewSystemIsTheDefaultMirror) {
    EXPECT_EQ(ws.model.N(), 1);
    EXPECT_EQ(ws.model.surf[1].r, -2.0);
    EXPECT_NEAR(ws.model.sys.fNumber, 10.0, 1e-9);
    EXPECT_EQ(ws.model.sys.fieldAngle, 1.0);
    EXPECT_EQ(ws.model.sys.entrancePupil, 0.0);
    EXPECT_NEAR(ws.model.sys.focalLength, 1000.0, 1e-8);
    EXPECT_TRUE(ws.evaluation.ok);
    EXPECT_EQ(ws.settings.values.psfDiameter, 40);
    EXPECT_EQ(ws.settings.values.psfContrast, 18.0);
    EXPECT_EQ(ws.settings.values.psfOrder, 3);
    EXPECT_EQ(surfaceKind(ws.model.surf, 0), SurfaceKind::Stop);  // "Luft/Blende": air and stop
    EXPECT_EQ(surfaceKind(ws.model.surf, 1), SurfaceKind::Reflection);
}

TEST_F(WorkspaceTest, RunCyclePlacesTheImagePlaneAtTheParaxialFocus) {
    ws.model = test::singlet(0.6, -1.8, 0.05);
    ASSERT_TRUE(Start(ws).ok);
    const int N = ws.model.N();
    EXPECT_EQ(ws.model.surf[N].e, ws.paraxial.backFocus);
    EXPECT_EQ(ws.model.surf[N + 1].r, kFlatRadius);
    EXPECT_EQ(ws.model.surf[N + 1].n, ws.model.surf[N].n);
    EXPECT_EQ(ws.model.surf[N + 1].h, 1.2);
    EXPECT_TRUE(ws.model.surf[N + 1].medium.empty());
    EXPECT_NEAR(
        ws.paraxial.marginalHeight[N + 1],
        2.0 * ws.model.sys.fNumber * std::tan(ws.model.sys.fieldAngle * std::numbers::pi / 180.0),
        1e-15);
    EXPECT_TRUE(ws.flags.selectionActive);
    EXPECT_EQ(ws.settings.controls.zoneDirection, 2);
    EXPECT_EQ(ws.marked.angle, ws.model.sys.fieldAngle);
    EXPECT_EQ(ws.model.sys.graphScale, 1000.0);  // from the settings' system scale
}

TEST_F(WorkspaceTest, RunCycleKeepsTheLastGoodResultsOfAnUncomputableSystem) {
    ASSERT_TRUE(Start(ws).ok);
    const ParaxialData before = ws.paraxial;
    ws.model.surf[1].r = 0.0;
    EvaluationStatus status = Start(ws);
    EXPECT_FALSE(status.ok);
    EXPECT_NE(describe(status).find("Fläche 1"), std::string::npos);
    EXPECT_EQ(ws.paraxial.backFocus, before.backFocus);
    EXPECT_EQ(ws.model.surf[1].r, 0.0);  // the user's value is not touched
}

TEST_F(WorkspaceTest, PupilSamplingFollowsThePointDensity) {
    const int expectedZones[] = {7, 13, 25, 49};
    const int expectedAzimuths[] = {18, 36, 72, 144};
    for (int d = 1; d <= 4; ++d) {
        EXPECT_EQ(zoneCountFor(d, 1), expectedZones[d - 1]);
        EXPECT_EQ(azimuthCountFor(d), expectedAzimuths[d - 1]);
    }
    EXPECT_EQ(zoneCountFor(4, 2), 97);
    ws.settings.controls.spotDensity = 3;
    Start(ws);
    EXPECT_EQ(ws.pupil.zoneCount, 25);
    EXPECT_EQ(ws.pupil.azimuthCount, 72);
    // Ring 1 sits at two thirds of the first equal-area boundary, and every ring
    // lies inside its boundaries.
    const int Z = ws.pupil.zoneCount;
    EXPECT_NEAR(ws.pupil.zoneHeight[1], 2.0 / 3.0 * std::sqrt(1.0 / Z), 1e-15);
    for (int k = 1; k <= Z; ++k) {
        EXPECT_GT(ws.pupil.zoneHeight[k], std::sqrt((k - 1.0) / Z));
        EXPECT_LT(ws.pupil.zoneHeight[k], std::sqrt(double(k) / Z));
    }
}

TEST_F(WorkspaceTest, SavedAndReloadedSystemWritesTheSameBytes) {
    ws.model = test::singlet(0.6, -1.8, 0.05);
    ws.model.sys.title = "Linse";
    ws.model.sys.description = {"eine Zeile", "zweite Zeile"};
    ws.model.surf[1].sagittal = true;
    ws.model.surf[1].u = 1.5;
    Start(ws);
    ASSERT_TRUE(Speichern(ws, path("a.opt")).ok);

    auto again = std::make_unique<Workspace>();
    Initialize(*again);
    ASSERT_TRUE(openSystemFile(*again, path("a.opt")).ok);
    // The run cycle turns the file's marking back into the flags of the group.
    EXPECT_TRUE(again->model.surf[1].sagittal);
    EXPECT_TRUE(again->model.surf[2].sagittal);
    EXPECT_TRUE(again->flags.sagittalPresent);
    EXPECT_TRUE(again->flags.modelChanged);
    EXPECT_EQ(again->settings.controls.systemScale, 1000.0);
    ASSERT_TRUE(Speichern(*again, path("b.opt")).ok);
    EXPECT_EQ(readBytes(dir_ / "a.opt"), readBytes(dir_ / "b.opt"));
}

TEST_F(WorkspaceTest, SystemEditedWithFreeFocalLengthLoadsAsTheSamePhysicalSystem) {
    // The singlet's stored lengths are in units of the 1000 mm reference while
    // its own focal length is about 874 mm. Saved and loaded, it must still be
    // the same lens: same physical radii, focal length and aperture.
    ws.model = test::singlet(0.6, -1.8, 0.05);
    Start(ws);
    const double focal = ws.model.sys.focalLength;
    const double radiusMm = ws.model.surf[1].r * ws.model.sys.focalLengthRef;
    const double aperture = ws.model.sys.focalLength / ws.model.sys.fNumber;
    ASSERT_LT(std::fabs(ws.model.sys.normFocal - 1.0), 0.2);
    ASSERT_TRUE(Speichern(ws, path("free.opt")).ok);

    auto again = std::make_unique<Workspace>();
    Initialize(*again);
    ASSERT_TRUE(openSystemFile(*again, path("free.opt")).ok);
    const SystemModel& m = again->model;
    EXPECT_NEAR(m.sys.normFocal, 1.0, 1e-5);     // six decimals in the file
    EXPECT_NEAR(m.sys.focalLength, focal, 1.0);  // written in whole millimetres
    // The file keeps the focal length in whole millimetres, so every physical
    // length is known to half a millimetre in the focal length.
    const double formatPrecision = 0.5 / focal;
    EXPECT_NEAR(m.surf[1].r * m.sys.focalLengthRef, radiusMm, radiusMm * formatPrecision);
    EXPECT_NEAR(m.sys.focalLength / m.sys.fNumber, aperture, 0.2);
}

TEST_F(WorkspaceTest, ALoadedSystemInheritsNothingFromAnEarlierLargerOne) {
    ws.model = test::singlet(0.6, -1.8, 0.05);
    ws.model.sys.surfaceCount = 3;
    ws.model.surf[3] = ws.model.surf[2];
    ws.model.surf[3].schmidt = 1.0;
    ws.model.surf[3].A4 = 0.5;
    ws.model.surf[3].sagittal = true;
    Initialize(ws);  // "Neu": one surface
    ASSERT_TRUE(
        openSystemFile(ws, std::string(VARNISTRALE_TEST_DATA_DIR) + "/examples/achromat-f15.opt")
            .ok);
    EXPECT_EQ(ws.model.surf[3].schmidt, 0.0);
    EXPECT_EQ(ws.model.surf[3].A4, 0.0);
    EXPECT_FALSE(ws.model.surf[3].sagittal);
    EXPECT_NEAR(ws.sums.spherical, 0.0, 1e-4);
}

TEST_F(WorkspaceTest, ADivergingSystemKeepsItsSignThroughSaveAndLoad) {
    // A convex mirror: focal length -1000 mm.
    ws.model.surf[1].r = 2.0;
    ws.model.surf[1].e = 1.0;
    Start(ws);
    ASSERT_NEAR(ws.model.sys.focalLength, -1000.0, 1e-6);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(Speichern(ws, path("convex.opt")).ok);
        ASSERT_TRUE(openSystemFile(ws, path("convex.opt")).ok);
        EXPECT_NEAR(ws.model.sys.focalLength, -1000.0, 1e-6) << round;
        EXPECT_EQ(ws.model.sys.focalLengthRef, 1000.0) << round;
        EXPECT_NEAR(ws.model.sys.fNumber, -10.0, 1e-6) << round;
    }
}

TEST_F(WorkspaceTest, FailedLoadKeepsTheCurrentSystem) {
    ws.model = test::singlet(0.6, -1.8, 0.05);
    Start(ws);
    std::ofstream(path("bad.opt")) << "nothing like a system file\n";
    FileOutcome outcome = openSystemFile(ws, path("bad.opt"));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, path("bad.opt") + " is no Varnistrale data file");
    EXPECT_EQ(ws.model.N(), 2);
    EXPECT_EQ(ws.model.surf[1].r, 0.6);
}

TEST(LensGroups, CementedDoubletAndMirrorSplitIntoGroups) {
    SystemModel m = test::singlet(0.6, -1.8, 0.05);  // glass after 1, air after 2
    LensGroups g;
    buildLensGroups(m, g);
    EXPECT_EQ(g.glassCount, 1);
    EXPECT_EQ(g.glass[0], 1);
    ASSERT_EQ(g.airCount, 1);
    EXPECT_EQ(g.air[1], 2);
    EXPECT_EQ(g.size[1], 1);

    SystemModel mirrorSystem = test::defaultSystem();  // a mirror: air (-1) behind it
    buildLensGroups(mirrorSystem, g);
    EXPECT_EQ(g.glassCount, 0);
    ASSERT_EQ(g.airCount, 1);
    EXPECT_EQ(g.size[1], 0);
    mirrorSystem.surf[0].u = 1.0;
    EXPECT_TRUE(applySagittalMarking(mirrorSystem, g));
    EXPECT_TRUE(mirrorSystem.surf[1].sagittal);
    EXPECT_FALSE(mirrorSystem.surf[2].sagittal);
}

TEST(Normalise, RescalesToUnitFocalLength) {
    SystemModel m = test::singlet(0.6, -1.8, 0.05);
    m.surf[1].A4 = 0.3;
    m.surf[1].k = -0.5;
    ParaxialData p;
    AberrationSums s;
    ASSERT_TRUE(EvaluateSystem(m, false, p, s).ok);
    const double F = m.sys.normFocal;
    Normalise(m);
    EXPECT_NEAR(m.surf[1].r, 0.6 / F, 1e-15);
    EXPECT_NEAR(m.surf[1].A4, 0.3 * F * F * F, 1e-15);
    EXPECT_EQ(m.surf[1].k, -0.5);
    ASSERT_TRUE(EvaluateSystem(m, false, p, s).ok);
    EXPECT_NEAR(m.sys.normFocal, 1.0, 1e-11);
}

// A diverging lens of about -998 mm: its shape, its negative focal length and
// its positive glass thickness survive "Normieren" and the fixed-focal-length
// mode, which scale by the magnitude of the focal length.
SystemModel divergingLens() {
    SystemModel m = test::singlet(-0.6, 1.8, 0.05);
    ParaxialData p;
    AberrationSums s;
    EXPECT_TRUE(EvaluateSystem(m, false, p, s).ok);
    EXPECT_LT(m.sys.normFocal, -0.8);
    return m;
}

TEST(Normalise, ADivergingSystemKeepsItsShape) {
    SystemModel m = divergingLens();
    const double F = m.sys.normFocal;
    Normalise(m);
    EXPECT_NEAR(m.surf[1].r, -0.6 / -F, 1e-15);
    EXPECT_GT(m.surf[1].e, 0.0);
    EXPECT_NEAR(m.sys.normFocal, -1.0, 0.0);  // what the next evaluation finds
    ParaxialData p;
    AberrationSums s;
    ASSERT_TRUE(EvaluateSystem(m, false, p, s).ok);
    EXPECT_NEAR(m.sys.normFocal, -1.0, 1e-11);
    EXPECT_NEAR(m.sys.focalLength, -1000.0, 1e-8);

    SystemModel fixed = divergingLens();
    ASSERT_TRUE(EvaluateSystem(fixed, true, p, s).ok);
    EXPECT_NEAR(fixed.surf[1].r, m.surf[1].r, 1e-12);
    EXPECT_NEAR(fixed.surf[1].e, m.surf[1].e, 1e-12);
    EXPECT_NEAR(fixed.sys.normFocal, -1.0, 1e-11);
}

TEST_F(WorkspaceTest, ASaveRightAfterNormalisingWritesTheNormalisedSystem) {
    ws.model = test::singlet(0.6, -1.8, 0.05);
    Start(ws);
    const double F = ws.model.sys.normFocal;
    ASSERT_GT(std::fabs(F - 1.0), 0.1);
    Normalise(ws.model);  // no evaluation before the save
    ASSERT_TRUE(Speichern(ws, path("normalised.opt")).ok);
    Initialize(ws);
    ASSERT_TRUE(openSystemFile(ws, path("normalised.opt")).ok);
    EXPECT_NEAR(ws.model.surf[1].r, 0.6 / F, 1e-6);
    EXPECT_NEAR(ws.model.sys.normFocal, 1.0, 1e-5);

    // An edit after the last evaluation counts too: the scale comes from the
    // system as it is saved.
    ws.model.surf[1].r = 0.5;
    ParaxialData p;
    AberrationSums s;
    SystemModel expected = ws.model;
    ASSERT_TRUE(EvaluateSystem(expected, false, p, s).ok);
    ASSERT_TRUE(Speichern(ws, path("edited.opt")).ok);
    Initialize(ws);
    ASSERT_TRUE(openSystemFile(ws, path("edited.opt")).ok);
    EXPECT_NEAR(ws.model.surf[1].r, 0.5 / expected.sys.normFocal, 1e-6);
    EXPECT_NEAR(ws.model.sys.focalLength, expected.sys.focalLength, 0.5);
}

TEST_F(WorkspaceTest, EveryChangeOfTheSystemCanBeUndoneAndRedone) {
    Start(ws);
    EXPECT_FALSE(canUndo(ws));
    ws.flags.modelChanged = ws.flags.documentModified = false;
    applyEdit(ws, [](SystemModel& m) { m.surf[1].r = -2.5; });
    EXPECT_TRUE(ws.flags.modelChanged);
    EXPECT_TRUE(ws.flags.documentModified);
    SystemModel other = test::mirror(-1.0);
    replaceSystem(ws, other);
    EXPECT_EQ(ws.model.surf[1].k, -1.0);

    // Offsets of the tolerance analysis are no part of the stored system.
    setToleranceOffset(ws, &Surface::tolDy, 1, 0.01);
    ASSERT_TRUE(undoChange(ws));
    EXPECT_EQ(ws.model.surf[1].k, 0.0);
    EXPECT_EQ(ws.model.surf[1].r, -2.5);
    EXPECT_EQ(ws.model.surf[1].tolDy, 0.01);
    ASSERT_TRUE(undoChange(ws));
    EXPECT_EQ(ws.model.surf[1].r, -2.0);
    EXPECT_FALSE(undoChange(ws));
    ASSERT_TRUE(redoChange(ws));
    EXPECT_EQ(ws.model.surf[1].r, -2.5);
    // A new edit after an undo drops what could have been redone.
    applyEdit(ws, [](SystemModel& m) { m.surf[1].e = -1.5; });
    EXPECT_FALSE(canRedo(ws));

    // Loading and "Neu" are steps of the history too, and the document's
    // modified state follows undo and redo.
    ASSERT_TRUE(Speichern(ws, path("history.opt")).ok);
    EXPECT_FALSE(ws.flags.documentModified);
    ASSERT_TRUE(openSystemFile(ws, path("history.opt")).ok);
    ASSERT_TRUE(Speichern(ws, path("history.opt")).ok);
    const std::string saved = readBytes(path("history.opt"));
    applyEdit(ws, [](SystemModel& m) { m.surf[1].r = -3.0; });
    EXPECT_TRUE(ws.flags.documentModified);
    newSystem(ws);
    EXPECT_FALSE(ws.flags.documentModified);
    ASSERT_TRUE(undoChange(ws));
    EXPECT_EQ(ws.model.surf[1].r, -3.0);
    EXPECT_TRUE(ws.flags.documentModified);
    ASSERT_TRUE(undoChange(ws));
    EXPECT_FALSE(ws.flags.documentModified);
    // Undo restores exactly what was saved.
    ASSERT_TRUE(Speichern(ws, path("again.opt")).ok);
    EXPECT_EQ(readBytes(path("again.opt")), saved);
    ASSERT_TRUE(undoChange(ws));  // before the file was opened
    EXPECT_EQ(ws.model.surf[1].e, -1.5);
    // The saved file is now the other system, so this one counts as modified.
    EXPECT_TRUE(ws.flags.documentModified);
}

TEST_F(WorkspaceTest, TheHistoryKeepsAtLeastAHundredSteps) {
    for (int i = 0; i < 150; ++i)
        applyEdit(ws, [i](SystemModel& m) { m.surf[1].r = -2.0 - 0.01 * (i + 1); });
    int steps = 0;
    while (undoChange(ws)) ++steps;
    EXPECT_EQ(steps, 150);
    EXPECT_EQ(ws.model.surf[1].r, -2.0);
}

}  // namespace
}  // namespace vn
