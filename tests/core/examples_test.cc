// The shipped example systems: each loads as "Öffnen" loads it, evaluates to
// what its design promises, and is written back byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "mainwindow/document.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

const std::string kExamples = std::string(VARNISTRALE_TEST_DATA_DIR) + "/examples/";

// Single-precision sums whose design target is zero come out at the level of
// the float rounding of their largest per-surface terms.
constexpr double kCorrected = 2e-5;
// The file keeps conic constants to five decimals; on the fast secondary of a
// Cassegrain (radius 0.18) that moves the sums by up to 2 k / r^3 x 5e-6 = 1e-4.
constexpr double kStoredConics = 2e-4;

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::unique_ptr<Workspace> open(const std::string& name) {
    auto ws = std::make_unique<Workspace>();
    Initialize(*ws);
    FileOutcome outcome = openSystemFile(*ws, kExamples + name);
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_TRUE(ws->evaluation.ok) << describe(ws->evaluation);
    return ws;
}

TEST(Examples, EveryExampleLoadsAndWritesBackTheSameBytes) {
    int count = 0;
    const auto temp = std::filesystem::temp_directory_path() / "varnistrale_examples_test.opt";
    for (const auto& entry : std::filesystem::directory_iterator(kExamples)) {
        if (entry.path().extension() != ".opt") continue;
        ++count;
        const std::string name = entry.path().filename().string();
        auto ws = open(name);
        ASSERT_TRUE(Speichern(*ws, temp.string()).ok) << name;
        EXPECT_EQ(readBytes(temp.string()), readBytes(entry.path().string())) << name;
        // A normalised example: its stored focal length is 1.
        EXPECT_NEAR(ws->model.sys.normFocal, 1.0, 1e-5) << name;
    }
    std::filesystem::remove(temp);
    EXPECT_GE(count, 10);
}

TEST(Examples, MirrorTelescopesHaveTheirTextbookCorrection) {
    auto newton = open("newtonian-f5.opt");
    EXPECT_NEAR(newton->model.sys.focalLength, 1000.0, 1e-3);
    EXPECT_NEAR(newton->model.sys.fNumber, 5.0, 1e-5);
    EXPECT_NEAR(newton->sums.spherical, 0.0, kCorrected);     // paraboloid
    EXPECT_NEAR(newton->paraxial.axisDeviation, 0.0, 1e-12);  // folded, not deviated
    EXPECT_EQ(newton->model.sys.spiderCount, 4);

    auto cassegrain = open("cassegrain-classical.opt");
    EXPECT_NEAR(cassegrain->sums.spherical, 0.0, kStoredConics);
    EXPECT_NEAR(cassegrain->sums.coma, -0.5, kStoredConics);  // the coma of the paraboloid
    EXPECT_EQ(cassegrain->paraxial.secondaryMirror, 2);

    auto rc = open("ritchey-chretien.opt");
    EXPECT_NEAR(rc->sums.spherical, 0.0, kStoredConics);
    EXPECT_NEAR(rc->sums.coma, 0.0, kStoredConics);  // aplanatic
    EXPECT_LT(rc->model.surf[1].k, -1.0);            // both mirrors hyperboloids
    EXPECT_LT(rc->model.surf[2].k, -1.0);
}

TEST(Examples, LensesAreCorrectedForColour) {
    for (const char* name :
         {"achromat-f15.opt", "doublet-airspaced.opt", "refractor-diagonal.opt"}) {
        auto ws = open(name);
        EXPECT_NEAR(ws->sums.chromatic, 0.0, kCorrected) << name;
        EXPECT_NEAR(ws->sums.spherical, 0.0, 1e-4) << name;
        // The secondary spectrum of N-BK7/N-F2 remains: about f/2000.
        EXPECT_GT(std::fabs(ws->sums.secondary), 1e-4) << name;
    }
    auto doublet = open("doublet-airspaced.opt");
    EXPECT_NEAR(doublet->sums.coma, 0.0, 1e-4);
    EXPECT_EQ(open("petzval-astrograph.opt")->model.N(), 8);
}

TEST(Examples, SchmidtCameraCancelsTheMirrorsSphericalAberration) {
    auto ws = open("schmidt-camera.opt");
    EXPECT_EQ(ws->model.sys.schmidtCount, 1);
    // The mirror alone has 1/4; the corrector leaves a small residual.
    EXPECT_LT(std::fabs(ws->sums.spherical), 0.01);
    EXPECT_NEAR(ws->sums.coma, 0.0, 1e-3);  // stop at the centre of curvature
    // The two flat faces of the plate in collimated light: their refraction
    // invariants vanish up to rounding, and the distortion stays small instead
    // of exploding with the reciprocal of the residue.
    EXPECT_LT(std::fabs(ws->sums.distortion), 0.05);
}

TEST(Examples, StopsObstructionsAsphereAndTorusAreKept) {
    auto stops = open("stop-obstruction.opt");
    EXPECT_EQ(surfaceKind(stops->model.surf, 1), SurfaceKind::Obstruction);
    EXPECT_EQ(surfaceKind(stops->model.surf, 2), SurfaceKind::Stop);
    EXPECT_EQ(surfaceKind(stops->model.surf, 3), SurfaceKind::Reflection);

    auto asphere = open("asphere-mirror.opt");
    EXPECT_EQ(asphere->model.sys.asphereCount, 1);
    EXPECT_NE(asphere->model.surf[1].A4, 0.0);

    auto toric = open("toric-mirror.opt");
    EXPECT_EQ(toric->model.surf[1].A2, 0.0);
    EXPECT_LT(toric->model.surf[1].A8, 0.0);
    EXPECT_NEAR(toric->paraxial.axisDeviation, 10.0 * std::acos(-1.0) / 180.0, 1e-12);
}

}  // namespace
}  // namespace vn
