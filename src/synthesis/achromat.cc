#include "synthesis/achromat.h"
#include "synthesis/synthesis_state.h"

#include <cmath>
#include <limits>

#include "optics/paraxial.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

constexpr int kSurfaces = 3;
constexpr char kTitle[] = "Kitt Achromat Synthese";
// The thin solution is checked once: a spherical sum further than this from
// the target means the chosen root lies where third order no longer holds,
// and the other root is taken.
constexpr double kRootCheck = 0.1;

using Extended = long double;

void setRadii(SystemModel& m, AchromatSolution& s, Extended n1, Extended n2) {
    // The cemented face and the last face follow from the lens powers:
    // phi = (n - 1)(c_front - c_back).
    s.c[1] = s.c[0] - s.phi1 / (n1 - 1);
    s.c[2] = s.c[1] - s.phi2 / (n2 - 1);
    for (int i = 0; i < 3; ++i)
        m.surf[static_cast<size_t>(i + 1)].r = radiusOf(s.c[static_cast<size_t>(i)]);
}

}  // namespace

Extended achromatPowerSplit(Extended v1, Extended v2, Extended colourTarget) {
    if (v1 == v2) return std::numeric_limits<Extended>::quiet_NaN();
    return (1 - v2 * colourTarget) / (1 - v2 / v1);
}

DoubletSpherical cementedDoubletSpherical(Extended n1, Extended n2, Extended phi1, Extended phi2) {
    // Third-order spherical aberration of thin lenses in contact, object at
    // infinity, each lens written in its power and first curvature; the second
    // lens meets the convergent beam of the first (conjugate term phi1).
    DoubletSpherical q;
    q.a = phi1 * (n1 + 2) / n1 + phi2 * (n2 + 2) / n2;
    q.b = -phi1 * phi1 * (2 * n1 + 1) / (n1 - 1) - phi2 * phi2 * (2 * n2 + 1) / (n2 - 1) -
          phi1 * phi2 * (4 * (n2 + 1) / n2 + 2 * (n2 + 2) / (n2 * (n1 - 1)));
    const Extended k1 = n1 / (n1 - 1), k2 = n2 / (n2 - 1);
    q.gamma =
        phi1 * phi1 * phi1 * k1 * k1 + phi2 * phi2 * phi2 * k2 * k2 +
        phi1 * phi2 * phi2 * ((3 * n2 + 1) / (n2 - 1) + (2 * n2 + 1) / ((n2 - 1) * (n1 - 1))) +
        phi1 * phi1 * phi2 *
            ((n2 + 2) / (n2 * (n1 - 1) * (n1 - 1)) + (3 * n2 + 2) / n2 +
             4 * (n2 + 1) / (n2 * (n1 - 1)));
    return q;
}

SynthesisResult synthesiseAchromat(const AchromatInputs& in, SynthesisState& state, Workspace& ws) {
    const SynthesisGlassTable& glasses = state.glasses;
    const GlassSlot& g1 = glasses[1];
    const GlassSlot& g2 = glasses[2];
    if (!glassChosen(g1) || !glassChosen(g2)) return refused(kMsgChooseGlass);
    state.achromat = in;
    if (std::string e = checkCommonInputs(in.common); !e.empty()) return refused(e);
    const Extended v1 = abbeNumber(g1), v2 = abbeNumber(g2);
    if (v1 == v2)
        return refused(
            "Beide Gläser haben dieselbe Abbezahl: die Brechkraft lässt sich nicht "
            "für den Farblängsfehler aufteilen. Zwei verschiedene Gläser "
            "wählen; nichts wurde geändert.");

    SystemModel design = beginLensDesign(ws.model, in.common, kSurfaces, true);
    SurfaceTable& s = design.surf;
    writeGlass(s[1], g1, 1.0);
    writeGlass(s[2], g2, 1.0);
    writeAir(s[3], 1.0);
    design.sys.title = kTitle;
    design.sys.source = kSynthesisSource;

    const Extended n1 = greenIndex(g1), n2 = greenIndex(g2);
    AchromatSolution sol;
    sol.phi1 = achromatPowerSplit(v1, v2, in.colourTarget);
    sol.phi2 = 1 - sol.phi1;
    const DoubletSpherical q = cementedDoubletSpherical(n1, n2, sol.phi1, sol.phi2);
    sol.correction = solveCorrection(q.a, q.b, q.gamma, in.sphericalTarget, v1 > v2);
    if (!sol.correction.valid)
        return refused(
            "Die Biegung ist mit diesen Gläsern unbestimmt (der Koeffizient von c² "
            "verschwindet); nichts wurde geändert.");
    sol.c[0] = sol.correction.root;
    setRadii(design, sol, n1, n2);
    s[1].e = s[2].e = 0.0;

    // The thin doublet evaluated: third order must hold for the root taken.
    // Only the sums are wanted, so the stored radii stay as solved whatever
    // the design mode.
    ParaxialData paraxial = ws.paraxial;
    AberrationSums sums;
    const EvaluationStatus status = EvaluateSystem(design, false, paraxial, sums);
    if (!status.ok || !status.seidelComputable)
        return refused(describe(status) + " Nichts wurde geändert.");
    if (std::fabs(sums.spherical - in.sphericalTarget) > kRootCheck &&
        sol.c[0] != sol.correction.vertex) {
        sol.c[0] = sol.correction.otherRoot;
        setRadii(design, sol, n1, n2);
    }

    s[1].e = in.thickness1;
    s[2].e = in.thickness2;
    return commitDesign(ws, design, in.common.scale, solverMessage(sol.correction));
}

}  // namespace vn
