#include "model/glass.h"

#include <cmath>

#include "model/medium.h"

namespace vn {

double sellmeierIndexSquared(const GlassCoefficients& k, double lambda) {
    const double L = lambda * lambda;
    return 1.0 + k[0] * L / (L - k[3]) + k[1] * L / (L - k[4]) + k[2] * L / (L - k[5]);
}

double powerSeriesIndexSquared(const GlassCoefficients& k, double lambda) {
    const double L = lambda * lambda;
    const double L2 = L * L;
    return k[0] + k[1] * L + k[2] / L + k[3] / L2 + k[4] / (L2 * L) + k[5] / (L2 * L2);
}

double indexFromSquared(double nSquared) {
    return nSquared > 0.0 && std::isfinite(nSquared) ? std::sqrt(nSquared) : std::nan("");
}

void RecomputeIndices(Surface& s, const std::array<double, 3>& wavelength) {
    const unsigned tags = mediumTags(s.medium);
    double (*formula)(const GlassCoefficients&, double) = nullptr;
    if (tags & kSellmeierTags) formula = sellmeierIndexSquared;
    if (tags & kPowerSeriesTags) formula = powerSeriesIndexSquared;
    if (!formula) return;
    for (size_t c = 0; c < 3; ++c) {
        const double n = indexFromSquared(formula(s.coef, wavelength[c]));
        if (std::isfinite(n)) s.n[c] = std::copysign(n, s.n[c]);
    }
}

void RecomputeAllIndices(SystemModel& m) {
    for (int i = 0; i <= m.N() + 1; ++i)
        RecomputeIndices(m.surf[static_cast<size_t>(i)], m.sys.wavelength);
}

void markWavelengthMismatch(Surface& s, const std::array<double, 3>& wavelength) {
    const unsigned tags = mediumTags(s.medium);
    if (!(tags & kTagTabulated) || (tags & kTagAir)) return;
    // K4..K6 hold the wavelengths in the order red, green, blue.
    const double stored[3] = {s.coef[3], s.coef[5], s.coef[4]};  // by colour - 1
    for (size_t c = 0; c < 3; ++c)
        if (std::fabs(stored[c] - wavelength[c]) > kWavelengthTolerance) s.lambdaMismatch[c] = true;
}

}  // namespace vn
