// Internals shared by the paraxial evaluation and the aberration sums.
#pragma once

#include <array>
#include <cmath>

#include "model/system_model.h"
#include "optics/paraxial.h"

namespace vn::detail {

// Records the first zero denominator met in an evaluation instead of dividing
// by it, so that the evaluation can give up without touching the model.
class Checked {
public:
    double div(double a, double b, int surface, const char* reason) {
        if (b == 0.0) {
            fail(surface, reason);
            return 0.0;
        }
        return a / b;
    }
    void fail(int surface, const char* reason) {
        if (status_.ok) status_ = {false, surface, reason};
    }
    bool ok() const { return status_.ok; }
    const EvaluationStatus& status() const { return status_; }

private:
    EvaluationStatus status_;
};

// Values of the green colour pass on the normalised data that the aberration
// sums are built from; entries 1..N.
struct GreenPass {
    std::array<double, kTableSize> s{};       // object distance at surface i
    std::array<double, kTableSize> sPrime{};  // image distance after surface i
    std::array<double, kTableSize> h{};       // marginal height, h[1] = 1
    std::array<double, kTableSize> sigma{};   // stop-shift sum
    double L = 0.0;                           // focal length in green
};

// The five Seidel sums from the green pass, into `sums`.
void seidelSums(const SystemModel& m, const ParaxialData& q, const GreenPass& g,
                AberrationSums& sums, Checked& checked);
// The colour sums from the back focal distances and focal lengths of the three
// colours, into `sums`.
void colourSums(const ParaxialData& q, const GreenPass& g, AberrationSums& sums, Checked& checked);

inline constexpr const char* kReasonRadius = "der Radius ist 0";
inline constexpr const char* kReasonIndex = "die Brechzahl ist 0";
inline constexpr const char* kReasonConjugate = "Objekt- oder Bildweite ist genau 0";
inline constexpr const char* kReasonBackFocus = "die Schnittweite ist genau 0";
inline constexpr const char* kReasonFocal = "die Brennweite ist 0";
inline constexpr const char* kReasonSchmidtAir = "die Schmidt-Fläche liegt hinter Luft";
inline constexpr const char* kReasonTiltReflection =
    "die Neigung führt zur Totalreflexion der Achse";
inline constexpr const char* kReasonNonFinite = "ein Zwischenwert ist nicht endlich";

}  // namespace vn::detail
