#include "psf/psf_computation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "psf/psf_analysis.h"
#include "spot/focus_model.h"
#include "spot_test_support.h"
#include "test_systems.h"

namespace vn {
namespace {

constexpr double kPi = std::numbers::pi;
// The fast sum must equal the term-by-term sum to this fraction of the peak.
constexpr double kFastSum = 1e-12;

// Encircled energy of the Airy pattern within radius x lambda N.
double airyEnergy(double x) {
    const double v = kPi * x;
    const double j0 = std::cyl_bessel_j(0.0, v), j1 = std::cyl_bessel_j(1.0, v);
    return 1.0 - j0 * j0 - j1 * j1;
}

// MTF of a perfect circular pupil at the fraction nu of the cut-off frequency.
double diffractionLimitedMtf(double nu) {
    if (nu >= 1.0) return 0.0;
    return 2.0 / kPi * (std::acos(nu) - nu * std::sqrt(1.0 - nu * nu));
}

void expectFastEqualsReference(Workspace& ws, const char* what) {
    const PsfSetup s = psfSetup(ws);
    float fastTransmission = 0.0f;
    computePsf(s, *ws.spot.store, ws.spot.weights, *ws.spot.psfGrid, fastTransmission,
               sharedWorkerPool());
    std::vector<double> psf, profile;
    float transmission = 0.0f;
    psfReferenceSum(s, *ws.spot.store, ws.spot.weights, psf, profile, transmission);
    double peak = 0.0, deviation = 0.0, profileDeviation = 0.0;
    const PsfGrid& grid = *ws.spot.psfGrid;
    for (int r = 0; r <= s.radius; ++r) {
        for (int i = 0; i < s.azimuths; ++i) {
            const double v = psf[idx(r * s.azimuths + i)];
            peak = std::max(peak, v);
            deviation = std::max(deviation, std::fabs(grid.at(r, i, 1) - v));
        }
        profileDeviation =
            std::max(profileDeviation, std::fabs(grid.profile[idx(r)] - profile[idx(r)]));
        EXPECT_EQ(grid.at(r, 2, 0), grid.profile[idx(r)]);
    }
    ASSERT_GT(peak, 0.0) << what;
    EXPECT_LE(deviation, kFastSum * peak) << what;
    EXPECT_LE(profileDeviation, kFastSum) << what;
    EXPECT_EQ(fastTransmission, transmission) << what;
}

TEST(PsfComputation, FastSumEqualsTheTermByTermSum) {
    // Vanes, coma and the default sampling.
    auto newtonian = test::spotsFor(test::example("newtonian-f5.opt"));
    expectFastEqualsReference(*newtonian, "newtonian");
    // A lens off axis in blue, apodised, defocused, at a fine grid and order 12.
    auto lens = test::spotsFor(test::example("petzval-astrograph.opt"),
                               test::withSettings(3, 50, 12, 15), 0.8);
    lens->settings.values.psfColour = kBlue;
    for (int k = 0; k < 40; ++k) stepFocusThroughPsf(*lens, false);
    expectFastEqualsReference(*lens, "lens");
    // An odd number of azimuths (point density 0), where no azimuth has an
    // opposite.
    auto odd = test::spotsFor(test::example("schmidt-camera.opt"), test::withSettings(0, 25, 3));
    ASSERT_EQ(odd->spot.results.azimuths, 9);
    expectFastEqualsReference(*odd, "odd");
}

TEST(PsfComputation, PerfectSystemGivesTheAiryPattern) {
    // A paraboloid on axis at f/10: the pupil is perfect. The grid (D = 100,
    // order 4) reaches 8 lambda N; the Airy rings lie at 1.2197 and 2.2331
    // lambda N, that is 0.61 D / order and 1.117 D / order grid steps.
    auto ws = test::spotsFor(test::mirror(-1.0), test::withSettings(3, 50, 4), 0.0);
    ASSERT_TRUE(BerechnePSF(*ws).ok);
    analysePsf(*ws);
    const PsfAnalysis& a = ws->psf.analysis;
    const PsfGrid& grid = *ws->spot.psfGrid;
    for (int i = 0; i < ws->psf.azimuths; ++i) EXPECT_NEAR(grid.at(0, i, 1), 1.0, 1e-12);
    EXPECT_NEAR(a.peak, 1.0, 1e-12);
    EXPECT_EQ(ws->psf.transmission, 1.0f);
    // The reference MTF carries 0.002 of light outside the grid on both
    // parts, the PSF's MTF none; that shifts the ratio of their areas by
    // a few thousandths.
    EXPECT_NEAR(a.strehl, 1.0, 0.005);

    // Dark rings: local minima of the profile at the grid steps nearest the
    // Airy radii.
    auto isMinimum = [&](int r) {
        return grid.profile[idx(r)] < grid.profile[idx(r - 1)] &&
               grid.profile[idx(r)] < grid.profile[idx(r + 1)];
    };
    EXPECT_TRUE(isMinimum(15));  // 15.25
    EXPECT_TRUE(isMinimum(28));  // 27.91
    // The walk's radii are sqrt(2 sum r) = sqrt(r (r + 1)), about r + 1/2, for
    // the ring at the whole step r nearest the Airy radius: within one step.
    const double arcsecPerLambdaN = 10.0 * 0.546074e-3 / 1000.0 / kArcsecond;
    const double step = 8.0 / 100.0 * arcsecPerLambdaN;
    EXPECT_NEAR(a.reference.R0, 1.2197 * arcsecPerLambdaN, step);
    EXPECT_NEAR(a.reference.R1, 2.2331 * arcsecPerLambdaN, step);
    // Encircled energies are shares of the light on the grid, 0.838 and 0.910
    // of all the light over the share within 8 lambda N. The sums over whole
    // grid steps approximate the integrals to a few thousandths.
    const double onGrid = airyEnergy(8.0);
    EXPECT_NEAR(a.reference.E0, airyEnergy(1.2197) / onGrid, 0.006);
    EXPECT_NEAR(a.reference.E1, airyEnergy(2.2331) / onGrid, 0.006);
    // The PSF walk around the centre finds the same rings.
    EXPECT_NEAR(a.psf.E0, a.reference.E0, 0.002);
    EXPECT_NEAR(a.psf.E1, a.reference.E1, 0.002);
    EXPECT_DOUBLE_EQ(a.psf.R0, a.reference.R0);
    EXPECT_DOUBLE_EQ(a.psf.R1, a.reference.R1);
}

TEST(PsfComputation, ReferenceMtfFollowsTheDiffractionLimitedCurve) {
    // The grating frequency index J stands for J / 39.04 of the cut-off
    // frequency. The reference profile ends at the grid radius; the light
    // beyond it, 1 - EE(radius), is represented only by a share of 0.002, and
    // bounds the deviation.
    for (int order : {2, 4}) {
        auto ws = test::spotsFor(test::mirror(-1.0), test::withSettings(3, 50, order), 0.0);
        ASSERT_TRUE(BerechnePSF(*ws).ok);
        analysePsf(*ws);
        const double outside = 1.0 - airyEnergy(2.0 * order);
        for (int J = 1; J <= kMtfFrequencies; ++J)
            EXPECT_NEAR(ws->psf.analysis.mtfReference[idx(J - 1)], diffractionLimitedMtf(J / 39.04),
                        outside)
                << "order " << order << " J " << J;
    }
}

TEST(PsfComputation, SmallSphericalAberrationGivesTheMarechalStrehl) {
    // The sphere of the default system differs from the paraboloid by
    // h^4 / (8 R^3) in sag, twice that in the reflected wavefront: at the rim
    // of f/10, h = 0.05 of the focal length of 1000 mm, W040 = 0.358 waves at
    // 546 nm. Balanced by defocus its RMS is W040 / (6 sqrt 5), and the Strehl
    // ratio exp(-(2 pi sigma)^2). Step the focus through the best one.
    auto ws = test::spotsFor(test::defaultSystem(), test::withSettings(3), 0.0);
    const double W040 = std::pow(0.05, 4) / (4.0 * 8.0) * 1000.0 * 1000.0 / 0.546074;
    const double sigma = W040 / (6.0 * std::sqrt(5.0));
    const double marechal = std::exp(-std::pow(2.0 * kPi * sigma, 2));
    const double F0 = ws->spot.window.focus;
    double peak = 0.0, strehl = 0.0;
    for (int k = -20; k <= 20; ++k) {
        ws->spot.window.focus = F0 * (1.0 + k * 2e-6);
        ASSERT_TRUE(BerechnePSF(*ws).ok);
        analysePsf(*ws);
        if (ws->psf.analysis.peak > peak) {
            peak = ws->psf.analysis.peak;
            strehl = ws->psf.analysis.strehl;
        }
    }
    // Steps of 0.005 waves of defocus find the best focus to 1e-4 in peak;
    // the approximation itself holds to 1e-3 at 0.027 waves RMS.
    EXPECT_NEAR(peak, marechal, 0.002);
    // The MTF-area Strehl weights the frequencies up to 35 / 40 of the end
    // of the axis, and the reference carries the outside light.
    EXPECT_NEAR(strehl, marechal, 0.01);
}

TEST(PsfComputation, DefocusChangesOnlyTheFocusTerm) {
    auto ws = test::spotsFor(test::mirror(-1.0), test::withSettings(3), 0.0);
    // At the computed focus nothing is added to the stored wavefronts.
    ASSERT_TRUE(BerechnePSF(*ws).ok);
    EXPECT_EQ(ws->psf.defocus, 0.0);
    EXPECT_NEAR(ws->spot.psfGrid->at(0, 0, 1), 1.0, 1e-12);
    // Half a wave of defocus W020 = delta / (8 N^2 lambda): the centre of a
    // perfect pupil drops to (sin(pi W) / (pi W))^2. The path term is exact,
    // not paraxial (0.2 % at f/10), and the 25 rings sample the pupil.
    const double delta = 0.5 * 8.0 * 100.0 * 0.546074 / 1000.0;  // mm
    ws->spot.window.focus = ws->spot.results.delta * (1.0 - delta / ws->model.sys.focalLength);
    ASSERT_TRUE(BerechnePSF(*ws).ok);
    EXPECT_NEAR(ws->psf.defocus, delta, 1e-12);
    const double expected = std::pow(std::sin(kPi * 0.5) / (kPi * 0.5), 2);
    EXPECT_NEAR(ws->spot.psfGrid->at(0, 0, 1), expected, 0.002);
}

TEST(PsfComputation, FieldPointWithoutLightGivesAnEmptyPsf) {
    auto ws = test::spotsFor(test::mirrorBehind("Luft/Obstr", 2.0));
    ws->spot.psfGrid->at(3, 4, 1) = 7.0;  // a value of an earlier computation
    const ComputeStatus status = BerechnePSF(*ws);
    EXPECT_FALSE(status.ok);
    EXPECT_NE(std::string(status.message).find("Kein Strahl"), std::string::npos);
    EXPECT_EQ(ws->psf.transmission, 0.0f);
    for (int r = 0; r <= ws->psf.radius; ++r)
        for (int i = 0; i < ws->psf.azimuths; ++i) ASSERT_EQ(ws->spot.psfGrid->at(r, i, 1), 0.0);
    analysePsf(*ws);
    const PsfAnalysis& a = ws->psf.analysis;
    EXPECT_EQ(a.peak, 0.0);
    EXPECT_EQ(a.psf.E0, 0.0);
    EXPECT_EQ(a.strehl, 0.0);
    for (float m : a.mtf) EXPECT_TRUE(std::isfinite(m));
}

TEST(PsfComputation, ReferenceWalkWithoutSecondRingEndsAtTheRim) {
    // Order 1: the grid reaches 2 lambda N, inside the second dark ring.
    auto ws = test::spotsFor(test::mirror(-1.0), test::withSettings(2, 20, 1), 0.0);
    ASSERT_TRUE(BerechnePSF(*ws).ok);
    analysePsf(*ws);
    const int D = ws->psf.radius;
    const double step = ws->psf.gridAngle / D / kArcsecond;
    EXPECT_NEAR(ws->psf.analysis.reference.R1, std::sqrt(D * (D + 1.0)) * step, 1e-9);
    EXPECT_LT(ws->psf.analysis.reference.R0, ws->psf.analysis.reference.R1);
}

}  // namespace
}  // namespace vn
