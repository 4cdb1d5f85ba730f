#include "synthesis/schmidt_camera.h"
#include "synthesis/synthesis_state.h"

#include <cmath>

#include "workspace/workspace.h"

namespace vn {
namespace {

constexpr int kSurfaces = 3;
constexpr char kTitle[] = "Schmidt-Kamera Synthese";
constexpr double kMirrorRadius = -2.0;

}  // namespace

SchmidtProfile schmidtProfile(double n, double F, double nu, double rho) {
    SchmidtProfile p;
    if (nu == 0.0) {
        p.error =
            "Neutrale Zone NZ = 0 ist nicht möglich: das Profil wird an der neutralen Zone "
            "festgelegt. Einen Wert wie 0.866 wählen; nichts wurde geändert.";
        return p;
    }
    // The aperture radius is 1/(2F); the zone of no deviation lies at nu times it.
    p.h = nu / (2.0 * F);
    p.H = p.h * p.h;
    p.s = (p.h / rho) * (p.h / rho);
    if (!(p.s < 1.0)) {
        p.error =
            "Die neutrale Zone liegt außerhalb des Spiegels (NZ / (2 Blende) ist nicht "
            "kleiner als der Spiegelradius 2); nichts wurde geändert.";
        return p;
    }
    // A ray parallel to the axis at height h, reflected by the sphere, crosses
    // the axis at L = (rho/2)/cos(theta) from the centre of curvature, with
    // sin(theta) = h/rho; the paraxial focus lies at rho/2.
    const double cosTheta = std::sqrt(1.0 - p.s);
    p.L = (rho / 2.0) / cosTheta;
    // Optical path of the zonal ray to the paraxial focus in excess of the
    // axial ray's, as a thickness of glass: the profile's sag at the zone.
    p.Q = (2.0 * (rho - p.L) - rho * cosTheta) / (1.0 - n);
    // The y^2 term gives the plate the weak power that brings the paraxial
    // focus to where the zonal ray crosses the axis.
    p.A2 = ((p.L - rho / 2.0) / p.L / rho) / (n - 1.0);
    // A4 and A6 make the sag at the zone equal Q and its slope there zero
    // (the zonal ray passes the plate undeviated):
    //   A2 H + A4 H^2 + A6 H^3 = Q,   2 A2 + 4 A4 H + 6 A6 H^2 = 0.
    p.A4 = (3.0 * p.Q - 2.0 * p.H * p.A2) / (p.H * p.H);
    p.A6 = (p.H * p.A2 - 2.0 * p.Q) / (p.H * p.H * p.H);
    for (double v : {p.h, p.L, p.Q, p.A2, p.A4, p.A6}) {
        if (!std::isfinite(v)) {
            p.error =
                "Mit diesem Glas und dieser Blende gibt es kein Schmidt-Profil; nichts "
                "wurde geändert.";
            return p;
        }
    }
    return p;
}

SynthesisResult synthesiseSchmidtCamera(const SchmidtInputs& in, SynthesisState& state,
                                        Workspace& ws) {
    const SynthesisGlassTable& glasses = state.glasses;
    const GlassSlot& glass = glasses[1];
    if (!glassChosen(glass)) return refused(kMsgChooseGlass);
    state.schmidt = in;
    if (std::string e = checkCommonInputs(in.common); !e.empty()) return refused(e);
    const SchmidtProfile profile =
        schmidtProfile(greenIndex(glass), in.common.fNumber, in.neutralZone, kMirrorRadius);
    if (!profile.error.empty()) return refused(profile.error);

    SystemModel design = beginLensDesign(ws.model, in.common, kSurfaces, true);
    SurfaceTable& s = design.surf;
    writeGlass(s[1], glass, 1.0);
    writeAir(s[2], 1.0);
    writeAir(s[3], -1.0);  // the mirror
    design.sys.title = kTitle;
    design.sys.source = kSynthesisSource;
    s[2].nz = in.neutralZone;

    // Plate at the mirror's centre of curvature, two focal lengths in front.
    s[1].e = in.thickness;
    s[2].e = 2.0;
    s[1].r = s[2].r = kFlatRadius;
    s[3].r = kMirrorRadius;
    s[2].schmidt = 1.0;
    s[2].A2 = profile.A2;
    s[2].A4 = profile.A4;
    s[2].A6 = profile.A6;
    return commitDesign(ws, design, in.common.scale, {});
}

}  // namespace vn
