// Angle units: the model holds angles in degrees, the computations in radians.
#pragma once

#include <numbers>

namespace vn {

inline constexpr double kDegree = std::numbers::pi / 180.0;  // radians per degree
// Radians per arcsecond (pi / 648000), with the digits the PSF scale was
// defined with.
inline constexpr double kArcsecond = 4.84813681109536e-06;

}  // namespace vn
