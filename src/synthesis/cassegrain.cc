#include "synthesis/cassegrain.h"
#include "synthesis/synthesis_state.h"

#include <cmath>

#include "workspace/workspace.h"

namespace vn {
namespace {

constexpr int kSurfaces = 2;
constexpr char kTitle[] = "Cassegrain Synthese";
// Upper-case "N/L": the mirrors' air carries no formula tag and no coefficients.
constexpr char kMirrorAir[] = "L  Luft  N/L";
constexpr char kUnchanged[] = " Nichts wurde geändert.";

}  // namespace

std::string updateCassegrainLayout(CassegrainLayout& layout, CassegrainParameter parameter) {
    // Focal length 1 and a primary of focal length 1/m (radius -2/m). The
    // secondary, a distance d in front of the primary, meets the converging
    // beam 1/m - d before the primary's focus and images that focus with
    // magnification m onto the final focus a distance e behind the primary:
    // m (1/m - d) = d + e, that is 1 - e = d (m + 1). The axial beam at the
    // secondary is the fraction k = 1 - m d = (e m + 1)/(m + 1) of the primary's.
    CassegrainLayout l = layout;
    const double e = l.e;
    switch (parameter) {
        case CassegrainParameter::Separation:
            if (l.d == 0.0)
                return std::string("Abstand Primär-Sekundär 0 ist nicht möglich.") + kUnchanged;
            l.m = (1.0 - e) / l.d - 1.0;
            if (l.m == -1.0)
                return std::string(
                           "Abstand Fokus-Primärspiegel 1 ergibt die Sekundärvergrö"
                           "ßerung -1.") +
                       kUnchanged;
            l.k = (e * l.m + 1.0) / (l.m + 1.0);
            break;
        case CassegrainParameter::Magnification:
            if (l.m == -1.0)
                return std::string(
                           "Sekundärvergrößerung -1 ist nicht möglich "
                           "(Division durch m + 1 = 0).") +
                       kUnchanged;
            l.k = (l.m * e + 1.0) / (l.m + 1.0);
            l.d = (1.0 - e) / (l.m + 1.0);
            break;
        case CassegrainParameter::Obstruction:
            if (l.k == e)
                return std::string(
                           "Obstruktion gleich Abstand Fokus-Primärspiegel ist nicht "
                           "möglich (Division durch k - e = 0).") +
                       kUnchanged;
            l.m = (1.0 - l.k) / (l.k - e);
            if (l.m == -1.0)
                return std::string(
                           "Abstand Fokus-Primärspiegel 1 ergibt die Sekundärvergrö"
                           "ßerung -1.") +
                       kUnchanged;
            l.d = (1.0 - e) / (l.m + 1.0);
            break;
    }
    l.t = l.m * l.d;
    // Ratio of the radii; a secondary without magnification is flat.
    l.q = l.m != 1.0 ? l.m * (1.0 - l.t) / (l.m - 1.0) : kFlatRadius;
    for (double v : {l.m, l.k, l.d, l.t, l.q}) {
        if (!std::isfinite(v))
            return std::string("Diese Werte ergeben keinen Cassegrain-Aufbau.") + kUnchanged;
    }
    layout = l;
    return {};
}

CassegrainConics cassegrainConics(CassegrainType type, const CassegrainLayout& l, double Zs,
                                  double Zk) {
    // Third-order conditions of a two-mirror telescope (focal length 1, stop at
    // the primary): the spherical-aberration sum is linear in both conics and
    // the coma sum in the secondary's alone (the primary is at the stop).
    // With R1 = -2/m, W = R1^3, u and w the secondary's weights in those sums,
    // G the conic that makes the secondary stigmatic between the primary's
    // focus and the final focus (the hyperboloid -((m + 1)/(m - 1))^2) and E
    // the coma of the paraboloid primary, the forms fix one conic and solve
    // for the other (for example Schroeder, Astronomical Optics, ch. 6).
    const double m = l.m, t = l.t;
    const double R1 = -2.0 / m;
    const double W = R1 * R1 * R1;
    const double G = (m + 1.0) * (m + 1.0) / ((m - 1.0) * (m - 1.0));
    const double m3 = (m - 1.0) * (m - 1.0) * (m - 1.0) / (m * m * m);
    const double u = (1.0 - t) * m3;
    const double w = t * m3;
    const double E = 2.0 / (m * m);
    CassegrainConics c;
    switch (type) {
        case CassegrainType::Classical:  // paraboloid primary
            c.K1 = -1.0;
            c.K2 = Zs * W / (2.0 * u) - G;
            break;
        case CassegrainType::DallKirkham:  // spherical secondary
            c.K1 = G * u - 1.0 - Zs * W / 2.0;
            c.K2 = 0.0;
            break;
        case CassegrainType::RitcheyChretien:  // both conics: spherical aberration and coma
            c.K1 = (-w * Zs * W / 2.0 - 4.0 * u * Zk / (m * m) - u * E) / w - 1.0;
            c.K2 = (-4.0 * Zk / (m * m) - E) / w - G;
            break;
        case CassegrainType::PressmanCamichel:  // spherical primary
            c.K1 = 0.0;
            c.K2 = (Zs * W / 2.0 + 1.0) / u - G;
            break;
    }
    return c;
}

void cassegrainDialogCreated(Workspace& ws, SynthesisState& state) {
    SystemData& sys = ws.model.sys;
    sys.focalLength = 2000.0;
    sys.fNumber = 10.0;
    sys.fieldAngle = 0.25;
    sys.graphScale = 2000.0;
    CassegrainInputs& in = state.cassegrain;
    in.common = CassegrainInputs{}.common;
    updateCassegrainLayout(in.layout, in.parameter);
}

SynthesisResult synthesiseCassegrain(const CassegrainInputs& in, SynthesisState& state,
                                     Workspace& ws) {
    if (std::string e = checkCommonInputs(in.common); !e.empty()) return refused(e);
    CassegrainInputs stored = in;
    if (std::string e = updateCassegrainLayout(stored.layout, in.parameter); !e.empty())
        return refused(e);
    state.cassegrain = stored;
    const CassegrainLayout& l = stored.layout;
    if (l.m == 0.0)
        return refused(std::string("Sekundärvergrößerung 0: der Hauptspiegel "
                                   "hätte keine Krümmung.") +
                       kUnchanged);
    if (l.m == 1.0)
        return refused(std::string("Sekundärvergrößerung 1 (ebener Fangspiegel): "
                                   "die Konstanten der Spiegel sind unbestimmt.") +
                       kUnchanged);
    const CassegrainConics conics = cassegrainConics(in.type, l, in.sphericalTarget, in.comaTarget);
    if (!std::isfinite(conics.K1) || !std::isfinite(conics.K2))
        return refused(std::string("Für diesen Aufbau sind die Konstanten der Spiegel "
                                   "unbestimmt (der Fangspiegel liegt im Fokus oder am "
                                   "Hauptspiegel).") +
                       kUnchanged);

    SystemModel design = ws.model;
    SurfaceTable& s = design.surf;
    for (int i = 0; i <= kSurfaces; ++i) s[static_cast<size_t>(i)].n = {1.0, 1.0, 1.0};
    resetSynthesisSurfaces(design, kSurfaces);
    writeCommonInputs(design, in.common);
    s[1].medium = kMirrorAir;
    s[2].medium = kMirrorAir;
    writeSystemFrame(design, kSurfaces);
    s[1].n = {-1.0, -1.0, -1.0};  // the light runs backwards after the primary
    s[1].dir = -1.0;
    s[2].dir = 1.0;
    design.sys.title = kTitle;
    design.sys.source = kSynthesisSource;

    const double R1 = -2.0 / l.m;
    s[1].r = R1;
    s[2].r = l.q * R1;
    s[1].e = -l.d;
    s[1].k = conics.K1;
    s[2].k = conics.K2;
    return commitDesign(ws, design, in.common.scale, {});
}

}  // namespace vn
