// Medial-Cassegrain: a catadioptric Cassegrain of one glass. A front lens, a
// Mangin mirror (a lens silvered on its back face and passed twice), a
// secondary mirror and a field lens in front of the image.
#pragma once

#include <optional>

#include "synthesis/medial_correction.h"
#include "synthesis/medial_equivalent.h"
#include "synthesis/synthesis_frame.h"

namespace vn {

struct Workspace;
struct SynthesisState;

struct MedialCassegrainInputs {
    CommonInputs common{1000.0, 3.33, 4.0, 1000.0};
    double frontThickness = 0.015;     // t1 "Dicke der Frontlinse"
    double manginDistance = 0.35;      // a1 "Abstand Mangin-Spiegel"
    double manginThickness = 0.025;    // t2 "Dicke Mangin-Spiegel"
    double secondaryDistance = 0.35;   // a2 "Abstand Fangspiegel"
    double secondaryPower = -3.0;      // P  "Brechkraft Fangspiegel", relative to the front lens
    double fieldLensDistance = 0.35;   // a3 "Abstand Feldlinse"
    double fieldLensThickness = 0.04;  // t3 "Dicke Feldlinse"
    MedialTargets targets;
    CorrectionSurface correction = CorrectionSurface::Surface2;
    bool flatField = true;    // "Flat Field": the back focus follows the curvature target
    double backFocus = 0.12;  // "bfl" with "FreeField"
};

// Inputs of GetEquSys.
struct MedialCassegrainEquivalentInputs {
    double n = 1.52;
    double P = -3.0;
    double rho1 = 1.0, rho2 = 1.0;  // distance ratios L2/L1 and L3/L2
    double tauOffset = 0.0;         // added to tau in the last pass
    MedialTargets targets;
    CorrectionSurface sigma = CorrectionSurface::Surface2;
    bool flatField = true;
    double backFocus = 0.12;
};

// The equivalent thin system (GetEquSys): tau starts at 0.89 and four secant
// passes bring its coma to the "Sollwert"; the fifth pass, with the offset,
// gives the radii of surfaces 1..8 and the distances. Returns why there is
// no solution (a negative square root, tau at 1, a division by zero), or empty.
std::string medialCassegrainEquivalent(const MedialCassegrainEquivalentInputs& in,
                                       EquivalentSystem& out);

// Reduced distances of the equivalent system from the thick inputs.
struct MedialCassegrainReduced {
    double L1, L2, L3;
};
MedialCassegrainReduced medialCassegrainReduced(const MedialCassegrainInputs& in);

// "ok": glass check (slot 1), then the equivalent system and the correction
// loops on a copy; only a design whose colour correction holds is written.
MedialSynthesisResult synthesiseMedialCassegrain(const MedialCassegrainInputs& in,
                                                 SynthesisState& state, Workspace& ws);

}  // namespace vn
