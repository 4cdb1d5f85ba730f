#include "synthesis/fraunhofer.h"
#include "synthesis/synthesis_state.h"

#include <cmath>

#include "optics/paraxial.h"
#include "synthesis/achromat.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

constexpr int kSurfaces = 4;
// The Fraunhofer dialog writes the cemented achromat's title.
constexpr char kTitle[] = "Kitt Achromat Synthese";

using Extended = long double;

}  // namespace

FraunhoferSolution solveFraunhofer(Extended n1, Extended v1, Extended n2, Extended v2,
                                   const FraunhoferInputs& in) {
    FraunhoferSolution sol;
    if (v1 == v2) {
        sol.error =
            "Beide Gläser haben dieselbe Abbezahl: die Brechkraft lässt sich nicht "
            "für den Farblängsfehler aufteilen. Zwei verschiedene Gläser "
            "wählen; nichts wurde geändert.";
        return sol;
    }
    const Extended phi1 = achromatPowerSplit(v1, v2, in.colourTarget);
    const Extended phi2 = 1 - phi1;
    sol.phi1 = phi1;
    sol.phi2 = phi2;

    // Thin-lens third-order coefficients (stop at the lens, object at
    // infinity); lens 2 sees the convergence phi1 of lens 1.
    // Coma: A + B c with c the lens's first curvature.
    const Extended A1 = -phi1 * phi1 * n1 / (n1 - 1);
    const Extended B1 = phi1 * (n1 + 1) / n1;
    const Extended A2 = -phi2 * phi2 * n2 / (n2 - 1) - phi1 * phi2 * (2 * n2 + 1) / n2;
    const Extended B2 = phi2 * (n2 + 1) / n2;
    // Spherical aberration: S c^2 + T c + U.
    const Extended S1 = phi1 * (n1 + 2) / n1;
    const Extended T1 = -phi1 * phi1 * (2 * n1 + 1) / (n1 - 1);
    const Extended U1 = phi1 * phi1 * phi1 * (n1 / (n1 - 1)) * (n1 / (n1 - 1));
    const Extended S2 = phi2 * (n2 + 2) / n2;
    const Extended T2 = -phi2 * phi2 * (2 * n2 + 1) / (n2 - 1) - 4 * phi1 * phi2 * (n2 + 1) / n2;
    const Extended U2 = phi2 * phi2 * phi2 * (n2 / (n2 - 1)) * (n2 / (n2 - 1)) +
                        phi1 * phi2 * phi2 * (3 * n2 + 1) / (n2 - 1) +
                        phi1 * phi1 * phi2 * (3 * n2 + 2) / n2;
    if (B2 == 0 || !std::isfinite(B2)) {
        sol.error =
            "Die zweite Linse hat keine Brechkraft (Farblängsfehler-Zielwert = 1/ve1): "
            "ihre Biegung wirkt nicht auf die Koma. Anderen Zielwert wählen; nichts wurde "
            "geändert.";
        return sol;
    }

    // Coma condition A1 + B1 c1 + A2 + B2 c3 = Zk, solved for c3 and put into
    // the spherical-aberration condition.
    const Extended O = in.comaTarget - A1 - A2;
    const Extended a = S2 * (B1 / B2) * (B1 / B2) + S1;
    const Extended b = T1 - T2 * B1 / B2 - 2 * S2 * B1 * O / (B2 * B2);
    const Extended gamma = S2 * (O / B2) * (O / B2) + U1 + U2 + O * T2 / B2;
    sol.correction = solveCorrection(a, b, gamma, in.sphericalTarget, v1 > v2);
    if (!sol.correction.valid) {
        sol.error =
            "Die Biegung ist mit diesen Gläsern unbestimmt (der Koeffizient von c² "
            "verschwindet); nichts wurde geändert.";
        return sol;
    }
    const Extended c1 = sol.correction.root;
    sol.c[0] = c1;
    sol.c[1] = c1 - phi1 / (n1 - 1);
    sol.c[2] = (O - B1 * c1) / B2;
    sol.c[3] = sol.c[2] - phi2 / (n2 - 1);
    return sol;
}

SynthesisResult synthesiseFraunhofer(const FraunhoferInputs& in, SynthesisState& state,
                                     Workspace& ws) {
    const SynthesisGlassTable& glasses = state.glasses;
    const GlassSlot& g1 = glasses[1];
    const GlassSlot& g2 = glasses[kFraunhoferSecondSlot];
    if (!glassChosen(g1) || !glassChosen(g2)) return refused(kMsgChooseGlass);
    state.fraunhofer = in;
    if (std::string e = checkCommonInputs(in.common); !e.empty()) return refused(e);

    SystemModel design = beginLensDesign(ws.model, in.common, kSurfaces, true);
    SurfaceTable& s = design.surf;
    writeGlass(s[1], g1, 1.0);
    writeAir(s[2], 1.0);
    writeGlass(s[3], g2, 1.0);
    writeAir(s[4], 1.0);
    design.sys.title = kTitle;
    design.sys.source = kSynthesisSource;

    const FraunhoferSolution sol =
        solveFraunhofer(greenIndex(g1), abbeNumber(g1), greenIndex(g2), abbeNumber(g2), in);
    if (!sol.error.empty()) return refused(sol.error);
    for (int i = 0; i < kSurfaces; ++i)
        s[static_cast<size_t>(i + 1)].r = radiusOf(sol.c[static_cast<size_t>(i)]);

    s[1].e = in.thickness1;
    s[2].e = in.gap;
    s[3].e = in.thickness2;
    return commitDesign(ws, design, in.common.scale, solverMessage(sol.correction));
}

}  // namespace vn
