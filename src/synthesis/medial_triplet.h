// Medial-Triplet: a catadioptric objective of one glass without a secondary
// mirror. A front lens, a Mangin mirror (passed twice) and a field lens that
// the light crosses on its way back from the Mangin mirror.
#pragma once

#include <optional>

#include "synthesis/medial_cassegrain.h"
#include "synthesis/medial_equivalent.h"
#include "synthesis/synthesis_frame.h"

namespace vn {

struct Workspace;
struct SynthesisState;

struct MedialTripletInputs {
    CommonInputs common{750.0, 2.5, 5.0, 500.0};
    double frontThickness = 0.02;       // t1 "Dicke der Frontlinse"
    double manginDistance = 0.9;        // a1 "Abstand Mangin-Spiegel"
    double manginThickness = 0.04;      // t2 "Dicke Mangin-Spiegel"
    double fieldLensDistance = 0.88;    // a2 "Abstand Feldlinse"
    double fieldLensThickness = 0.025;  // t3 "Dicke Feldlinse"
    MedialTargets targets;
    CorrectionSurface correction = CorrectionSurface::Surface1;
};

struct MedialTripletEquivalentInputs {
    double n = 1.52;
    double rho = 1.0;  // distance ratio L2/L1
    double tauOffset = 0.0;
    MedialTargets targets;
    CorrectionSurface sigma = CorrectionSurface::Surface1;
};

// GetEquSys of the triplet: tau starts at the tabulated value for (n, rho),
// four secant passes bring the coma to the "Sollwert", the fifth (with the
// offset) gives the radii of surfaces 1..7 and the distances D1, D2.
std::string medialTripletEquivalent(const MedialTripletEquivalentInputs& in, EquivalentSystem& out);

struct MedialTripletReduced {
    double L1, L2;
};
MedialTripletReduced medialTripletReduced(const MedialTripletInputs& in);

MedialSynthesisResult synthesiseMedialTriplet(const MedialTripletInputs& in, SynthesisState& state,
                                              Workspace& ws);

}  // namespace vn
