// Schmidt camera: a plane-parallel corrector plate whose second face carries
// the Schmidt profile, followed at twice the focal length by a spherical
// mirror of focal length 1 (radius -2), with the stop at the plate.
#pragma once

#include "synthesis/synthesis_frame.h"

namespace vn {

struct Workspace;
struct SynthesisState;

struct SchmidtInputs {
    CommonInputs common{500.0, 2.0, 6.0, 300.0};
    double thickness = 0.01;       // "Dicke", corrector thickness (focal length 1)
    double neutralZone = 0.866;    // "NZ": neutral-zone height / aperture radius
    double sphericalTarget = 0.0;  // "Öffnungsfehler": read and kept, not used by the design
    double comaTarget = 0.0;       // "Koma": read and kept, not used by the design
};

// The corrector profile z = A2 y^2 + A4 y^4 + A6 y^6 on the plate's second face.
struct SchmidtProfile {
    double h = 0.0;  // height of the neutral zone, nu/(2F)
    double H = 0.0;  // h^2
    double s = 0.0;  // (h/rho)^2
    double L = 0.0;  // centre of curvature to the axis crossing of the zonal ray
    double Q = 0.0;  // sag of the profile at the neutral zone
    double A2 = 0.0, A4 = 0.0, A6 = 0.0;
    std::string error;  // why there is no profile
};

// Profile for a plate of index n in front of a mirror of radius rho, f-number
// F and neutral zone nu.
SchmidtProfile schmidtProfile(double n, double fNumber, double neutralZone, double rho = -2.0);

// "ok": glass check (slot 1), then plate and mirror. No message on success.
SynthesisResult synthesiseSchmidtCamera(const SchmidtInputs& in, SynthesisState& state,
                                        Workspace& ws);

}  // namespace vn
