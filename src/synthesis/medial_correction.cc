#include "synthesis/medial_correction.h"

#include <cmath>

#include "model/number_format.h"
#include "optics/paraxial.h"
#include "synthesis/synthesis_frame.h"

namespace vn {
namespace {

constexpr int kOuterPasses = 51;
constexpr int kMiddlePasses = 101;
constexpr int kInnerPasses = 101;

constexpr double kColourTolerance = 5e-7;          // inner loop: both colours this close
constexpr double kColourFailure = 1e-3;            // a colour this far off fails the design
constexpr double kAstigSphericalTolerance = 1e-4;  // middle loop
constexpr double kColourStepSurface2 = 1e-4;       // trial step of the air spaces
constexpr double kColourStepSurface1 = 5e-5;
constexpr double kFieldLensTrial = 0.001;  // trial change of the field lens curvature
constexpr double kFrontLensStep = 0.005;   // bending step of the front lens
constexpr double kComaStep = 0.002;        // first step of the offset on tau

bool near(double value, double target, double tolerance) {
    return std::fabs(value - target) <= tolerance;
}

// The trial evaluations of the loops, on the design itself.
class Trial {
public:
    explicit Trial(SystemModel& m) : m_(m) {}

    // Evaluates; false (with the reason kept) when the system or the sums the
    // loops steer by cannot be computed.
    bool run() {
        ++count;
        status = EvaluateSystem(m_, false, paraxial_, sums);
        return status.ok && status.seidelComputable;
    }

    AberrationSums sums;
    EvaluationStatus status;
    int count = 0;

private:
    SystemModel& m_;
    ParaxialData paraxial_;
};

// A lens given by its first curvature c and its power phi: the second face
// has curvature c - phi/(n - 1). `sign` -1 stores both radii reversed.
void setLens(SystemModel& m, int first, double sign, double c, double phi, double n) {
    m.surf[idx(first)].r = sign * radiusOf(c);
    m.surf[idx(first + 1)].r = sign * radiusOf(c - phi / (n - 1.0));
}

// What a finished correction did not reach, or empty when every loop ended
// on its own rule: the colours when the last colour loop did not converge;
// spherical aberration and astigmatism when they end outside the middle
// loop's tolerance; the coma when its loop ran out of passes before it crossed
// the target (its rule has no tolerance: a crossing is followed by one
// interpolated pass and the end).
std::string residualMessage(const AberrationSums& sums, const MedialTargets& z,
                            bool colourConverged, bool comaFinished) {
    std::string message;
    if (!colourConverged)
        message = "Farbkorrektur nicht konvergiert: Farblängsfehler " +
                  fmt::general(sums.chromatic, 6) + ", Farbquerfehler " +
                  fmt::general(sums.lateralColour, 6) + ".";
    struct Residual {
        const char* name;
        double value, target;
        bool reached;
    };
    const Residual seidel[] = {
        {"Öffnungsfehler", sums.spherical, z.spherical,
         std::fabs(sums.spherical - z.spherical) < kAstigSphericalTolerance},
        {"Astigmatismus", sums.astigmatism, z.astigmatism,
         std::fabs(sums.astigmatism - z.astigmatism) < kAstigSphericalTolerance},
        {"Koma", sums.coma, z.coma, comaFinished},
    };
    std::string missed;
    for (const Residual& r : seidel) {
        if (r.reached) continue;
        missed += missed.empty() ? " " : ", ";
        missed += std::string(r.name) + " " + fmt::general(r.value, 6) + " statt " +
                  fmt::general(r.target, 6);
    }
    if (!missed.empty()) {
        if (!message.empty()) message += " ";
        message += "Korrektur nicht erreicht:" + missed + ".";
    }
    return message;
}

}  // namespace

double frontLensCurvature(const ThinElements& t, double phiF, double sT, CorrectionSurface sigma) {
    const double a = t.Q(phiF);
    const double b = -0.5 * t.L(phiF, 0.0);
    const double ba = b / a;
    if (sT / a > ba * ba) return -ba;  // no real root: the bending closest to the target
    return static_cast<double>(sigma) * std::sqrt(ba * ba - sT / a) - ba;
}

std::string negativeRootMessage(const char* what, double tau) {
    return std::string("Keine Lösung: die Wurzel für ") + what +
           " ist negativ (τ = " + fmt::general(tau, 6) +
           "). Andere Zielwerte oder Abstände wählen; nichts wurde geändert.";
}

std::string checkEquivalentPass(double tau, std::initializer_list<double> values) {
    if (std::fabs(1.0 - tau) < 1e-12)
        return "τ erreicht 1: die Frontlinse hätte keine Brechkraft. "
               "Andere Abstände oder Zielwerte wählen; nichts wurde geändert.";
    for (double v : values) {
        if (!std::isfinite(v))
            return "Das Äquivalentsystem ist bei τ = " + fmt::general(tau, 6) +
                   " nicht lösbar (Division durch null). Andere Abstände oder "
                   "Zielwerte wählen; nichts wurde geändert.";
    }
    return {};
}

MedialOutcome correctMedial(const MedialProblem& p, SystemModel& m) {
    MedialOutcome out;
    Trial trial(m);
    const MedialTargets& z = p.targets;
    auto notComputable = [&] {
        out.message = describe(trial.status) + " (während der Korrektur; nichts wurde geändert)";
        out.evaluations = trial.count;
        return out;
    };
    const AberrationSums& sums = trial.sums;
    Surface& airBefore = m.surf[2];  // front lens to Mangin mirror
    Surface& airAfter = m.surf[5];   // Mangin mirror to the next element, backwards

    double w1 = p.w1, w2 = p.w2;
    bool colourConverged = true;  // the last colour loop ended within its tolerance
    double offset = 0.0, step = kComaStep, previousComa = 0.0;
    bool firstOuter = true, crossed = false, firstInner = true;
    bool comaFinished = false;  // the coma loop ended by its own rule, not its pass limit
    EquivalentSystem eq;

    for (int outer = 1; outer <= kOuterPasses; ++outer) {
        const std::string error = p.solveEquivalent(offset, eq);
        out.equivalentComa = eq.coma;
        if (!error.empty()) {
            out.message = error;
            return out;
        }
        const bool crossedBefore = crossed;
        double A1 = eq.D1 / w1, A2 = eq.D2 / w2;
        p.writeGeometry(m, eq, eq.D1 / p.L1, A1, A2);

        double astigmatism = 1.0, spherical = 1.0;
        for (int middle = 1; !(std::fabs(astigmatism - z.astigmatism) < kAstigSphericalTolerance &&
                               std::fabs(spherical - z.spherical) < kAstigSphericalTolerance);
             ++middle) {
            // Colour: the air space before the Mangin mirror and the one
            // behind it move the red and blue foci against each other.
            double longitudinal = 1.0, lateral = 1.0;
            for (int inner = 1; !(near(longitudinal, z.longitudinalColour, kColourTolerance) &&
                                  near(lateral, z.lateralColour, kColourTolerance));
                 ++inner) {
                if (!trial.run()) return notComputable();
                double A0 = sums.chromatic, C0 = sums.lateralColour;
                if (p.sigma == CorrectionSurface::Surface2) {
                    const double h = kColourStepSurface2;
                    airBefore.e = A1 + h;
                    if (!trial.run()) return notComputable();
                    double slope = (sums.chromatic - A0) / h;
                    if (slope != 0.0) A1 -= (A0 - z.longitudinalColour) / slope;
                    airBefore.e = A1;
                    if (!trial.run()) return notComputable();
                    C0 = sums.lateralColour;
                    airAfter.e = -(A2 + h);
                    if (!trial.run()) return notComputable();
                    slope = (sums.lateralColour - C0) / h;
                    if (slope != 0.0) A2 -= (C0 - z.lateralColour) / slope;
                } else {
                    const double h = kColourStepSurface1;
                    airBefore.e = A1 + h;
                    if (!trial.run()) return notComputable();
                    double slope = (sums.lateralColour - C0) / h;
                    if (slope != 0.0) A1 -= (C0 - z.lateralColour) / slope;
                    airBefore.e = A1;
                    if (!trial.run()) return notComputable();
                    A0 = sums.chromatic;
                    airAfter.e = -(A2 + h);
                    if (!trial.run()) return notComputable();
                    slope = (sums.chromatic - A0) / h;
                    if (slope != 0.0) A2 -= (A0 - z.longitudinalColour) / slope;
                }
                airBefore.e = A1;
                airAfter.e = -A2;
                if (!trial.run()) return notComputable();
                longitudinal = sums.chromatic;
                lateral = sums.lateralColour;
                // The very first pass starts from the uncorrected system; after
                // it the colours must stay near their targets.
                if (!firstInner && (!near(longitudinal, z.longitudinalColour, kColourFailure) ||
                                    !near(lateral, z.lateralColour, kColourFailure))) {
                    out.message = "Farbkorrektur nicht erreicht: Farblängsfehler " +
                                  fmt::general(longitudinal, 6) + ", Farbquerfehler " +
                                  fmt::general(lateral, 6) +
                                  " (mehr als 0.001 vom Zielwert). Nichts wurde geändert.";
                    out.evaluations = trial.count;
                    return out;
                }
                firstInner = false;
                if (inner == kInnerPasses) break;
            }
            colourConverged = near(longitudinal, z.longitudinalColour, kColourTolerance) &&
                              near(lateral, z.lateralColour, kColourTolerance);
            w1 = eq.D1 / A1;
            w2 = eq.D2 / A2;

            // Astigmatism by the bending of the field lens (power kept): one
            // trial step of its first curvature and a linear step to the target.
            if (!trial.run()) return notComputable();
            const double T0 = sums.astigmatism;
            const double c7 = p.fieldLensSign / m.surf[idx(p.fieldLens)].r;
            setLens(m, p.fieldLens, p.fieldLensSign, c7 + kFieldLensTrial, eq.phiL, p.n);
            if (!trial.run()) return notComputable();
            const double T1 = sums.astigmatism;
            const double dc = T1 != T0 ? -(T0 - z.astigmatism) * kFieldLensTrial / (T1 - T0) : 0.0;
            setLens(m, p.fieldLens, p.fieldLensSign, c7 + dc, eq.phiL, p.n);

            // Spherical aberration by a fixed bending step of the front lens,
            // in the direction that comes closer to the target.
            if (!trial.run()) return notComputable();
            const double S0 = sums.spherical;
            const double c1 = 1.0 / m.surf[1].r;
            setLens(m, 1, 1.0, c1 - kFrontLensStep, eq.phiF, p.n);
            if (!trial.run()) return notComputable();
            if (std::fabs(sums.spherical - z.spherical) > std::fabs(S0 - z.spherical))
                setLens(m, 1, 1.0, c1 + kFrontLensStep, eq.phiF, p.n);

            if (!trial.run()) return notComputable();
            astigmatism = sums.astigmatism;
            spherical = sums.spherical;
            if (middle == kMiddlePasses) break;
        }

        // Coma by the offset on tau: keep the direction while the coma comes
        // closer; once it crosses the target, interpolate linearly and stop
        // after one more pass.
        const double K = sums.coma - z.coma;
        const double previous = previousComa - z.coma;
        if (!firstOuter && !(previous / K >= 0.0)) crossed = true;
        if (!firstOuter && !crossed && std::fabs(K) > std::fabs(previous)) step = -step;
        if (crossed) step = -std::fabs(K / (K - previous)) * step;
        if (!std::isfinite(step)) step = 0.0;  // both on target: nothing left to move
        offset += step;
        previousComa = sums.coma;
        firstOuter = false;
        if (crossedBefore) {
            comaFinished = true;
            break;
        }
    }
    out.ok = true;
    out.evaluations = trial.count;
    // Written all the same, as the loops keep their last state; the message
    // names what the last evaluation (the design's) leaves off its target.
    out.message = residualMessage(sums, z, colourConverged, comaFinished);
    return out;
}

std::string checkReducedRatios(std::initializer_list<double> ratios) {
    for (double v : ratios) {
        if (!std::isfinite(v) || v == 0.0)
            return "Die Abstände ergeben kein Äquivalentsystem (ein Abstand oder eine "
                   "reduzierte Distanz ist 0); nichts wurde geändert.";
    }
    return {};
}

MedialSynthesisResult correctAndCommit(const MedialProblem& problem, SystemModel& design,
                                       Workspace& ws, double scale) {
    MedialSynthesisResult result;
    const MedialOutcome outcome = correctMedial(problem, design);
    result.equivalentComa = outcome.equivalentComa;
    result.evaluations = outcome.evaluations;
    if (!outcome.ok) {
        result.message = outcome.message;
        return result;
    }
    static_cast<SynthesisResult&>(result) = commitDesign(ws, design, scale, outcome.message);
    return result;
}

}  // namespace vn
