// Dispersion formulas of the glass media and the recomputation of a surface's
// indices from its coefficients and the system wavelengths.
#pragma once

#include <array>

#include "model/system_model.h"

namespace vn {

using GlassCoefficients = std::array<double, 6>;

// Sellmeier: n^2 = 1 + K1 L/(L - K4) + K2 L/(L - K5) + K3 L/(L - K6), L = lambda^2,
// lambda in micrometres, K4..K6 in square micrometres.
double sellmeierIndexSquared(const GlassCoefficients& k, double lambda);

// Power series in L = lambda^2:
// n^2 = K1 + K2 L + K3/L + K4/L^2 + K5/L^3 + K6/L^4.
double powerSeriesIndexSquared(const GlassCoefficients& k, double lambda);

// The positive index of a formula, or NaN where n^2 is not positive.
double indexFromSquared(double nSquared);

// Recomputes the three indices of a "Sel"/"Dsp" or "Cau"/"Schott" medium from
// its coefficients at the given wavelengths (power series wins when both tags
// appear). Each index keeps the sign it had, so the direction of travel does not
// change. "n/L" and all other media are left alone, and so is any colour whose
// formula gives no real index (n^2 <= 0, for a wavelength on a pole or outside
// the formula's range).
void RecomputeIndices(Surface& s, const std::array<double, 3>& wavelength);

// RecomputeIndices for entries 0..N+1.
void RecomputeAllIndices(SystemModel& m);

// Wavelength tolerance within which an "n/L" medium counts as measured at the
// system wavelength, micrometres.
inline constexpr double kWavelengthTolerance = 0.001;

// Sets the lambdaMismatch flags of an "n/L" medium whose name has no "Luft":
// a colour is flagged when the stored wavelength (K4 red, K5 green, K6 blue)
// differs from the system wavelength by more than the tolerance.
void markWavelengthMismatch(Surface& s, const std::array<double, 3>& wavelength);

}  // namespace vn
