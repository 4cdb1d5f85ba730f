#include "optics/ray_trace.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "model/medium.h"

namespace vn {
namespace {

size_t at(int i) {
    return static_cast<size_t>(i);
}

constexpr double kDegree = std::numbers::pi / 180.0;
constexpr double kUnlimited = std::numeric_limits<double>::infinity();
// An object farther away than this (in focal lengths) counts as being at infinity.
constexpr double kInfiniteObject = 1000.0;
// Below these values of |gamma a / beta^2| the near root of the intersection
// comes from its series, which avoids the cancellation of the quadratic
// formula when the ray starts close to the surface.
constexpr double kConicSeries = 0.001;
constexpr double kSphereSeries = 0.0001;
// The osculating-sphere iteration of an asphere stops when the sag mismatch is
// below this (model units). It converges in a few rounds where it converges at
// all; a ray that still misses the mark after kAsphereRounds is given up, so
// that no surface can hold the trace forever.
constexpr double kAsphereTolerance = 1e-10;
constexpr int kAsphereRounds = 50;
constexpr double kFlatSlope = 1e-8;      // below this slope the sag is taken as flat
constexpr double kOnAxis = 1e-9;         // heights below this have slope 0
constexpr double kClearAperture = 1.01;  // clear aperture as a multiple of the beam

double sign(double v) {
    return v < 0.0 ? -1.0 : 1.0;
}

bool finite(double v) {
    return std::isfinite(v);
}

// Position, direction and path of the ray between two surfaces.
struct Ray {
    double x, y, z, L, M, N, path;
};

// The near root t of a t^2 + 2 beta t + gamma = 0 for a surface of vertex-radius
// sign sR. The root form (-beta - sR sqrt(beta^2 - gamma a)) / a is the
// quadratic formula with sigma = sign(R a) folded in. With beta = 0 the series
// does not apply and the root form gives the answer. False when the ray misses.
inline bool nearRoot(double a, double beta, double gamma, double sR, double seriesLimit,
                     double& t) {
    if (beta != 0.0 && std::fabs(gamma * a) <= seriesLimit * beta * beta) {
        const double inverseBeta = 1.0 / beta;
        const double u = gamma * inverseBeta;
        t = -0.5 * u - 0.125 * a * u * u * inverseBeta;
        return true;
    }
    const double discriminant = beta * beta - gamma * a;
    if (!(discriminant >= 0.0)) return false;
    t = (-beta - sR * std::sqrt(discriminant)) / a;  // a = 0 here gives inf: caught later
    return true;
}

struct Hit {
    double x, y, z;     // intersection in the tilted surface frame
    double t;           // path parameter from the ray position
    double nx, ny, nz;  // unit normal, pointing along the axis
};

// Intersection with the polynomial asphere
//   zs(h) = h^2 / (R + sign(R) sqrt(R^2 - (k+1) h^2)) + A2 h^2 + A4 h^4 + A6 h^6 + A8 h^8
// by replacing it repeatedly with the sphere that osculates it at the current
// intersection: the sphere centred on the axis where the surface normal meets it.
bool intersectAsphere(const TraceSurface& S, double x0, double y0, double q, double L, double M,
                      double N, Hit& hit) {
    double Rs = S.R;   // radius of the working sphere
    double p = q;      // distance from the ray position to its vertex
    double rhoC = Rs;  // axial distance from the intersection to the centre of the working sphere
    double zs = 0.0, t = 0.0, x = x0, y = y0;
    for (int round = 0;; ++round) {
        if (round == kAsphereRounds) return false;
        const double beta = x0 * L + y0 * M - (p + Rs) * N;
        const double gamma = x0 * x0 + y0 * y0 + 2.0 * Rs * p + p * p;
        if (!nearRoot(1.0, beta, gamma, sign(Rs), kSphereSeries, t)) return false;
        const double z = t * N - p;  // measured from the working sphere's vertex
        x = x0 + t * L;
        y = y0 + t * M;
        const double h2 = x * x + y * y;
        const double h = std::sqrt(h2);
        const double w = S.R2 - S.kappa1 * h2;
        if (!(w >= 0.0)) return false;
        const double root = S.sR * std::sqrt(w);
        zs = h2 / (S.R + root) + h2 * (S.A2 + h2 * (S.A4 + h2 * (S.A6 + h2 * S.A8)));
        // d zs / dh; the conic part's slope h / (sign(R) sqrt(R^2 - (k+1) h^2)).
        double slope = 0.0;
        if (h > kOnAxis)
            slope = h * (2.0 * S.A2 + h2 * (4.0 * S.A4 + h2 * (6.0 * S.A6 + h2 * 8.0 * S.A8))) +
                    h / root;
        // The next working sphere, its vertex delta from the surface vertex. The
        // mismatch is zero once the ray meets the sphere on the sag and the
        // sphere no longer moves.
        double delta;
        if (std::fabs(slope) <= kFlatSlope) {
            // Where the sag is flat the osculating sphere is the tangent plane
            // through the sag (the limit of the other branch). On the axis that is
            // the vertex plane; elsewhere, at the neutral zone of a Schmidt plate
            // for instance, the plane lies at zs and the mismatch counts from it.
            Rs = std::copysign(kFlatRadius, Rs);
            rhoC = Rs;
            delta = zs;
        } else {
            rhoC = h / slope;
            Rs = sign(slope) * std::sqrt(rhoC * rhoC + h2);
            // rhoC + zs - Rs, written without the cancellation of two nearly equal
            // radii.
            delta = zs - h2 / (rhoC + Rs);
        }
        p = q + delta;
        const double mismatch = (z - zs) + delta;
        if (!(std::fabs(mismatch) >= kAsphereTolerance)) break;
    }
    const double inverseRs = 1.0 / Rs;
    hit = {x, y, zs, t, -x * inverseRs, -y * inverseRs, rhoC * inverseRs};
    return true;
}

// Intersection with the conic x^2 + y^2 + (k+1) z^2 - 2 R z = 0, with the torus
// deformation where the surface has one.
bool intersectConic(const TraceSurface& S, double x0, double y0, double q, double L, double M,
                    double N, Hit& hit) {
    const double a = 1.0 + S.kappa * N * N;
    const double beta = x0 * L + y0 * M - (S.kappa1 * q + S.R) * N;
    const double gamma = x0 * x0 + y0 * y0 + 2.0 * S.R * q + S.kappa1 * q * q;
    double t;
    if (!nearRoot(a, beta, gamma, S.sR, kConicSeries, t)) return false;
    double x = x0 + t * L, y = y0 + t * M, z = t * N - q;
    double sx = 0.0, dz = 0.0;
    if (S.flags & kTraceToric) {
        // The torus: the conic moved sideways by A8 x and along the axis by
        // -A8 x^2 / (2 R_t), R_t = R / (1 - A8), then intersected again.
        sx = x * S.A8;
        dz = -sx * x * S.toricSag;
        const double qt = q - dz;
        const double xs = x0 - sx;
        const double betaT = y0 * M + xs * L - (S.kappa1 * qt + S.R) * N;
        const double gammaT = y0 * y0 + xs * xs + 2.0 * S.R * qt + S.kappa1 * qt * qt;
        if (!nearRoot(a, betaT, gammaT, S.sR, kConicSeries, t)) return false;
        x = x0 + t * L - sx;
        y = y0 + t * M;
        z = t * N - qt;
    }
    // Normal (-x, -y, R - (k+1) z) / g, g = sign(R) sqrt(R^2 - k h^2); for a
    // sphere g = R.
    double inverseG = S.invR;
    if (S.flags & kTraceConic) {
        const double g2 = S.R2 - S.kappa * (x * x + y * y);
        if (!(g2 >= 0.0)) return false;
        inverseG = S.sR / std::sqrt(g2);
    }
    hit = {x + sx, y, z - dz, t, -x * inverseG, -y * inverseG, (S.R - S.kappa1 * z) * inverseG};
    return true;
}

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
    const bool ok = (flags & kTraceAsphere) ? intersectAsphere(S, x, y, q, L, M, N, hit)
                                            : intersectConic(S, x, y, q, L, M, N, hit);
    if (!ok) return false;

    // Refraction; a mirror is the index ratio -1.
    const double c = hit.nx * L + hit.ny * M + hit.nz * N;
    const double mu = S.mu[colour];
    const double radicand = 1.0 - S.mu2[colour] * (1.0 - c * c);
    if (!(radicand >= 0.0)) return false;  // total internal reflection
    const double g = std::sqrt(radicand) - mu * c;
    const double Ln = mu * L + g * hit.nx, Mn = mu * M + g * hit.ny, Nn = mu * N + g * hit.nz;

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
    // One sum is finite exactly when all its terms are (or one overflowed, which
    // no traceable ray reaches).
    if (!finite(out.x + out.y + out.z + out.L + out.M + out.N + out.path + c + hit.t)) return false;
    r = out;
    cosI = c;
    step = hit.t;
    return true;
}

// Optical path in object space from the reference wavefront through the chief
// ray to the pupil position, for a real object in front (objectDistance < 0)
// or a virtual one behind the pupil plane.
double startPath(const TraceSystem& sys, size_t colour, double rho, double w, const Ray& r) {
    const double d = sys.objectDistance;
    const double n0 = sys.n0[colour];
    if (!sys.finiteObject) return (-rho * rho * std::cos(w) / 2.0 / d + r.y * r.M + r.x * r.L) * n0;
    // The object point sits at (0, d tan w, d); its distance to the pupil point is
    // |Lambda|, to the pupil centre |d| / cos w. The path is |Lambda| - |d| / cos w
    // for a real object and the reverse for a virtual one, written without
    // cancellation.
    const double tau = -std::sin(w) / std::cos(w);
    const double dy = d * tau + r.y;
    const double lambda = sign(d) * std::sqrt(d * d + dy * dy + r.x * r.x);
    return -(rho * rho + 2.0 * r.y * d * tau) / (d / std::cos(w) + lambda) * n0;
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
    const Surface& s = m.surf[at(i)];
    const Surface& before = m.surf[at(i - 1)];
    const bool imagePlane = i == m.N() + 1;
    constexpr size_t green = colourIndex(kGreen);
    S = TraceSurface{};
    unsigned flags = 0;

    S.gap = i == 1 ? -m.sys.entrancePupil : before.e;
    S.R = s.r;
    S.sR = sign(s.r);
    S.invR = 1.0 / s.r;
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
    if (s.A2 != 0.0 && !imagePlane) flags |= kTraceAsphere;

    bool traceable = s.r != 0.0;
    for (size_t c = 0; c < 3; ++c) {
        S.nBefore[c] = before.n[c];
        S.mu[c] = before.n[c] / s.n[c];
        S.mu2[c] = S.mu[c] * S.mu[c];
        traceable = traceable && before.n[c] != 0.0 && finite(S.mu2[c]);
    }

    if (!imagePlane) {
        const unsigned tags = mediumTags(s.medium);
        if (tags & kTagBlende) flags |= kTraceStop;
        if (tags & kObstructionTags) flags |= kTraceObstruction;
        if (!(flags & (kTraceStop | kTraceObstruction))) flags |= kTraceClearAperture;
    }
    S.marginalHeight = p.marginalHeight[at(i)];
    S.limit = s.h;

    const double values[] = {S.gap,      S.R2,   S.kappa,      S.tolDx,      S.tolDy,
                             S.cosBack,  S.A2,   S.A4,         S.A6,         S.A8,
                             S.toricSag, S.invR, S.nBefore[0], S.nBefore[1], S.nBefore[2]};
    for (double v : values) traceable = traceable && finite(v);
    if (!traceable) flags |= kTraceUntraceable;
    S.flags = flags;
}

size_t colourSlot(std::uint8_t colour) {
    return colour >= kRed && colour <= kGreen ? at(colourIndex(colour)) : at(colourIndex(kGreen));
}

}  // namespace

void setBeamFactors(TraceSystem& sys, const SurfaceValues& beamFactor) {
    for (int i = 1; i <= sys.N; ++i) {
        TraceSurface& S = sys.surface[at(i)];
        const double A = apertureRadius(S, beamFactor[at(i)], sys.normFocal, sys.fNumber);
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
    sys.focusSign = p.focusSign;
    sys.normFocal = m.sys.normFocal;
    sys.fNumber = m.sys.fNumber;
    if (!sys.usable) return;
    for (int i = 1; i <= N + 1; ++i) prepareSurface(m, p, i, sys.surface[at(i)]);
    const Surface& image = m.surf[at(N + 1)];
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
    r.path = startPath(sys, colour, ray.pupilRadius, ray.rayField, r);

    int failedAt = 0;
    double step = 0.0;
    if (!sys.usable || !finite(r.x + r.y + r.L + r.M + r.N + r.path)) {
        r = {0.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0};
        failedAt = 1;
    }
    for (int i = 1; i <= last && failedAt == 0; ++i) {
        const TraceSurface& S = sys.surface[at(i)];
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
        ray.surfZ[at(i)] = r.z;
        ray.surfY[at(i)] = r.y;
        ray.surfCos[at(i)] = cosI;
        ray.surfStep[at(i)] = step;
    }

    ray.failed = failedAt != 0;
    ray.failedAt = failedAt;
    if (ray.failed) {
        ray.blocked = true;
        step = 0.0;
        for (int i = failedAt; i <= last; ++i) {
            ray.surfZ[at(i)] = r.z;
            ray.surfY[at(i)] = r.y;
            ray.surfCos[at(i)] = 1.0;
            ray.surfStep[at(i)] = 0.0;
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
    const double waves = sys.focalLength / sys.wavelength[colour] * 1000.0;
    const double dx = (r.x - ray.refX[slot]) * waves;
    const double dy = (r.y - ray.refY[slot]) * waves;
    const double v = r.y * sys.imageInvR;
    const double across = sys.imageSinU * std::sqrt(std::max(0.0, 1.0 - v * v)) - sys.imageCosU * v;
    const double term = ((r.x * sys.imageInvR + r.L) * dx + (r.M - across) * dy) * sys.focusSign;
    ray.waveTerm = finite(term) ? term : 0.0;
}

}  // namespace vn
