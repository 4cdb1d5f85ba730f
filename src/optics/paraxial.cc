#include "optics/paraxial.h"

#include <cmath>
#include <numbers>

#include "optics/evaluation_detail.h"

namespace vn {
namespace {

using detail::Checked;

constexpr double kVertexDistance = 0.0001;  // object this close to a vertex lies on it
constexpr double kFlatMirrorRadius = 100000.0;
constexpr double kPupilImageDistance = -1e12;  // pass 1: a very distant object
// A rescale by less than this leaves the results as they are.
constexpr double kRescaleTolerance = 1e-12;

// The surface data one pass works on: stored or normalised.
struct PassData {
    const std::array<double, kTableSize>* r;
    const std::array<double, kTableSize>* e;
    const std::array<double, kTableSize>* A2;
};

// One refraction n'/s' - n/s = (n' - n) cv solved for s', with the paraxial
// curvature cv = 1/r + 2 A2. A mirror needs no special case: its index ratio
// is -1. An object at the vertex is imaged onto the vertex.
double imageDistance(double s, double r, double A2, double nBefore, double nAfter, int i,
                     Checked& c) {
    if (std::fabs(s) < kVertexDistance) return s * c.div(nAfter, nBefore, i, detail::kReasonIndex);
    const double cv = c.div(1.0, r, i, detail::kReasonRadius) + 2.0 * A2;
    const double ratio = c.div(nBefore, nAfter, i, detail::kReasonIndex);
    return c.div(1.0, cv - ratio * (cv - c.div(1.0, s, i, detail::kReasonConjugate)), i,
                 detail::kReasonConjugate);
}

// s'_i / s_i, the factor by which surface i scales the image; at an object on
// the vertex exactly it is the limit n_i / n_{i-1}.
double magnification(double s, double sPrime, double nBefore, double nAfter, int i, Checked& c) {
    if (s == 0.0) return c.div(nAfter, nBefore, i, detail::kReasonIndex);
    return sPrime / s;
}

struct ColourPass {
    std::array<double, kTableSize> s{}, sPrime{};
    double L = 0.0;  // lateral magnification times object distance
};

// Traces the paraxial marginal ray through surfaces 1..N in one colour starting
// with object distance s1 at surface 1.
ColourPass paraxialPass(const SystemModel& m, const PassData& d, int colour, double s1,
                        Checked& c) {
    ColourPass pass;
    const int N = m.N();
    const size_t col = idx(colourIndex(colour));
    pass.L = c.div(m.surf[0].n[col], m.surf[idx(N)].n[col], N, detail::kReasonIndex) * s1;
    double s = s1;
    for (int i = 1; i <= N; ++i) {
        const double nBefore = m.surf[idx(i - 1)].n[col];
        const double nAfter = m.surf[idx(i)].n[col];
        const double sPrime =
            imageDistance(s, (*d.r)[idx(i)], (*d.A2)[idx(i)], nBefore, nAfter, i, c);
        pass.s[idx(i)] = s;
        pass.sPrime[idx(i)] = sPrime;
        pass.L *= magnification(s, sPrime, nBefore, nAfter, i, c);
        s = sPrime - (*d.e)[idx(i)];
    }
    return pass;
}

template <size_t Size>
bool allFinite(const std::array<double, Size>& a, int last) {
    for (int i = 0; i <= last; ++i)
        if (!std::isfinite(a[idx(i)])) return false;
    return true;
}

bool finiteSeidel(const AberrationSums& s) {
    const float sums[] = {s.spherical, s.coma, s.astigmatism, s.curvature, s.distortion};
    for (float v : sums)
        if (!std::isfinite(v)) return false;
    return true;
}

// The first-order data and the colour sums.
bool finite(const ParaxialData& q, const AberrationSums& s, int N) {
    const double scalars[] = {q.backFocus,         q.focusSign,     q.signedFocal,
                              q.exitPupilDistance, q.axisDeviation, q.objectDistanceF,
                              q.entrancePupilF,    q.focalRed,      q.focalBlue,
                              q.backFocusRed,      q.backFocusBlue, q.backFocusGreen};
    for (double v : scalars)
        if (!std::isfinite(v)) return false;
    const float sums[] = {s.chromatic, s.secondary, s.lateralColour};
    for (float v : sums)
        if (!std::isfinite(v)) return false;
    return allFinite(q.rF, N) && allFinite(q.eF, N) && allFinite(q.A2F, N) && allFinite(q.A4F, N) &&
           allFinite(q.A6F, N) && allFinite(q.marginalHeight, N) && allFinite(q.bendCurvature, N);
}

}  // namespace

double ArcSin(double x) {
    return std::atan(x / std::sqrt(1.0 - x * x));
}

double Tan(double x) {
    return std::sin(x) / std::cos(x);
}

namespace {

EvaluationStatus evaluateOnce(SystemModel& m, bool fixedFocal, ParaxialData& p,
                              AberrationSums& sums) {
    const int N = m.N();
    if (N < 1 || N > kMaxSurfaces) return {false, 0, "die Flächenzahl liegt nicht in 1..29"};
    Checked c;
    ParaxialData q = p;
    constexpr size_t g = colourIndex(kGreen);
    const SurfaceTable& t = m.surf;

    std::array<double, kTableSize> r{}, e{}, A2{}, A4{}, A6{};
    for (int i = 0; i <= N; ++i) {
        r[idx(i)] = t[idx(i)].r;
        e[idx(i)] = t[idx(i)].e;
        A2[idx(i)] = t[idx(i)].A2;
        A4[idx(i)] = t[idx(i)].A4;
        A6[idx(i)] = t[idx(i)].A6;
    }
    const double e0 = -m.sys.entrancePupil;
    e[0] = e0;
    const PassData stored{&r, &e, &A2};

    // Pass 1: focal length for a very distant object.
    const ColourPass focalPass = paraxialPass(m, stored, kGreen, kPupilImageDistance - e0, c);
    const double M = focalPass.L;

    // Pass 2: the real object.
    const double objectPupilImage = m.sys.objectDistance - m.sys.entrancePupil;
    const ColourPass objectPass = paraxialPass(m, stored, kGreen, objectPupilImage - e0, c);

    // Pass 3: chief ray from the centre of the entrance pupil with unit slope,
    // and the deviation of the axis by tilted surfaces.
    std::array<double, kTableSize> tilt{};
    for (int i = 1; i <= N; ++i) tilt[idx(i)] = t[idx(i)].u;
    double chiefSlope = 1.0, chiefHeight = e0, deviation = 0.0;
    for (int i = 1; i <= N; ++i) {
        const double nBefore = t[idx(i - 1)].n[g], nAfter = t[idx(i)].n[g];
        chiefSlope =
            chiefSlope * c.div(nBefore, nAfter, i, detail::kReasonIndex) +
            chiefHeight * c.div(nBefore - nAfter, nAfter * r[idx(i)], i, detail::kReasonRadius);
        chiefHeight += e[idx(i)] * chiefSlope;
        const double ratio = c.div(nBefore, nAfter, i, detail::kReasonIndex);
        if (ratio < 0.0 && r[idx(i)] > kFlatMirrorRadius) {
            // A flat folding mirror turns the frame over: the tilts after it
            // count with the opposite sign.
            for (int k = i; k <= N; ++k) tilt[idx(k)] = -tilt[idx(k)];
        } else {
            // A tilted refracting surface deviates the axis by the difference of
            // the angles of incidence and refraction, a tilted mirror by twice
            // its tilt.
            const double T = tilt[idx(i)];
            const double sinRefracted = std::sin(T * std::numbers::pi / 180.0) * ratio;
            if (std::fabs(sinRefracted) > 1.0) c.fail(i, detail::kReasonTiltReflection);
            deviation += T - ArcSin(sinRefracted) * 180.0 / std::numbers::pi;
        }
    }
    q.exitPupilDistance = c.div(chiefHeight, chiefSlope, N, detail::kReasonConjugate);
    q.axisDeviation = deviation * std::numbers::pi / 180.0;

    // Results of the green passes.
    q.backFocus = objectPass.sPrime[idx(N)];
    q.focusSign = c.div(q.backFocus, std::fabs(q.backFocus), N, detail::kReasonBackFocus);
    q.signedFocal = std::fabs(M) * q.focusSign;
    q.objectDistanceF = c.div(m.sys.objectDistance, M, 0, detail::kReasonFocal);
    q.entrancePupilF = c.div(m.sys.entrancePupil, M, 0, detail::kReasonFocal);
    q.eF[0] = c.div(e0, M, 0, detail::kReasonFocal);
    for (int i = 1; i <= N; ++i) {
        q.rF[idx(i)] = c.div(r[idx(i)], M, 0, detail::kReasonFocal);
        q.eF[idx(i)] = c.div(e[idx(i)], M, 0, detail::kReasonFocal);
        q.A2F[idx(i)] = A2[idx(i)] * M;
        q.A4F[idx(i)] = A4[idx(i)] * M * M * M;
        q.A6F[idx(i)] = A6[idx(i)] * M * M * M * M * M;
    }
    if (fixedFocal) {
        // The stored system is rescaled by the magnitude of its focal length:
        // a diverging system keeps its shape and its negative focal length.
        const double F = std::fabs(M);
        for (int i = 1; i <= N; ++i) {
            r[idx(i)] = c.div(r[idx(i)], F, 0, detail::kReasonFocal);
            e[idx(i)] = c.div(e[idx(i)], F, 0, detail::kReasonFocal);
            A2[idx(i)] *= F;
            A4[idx(i)] *= F * F * F;
            A6[idx(i)] *= F * F * F * F * F;
        }
    }

    // Pass 4: the three colours on the normalised data, green last.
    const PassData normalised{&q.rF, &q.eF, &q.A2F};
    detail::GreenPass green;
    for (int colour : {kRed, kBlue, kGreen}) {
        const double pupilImage = q.objectDistanceF - q.entrancePupilF;
        q.eF[0] = -q.entrancePupilF;
        const double s1 = pupilImage - q.eF[0];
        const ColourPass pass = paraxialPass(m, normalised, colour, s1, c);
        if (colour == kRed) {
            q.backFocusRed = pass.sPrime[idx(N)];
            q.focalRed = pass.L;
            continue;
        }
        if (colour == kBlue) {
            q.backFocusBlue = pass.sPrime[idx(N)];
            q.focalBlue = pass.L;
            continue;
        }
        q.backFocusGreen = pass.sPrime[idx(N)];
        green.s = pass.s;
        green.sPrime = pass.sPrime;
        green.L = pass.L;
        // Marginal heights relative to surface 1, and the stop-shift sum.
        q.marginalHeight[0] = c.div(pupilImage, s1, 0, detail::kReasonConjugate);
        double previousImage = pupilImage;
        double sigma = 0.0;
        for (int i = 1; i <= N; ++i) {
            q.marginalHeight[idx(i)] =
                q.marginalHeight[idx(i - 1)] *
                c.div(pass.s[idx(i)], previousImage, i, detail::kReasonConjugate);
            previousImage = pass.sPrime[idx(i)];
        }
        const double h1 = q.marginalHeight[1];
        for (int i = 1; i <= N; ++i) {
            const double nBefore = t[idx(i - 1)].n[g];
            sigma += h1 * h1 * c.div(q.eF[idx(i - 1)], nBefore, i, detail::kReasonIndex) *
                     c.div(1.0, q.marginalHeight[idx(i - 1)] * q.marginalHeight[idx(i)], i,
                           detail::kReasonConjugate);
            green.sigma[idx(i)] = sigma;
            green.h[idx(i)] = q.marginalHeight[idx(i)];
        }
    }
    q.paraxialColour = kGreen;

    // Pass 5: mirror layout and bending data, on the data as it will be stored.
    q.mirrorFound = false;
    q.doublePass = 0;
    for (int k = 1; k <= N - 1; ++k) {
        if (t[idx(k)].dir < 0.0 && !q.mirrorFound) {
            q.mirrorFound = true;
            q.primaryMirror = k;
            // A back-surface mirror: surface k+1 is surface k-1 passed again in
            // reverse, with the same radius and the opposite spacing.
            const double repeat = r[idx(k - 1)] / r[idx(k + 1)] * e[idx(k - 1)] / e[idx(k)] + 1.0;
            if (std::fabs(repeat) <= 0.001) {
                q.secondaryMirror = k + 2;
                q.doublePass = 1;
            } else {
                q.secondaryMirror = k + 1;
            }
        }
        const bool foldingMirror =
            t[idx(k - 1)].n[g] / t[idx(k)].n[g] < 0.0 && r[idx(k)] > kFlatMirrorRadius;
        q.bendCurvature[idx(k)] = foldingMirror ? 1.0 / r[idx(k - 1)] + 1.0 / r[idx(k + 1)]
                                                : 1.0 / r[idx(k)] - 1.0 / r[idx(k + 1)];
    }

    if (!c.ok()) return c.status();
    AberrationSums newSums;
    detail::colourSums(q, green, newSums, c);
    if (!c.ok()) return c.status();
    if (!std::isfinite(M) || M == 0.0 || !finite(q, newSums, N))
        return {false, 0, detail::kReasonNonFinite};
    // The Seidel sums can fail where the first-order data do not; the rest of
    // the evaluation stands without them.
    Checked seidel;
    detail::seidelSums(m, q, green, newSums, seidel);
    if (seidel.ok() && !finiteSeidel(newSums)) seidel.fail(0, detail::kReasonNonFinite);
    EvaluationStatus status;
    if (!seidel.ok()) {
        newSums.spherical = newSums.coma = newSums.astigmatism = 0.0f;
        newSums.curvature = newSums.distortion = 0.0f;
        status.seidelComputable = false;
        status.seidelSurface = seidel.status().surface;
        status.seidelReason = seidel.status().reason;
    }

    // Commit.
    m.surf[0].e = e0;
    m.sys.normFocal = M;
    m.sys.fNumber = m.sys.fNumberRef * M;
    m.sys.focalLength = M * m.sys.focalLengthRef;
    if (fixedFocal) {
        for (int i = 1; i <= N; ++i) {
            Surface& s = m.surf[idx(i)];
            s.r = r[idx(i)];
            s.e = e[idx(i)];
            s.A2 = A2[idx(i)];
            s.A4 = A4[idx(i)];
            s.A6 = A6[idx(i)];
        }
    }
    p = q;
    sums = newSums;
    return status;
}

}  // namespace

EvaluationStatus EvaluateSystem(SystemModel& m, bool fixedFocal, ParaxialData& p,
                                AberrationSums& sums) {
    const EvaluationStatus status = evaluateOnce(m, fixedFocal, p, sums);
    // In the fixed-focal-length mode the results of that pass describe the
    // system before it was rescaled to focal length 1; evaluating the stored
    // system once more makes them describe what is stored, so that the image
    // plane and the displayed values do not lag one edit behind.
    if (status.ok && fixedFocal && std::fabs(std::fabs(m.sys.normFocal) - 1.0) > kRescaleTolerance)
        return evaluateOnce(m, false, p, sums);
    return status;
}

namespace {

std::string because(const char* lead, int surface, const char* reason) {
    std::string text = lead;
    if (surface > 0) text += "Fläche " + std::to_string(surface) + ": ";
    text += reason ? reason : detail::kReasonNonFinite;
    return text + ".";
}

}  // namespace

std::string describe(const EvaluationStatus& status) {
    if (!status.ok) return because("System nicht berechenbar: ", status.surface, status.reason);
    if (!status.seidelComputable)
        return because("Fehler 3. Ordnung nicht berechenbar: ", status.seidelSurface,
                       status.seidelReason);
    return {};
}

}  // namespace vn
