// The equivalent thin system of the Medial designs: third-order contributions
// of thin lenses and mirrors, the result record, and the secant search on the
// free height ratio tau that both designs run.
//
// Units: focal length 1, reduced ray slopes v (marginal ray of height 1 at the
// front lens), element powers phi. The lens blocks are the thin-lens
// third-order coefficients of a lens of index n in air, written in its first
// curvature c (the bending) and the slope v of the incoming ray (the
// conjugate); they are the classical stop-at-the-lens forms of the Seidel sums
// S I and S II (see e.g. Welford, Aberrations of Optical Systems, ch. 7).
#pragma once

#include <array>
#include <initializer_list>
#include <string>

#include "model/system_model.h"

namespace vn {

struct ThinElements {
    double n;  // index of the one glass (green)

    // Coefficient of c^2 in the spherical aberration of a lens of power phi.
    double Q(double phi) const { return phi * (n + 2.0) / n; }
    // Minus the coefficient of c.
    double L(double phi, double v) const {
        return phi * phi * (2.0 * n + 1.0) / (n - 1.0) + 4.0 * v * phi * (n + 1.0) / n;
    }
    // The constant term.
    double K(double phi, double v) const {
        const double a = n / (n - 1.0);
        return phi * phi * phi * a * a + v * phi * phi * (3.0 * n + 1.0) / (n - 1.0) +
               v * v * phi * (3.0 * n + 2.0) / n;
    }
    // Spherical aberration of a thin lens: Q c^2 - L c + K.
    double S(double phi, double v, double c) const {
        return Q(phi) * c * c - L(phi, v) * c + K(phi, v);
    }
    // Coma of a thin lens with the stop at the lens.
    double M(double phi, double v, double c) const {
        return -phi * phi * n / (n - 1.0) - v * phi * (2.0 * n + 1.0) / n + c * phi * (n + 1.0) / n;
    }
    // A spherical mirror of power phi met by a ray of slope v: spherical
    // aberration phi (v + phi/2)^2 and coma -phi (v + phi/2), with the stop at
    // the mirror.
    static double mirrorS(double phi, double v) { return phi * (v + phi / 2.0) * (v + phi / 2.0); }
    static double mirrorM(double phi, double v) { return -phi * (v + phi / 2.0); }
};

// Targets of the Medial dialogs.
struct MedialTargets {
    double longitudinalColour = 0.0;  // Z_A, "Farblängsfehler"
    double lateralColour = 0.0;       // Z_L, "Farbquerfehler"
    double spherical = 0.0;           // Z_S, "Öffnungsfehler"
    double coma = 0.0;                // Z_K, "Koma"
    double astigmatism = 0.0;         // Z_T, "Astigmatismus"
    double curvature = 0.0;           // Z_P, "Bildfeldkrümmung"
    double equivalentComa = 0.0;      // Z_E, "Sollwert" of the equivalent system
};

// "Korrektionsfläche Äquivalentsystem": the root of the front-lens equation and
// which air space corrects which colour error.
enum class CorrectionSurface { Surface1 = -1, Surface2 = 1 };

// The equivalent system as the thick system takes it over.
struct EquivalentSystem {
    std::array<double, kTableSize> r{};   // radii of surfaces 1..N
    double D1 = 0.0, D2 = 0.0, D3 = 0.0;  // front lens-Mangin, Mangin-next, secondary-field lens
    double phiF = 0.0, phiL = 0.0;        // powers of the front lens and the field lens
    double coma = 0.0;                    // M_E of the fourth pass: the "Istwert"
    double tau = 0.0;                     // tau of the last pass
};

// Secant search on tau for the equivalent coma: five passes; from the second
// on, the step becomes (M - Z) step / (M_prev - M). A search that has stalled
// (two equal values) keeps tau instead of dividing by zero.
struct TauSecant {
    double tau;
    double step = 1e-4;
    double previous = 0.0;

    void advance(int pass, double coma, double target) {
        if (pass > 0) {
            const double denominator = previous - coma;
            step = denominator != 0.0 ? (coma - target) * step / denominator : 0.0;
        }
        tau += step;
        previous = coma;
    }
};

// The front lens bent for the spherical-aberration target: a c^2 + 2 b c + S_T
// = 0 with a = Q(phi_F), b = -L(phi_F, 0)/2; the vertex -b/a when there is no
// real root, else the root picked by sigma.
double frontLensCurvature(const ThinElements& t, double phiF, double sT, CorrectionSurface sigma);

// Why a square root of the equivalent system has no real value at tau.
std::string negativeRootMessage(const char* what, double tau);

// Checks one pass of an equivalent-system solution; names what failed.
std::string checkEquivalentPass(double tau, std::initializer_list<double> values);

}  // namespace vn
