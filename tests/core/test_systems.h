// Small optical systems built in code for the tests.
#pragma once

#include <string>

#include "model/glass.h"
#include "model/system_model.h"

namespace vn::test {

// Published Sellmeier coefficients of SCHOTT N-BK7 and N-F2 (B1..B3, C1..C3 in
// square micrometres).
inline constexpr GlassCoefficients kNBK7 = {1.03961212,    0.231792344,  1.01046945,
                                            0.00600069867, 0.0200179144, 103.560653};
inline constexpr GlassCoefficients kNF2 = {1.39757037,    0.159201403,  1.2686543,
                                           0.00995906143, 0.0546931752, 119.248346};

// The default system: a concave spherical mirror of focal length 1, pupil at
// the mirror, object at infinity.
SystemModel defaultSystem();

// A single mirror of radius -2 with conic constant k.
SystemModel mirror(double k);

// Makes entry i a glass medium with the given Sellmeier coefficients, its
// indices computed at the system wavelengths and the sign of `dir`.
void setGlass(SystemModel& m, int i, const GlassCoefficients& k, const std::string& name,
              double dir = 1.0);

// Makes entry i air (indices +-1) with the given direction.
void setAir(SystemModel& m, int i, double dir = 1.0);

// A thick biconvex-or-other singlet of N-BK7 with radii r1, r2 and centre
// thickness d, pupil at surface 1, object at infinity (focal length not 1).
SystemModel singlet(double r1, double r2, double d);

}  // namespace vn::test
