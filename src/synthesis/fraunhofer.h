// Fraunhofer doublet: two separate lenses with a small air gap. The power
// split serves the colour target as in the cemented achromat; the two free
// bendings serve the coma target (linear) and the spherical-aberration target
// (quadratic).
#pragma once

#include "synthesis/synthesis_frame.h"

namespace vn {

struct Workspace;
struct SynthesisState;

// The Fraunhofer dialog's second glass sits in slot 3.
inline constexpr int kFraunhoferSecondSlot = 3;

struct FraunhoferInputs {
    CommonInputs common{1500.0, 15.0, 1.0, 1000.0};
    double thickness1 = 0.02;      // "Dicke1" (focal length 1)
    double gap = 0.001;            // "Abstand", air gap between the lenses
    double thickness2 = 0.01;      // "Dicke2"
    double colourTarget = 0.0;     // Zc "Farblängsfehler"
    double sphericalTarget = 0.0;  // Zs "Öffnungsfehler"
    double comaTarget = 0.0;       // Zk "Koma"
};

// The thin solution: the curvatures of surfaces 1..4 and the solver outcome.
struct FraunhoferSolution {
    long double phi1 = 0, phi2 = 0;
    QuadraticCorrection correction;
    std::array<long double, 4> c{};
    std::string error;  // why there is none
};

// Thin lenses in contact, object at infinity: the coma condition fixes the
// second lens's bending c3 in terms of c1, and the spherical-aberration
// condition becomes a quadratic in c1.
FraunhoferSolution solveFraunhofer(long double n1, long double v1, long double n2, long double v2,
                                   const FraunhoferInputs& in);

// "ok": glass check (slots 1 and 3), the thin solution, written with the real
// thicknesses and gap. The message is the solver's.
SynthesisResult synthesiseFraunhofer(const FraunhoferInputs& in, SynthesisState& state,
                                     Workspace& ws);

}  // namespace vn
