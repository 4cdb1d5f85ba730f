#include "synthesis/medial_cassegrain.h"
#include "synthesis/synthesis_state.h"

#include <cmath>

#include "synthesis/medial_correction.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

constexpr int kSurfaces = 8;
constexpr double kTauStart = 0.89;
constexpr char kTitle[] = "Medial Cassegrain Synthese";
constexpr char kAir[] = "S   Luft n/L";

}  // namespace

std::string medialCassegrainEquivalent(const MedialCassegrainEquivalentInputs& in,
                                       EquivalentSystem& out) {
    const ThinElements t{in.n};
    const double n = in.n, P = in.P, rho1 = in.rho1, rho2 = in.rho2;
    const MedialTargets& z = in.targets;
    TauSecant secant{kTauStart};
    for (int pass = 0; pass < 5; ++pass) {
        if (pass == 4) secant.tau += in.tauOffset;
        const double tau = secant.tau;
        if (std::string e = checkEquivalentPass(tau, {tau}); !e.empty()) return e;

        // The secondary mirror (power P times the front lens's) folded into
        // the distance ratios of the equivalent system.
        const double beta = 1.0 - rho2 * rho1 * (1.0 - tau) * P;
        const double gamma = rho2 / beta + 1.0;
        const double q = rho1 * gamma;

        // Back focal distance: the field-curvature condition (target Z_P)
        // written as the quadratic s^2 - 2 C_s s - E_0 = 0 in s.
        double s = in.backFocus;
        if (in.flatField) {
            const double glass = n * (2.0 * tau - 1.0) + (tau - 1.0);
            const double u = 1.0 - 1.0 / tau;
            const double Cs =
                (u * u * q + 1.0 +
                 q * (tau - 1.0) * (2.0 * (tau - 1.0) - 1.0 / q - n * P * (2.0 * tau - 1.0)) /
                     glass) *
                tau * beta / (2.0 * (2.0 - 1.0 / tau));
            const double E0 = tau * tau * (tau - 1.0) / glass * (1.0 - z.curvature);
            if (Cs * Cs + E0 < 0.0)
                return negativeRootMessage("die Schnittweite (Bildfeldkrümmung)", tau);
            s = Cs - std::sqrt(Cs * Cs + E0);
        }

        // First-order layout: powers of front lens, Mangin reflection, Mangin
        // refraction (each pass), field lens and secondary for focal length 1.
        const double x = (rho2 * tau + s) / (rho2 + beta);
        const double delta = (1.0 / beta + q * x * P) * (tau - 1.0) - (tau - s / beta);
        const double phiF = q * (tau - 1.0) / delta;
        const double phiR = ((s / (beta * tau)) * (2.0 - 1.0 / tau) -
                             (1.0 - 1.0 / tau) * (1.0 - 1.0 / tau) * q - 1.0) /
                            delta;
        const double phiM =
            -((1.0 / q + 1.0) * phiF + (tau - 1.0) * phiR) / (2.0 * (2.0 * tau - 1.0));
        const double phiL = (tau - 1.0) / (s * beta * delta);
        const double phiS = phiF * P;

        const double c4 = phiR / 2.0;             // silvered back face
        const double c3 = phiM / (n - 1.0) - c4;  // Mangin front face
        const double c6 = phiS / 2.0;             // secondary
        const double D1 = (1.0 - tau) / phiF;
        const double D2 = rho1 * D1;
        const double D3 = rho2 * D2;

        // Reduced marginal-ray slopes after each element.
        const double v1 = phiF / tau;
        const double v2 = phiM + v1;
        const double v3 = phiR + v2;
        const double v4 = 1.0 / (1.0 / (phiM + v3) - D2);
        const double v5 = 1.0 / (1.0 / (phiS + v4) - D3);

        // Third-order contributions of the Mangin mirror (refraction, reflection,
        // refraction) and of the secondary.
        const double SS = ThinElements::mirrorS(phiS, v4);
        const double MS = ThinElements::mirrorM(phiS, v4);
        const double sumS = t.S(phiM, v1, c3) + ThinElements::mirrorS(phiR, v2) + t.S(phiM, v3, c4);
        const double sumM = t.M(phiM, v1, c3) + ThinElements::mirrorM(phiR, v2) + t.M(phiM, v3, c4);

        // Chief-ray heights at the field lens (H) and at the secondary (G),
        // which carry the stop-shift terms of astigmatism and coma.
        const double H = s * (x * D1 * s + s * D2 + D3 * tau) / (x * tau);
        const double G = x * (x * D1 + D2) / tau;

        // Field lens bent for the astigmatism target: A_T c^2 + 2 B_T c + K_T = 0.
        const double T0 = tau * tau * D1 * D1 * sumS + (2.0 * phiM + phiF + phiR + phiS + phiL) +
                          2.0 * tau * D1 * sumM + 2.0 * H * t.M(phiL, v5, 0.0) + 2.0 * G * MS;
        const double KT = G * G * SS + T0 + H * H * t.K(phiL, v5) + z.astigmatism;
        const double BT = 0.5 * (2.0 * H * phiL * (n + 1.0) / n - H * H * t.L(phiL, v5));
        const double AT = H * H * t.Q(phiL);
        const double rootT = (BT / AT) * (BT / AT) - KT / AT;
        if (rootT < 0.0) return negativeRootMessage("die Feldlinse (Astigmatismus)", tau);
        const double c7 = -BT / AT - std::sqrt(rootT);
        const double c8 = c7 - phiL / (n - 1.0);

        // Front lens bent for the spherical-aberration target.
        const double sT = std::pow(tau, 4) * sumS + t.K(phiF, 0.0) + std::pow(x, 4) * SS +
                          std::pow(s, 4) * t.S(phiL, v5, c7) + z.spherical;
        const double c1 = frontLensCurvature(t, phiF, sT, in.sigma);
        const double c2 = c1 - phiF / (n - 1.0);

        // Coma of the equivalent system, each element's stop-shifted share.
        const double ME = tau * tau * sumM + c1 * phiF * (n + 1.0) / n -
                          phiF * phiF * n / (n - 1.0) + x * x * MS + s * s * t.M(phiL, v5, c7) +
                          tau * tau * tau * D1 * sumS + x * x * x * (x * D1 + D2) / tau * SS +
                          s * s * H * t.S(phiL, v5, c7);

        if (std::string e = checkEquivalentPass(tau, {s, delta, phiF, phiR, phiM, phiL, D1, D2, D3,
                                                      v4, v5, c1, c2, c3, c4, c7, c8, ME});
            !e.empty())
            return e;
        if (pass == 3) out.coma = ME;
        if (pass == 4) {
            out.r[1] = radiusOf(c1);
            out.r[2] = radiusOf(c2);
            out.r[3] = radiusOf(c3);
            out.r[4] = -radiusOf(c4);
            out.r[5] = radiusOf(c3);
            out.r[6] = radiusOf(c6);
            out.r[7] = radiusOf(c7);
            out.r[8] = radiusOf(c8);
            out.D1 = D1;
            out.D2 = D2;
            out.D3 = D3;
            out.phiF = phiF;
            out.phiL = phiL;
            out.tau = tau;
        }
        secant.advance(pass, ME, z.equivalentComa);
    }
    return {};
}

MedialCassegrainReduced medialCassegrainReduced(const MedialCassegrainInputs& in) {
    // Linear corrections in the thicknesses map the real air spaces onto the
    // distances of the thin equivalent system.
    const double P = in.secondaryPower;
    MedialCassegrainReduced r;
    r.L1 = in.manginDistance - (1.0 / (3.0 - P) - P / 9.0 - 3.0) * in.frontThickness -
           (P / 10.0 - 1.4) * in.manginThickness - (P / 18.0 + 1.3) * in.fieldLensThickness;
    r.L2 = in.secondaryDistance + 0.78 * in.manginThickness;
    r.L3 = in.fieldLensDistance;
    return r;
}

MedialSynthesisResult synthesiseMedialCassegrain(const MedialCassegrainInputs& in,
                                                 SynthesisState& state, Workspace& ws) {
    const SynthesisGlassTable& glasses = state.glasses;
    MedialSynthesisResult result;
    const GlassSlot& glass = glasses[1];
    if (!glassChosen(glass)) {
        result.message = kMsgChooseGlass;
        return result;
    }
    state.medialCassegrain = in;
    if (std::string e = checkCommonInputs(in.common); !e.empty()) {
        result.message = e;
        return result;
    }
    if (in.secondaryPower == 3.0) {
        result.message =
            "Brechkraft Fangspiegel 3 ist nicht möglich (die reduzierte Distanz "
            "Frontlinse-Mangin-Spiegel enthält 1/(3 - P)); nichts wurde geändert.";
        return result;
    }
    const MedialCassegrainReduced L = medialCassegrainReduced(in);
    const double rho1 = L.L2 / L.L1, rho2 = L.L3 / L.L2;
    const double w1 = L.L1 / in.manginDistance, w2 = L.L2 / in.secondaryDistance;
    if (std::string e = checkReducedRatios({rho1, rho2, w1, w2}); !e.empty()) {
        result.message = e;
        return result;
    }

    // Written at the synthesis wavelengths like the lens designs: the slot's
    // indices were computed there, so the system stays consistent when its
    // indices are recomputed from the coefficients.
    SystemModel design = beginLensDesign(ws.model, in.common, kSurfaces, true);
    SurfaceTable& s = design.surf;
    writeGlass(s[1], glass, 1.0);  // front lens
    writeAir(s[2], 1.0, kAir);
    writeGlass(s[3], glass, 1.0);   // Mangin mirror, front face
    writeGlass(s[4], glass, -1.0);  // silvered back face
    writeAir(s[5], -1.0, kAir);     // front face again
    writeAir(s[6], 1.0, kAir);      // secondary mirror
    writeGlass(s[7], glass, 1.0);   // field lens
    writeAir(s[8], 1.0, kAir);
    s[3].h = 1.06;
    s[5].h = 1.09;
    design.sys.title = kTitle;
    design.sys.source = kSynthesisSource;

    const double n = greenIndex(glass);
    MedialCassegrainEquivalentInputs eq{n,           in.secondaryPower, rho1,          rho2,
                                        0.0,         in.targets,        in.correction, in.flatField,
                                        in.backFocus};
    MedialProblem problem;
    problem.n = n;
    problem.L1 = L.L1;
    problem.w1 = w1;
    problem.w2 = w2;
    problem.fieldLens = 7;
    problem.fieldLensSign = 1.0;
    problem.targets = in.targets;
    problem.sigma = in.correction;
    problem.solveEquivalent = [&eq](double offset, EquivalentSystem& out) {
        eq.tauOffset = offset;
        return medialCassegrainEquivalent(eq, out);
    };
    problem.writeGeometry = [&in](SystemModel& m, const EquivalentSystem& e, double g, double A1,
                                  double A2) {
        for (int i = 1; i <= kSurfaces; ++i) m.surf[idx(i)].r = e.r[idx(i)];
        const double distances[kSurfaces] = {in.frontThickness * g,     A1,  in.manginThickness * g,
                                             -in.manginThickness * g,   -A2, e.D3,
                                             in.fieldLensThickness * g, 0.1};
        for (int i = 1; i <= kSurfaces; ++i) m.surf[idx(i)].e = distances[i - 1];
    };

    return correctAndCommit(problem, design, ws, in.common.scale);
}

}  // namespace vn
