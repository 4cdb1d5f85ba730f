#include "optics/ray_trace.h"

#include "base/units.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "model/medium.h"
#include "optics/surface_intersection.h"

namespace vn {
namespace {

constexpr double kUnlimited = std::numeric_limits<double>::infinity();
// An object farther away than this (in focal lengths) counts as being at infinity.
constexpr double kInfiniteObject = 1000.0;
constexpr double kClearAperture = 1.01;  // clear aperture as a multiple of the beam
// No step between two surfaces of a real system comes near this; bounding the
// steps keeps every position and path far from overflow.
constexpr double kLongestStep = 1e100;
// How far the squared length of a refracted direction may stray from 1. The
// near-root series leaves errors of about 1e-7 times the step over the radius;
// a direction beyond this bound comes from an intersection that is no longer
// on the surface.
constexpr double kUnitDirection = 1e-3;

using detail::Hit;
using detail::sign;

bool finite(double v) {
    return std::isfinite(v);
}

// Position, direction and path of the ray between two surfaces.
struct Ray {
    double x, y, z, L, M, N, path;
};

// Carries the ray through surface S, from the frame of the entry before into
// the frame after it. False when the ray cannot pass; `r` is then unchanged.
inline bool passSurface(const TraceSurface& S, size_t colour, Ray& r, double& cosI, double& step) {
    // Into the frame of the surface: tolerance offsets, then the tilt.
    double x = r.x, y = r.y - S.tolDy;
    double q = S.gap - r.z + S.tolDx;
    double L = r.L, M = r.M, N = r.N;
    const unsigned flags = S.flags;
    if (flags & kTraceTilted) {
        const double s = S.sinTilt, c = S.cosTilt, qOld = q;
        if (flags & kTraceSagittal) {
            q = qOld * c - x * s;
            x = qOld * s + x * c;
            N = r.N * c + r.L * s;
            L = r.L * c - r.N * s;
        } else {
            q = qOld * c - y * s;
            y = qOld * s + y * c;
            N = r.N * c + r.M * s;
            M = r.M * c - r.N * s;
        }
    }

    Hit hit;
    const bool ok = (flags & kTraceAsphere) ? detail::intersectAsphere(S, x, y, q, L, M, N, hit)
                                            : detail::intersectConic(S, x, y, q, L, M, N, hit);
    if (!ok || !(std::fabs(hit.t) < kLongestStep)) return false;

    // Refraction, a mirror being the index ratio -1:
    //   d' = mu d + (sqrt(1 - mu^2 (1 - cos^2 I)) - mu cos I) n,  cos I = n . d,
    // with n = u / G multiplied out: the bracket times 1/G is
    //   (sign(G) sqrt(G^2 (1 - mu^2) + mu^2 (u.d)^2) - mu u.d) / G^2.
    // For mu = 1 the bracket is exactly 0, for a mirror exactly 2 cos I / G.
    const double mu = S.mu[colour];
    double root;
    if (S.mu2[colour] == 1.0) {
        // A mirror, or the same medium on both sides: the root is |u.d| exactly,
        // and the ray need not wait for it.
        root = std::fabs(hit.dot);
    } else {
        const double radicand = hit.G2 * S.oneMinusMu2[colour] + S.mu2[colour] * hit.dot * hit.dot;
        if (!(radicand >= 0.0)) return false;  // total internal reflection
        root = std::sqrt(radicand);
    }
    const double g = (hit.signG * root - mu * hit.dot) * hit.inverseG2;
    // Every later value is finite when the step and this factor are.
    if (!finite(g + hit.cosI)) return false;
    const double c = hit.cosI;
    const double Ln = mu * L + g * hit.ux, Mn = mu * M + g * hit.uy, Nn = mu * N + g * hit.uz;
    // Refraction keeps the direction a unit vector as long as the intersection
    // lies on the surface. Far from a small surface (a ray from a distant image
    // plane onto a lens, a ray many radii away from a tiny mirror) the
    // intersection loses its digits, and the normal at a point off the surface
    // makes direction cosines of any size: such a ray cannot be followed.
    if (!(std::fabs(Ln * Ln + Mn * Mn + Nn * Nn - 1.0) <= kUnitDirection)) return false;

    // Out of the surface frame: the frame behind turns by the refracted tilt, and
    // the offsets are taken back so that the following surfaces stay in place.
    Ray out;
    if (flags & kTraceTilted) {
        const double s = S.sinBack, cb = S.cosBack;
        if (flags & kTraceSagittal) {
            out.z = hit.z * cb - hit.x * s + S.tolDx;
            out.x = hit.z * s + hit.x * cb;
            out.y = hit.y + S.tolDy;
            out.N = Nn * cb - Ln * s;
            out.L = Nn * s + Ln * cb;
            out.M = Mn;
        } else {
            out.z = hit.z * cb - hit.y * s + S.tolDx;
            out.y = hit.z * s + hit.y * cb + S.tolDy;
            out.x = hit.x;
            out.N = Nn * cb - Mn * s;
            out.M = Nn * s + Mn * cb;
            out.L = Ln;
        }
    } else {
        out = {hit.x, hit.y + S.tolDy, hit.z + S.tolDx, Ln, Mn, Nn, 0.0};
    }
    out.path = r.path + hit.t * S.nBefore[colour];
    r = out;
    cosI = c;
    step = hit.t;
    return true;
}

// Optical path in object space from the reference wavefront through the chief
// ray to the pupil position, for a real object in front (objectDistance < 0)
// or a virtual one behind the pupil plane.
double startPath(const TraceSystem& sys, size_t colour, double rho, double sinW, double cosW,
                 const Ray& r) {
    const double d = sys.objectDistance;
    const double n0 = sys.n0[colour];
    if (!sys.finiteObject) return (-rho * rho * cosW / 2.0 / d + r.y * r.M + r.x * r.L) * n0;
    // The object point sits at (0, d tan w, d); its distance to the pupil point is
    // |Lambda|, to the pupil centre |d| / cos w. The path is |Lambda| - |d| / cos w
    // for a real object and the reverse for a virtual one, written without
    // cancellation.
    const double tau = -sinW / cosW;
    const double dy = d * tau + r.y;
    const double lambda = sign(d) * std::sqrt(d * d + dy * dy + r.x * r.x);
    return -(rho * rho + 2.0 * r.y * d * tau) / (d / cosW + lambda) * n0;
}

double apertureRadius(const TraceSurface& S, double G, double normFocal, double fNumber) {
    const double H = S.marginalHeight, lim = S.limit;
    if (S.flags & (kTraceStop | kTraceObstruction)) {
        const double A = std::fabs(lim * H / 2.0 / fNumber);
        if (finite(A)) return A;
        return (S.flags & kTraceObstruction) ? 0.0 : kUnlimited;
    }
    // A surface at an intermediate image has no axial beam to size it from.
    if (H == 0.0) return kUnlimited;
    const double A = lim < 1.0 ? std::fabs(lim * H * G * normFocal / 2.0 / fNumber)
                               : std::fabs(kClearAperture * H * G / 2.0 / fNumber);
    return finite(A) ? A : kUnlimited;
}

void prepareSurface(const SystemModel& m, const ParaxialData& p, int i, TraceSurface& S) {
    const Surface& s = m.surf[idx(i)];
    const Surface& before = m.surf[idx(i - 1)];
    const bool imagePlane = i == m.N() + 1;
    constexpr size_t green = colourIndex(kGreen);
    S = TraceSurface{};
    unsigned flags = 0;

    S.gap = i == 1 ? -m.sys.entrancePupil : before.e;
    S.R = s.r;
    S.sR = sign(s.r);
    S.invR = 1.0 / s.r;
    S.invR2 = S.invR * S.invR;
    S.R2 = s.r * s.r;
    S.kappa = s.k;
    S.kappa1 = s.k + 1.0;
    if (s.k != 0.0) flags |= kTraceConic;
    S.tolDx = s.tolDx;
    S.tolDy = s.tolDy;

    const double theta = s.u * kDegree;
    S.sinTilt = std::sin(theta);
    S.cosTilt = std::cos(theta);
    // The frame behind turns by the angle of refraction at incidence theta, in
    // green whatever the colour of the ray, so that all colours share one axis.
    S.sinBack = S.sinTilt * before.n[green] / s.n[green];
    S.cosBack = std::sqrt(1.0 - S.sinBack * S.sinBack);
    if (s.u != 0.0) flags |= kTraceTilted | (s.sagittal ? kTraceSagittal : 0u);

    S.A2 = s.A2;
    S.A4 = s.A4;
    S.A6 = s.A6;
    S.A8 = s.A8;
    if (s.A2 == 0.0 && s.A8 != 0.0) {
        flags |= kTraceToric;
        S.toricSag = (1.0 - s.A8) / (2.0 * s.r);
    }
    // The y^2 term selects the polynomial asphere, in which A8 is the y^8 term;
    // without it A8 is the torus value. A surface with only A4 or A6 is a
    // polynomial asphere too: otherwise its terms, which the file and the
    // editor keep, would silently do nothing.
    const bool polynomial = s.A2 != 0.0 || (s.A8 == 0.0 && (s.A4 != 0.0 || s.A6 != 0.0));
    if (polynomial && !imagePlane) flags |= kTraceAsphere;

    bool traceable = s.r != 0.0;
    for (size_t c = 0; c < 3; ++c) {
        S.nBefore[c] = before.n[c];
        S.mu[c] = before.n[c] / s.n[c];
        S.mu2[c] = S.mu[c] * S.mu[c];
        S.oneMinusMu2[c] = 1.0 - S.mu2[c];
        traceable = traceable && before.n[c] != 0.0 && finite(S.mu2[c]);
    }

    if (!imagePlane) {
        const unsigned tags = mediumTags(s.medium);
        if (tags & kTagBlende) flags |= kTraceStop;
        if (tags & kObstructionTags) flags |= kTraceObstruction;
        if (!(flags & (kTraceStop | kTraceObstruction))) flags |= kTraceClearAperture;
    }
    S.marginalHeight = p.marginalHeight[idx(i)];
    S.limit = s.h;

    const double values[] = {
        S.gap, S.R2, S.kappa,    S.tolDx, S.tolDy, S.cosBack,    S.A2,         S.A4,
        S.A6,  S.A8, S.toricSag, S.invR,  S.invR2, S.nBefore[0], S.nBefore[1], S.nBefore[2]};
    for (double v : values) traceable = traceable && finite(v);
    if (!traceable) flags |= kTraceUntraceable;
    S.flags = flags;
}

size_t colourSlot(std::uint8_t colour) {
    return colour >= kRed && colour <= kGreen ? idx(colourIndex(colour)) : idx(colourIndex(kGreen));
}

}  // namespace

void setBeamFactors(TraceSystem& sys, const SurfaceValues& beamFactor) {
    for (int i = 1; i <= sys.N; ++i) {
        TraceSurface& S = sys.surface[idx(i)];
        const double A = apertureRadius(S, beamFactor[idx(i)], sys.normFocal, sys.fNumber);
        S.aperture2 = A * A;
    }
}

void prepareTrace(const SystemModel& m, const ParaxialData& p, const SurfaceValues& beamFactor,
                  TraceSystem& sys) {
    const int N = m.N();
    sys.usable = N >= 1 && N <= kMaxSurfaces;
    sys.N = sys.usable ? N : 0;
    sys.n0 = m.surf[0].n;
    sys.objectDistance = m.sys.objectDistance;
    sys.finiteObject = std::fabs(m.sys.objectDistance) <= kInfiniteObject;
    sys.wavelength = m.sys.wavelength;
    sys.focalLength = m.sys.focalLength;
    for (size_t c = 0; c < 3; ++c) sys.waves[c] = m.sys.focalLength / m.sys.wavelength[c] * 1000.0;
    sys.focusSign = p.focusSign;
    sys.normFocal = m.sys.normFocal;
    sys.fNumber = m.sys.fNumber;
    if (!sys.usable) return;
    for (int i = 1; i <= N + 1; ++i) prepareSurface(m, p, i, sys.surface[idx(i)]);
    const Surface& image = m.surf[idx(N + 1)];
    sys.imageInvR = 1.0 / image.r;
    sys.imageSinU = std::sin(image.u * kDegree);
    sys.imageCosU = std::cos(image.u * kDegree);
    setBeamFactors(sys, beamFactor);
}

void aimRay(const TraceSystem& sys, double pupilRadius, double pupilAzimuth, double field,
            RayState& ray) {
    ray.pupilRadius = pupilRadius;
    ray.pupilAzimuth = pupilAzimuth;
    ray.rayField = field;
    if (!sys.finiteObject) {
        ray.L = 0.0;
        ray.M = std::sin(field);
        ray.N = std::cos(field);
        return;
    }
    // Light runs from a real object to the pupil, and from the pupil towards a
    // virtual one; the signed distance Lambda of startPath covers both.
    const double d = sys.objectDistance;
    const double x = pupilRadius * std::sin(pupilAzimuth);
    const double y = pupilRadius * std::cos(pupilAzimuth);
    const double dy = y - d * std::tan(field);
    const double lambda = sign(d) * std::sqrt(d * d + dy * dy + x * x);
    ray.L = -x / lambda;
    ray.M = -dy / lambda;
    ray.N = d / lambda;
}

void TraceRay(const TraceSystem& sys, RayState& ray) {
    const size_t colour = colourSlot(ray.rayColour);
    const int last = sys.N + 1;

    Ray r{};
    r.x = ray.pupilRadius * std::sin(ray.pupilAzimuth);
    r.y = ray.pupilRadius * std::cos(ray.pupilAzimuth);
    r.z = 0.0;
    r.L = ray.L;
    r.M = ray.M;
    r.N = ray.N;
    // The rays of one field follow each other; their angle is looked up once.
    if (ray.rayField != ray.fieldAngleCache[0])
        ray.fieldAngleCache = {ray.rayField, std::sin(ray.rayField), std::cos(ray.rayField)};
    r.path =
        startPath(sys, colour, ray.pupilRadius, ray.fieldAngleCache[1], ray.fieldAngleCache[2], r);

    int failedAt = 0;
    double step = 0.0;
    if (!sys.usable || !finite(r.x + r.y + r.L + r.M + r.N + r.path)) {
        r = {0.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0};
        failedAt = 1;
    }
    for (int i = 1; i <= last && failedAt == 0; ++i) {
        const TraceSurface& S = sys.surface[idx(i)];
        double cosI;
        if ((S.flags & kTraceUntraceable) || !passSurface(S, colour, r, cosI, step)) {
            failedAt = i;
            break;
        }
        // Blocking only marks the ray; it goes on. The image plane has none of
        // these flags.
        if (S.flags & kTraceClearAperture) {
            if (r.x * r.x + r.y * r.y > S.aperture2) ray.blocked = true;
        } else if (S.flags & (kTraceStop | kTraceObstruction)) {
            const double dy = r.y - S.tolDy;
            const double d2 = dy * dy + r.x * r.x;
            if ((S.flags & kTraceStop) && d2 > S.aperture2) ray.blocked = true;
            if ((S.flags & kTraceObstruction) && d2 < S.aperture2) ray.blocked = true;
        }
        ray.surfZ[idx(i)] = r.z;
        ray.surfY[idx(i)] = r.y;
        ray.surfCos[idx(i)] = cosI;
        ray.surfStep[idx(i)] = step;
    }

    ray.failed = failedAt != 0;
    ray.failedAt = failedAt;
    if (ray.failed) {
        ray.blocked = true;
        step = 0.0;
        for (int i = failedAt; i <= last; ++i) {
            ray.surfZ[idx(i)] = r.z;
            ray.surfY[idx(i)] = r.y;
            ray.surfCos[idx(i)] = 1.0;
            ray.surfStep[idx(i)] = 0.0;
        }
    }
    ray.x = r.x;
    ray.y = r.y;
    ray.z = r.z;
    ray.L = r.L;
    ray.M = r.M;
    ray.N = r.N;
    ray.path = r.path;
    ray.step = step;

    // Transverse deviation from the reference image position in waves, weighted
    // by the ray direction relative to the image surface: with v = y / r_{N+1},
    // sin(u_{N+1} - arcsin v) = sin u sqrt(1 - v^2) - cos u v.
    const size_t slot = std::min<size_t>(ray.refColour, 2);
    const double waves = sys.waves[colour];
    const double dx = (r.x - ray.refX[slot]) * waves;
    const double dy = (r.y - ray.refY[slot]) * waves;
    const double v = r.y * sys.imageInvR;
    const double across =
        sys.imageSinU == 0.0
            ? -sys.imageCosU * v
            : sys.imageSinU * std::sqrt(std::max(0.0, 1.0 - v * v)) - sys.imageCosU * v;
    const double term = ((r.x * sys.imageInvR + r.L) * dx + (r.M - across) * dy) * sys.focusSign;
    ray.waveTerm = finite(term) ? term : 0.0;
}

}  // namespace vn
