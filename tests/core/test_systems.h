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

// Surface i as a mirror (indices -dir of entry i-1) in air, radius r, spacing e.
void setMirror(SystemModel& m, int i, double r, double e, double k = 0.0);

// The default mirror behind a flat air surface at the same place (the pupil)
// with the given medium ("Luft/Blende", "Luft/Obstr", ...) and limit h.
SystemModel mirrorBehind(const char* medium, double limit);

// A classical Cassegrain of focal length 1, f/10: paraboloid primary of focal
// length 0.4, hyperboloid secondary magnifying 2.5 times, focus 0.1 behind the
// primary. Pupil at the primary, object at infinity.
SystemModel cassegrain();

// A Newtonian of focal length 1, f/6: paraboloid primary and a flat diagonal at
// 45 degrees, 0.8 in front of the primary.
SystemModel newtonian();

// A Schmidt camera after the Schmidt synthesis: a plate of N-BK7 (thickness
// 0.02) whose second face carries the corrector profile for neutral zone
// 0.866, and a spherical mirror of radius -2 at distance 2. f/2.
SystemModel schmidtCamera();

// A thick biconvex-or-other singlet of N-BK7 with radii r1, r2 and centre
// thickness d, pupil at surface 1, object at infinity (focal length not 1).
SystemModel singlet(double r1, double r2, double d);

}  // namespace vn::test
