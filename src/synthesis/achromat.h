// Cemented achromat: two glasses in contact. The power split serves the
// longitudinal colour target, the bending (first curvature) the target of the
// third-order spherical aberration.
#pragma once

#include "synthesis/synthesis_frame.h"

namespace vn {

struct Workspace;
struct SynthesisState;

struct AchromatInputs {
    CommonInputs common{1500.0, 15.0, 1.0, 1000.0};
    double thickness1 = 0.02;      // "Dicke1", centre thickness of lens 1 (focal length 1)
    double thickness2 = 0.01;      // "Dicke2"
    double colourTarget = 0.0;     // Zc "Farblängsfehler"
    double sphericalTarget = 0.0;  // Zs "Öffnungsfehler"
};

// Thin-lens powers phi1 + phi2 = 1 whose colour sum phi1/v1 + phi2/v2 (the
// longitudinal colour of thin lenses in contact, relative to the focal
// length) equals Zc. NaN when v1 = v2.
long double achromatPowerSplit(long double v1, long double v2, long double colourTarget);

// Spherical aberration of the thin cemented doublet (object at infinity, stop
// at the lens) as a c1^2 + b c1 + gamma in its first curvature c1.
struct DoubletSpherical {
    long double a, b, gamma;
};
DoubletSpherical cementedDoubletSpherical(long double n1, long double n2, long double phi1,
                                          long double phi2);

// The thin solution: curvatures of the three surfaces and the solver outcome.
struct AchromatSolution {
    long double phi1 = 0, phi2 = 0;
    QuadraticCorrection correction;
    std::array<long double, 3> c{};  // surfaces 1..3
};

// "ok": glass check (slots 1 and 2), then the thin solution, written with the
// real thicknesses. The message is the solver's.
SynthesisResult synthesiseAchromat(const AchromatInputs& in, SynthesisState& state, Workspace& ws);

}  // namespace vn
