#include "synthesis/medial_triplet.h"
#include "synthesis/synthesis_state.h"

#include <cmath>

#include "synthesis/medial_correction.h"
#include "synthesis/tau_start_table.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

constexpr int kSurfaces = 7;
constexpr char kTitle[] = "Medial Triplet Synthese";

}  // namespace

std::string medialTripletEquivalent(const MedialTripletEquivalentInputs& in,
                                    EquivalentSystem& out) {
    const ThinElements t{in.n};
    const double n = in.n, rho = in.rho;
    const MedialTargets& z = in.targets;
    TauSecant secant{tauStartValue(n, rho)};
    for (int pass = 0; pass < 5; ++pass) {
        if (pass == 4) secant.tau += in.tauOffset;
        const double tau = secant.tau;
        if (std::string e = checkEquivalentPass(tau, {tau}); !e.empty()) return e;

        // Back focal distance for the field-curvature target (flat field for
        // Z_P = 0): s^2 - 2 C_s s - E_0 = 0.
        const double glass = (2.0 * tau - 1.0) * n + (tau - 1.0);
        const double u = 1.0 - 1.0 / tau;
        const double Cs =
            (u * u * rho + 1.0 + rho * (tau - 1.0) * (2.0 * (tau - 1.0) - 1.0 / rho) / glass) *
            tau / (2.0 * (2.0 - 1.0 / tau));
        const double E0 = tau * tau * (tau - 1.0) / glass * (1.0 - z.curvature);
        if (Cs * Cs + E0 < 0.0)
            return negativeRootMessage("die Schnittweite (Bildfeldkrümmung)", tau);
        const double s = Cs - std::sqrt(Cs * Cs + E0);

        // Powers of front lens, Mangin reflection, Mangin refraction and field
        // lens for focal length 1.
        const double phiF = (tau - 1.0) * rho / (s - 1.0);
        const double phiR = ((s / tau) * (2.0 - 1.0 / tau) - rho * u * u - 1.0) / (s - 1.0);
        const double phiM =
            -((1.0 / rho + 1.0) * phiF + (tau - 1.0) * phiR) / (2.0 * (2.0 * tau - 1.0));
        const double phiL = (tau - 1.0) / (s * (s - 1.0));

        const double c4 = phiR / 2.0;
        const double c3 = phiM / (n - 1.0) - c4;
        const double D1 = (1.0 - tau) / phiF;
        const double D2 = rho * D1;

        const double v1 = phiF / tau;
        const double v2 = phiM + v1;
        const double v3 = phiR + v2;
        const double v4 = 1.0 / (1.0 / (phiM + v3) - D2);

        const double sumS = t.S(phiM, v1, c3) + ThinElements::mirrorS(phiR, v2) + t.S(phiM, v3, c4);
        const double sumM = t.M(phiM, v1, c3) + ThinElements::mirrorM(phiR, v2) + t.M(phiM, v3, c4);

        // Chief-ray height factor at the field lens.
        const double h = (D1 * s + D2) / tau;

        // Field lens bent for the astigmatism target.
        const double T0 = tau * tau * D1 * D1 * sumS + (2.0 * phiM + phiF + phiR + phiL) +
                          2.0 * tau * D1 * sumM + 2.0 * s * h * t.M(phiL, v4, 0.0);
        const double hs2 = h * h * s * s;
        const double KT = hs2 * t.K(phiL, v4) + T0 + z.astigmatism;
        const double BT = 0.5 * (2.0 * s * h * phiL * (n + 1.0) / n - hs2 * t.L(phiL, v4));
        const double AT = hs2 * t.Q(phiL);
        const double rootT = (BT / AT) * (BT / AT) - KT / AT;
        if (rootT < 0.0) return negativeRootMessage("die Feldlinse (Astigmatismus)", tau);
        const double c7 = -BT / AT - std::sqrt(rootT);
        const double c8 = c7 - phiL / (n - 1.0);

        // Front lens bent for the spherical-aberration target.
        const double sT = std::pow(tau, 4) * sumS + t.K(phiF, 0.0) +
                          std::pow(s, 4) * t.S(phiL, v4, c7) + z.spherical;
        const double c1 = frontLensCurvature(t, phiF, sT, in.sigma);
        const double c2 = c1 - phiF / (n - 1.0);

        const double ME = tau * tau * sumM + c1 * phiF * (n + 1.0) / n -
                          phiF * phiF * n / (n - 1.0) + s * s * t.M(phiL, v4, c7) +
                          tau * tau * tau * D1 * sumS + s * s * s * h * t.S(phiL, v4, c7);

        if (std::string e = checkEquivalentPass(
                tau, {s, phiF, phiR, phiM, phiL, D1, D2, v4, c1, c2, c3, c4, c7, c8, ME});
            !e.empty())
            return e;
        if (pass == 3) out.coma = ME;
        if (pass == 4) {
            // The field lens lies in the returning beam: its radii are stored
            // with reversed sign.
            out.r[1] = radiusOf(c1);
            out.r[2] = radiusOf(c2);
            out.r[3] = radiusOf(c3);
            out.r[4] = -radiusOf(c4);
            out.r[5] = radiusOf(c3);
            out.r[6] = -radiusOf(c7);
            out.r[7] = -radiusOf(c8);
            out.D1 = D1;
            out.D2 = D2;
            out.D3 = 0.0;
            out.phiF = phiF;
            out.phiL = phiL;
            out.tau = tau;
        }
        secant.advance(pass, ME, z.equivalentComa);
    }
    return {};
}

MedialTripletReduced medialTripletReduced(const MedialTripletInputs& in) {
    return {in.manginDistance + 1.35 * in.manginThickness - in.fieldLensThickness,
            in.fieldLensDistance + 0.65 * in.manginThickness + 0.45 * in.fieldLensThickness};
}

MedialSynthesisResult synthesiseMedialTriplet(const MedialTripletInputs& in, SynthesisState& state,
                                              Workspace& ws) {
    const SynthesisGlassTable& glasses = state.glasses;
    MedialSynthesisResult result;
    const GlassSlot& glass = glasses[1];
    if (!glassChosen(glass)) {
        result.message = kMsgChooseGlass;
        return result;
    }
    state.medialTriplet = in;
    if (std::string e = checkCommonInputs(in.common); !e.empty()) {
        result.message = e;
        return result;
    }
    const MedialTripletReduced L = medialTripletReduced(in);
    const double rho = L.L2 / L.L1;
    const double w1 = L.L1 / in.manginDistance, w2 = L.L2 / in.fieldLensDistance;
    if (std::string e = checkReducedRatios({rho, w1, w2}); !e.empty()) {
        result.message = e;
        return result;
    }

    // Written at the synthesis wavelengths like the lens designs: the slot's
    // indices were computed there, so the system stays consistent when its
    // indices are recomputed from the coefficients.
    SystemModel design = beginLensDesign(ws.model, in.common, kSurfaces, true);
    SurfaceTable& s = design.surf;
    writeGlass(s[1], glass, 1.0);  // front lens
    writeAir(s[2], 1.0);
    writeGlass(s[3], glass, 1.0);   // Mangin mirror, front face
    writeGlass(s[4], glass, -1.0);  // silvered back face
    writeAir(s[5], -1.0);           // front face again
    writeGlass(s[6], glass, -1.0);  // field lens, on the way back
    writeAir(s[7], -1.0);
    s[3].h = 1.06;
    s[5].h = 1.09;
    design.sys.title = kTitle;
    design.sys.source = kSynthesisSource;

    const double n = greenIndex(glass);
    MedialTripletEquivalentInputs eq{n, rho, 0.0, in.targets, in.correction};
    MedialProblem problem;
    problem.n = n;
    problem.L1 = L.L1;
    problem.w1 = w1;
    problem.w2 = w2;
    problem.fieldLens = 6;
    problem.fieldLensSign = -1.0;
    problem.targets = in.targets;
    problem.sigma = in.correction;
    problem.solveEquivalent = [&eq](double offset, EquivalentSystem& out) {
        eq.tauOffset = offset;
        return medialTripletEquivalent(eq, out);
    };
    problem.writeGeometry = [&in](SystemModel& m, const EquivalentSystem& e, double g, double A1,
                                  double A2) {
        for (int i = 1; i <= kSurfaces; ++i) m.surf[idx(i)].r = e.r[idx(i)];
        const double distances[kSurfaces] = {
            in.frontThickness * g,      A1,  in.manginThickness * g, -in.manginThickness * g, -A2,
            -in.fieldLensThickness * g, -0.1};
        for (int i = 1; i <= kSurfaces; ++i) m.surf[idx(i)].e = distances[i - 1];
    };

    return correctAndCommit(problem, design, ws, in.common.scale);
}

}  // namespace vn
