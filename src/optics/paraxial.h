// First-order (paraxial) evaluation of the current system, with the third-order
// and first-order colour aberration sums computed in the same run.
#pragma once

#include <array>
#include <string>

#include "model/system_model.h"

namespace vn {

// Results of the paraxial evaluation, in the normalised length units of the
// model. Per-surface arrays are indexed by table entry.
struct ParaxialData {
    double backFocus = -1.0;                    // s'_N of the green pass with the real object
    double focusSign = -1.0;                    // sign of backFocus
    double signedFocal = -1.0;                  // |normFocal| x focusSign
    double exitPupilDistance = 0.0;             // exit pupil to paraxial image plane
    double axisDeviation = 0.0;                 // deviation of the axis by tilted surfaces, radians
    double objectDistanceF = 0.0;               // objectDistance / normFocal
    double entrancePupilF = 0.0;                // entrancePupil / normFocal
    std::array<double, kTableSize> rF{}, eF{};  // r, e / normFocal
    std::array<double, kTableSize> A2F{}, A4F{}, A6F{};  // A2 F, A4 F^3, A6 F^5
    // Paraxial marginal-ray height in green, 1 at surface 1; entry 0 is the
    // entrance-pupil plane, entry N+1 is set by the run cycle to the paraxial
    // image-field radius on the same scale.
    std::array<double, kTableSize> marginalHeight{};
    double focalRed = 0.0, focalBlue = 0.0;  // L of the red and blue passes
    double backFocusRed = 0.0, backFocusBlue = 0.0, backFocusGreen = 0.0;
    bool mirrorFound = false;  // a reflecting surface among 1..N-1
    int primaryMirror = 0;     // first surface after which light runs backwards
    int secondaryMirror = 0;   // the mirror that follows the primary
    int doublePass = 0;        // 1 when the primary is a back-surface (Mangin) mirror
    std::array<double, kTableSize> bendCurvature{};  // curvature differences for bending
    int paraxialColour = kGreen;
};

// Seidel sums and first-order colour errors, single precision as the display
// and the synthesis targets use them.
struct AberrationSums {
    float spherical = 0.0f;      // S I ("Öffng")
    float coma = 0.0f;           // S II ("Koma")
    float astigmatism = 0.0f;    // S III ("Astig")
    float curvature = 0.0f;      // 2 S III + S IV, medial image curvature ("Krümm")
    float distortion = 0.0f;     // S V ("Verz")
    float chromatic = 0.0f;      // longitudinal colour, red - blue ("Chr")
    float secondary = 0.0f;      // secondary spectrum ("Sek")
    float lateralColour = 0.0f;  // chromatic difference of focal length ("CVD")
};

// Why an evaluation could not be carried out. The model and the previous
// results are left as they were.
//
// A system whose first-order data are computable but whose Seidel sums are
// not (a Schmidt surface behind air divides by n - 1 = 0) counts as evaluated:
// `ok` is set, everything else is written, the five Seidel sums are 0 and
// `seidelComputable` is clear with the surface and reason of the first failure.
struct EvaluationStatus {
    bool ok = true;
    int surface = 0;               // table entry where it failed, 0 when not tied to one
    const char* reason = nullptr;  // German text for the user, static storage
    bool seidelComputable = true;
    int seidelSurface = 0;
    const char* seidelReason = nullptr;
};

// Evaluates the system paraxially in the three colours and computes the
// aberration sums. On success it writes e[0] = -entrancePupil, normFocal,
// fNumber and focalLength into the model, and in the fixed-focal-length mode
// (`fixedFocal`) rescales the stored r, e, A2, A4, A6 to focal length 1.
// A system that makes a denominator zero or a value non-finite in the
// first-order data or the colour sums changes nothing and is reported as not
// computable; one that does so only in the Seidel sums is evaluated without
// them (see EvaluationStatus). Allocates nothing.
EvaluationStatus EvaluateSystem(SystemModel& m, bool fixedFocal, ParaxialData& p,
                                AberrationSums& sums);

// The message shown for a failed evaluation, or for Seidel sums that are not
// computable; empty when everything was computed.
std::string describe(const EvaluationStatus& status);

// arctan(x / sqrt(1 - x^2)); NaN for |x| > 1.
double ArcSin(double x);
// sin(x) / cos(x).
double Tan(double x);

}  // namespace vn
