#include "optics/batch_trace.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "optics/surface_intersection.h"

#if defined(__AVX__)
#include <immintrin.h>
#endif

// Every expression below is written as its counterpart in ray_trace.cc and
// surface_intersection.h, term for term and in the same grouping, so that
// each lane computes the very numbers of the scalar trace: the vector units
// round each operation as the scalar ones do, and -ffp-contract=off keeps the
// compiler from fusing any of them. Branches of the scalar code become
// selects; a branch is skipped only when no lane of the register takes it.

#ifndef VN_LANES
#define VN_LANES 4
#endif
namespace vn {
namespace {

constexpr int kLanes = VN_LANES;
using V = double __attribute__((vector_size(kLanes * sizeof(double))));
using Mask = decltype(V{} < V{});
constexpr int kVectors = kBatchRays / kLanes;
static_assert(kBatchRays % kLanes == 0);

constexpr double kLongestStep = 1e100;    // as in ray_trace.cc
constexpr double kUnitDirectionV = 1e-3;  // as kUnitDirection in ray_trace.cc

[[gnu::always_inline]] inline V load(const double* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void store(double* p, V v) {
    std::memcpy(p, &v, sizeof v);
}

[[gnu::always_inline]] inline Mask loadMask(const std::int64_t* p) {
    Mask m;
    std::memcpy(&m, p, sizeof m);
    return m;
}

[[gnu::always_inline]] inline void storeMask(std::int64_t* p, Mask m) {
    std::memcpy(p, &m, sizeof m);
}

[[gnu::always_inline]] inline V all(double s) {
    return V{} + s;
}

[[gnu::always_inline]] inline V sqrtV(V v) {
    for (int l = 0; l < kLanes; ++l) v[l] = __builtin_sqrt(v[l]);
    return v;
}

[[gnu::always_inline]] inline bool any(Mask m) {
    std::int64_t r = 0;
    for (int l = 0; l < kLanes; ++l) r |= m[l];
    return r != 0;
}

constexpr std::int64_t kSignBit = std::numeric_limits<std::int64_t>::min();

[[gnu::always_inline]] inline V fabsV(V v) {
    return reinterpret_cast<V>(reinterpret_cast<Mask>(v) & ~kSignBit);
}

// std::copysign(magnitude, s) for magnitude >= 0.
[[gnu::always_inline]] inline V copysignV(double magnitude, V s) {
    return reinterpret_cast<V>((reinterpret_cast<Mask>(s) & kSignBit) |
                               reinterpret_cast<Mask>(all(magnitude)));
}

[[gnu::always_inline]] inline V signV(V v) {
    return v < 0.0 ? all(-1.0) : all(1.0);
}

[[gnu::always_inline]] inline Mask finiteV(V v) {
    return (v - v) == 0.0;
}

// detail::nearRoot lane by lane: the series where it applies, the root form
// elsewhere; the mask tells which lanes meet the surface.
[[gnu::always_inline]] inline Mask nearRoot(V a, V inverseA, V beta, V gamma, V sR,
                                            double seriesLimit, V& t, V& along) {
    const Mask series = (beta != 0.0) & (fabsV(gamma * a) <= seriesLimit * beta * beta);
    Mask ok = series;
    if (any(series)) {
        const V inverseBeta = 1.0 / beta;
        const V u = gamma * inverseBeta;
        t = -0.5 * u - 0.125 * a * u * u * inverseBeta;
        along = -(beta + a * t);
    }
    if (any(~series)) {
        const V discriminant = beta * beta - gamma * a;
        const V alongRoot = sR * sqrtV(discriminant);
        const V tRoot = (-beta - alongRoot) * inverseA;
        t = series ? t : tRoot;
        along = series ? along : alongRoot;
        ok |= discriminant >= 0.0;
    }
    return ok;
}

struct HitV {
    V x, y, z, t, ux, uy, uz, dot, G2, inverseG2, signG, cosI;
};

[[gnu::always_inline]] inline Mask intersectConic(const TraceSurface& S, V x0, V y0, V q, V L, V M,
                                                  V N, HitV& hit) {
    V a = all(1.0), inverseA = all(1.0);
    // For k = 0, a is 1 + 0 N^2 = 1 exactly.
    if (S.flags & kTraceConic) {
        a = 1.0 + S.kappa * N * N;
        inverseA = 1.0 / a;
    }
    const V beta = x0 * L + y0 * M - (S.kappa1 * q + S.R) * N;
    const V gamma = x0 * x0 + y0 * y0 + 2.0 * S.R * q + S.kappa1 * q * q;
    const V sR = all(S.sR);
    V t{}, dot{};
    Mask ok = nearRoot(a, inverseA, beta, gamma, sR, detail::kConicSeries, t, dot);
    V x = x0 + t * L, y = y0 + t * M, z = t * N - q;
    V sx = all(0.0), dz = all(0.0);
    if (S.flags & kTraceToric) {
        sx = x * S.A8;
        dz = -sx * x * S.toricSag;
        const V qt = q - dz;
        const V xs = x0 - sx;
        const V betaT = y0 * M + xs * L - (S.kappa1 * qt + S.R) * N;
        const V gammaT = y0 * y0 + xs * xs + 2.0 * S.R * qt + S.kappa1 * qt * qt;
        ok &= nearRoot(a, inverseA, betaT, gammaT, sR, detail::kConicSeries, t, dot);
        x = x0 + t * L - sx;
        y = y0 + t * M;
        z = t * N - qt;
    }
    V g2 = all(S.R2), inverseG2 = all(S.invR2), cosI = dot * S.invR;
    if (S.flags & kTraceConic) {
        g2 = S.R2 - S.kappa * (x * x + y * y);
        ok &= g2 >= 0.0;
        inverseG2 = 1.0 / g2;
        cosI = dot * (S.sR * sqrtV(g2) * inverseG2);
    }
    hit = {x + sx, y, z - dz, t, -x, -y, S.R - S.kappa1 * z, dot, g2, inverseG2, sR, cosI};
    return ok;
}

// detail::intersectAsphere: every lane runs the osculating-sphere rounds until
// it has settled or failed; a lane that is done keeps its values while the
// others go on. `active` holds the lanes to intersect.
[[gnu::always_inline]] inline Mask intersectAsphere(const TraceSurface& S, V x0, V y0, V q, V L,
                                                    V M, V N, Mask active, HitV& hit) {
    V Rs = all(S.R), p = q, rhoC = Rs;
    V zs = all(0.0), t = all(0.0), x = x0, y = y0;
    Mask ok = active;
    for (int round = 0; any(active); ++round) {
        if (round == detail::kAsphereRounds) {
            ok &= ~active;
            break;
        }
        const V vertexOffset = p - q;
        const V beta = x0 * L + y0 * M - (p + Rs) * N;
        const V gamma = x0 * x0 + y0 * y0 + 2.0 * Rs * p + p * p;
        V tn{}, along{};
        const Mask met =
            nearRoot(all(1.0), all(1.0), beta, gamma, signV(Rs), detail::kSphereSeries, tn, along);
        const V z = tn * N - p;
        const V xn = x0 + tn * L;
        const V yn = y0 + tn * M;
        const V h2 = xn * xn + yn * yn;
        const V h = sqrtV(h2);
        const V w = S.R2 - S.kappa1 * h2;
        const V root = S.sR * sqrtV(w);
        const V zsn = h2 / (S.R + root) + h2 * (S.A2 + h2 * (S.A4 + h2 * (S.A6 + h2 * S.A8)));
        const V slopeOff =
            h * (2.0 * S.A2 + h2 * (4.0 * S.A4 + h2 * (6.0 * S.A6 + h2 * 8.0 * S.A8))) + h / root;
        const V slope = h > detail::kOnAxis ? slopeOff : all(0.0);
        const Mask flat = fabsV(slope) <= detail::kFlatSlope;
        // The tangent plane where the sag is flat, the osculating sphere elsewhere.
        const V RsFlat = copysignV(kFlatRadius, Rs);
        const V mismatchFlat = z + vertexOffset - zsn;
        const V rhoCurved = h / slope;
        const V RsCurved = signV(slope) * sqrtV(rhoCurved * rhoCurved + h2);
        const V deltaCurved = zsn - h2 / (rhoCurved + RsCurved);
        const V mismatchCurved = (z - zsn) + deltaCurved;

        const Mask commit = active & met & (w >= 0.0);
        ok &= ~(active & ~commit);
        Rs = commit ? (flat ? RsFlat : RsCurved) : Rs;
        rhoC = commit ? (flat ? RsFlat : rhoCurved) : rhoC;
        p = commit ? q + (flat ? zsn : deltaCurved) : p;
        zs = commit ? zsn : zs;
        t = commit ? tn : t;
        x = commit ? xn : x;
        y = commit ? yn : y;
        const V mismatch = flat ? mismatchFlat : mismatchCurved;
        active = commit & (fabsV(mismatch) >= detail::kAsphereTolerance);
    }
    const V dot = -x * L - y * M + rhoC * N;
    const V G2 = Rs * Rs;
    hit = {x, y, zs, t, -x, -y, rhoC, dot, G2, 1.0 / G2, signV(Rs), dot / Rs};
    return ok;
}

// The state of four rays between two surfaces.
struct RaysV {
    V x, y, z, L, M, N, path;
};

// passSurface of ray_trace.cc for four rays: the rays after the surface, and
// the mask of the lanes that passed it.
[[gnu::always_inline]] inline Mask passSurface(const TraceSurface& S, size_t colour, const RaysV& r,
                                               Mask alive, RaysV& out, V& cosI, V& step) {
    V x = r.x, y = r.y - S.tolDy;
    V q = S.gap - r.z + S.tolDx;
    V L = r.L, M = r.M, N = r.N;
    const unsigned flags = S.flags;
    if (flags & kTraceTilted) {
        const double s = S.sinTilt, c = S.cosTilt;
        const V qOld = q;
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

    HitV hit;
    Mask ok = (flags & kTraceAsphere) ? intersectAsphere(S, x, y, q, L, M, N, alive, hit)
                                      : intersectConic(S, x, y, q, L, M, N, hit);
    ok &= fabsV(hit.t) < kLongestStep;

    const double mu = S.mu[colour];
    V root;
    if (S.mu2[colour] == 1.0) {
        root = fabsV(hit.dot);
    } else {
        const V radicand = hit.G2 * S.oneMinusMu2[colour] + S.mu2[colour] * hit.dot * hit.dot;
        ok &= radicand >= 0.0;
        root = sqrtV(radicand);
    }
    const V g = (hit.signG * root - mu * hit.dot) * hit.inverseG2;
    ok &= finiteV(g + hit.cosI);
    const V Ln = mu * L + g * hit.ux, Mn = mu * M + g * hit.uy, Nn = mu * N + g * hit.uz;
    // As in the single-ray trace: a refracted direction that is no longer a
    // unit vector comes from an intersection that lost its digits.
    ok &= fabsV(Ln * Ln + Mn * Mn + Nn * Nn - 1.0) <= kUnitDirectionV;

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
        out = {hit.x, hit.y + S.tolDy, hit.z + S.tolDx, Ln, Mn, Nn, V{}};
    }
    out.path = r.path + hit.t * S.nBefore[colour];
    cosI = hit.cosI;
    step = hit.t;
    return ok;
}

// Working state of a batch beside the rays themselves.
struct Lanes {
    alignas(64) std::array<std::int64_t, kBatchRays> alive, blocked;
    alignas(64) std::array<double, kBatchRays> failedAt;
};

RaysV loadRays(const RayBatch& b, size_t o) {
    return {load(&b.x[o]), load(&b.y[o]), load(&b.z[o]),   load(&b.L[o]),
            load(&b.M[o]), load(&b.N[o]), load(&b.path[o])};
}

void storeRays(RayBatch& b, size_t o, const RaysV& r) {
    store(&b.x[o], r.x);
    store(&b.y[o], r.y);
    store(&b.z[o], r.z);
    store(&b.L[o], r.L);
    store(&b.M[o], r.M);
    store(&b.N[o], r.N);
    store(&b.path[o], r.path);
}

[[gnu::always_inline]] inline RaysV selectRays(Mask m, const RaysV& a, const RaysV& b) {
    return {m ? a.x : b.x, m ? a.y : b.y, m ? a.z : b.z,      m ? a.L : b.L,
            m ? a.M : b.M, m ? a.N : b.N, m ? a.path : b.path};
}

size_t colourSlot(std::uint8_t colour) {
    return colour >= kRed && colour <= kGreen ? idx(colourIndex(colour)) : idx(colourIndex(kGreen));
}

// The start: position in the pupil plane and the path from the reference
// wavefront (startPath of ray_trace.cc); lanes that cannot start fail at 1.
void startRays(const TraceSystem& sys, size_t colour, RayBatch& b, Lanes& lanes) {
    // TraceRay starts from the angle 0 with sine 0 and cosine 1 (also for -0).
    double sinW = 0.0, cosW = 1.0;
    if (b.rayField != 0.0) {
        sinW = std::sin(b.rayField);
        cosW = std::cos(b.rayField);
    }
    const double d = sys.objectDistance;
    const double n0 = sys.n0[colour];
    for (int v = 0; v < kVectors; ++v) {
        const size_t o = idx(v * kLanes);
        RaysV r{load(&b.x[o]), load(&b.y[o]), all(0.0), load(&b.L[o]),
                load(&b.M[o]), load(&b.N[o]), V{}};
        const V rho = load(&b.rho[o]);
        if (!sys.finiteObject) {
            r.path = (-rho * rho * cosW / 2.0 / d + r.y * r.M + r.x * r.L) * n0;
        } else {
            const double tau = -sinW / cosW;
            const V dy = d * tau + r.y;
            const V lambda = detail::sign(d) * sqrtV(d * d + dy * dy + r.x * r.x);
            r.path = -(rho * rho + 2.0 * r.y * d * tau) / (d / cosW + lambda) * n0;
        }
        Mask alive = finiteV(r.x + r.y + r.L + r.M + r.N + r.path);
        if (!sys.usable) alive = Mask{};
        const RaysV stopped{all(0.0), all(0.0), all(0.0), all(0.0), all(0.0), all(1.0), all(0.0)};
        storeRays(b, o, selectRays(alive, r, stopped));
        storeMask(&lanes.alive[o], alive);
        storeMask(&lanes.blocked[o], Mask{});
        store(&lanes.failedAt[o], alive ? all(0.0) : all(1.0));
        store(&b.step[o], all(0.0));
    }
}

void traceSurface(const TraceSystem& sys, size_t colour, int i, RayBatch& b, Lanes& lanes) {
    const TraceSurface& S = sys.surface[idx(i)];
    for (int v = 0; v < kVectors; ++v) {
        const size_t o = idx(v * kLanes);
        Mask alive = loadMask(&lanes.alive[o]);
        if (!any(alive)) continue;
        Mask passed{};
        if (!(S.flags & kTraceUntraceable)) {
            const RaysV r = loadRays(b, o);
            RaysV out;
            V cosI, step;
            passed = alive & passSurface(S, colour, r, alive, out, cosI, step);
            storeRays(b, o, selectRays(passed, out, r));
            store(&b.step[o], passed ? step : load(&b.step[o]));
            // Blocking only marks the ray; the image plane has none of these flags.
            Mask blocked = loadMask(&lanes.blocked[o]);
            if (S.flags & kTraceClearAperture) {
                blocked |= passed & (out.x * out.x + out.y * out.y > S.aperture2);
            } else if (S.flags & (kTraceStop | kTraceObstruction)) {
                const V dy = out.y - S.tolDy;
                const V d2 = dy * dy + out.x * out.x;
                if (S.flags & kTraceStop) blocked |= passed & (d2 > S.aperture2);
                if (S.flags & kTraceObstruction) blocked |= passed & (d2 < S.aperture2);
            }
            storeMask(&lanes.blocked[o], blocked);
        }
        const Mask lost = alive & ~passed;
        store(&lanes.failedAt[o], lost ? all(double(i)) : load(&lanes.failedAt[o]));
        storeMask(&lanes.alive[o], passed);
    }
}

// The transverse deviation from the reference image position in waves, as
// at the end of TraceRay, and the flags.
void finishRays(const TraceSystem& sys, size_t colour, RayBatch& b, const Lanes& lanes) {
    const size_t slot = std::min<size_t>(b.refColour, 2);
    const double waves = sys.waves[colour];
    const double refX = b.refX[slot], refY = b.refY[slot];
    for (int v = 0; v < kVectors; ++v) {
        const size_t o = idx(v * kLanes);
        const V x = load(&b.x[o]), y = load(&b.y[o]);
        const V L = load(&b.L[o]), M = load(&b.M[o]);
        const V dx = (x - refX) * waves;
        const V dy = (y - refY) * waves;
        const V vv = y * sys.imageInvR;
        V across;
        if (sys.imageSinU == 0.0) {
            across = -sys.imageCosU * vv;
        } else {
            const V w = 1.0 - vv * vv;
            across = sys.imageSinU * sqrtV(0.0 < w ? w : all(0.0)) - sys.imageCosU * vv;
        }
        const V term = ((x * sys.imageInvR + L) * dx + (M - across) * dy) * sys.focusSign;
        store(&b.waveTerm[o], finiteV(term) ? term : all(0.0));
        const V failedAt = load(&lanes.failedAt[o]);
        const Mask failed = failedAt != 0.0;
        store(&b.step[o], failed ? all(0.0) : load(&b.step[o]));
    }
    for (int l = 0; l < b.count; ++l) {
        const size_t i = idx(l);
        const bool failed = lanes.failedAt[i] != 0.0;
        b.failed[i] = failed ? 1 : 0;
        b.failedAt[i] = static_cast<std::uint8_t>(lanes.failedAt[i]);
        b.blocked[i] = failed || lanes.blocked[i] != 0 ? 1 : 0;
    }
}

}  // namespace

void traceEachRay(const TraceSystem& sys, RayBatch& b, const double* azimuths) {
    b.count = std::clamp(b.count, 0, kBatchRays);
    RayState ray;
    ray.rayColour = b.rayColour;
    ray.rayField = b.rayField;
    ray.refColour = b.refColour;
    ray.refX = b.refX;
    ray.refY = b.refY;
    for (int l = 0; l < b.count; ++l) {
        const auto i = static_cast<size_t>(l);
        ray.pupilRadius = b.rho[i];
        ray.pupilAzimuth = azimuths[i];
        ray.L = b.L[i];
        ray.M = b.M[i];
        ray.N = b.N[i];
        ray.blocked = false;
        TraceRay(sys, ray);
        b.x[i] = ray.x;
        b.y[i] = ray.y;
        b.z[i] = ray.z;
        b.L[i] = ray.L;
        b.M[i] = ray.M;
        b.N[i] = ray.N;
        b.path[i] = ray.path;
        b.step[i] = ray.step;
        b.waveTerm[i] = ray.waveTerm;
        b.blocked[i] = ray.blocked ? 1 : 0;
        b.failed[i] = ray.failed ? 1 : 0;
        b.failedAt[i] = static_cast<std::uint8_t>(ray.failedAt);
    }
}

void traceBatch(const TraceSystem& sys, RayBatch& b) {
    b.count = std::clamp(b.count, 0, kBatchRays);
    // Unused lanes trace a ray along the axis; nothing reads them.
    for (int l = b.count; l < kBatchRays; ++l) b.set(l, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0);
    const size_t colour = colourSlot(b.rayColour);
    Lanes lanes;
    startRays(sys, colour, b, lanes);
    for (int i = 1; i <= sys.N + 1; ++i) traceSurface(sys, colour, i, b, lanes);
    finishRays(sys, colour, b, lanes);
}

}  // namespace vn
