// The correction of a Medial design on the thick system: the equivalent thin
// system is solved in closed form, then nested loops of trial evaluations
// bring the thick system to the targets:
//
//   outer  (at most 51 passes)  the coma, by an offset on tau with a sign
//                               change and a final linear interpolation;
//   middle (at most 101 passes) astigmatism by the bending of the field lens
//                               and spherical aberration by a fixed bending
//                               step of the front lens, to 1e-4;
//   inner  (at most 101 passes) longitudinal and lateral colour by the two air
//                               spaces around the Mangin mirror, to 5e-7.
//
// Each loop ends at its pass limit whatever its values do, so no value (not
// even NaN) can make it spin.
#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

#include "model/system_model.h"
#include "synthesis/medial_equivalent.h"
#include "synthesis/synthesis_frame.h"

namespace vn {

// What differs between the Medial-Cassegrain and the Medial-Triplet.
struct MedialProblem {
    double n = 1.5;   // green index of the glass
    double L1 = 1.0;  // reduced distance front lens-Mangin of the equivalent system
    double w1 = 1.0;  // start scale ratios equivalent / real of the two air spaces
    double w2 = 1.0;
    int fieldLens = 7;  // first surface of the field lens
    // +1, or -1 where the field lens is passed backwards and its radii are
    // stored with reversed sign.
    double fieldLensSign = 1.0;
    MedialTargets targets;
    CorrectionSurface sigma = CorrectionSurface::Surface2;
    // GetEquSys for an offset on tau; returns why it has no solution, or empty.
    std::function<std::string(double tauOffset, EquivalentSystem&)> solveEquivalent;
    // Writes the radii of the equivalent system and the distances of the thick
    // system for the scale g = D1/L1 and the air spaces A1, A2.
    std::function<void(SystemModel&, const EquivalentSystem&, double g, double A1, double A2)>
        writeGeometry;
};

struct MedialOutcome {
    bool ok = false;
    std::string message;                   // why the design failed
    std::optional<double> equivalentComa;  // the "Istwert" of the last equivalent system
    int evaluations = 0;                   // trial evaluations run
};

// Runs the correction on `design`, which holds the surfaces, media and indices
// of the design. On success `design` is the corrected system.
//
// The trial evaluations leave the stored lengths alone whatever the design
// mode: the sums are independent of the scale, and a design rescaled under
// the loops would no longer match their air spaces and bendings. The run
// cycle applies the design mode to the finished system.
MedialOutcome correctMedial(const MedialProblem& problem, SystemModel& design);

struct MedialSynthesisResult : SynthesisResult {
    std::optional<double> equivalentComa;  // "Istwert" of the equivalent system
    int evaluations = 0;
};

// Why the ratios of the reduced distances give no equivalent system (one of
// them zero or not finite), or empty.
std::string checkReducedRatios(std::initializer_list<double> ratios);

// Runs the correction on `design` and, when it holds, writes it into the
// workspace with the drawing scale; otherwise nothing changes.
MedialSynthesisResult correctAndCommit(const MedialProblem& problem, SystemModel& design,
                                       Workspace& ws, double scale);

}  // namespace vn
