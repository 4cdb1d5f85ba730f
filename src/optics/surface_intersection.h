// Intersections of a ray with the surfaces of the real ray trace, in the frame
// of the (tilted) surface: the conic with its torus deformation, and the
// polynomial asphere by osculating spheres. Internal to the trace; everything
// is inline because the trace is faster with the whole surface step in one
// function (a call would make the compiler save the registers of the loop).
#pragma once

#include <cmath>

#include "optics/ray_trace.h"

namespace vn::detail {

// Below these values of |gamma a / beta^2| the near root of the intersection
// comes from its series, which avoids the cancellation of the quadratic
// formula when the ray starts close to the surface.
inline constexpr double kConicSeries = 0.001;
inline constexpr double kSphereSeries = 0.0001;

inline double sign(double v) {
    return v < 0.0 ? -1.0 : 1.0;
}

// The near root t of a t^2 + 2 beta t + gamma = 0 for a surface of vertex-radius
// sign sR. The root form (-beta - sR sqrt(beta^2 - gamma a)) / a is the
// quadratic formula with sigma = sign(R a) folded in; 1 / a comes from the
// caller, who knows a before beta and gamma, so that the division does not
// wait for the square root. With beta = 0 the series does not apply and the
// root form gives the answer. False when the ray misses.
//
// `along` is -(beta + a t): for a conic it equals u . d, the direction times
// the unnormalised normal u = (-x, -y, R - (k+1) z) at the intersection, since
// |d| = 1 (in the root form it is sR sqrt(beta^2 - gamma a)). It is known as
// soon as t is, long before the intersection point.
inline bool nearRoot(double a, double inverseA, double beta, double gamma, double sR,
                     double seriesLimit, double& t, double& along) {
    if (beta != 0.0 && std::fabs(gamma * a) <= seriesLimit * beta * beta) {
        const double inverseBeta = 1.0 / beta;
        const double u = gamma * inverseBeta;
        t = -0.5 * u - 0.125 * a * u * u * inverseBeta;
        along = -(beta + a * t);
        return true;
    }
    const double discriminant = beta * beta - gamma * a;
    if (!(discriminant >= 0.0)) return false;
    along = sR * std::sqrt(discriminant);
    t = (-beta - along) * inverseA;  // a = 0 gives inf: caught later
    return true;
}

// The surface normal is n = u / G for a vector u along it; the refraction
// works on u, u . d and G^2 so that its root does not wait for the one of G.
struct Hit {
    double x, y, z;     // intersection in the tilted surface frame
    double t;           // path parameter from the ray position
    double ux, uy, uz;  // along the normal, pointing along the axis
    double dot;         // u . d
    double G2, inverseG2, signG;
    double cosI;  // n . d
};

// Intersection with the conic x^2 + y^2 + (k+1) z^2 - 2 R z = 0, with the torus
// deformation where the surface has one.
inline bool intersectConic(const TraceSurface& S, double x0, double y0, double q, double L,
                           double M, double N, Hit& hit) {
    const double a = 1.0 + S.kappa * N * N;
    const double inverseA = 1.0 / a;
    const double beta = x0 * L + y0 * M - (S.kappa1 * q + S.R) * N;
    const double gamma = x0 * x0 + y0 * y0 + 2.0 * S.R * q + S.kappa1 * q * q;
    double t, dot;
    if (!nearRoot(a, inverseA, beta, gamma, S.sR, kConicSeries, t, dot)) return false;
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
        if (!nearRoot(a, inverseA, betaT, gammaT, S.sR, kConicSeries, t, dot)) return false;
        x = x0 + t * L - sx;
        y = y0 + t * M;
        z = t * N - qt;
    }
    // Normal (-x, -y, R - (k+1) z) / g, g = sign(R) sqrt(R^2 - k h^2); for a
    // sphere g = R.
    double g2 = S.R2, inverseG2 = S.invR2, cosI = dot * S.invR;
    if (S.flags & kTraceConic) {
        g2 = S.R2 - S.kappa * (x * x + y * y);
        if (!(g2 >= 0.0)) return false;
        inverseG2 = 1.0 / g2;
        cosI = dot * (S.sR * std::sqrt(g2) * inverseG2);
    }
    hit = {x + sx, y, z - dz, t, -x, -y, S.R - S.kappa1 * z, dot, g2, inverseG2, S.sR, cosI};
    return true;
}

// The osculating-sphere iteration stops when the sag mismatch is below this
// (model units). It converges in a few rounds where it converges at all; a ray
// that still misses the mark after kAsphereRounds is given up, so that no
// surface can hold the trace forever.
inline constexpr double kAsphereTolerance = 1e-10;
inline constexpr int kAsphereRounds = 50;
inline constexpr double kFlatSlope = 1e-8;  // below this slope the sag is taken as flat
inline constexpr double kOnAxis = 1e-9;     // heights below this have slope 0

// Intersection with the polynomial asphere
//   zs(h) = h^2 / (R + sign(R) sqrt(R^2 - (k+1) h^2)) + A2 h^2 + A4 h^4 + A6 h^6 + A8 h^8
// by replacing it repeatedly with the sphere that osculates it at the current
// intersection: the sphere centred on the axis where the surface normal meets
// it. The ray starts at (x0, y0, -q) with direction (L, M, N). False when it
// misses, meets the sag beyond the rim of its conic part, or the iteration
// does not settle.
inline bool intersectAsphere(const TraceSurface& S, double x0, double y0, double q, double L,
                             double M, double N, Hit& hit) {
    double Rs = S.R;   // radius of the working sphere
    double p = q;      // distance from the ray position to its vertex
    double rhoC = Rs;  // axial distance from the intersection to the centre of the working sphere
    double zs = 0.0, t = 0.0, x = x0, y = y0;
    for (int round = 0;; ++round) {
        if (round == kAsphereRounds) return false;
        const double vertexOffset = p - q;  // of the current working sphere from the surface vertex
        const double beta = x0 * L + y0 * M - (p + Rs) * N;
        const double gamma = x0 * x0 + y0 * y0 + 2.0 * Rs * p + p * p;
        double along;
        if (!nearRoot(1.0, 1.0, beta, gamma, sign(Rs), kSphereSeries, t, along)) return false;
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
        double delta, mismatch;
        if (std::fabs(slope) <= kFlatSlope) {
            // Where the sag is flat the osculating sphere is the tangent plane
            // through the sag (the limit of the other branch). On the axis that is
            // the vertex plane; elsewhere, at the neutral zone of a Schmidt plate
            // for instance, the plane lies at zs and the mismatch counts from it.
            Rs = std::copysign(kFlatRadius, Rs);
            rhoC = Rs;
            delta = zs;
            // How far the intersection, counted from the surface vertex, lies
            // from the sag: the next round meets the plane at zs.
            mismatch = z + vertexOffset - zs;
        } else {
            rhoC = h / slope;
            Rs = sign(slope) * std::sqrt(rhoC * rhoC + h2);
            // rhoC + zs - Rs, written without the cancellation of two nearly equal
            // radii.
            delta = zs - h2 / (rhoC + Rs);
            mismatch = (z - zs) + delta;
        }
        p = q + delta;
        if (!(std::fabs(mismatch) >= kAsphereTolerance)) break;
    }
    // The normal of the last working sphere, (-x, -y, rhoC) / Rs.
    const double dot = -x * L - y * M + rhoC * N;
    const double G2 = Rs * Rs;
    hit = {x, y, zs, t, -x, -y, rhoC, dot, G2, 1.0 / G2, sign(Rs), dot / Rs};
    return true;
}

}  // namespace vn::detail
