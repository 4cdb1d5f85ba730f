// Third-order (Seidel) sums and first-order colour errors from the green
// paraxial pass on the normalised system (focal length 1, marginal height 1 at
// surface 1, Lagrange invariant 1).
//
// Per surface the spherical part follows from the refraction invariant
// A = n (1/rho - 1/s) and the aspheric part from the conic constant and the
// Schmidt factor. The stop-shift ratio beta carries each part over to coma,
// astigmatism and distortion. Every product is rounded to single precision
// before it enters the next one, and the totals after every surface.

#include <cmath>

#include "model/system_model.h"
#include "optics/evaluation_detail.h"

namespace vn::detail {
namespace {

float single(double v) {
    return static_cast<float>(v);
}

constexpr double kAplanaticBeta = 1e12;  // stands for 1/0 where A vanishes
// Relative size below which the refraction invariant is a rounding residue.
constexpr double kVanishingInvariant = 1e-9;

}  // namespace

void seidelSums(const SystemModel& m, const ParaxialData& q, const GreenPass& g,
                AberrationSums& sums, Checked& c) {
    const int N = m.N();
    const SurfaceTable& t = m.surf;
    constexpr size_t green = colourIndex(kGreen);
    sums.spherical = sums.coma = sums.astigmatism = sums.curvature = sums.distortion = 0.0f;
    for (int i = 1; i <= N; ++i) {
        const double nBefore = t[idx(i - 1)].n[green];
        const double nAfter = t[idx(i)].n[green];
        const double rho = q.rF[idx(i)];
        const double s = g.s[idx(i)], sPrime = g.sPrime[idx(i)];
        const double h = g.h[idx(i)], sigma = g.sigma[idx(i)];
        const double h2 = h * h, h4 = h2 * h2;
        const double curvature = c.div(1.0, rho, i, kReasonRadius);

        // Refraction invariant per unit height and stop-shift ratio. An object at
        // the centre of curvature makes A vanish; so does, up to rounding, every
        // flat surface (radius 1e12) in light from an object at infinity (1e12),
        // and a residue of 1e-26 would turn beta and the distortion sum into
        // nonsense of order 1e13. Such a residue counts as zero.
        const double inverseS = c.div(1.0, s, i, kReasonConjugate);
        const double A = nBefore * (curvature - inverseS);
        const bool vanishes = std::fabs(A) <= kVanishingInvariant * std::fabs(nBefore) *
                                                  (std::fabs(curvature) + std::fabs(inverseS));
        const double beta =
            vanishes ? kAplanaticBeta : c.div(1.0, h2 * A, i, kReasonConjugate) + sigma;
        // Petzval term.
        const double petzval = -curvature * (c.div(1.0, nAfter, i, kReasonIndex) -
                                             c.div(1.0, nBefore, i, kReasonIndex));
        // The classical Schmidt plate of index n for a spherical mirror of radius
        // rho_j has the fourth-order profile y^4 / (4 (n - 1) rho_j^3); K is eight
        // times that coefficient per unit Schmidt factor, taken for the first
        // mirror behind the plate (or the last surface when there is none).
        double schmidtTerm = 0.0;
        if (t[idx(i)].schmidt != 0.0) {
            int j = i;
            while (!(t[idx(j - 1)].n[green] / t[idx(j)].n[green] < 0.0) && j <= N - 1) ++j;
            const double rhoMirror = q.rF[idx(j)];
            schmidtTerm = c.div(2.0 * t[idx(i)].schmidt, nBefore - 1.0, i, kReasonSchmidtAir) *
                          c.div(1.0, rhoMirror * rhoMirror * rhoMirror, j, kReasonRadius);
        }
        const double rho3 = rho * rho * rho;

        const float S1 = single(h4 * A * A *
                                (c.div(1.0, nAfter * sPrime, i, kReasonConjugate) -
                                 c.div(1.0, nBefore * s, i, kReasonConjugate)));
        const float S1a = single(h4 * (c.div(t[idx(i)].k, rho3, i, kReasonRadius) - schmidtTerm) *
                                 (nAfter - nBefore));
        const float S2 = single(beta * S1), S2a = single(sigma * S1a);
        const float S3 = single(beta * S2), S3a = single(sigma * S2a);
        const float S4 = single(2.0 * S3 + petzval), S4a = single(2.0 * S3a);
        const float S5 = single((S3 + petzval) * beta), S5a = single(sigma * S3a);

        sums.spherical = single(double(sums.spherical) + S1 + S1a);
        sums.coma = single(double(sums.coma) + S2 + S2a);
        sums.astigmatism = single(double(sums.astigmatism) + S3 + S3a);
        sums.curvature = single(double(sums.curvature) + S4 + S4a);
        sums.distortion = single(double(sums.distortion) + S5 + S5a);
    }
}

void colourSums(const ParaxialData& q, const GreenPass& g, AberrationSums& sums, Checked& c) {
    const double L = g.L;
    sums.chromatic = single(c.div(q.backFocusRed - q.backFocusBlue, L, 0, kReasonFocal));
    sums.secondary = single(c.div((q.backFocusRed + q.backFocusBlue) - 2.0 * q.backFocusGreen,
                                  2.0 * L, 0, kReasonFocal));
    sums.lateralColour = single(c.div(q.focalRed - q.focalBlue, L, 0, kReasonFocal));
}

}  // namespace vn::detail
