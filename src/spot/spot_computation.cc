#include "spot/spot_computation.h"

#include "base/units.h"
#include "model/number_format.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "optics/batch_trace.h"
#include "spot/focus_fit.h"
#include "spot/focus_model.h"

namespace vn {
namespace {

bool samplingFits(const PupilSampling& pupil) {
    return pupil.zoneCount >= 1 && pupil.zoneCount < kStoreRings && pupil.azimuthCount >= 1 &&
           pupil.azimuthCount < kStoreAzimuths;
}

// Whether the prepared system is its own mirror image in the meridional
// plane (x -> -x): no surface is tilted about the y axis. A ray from a field
// point in that plane through pupil azimuth -theta is then the mirror image of
// the one through +theta (x, L negated, everything else equal to the last
// bits), and need not be traced. A pair of probe rays confirms it, so that an
// asymmetry the surface flags do not show falls back to tracing every ray.
bool mirrorSymmetric(const TraceSystem& sys, const FitSetup& setup, const SpotStore& store) {
    for (int i = 1; i <= sys.N + 1; ++i) {
        const unsigned flags = sys.surface[idx(i)].flags;
        if ((flags & kTraceTilted) && (flags & kTraceSagittal)) return false;
    }
    const int j = 1, mirror = setup.azimuths - 1;
    if (mirror <= j) return true;
    const double h = setup.pupilScale * setup.ringRadius[setup.rings];
    RayState a, b;
    for (RayState* ray : {&a, &b}) {
        const int az = ray == &a ? j : mirror;
        ray->pupilRadius = h;
        ray->pupilAzimuth = store.azimuth[idx(az)];
        aimAtPupil(0.0, 0.0, setup.G, setup.objectDistance, h, store.sinAzimuth[idx(az)],
                   store.cosAzimuth[idx(az)], *ray);
        TraceRay(sys, *ray);
    }
    auto same = [](double u, double v) {
        return std::fabs(u - v) <= 1e-10 * (std::fabs(u) + std::fabs(v)) + 1e-14;
    };
    return a.failed == b.failed && a.blocked == b.blocked && same(a.x, -b.x) && same(a.y, b.y) &&
           same(a.L, -b.L) && same(a.M, b.M) && same(a.N, b.N) && same(a.path, b.path);
}

// Azimuths to trace: all of them, or for a mirror-symmetric fan the half
// 0..n_az/2 whose mirror images j -> n_az - j give the rest.
int tracedAzimuths(int nAz, bool mirrored) {
    return mirrored ? nAz / 2 + 1 : nAz;
}

// Every spot ray of both fields and the three colours, on the focal
// surface now in the model. Each task traces one ring of one colour and field;
// the rays do not depend on one another, so the split does not change them.
void traceSpotRays(const TraceSystem& sys, const FieldPoint& fp, const FitSetup& setup,
                   const RayState& chief, SpotStore& store, WorkerPool& pool) {
    const int rings = setup.rings + 1;  // 0..n
    const int nAz = setup.azimuths;
    pool.run(3 * 2 * rings, [&](int task) {
        const int colour = task / (2 * rings) + 1;
        const int field = task / rings % 2 + 1;
        const int k = task % rings;
        const double p = (field - 1) * fp.v, q = (field - 1) * fp.w;
        const double h = setup.pupilScale * setup.ringRadius[k];
        const bool mirrored = setup.symmetric && p == 0.0;
        RayBatch batch;
        batch.refX = chief.refX;
        batch.refY = chief.refY;
        batch.rayColour = static_cast<std::uint8_t>(colour);
        batch.refColour = static_cast<std::uint8_t>(field);
        batch.rayField = (field - 1) * fp.angle * kDegree;
        const int traced = tracedAzimuths(nAz, mirrored);
        RayState aim;  // only its direction is used, set for every ray
        for (int j0 = 0; j0 < traced; j0 += kBatchRays) {
            batch.count = std::min(kBatchRays, traced - j0);
            for (int l = 0; l < batch.count; ++l) {
                const int j = j0 + l;
                aimAtPupil(p, q, fp.G, setup.objectDistance, h, store.sinAzimuth[idx(j)],
                           store.cosAzimuth[idx(j)], aim);
                batch.set(l, h, store.sinAzimuth[idx(j)], store.cosAzimuth[idx(j)], aim.L, aim.M,
                          aim.N);
            }
            if (setup.oneRayAtATime)
                traceEachRay(sys, batch, &store.azimuth[idx(j0)]);
            else
                traceBatch(sys, batch);
            // The azimuths of a ring are contiguous in the store; the loop has
            // no branch, so that it runs in vector registers.
            const size_t i0 = SpotStore::index(j0, k, colour, field);
            for (int l = 0; l < batch.count; ++l) {
                const size_t b = idx(l), i = i0 + b;
                const double toRef = setup.delta / batch.N[b];
                const double yRef = batch.y[b] - toRef * batch.M[b];
                const double xRef = batch.x[b] - toRef * batch.L[b];
                const float dirN = static_cast<float>(batch.N[b]);
                // A ray that leaves the last surface across the axis has no point
                // on a focal plane; it counts as lost.
                const double sum = yRef + xRef;
                const bool lost = !(sum - sum == 0.0) || dirN == 0.0f;
                store.y[i] = batch.y[b];
                store.x[i] = batch.x[b];
                store.yRef[i] = lost ? batch.y[b] : yRef;
                store.xRef[i] = lost ? batch.x[b] : xRef;
                store.dirN[i] = dirN;
                store.dirM[i] = static_cast<float>(batch.M[b]);
                store.dirL[i] = static_cast<float>(batch.L[b]);
                store.opl[i] = batch.path[b];
                store.wave[i] = batch.waveTerm[b];  // the path part follows once opl_0 is known
                store.blocked[i] = lost ? std::uint8_t{1} : batch.blocked[b];
            }
        }
        for (int j = traced; j < nAz; ++j) {
            const size_t i = SpotStore::index(j, k, colour, field);
            const size_t m = SpotStore::index(nAz - j, k, colour, field);
            store.y[i] = store.y[m];
            store.x[i] = -store.x[m];
            store.yRef[i] = store.yRef[m];
            store.xRef[i] = -store.xRef[m];
            store.dirN[i] = store.dirN[m];
            store.dirM[i] = store.dirM[m];
            store.dirL[i] = -store.dirL[m];
            store.opl[i] = store.opl[m];
            store.wave[i] = store.wave[m];
            store.blocked[i] = store.blocked[m];
        }
    });
}

// The wavefront deviation in waves: the path difference to the pupil centre
// (ray [0][0], traced first) plus the trace's transverse term.
void finishWavefronts(const SystemModel& m, const FitSetup& setup, SpotStore& store,
                      WorkerPool& pool) {
    const int rings = setup.rings + 1;
    const double focalMm = m.sys.focalLength;
    const double focal = std::fabs(m.sys.normFocal);
    pool.run(3 * 2, [&](int task) {
        const int colour = task / 2 + 1, field = task % 2 + 1;
        const double lambda = m.sys.wavelength[idx(colourIndex(colour))];
        const double opl0 = store.opl[SpotStore::index(0, 0, colour, field)];
        for (int k = 0; k < rings; ++k)
            for (int j = 0; j < setup.azimuths; ++j) {
                const size_t i = SpotStore::index(j, k, colour, field);
                store.wave[i] =
                    ((opl0 - store.opl[i]) * focalMm / lambda * 1000.0 + store.wave[i]) / focal;
            }
    });
}

// Blocked rays lose their weight, in the order red, blue, green, so that a ray
// blocked in one colour is missing in the colours after it; the weight sums
// count the central ray once and every other ray once per colour.
void collectWeights(const SpotStore& store, const FitSetup& setup, PupilWeights& weights,
                    SpotResults& res) {
    const int n = setup.rings, nAz = setup.azimuths;
    for (int field = 1; field <= 2; ++field) {
        double sigma = 0.0;
        for (int colour = 1; colour <= 3; ++colour)
            for (int k = 0; k <= n; ++k)
                for (int j = 0; j < nAz; ++j) {
                    float& w = weights[idx(j)][idx(k)][idx(field)];
                    if (store.blocked[SpotStore::index(j, k, colour, field)]) w = 0.0f;
                    if (k >= 1) sigma += std::max(w, 0.0f);
                }
        sigma += weights[0][0][idx(field)];
        res.weightSum[idx(field - 1)] = sigma;
        res.lightLoss[idx(field - 1)] = (1.0 - sigma / (n * nAz * 3 + 1)) * 100.0;
    }
    if (res.weightSum[0] != 0.0)
        res.vignetting = (1.0 - res.weightSum[1] / res.weightSum[0]) * 100.0;
}

}  // namespace

void fillPupilWeights(PupilWeights& weights, const PupilSampling& pupil, double apodisation,
                      int spiderCount) {
    const int n = std::clamp(pupil.zoneCount, 0, kWeightRings - 1);
    const int nAz = std::clamp(pupil.azimuthCount, 0, kWeightAzimuths);
    for (int j = 0; j < nAz; ++j)
        for (int k = 0; k <= n; ++k) {
            const double a = apodisation * pupil.zoneHeight[idx(k)];
            const float w = static_cast<float>(std::exp(-(a * a)));
            weights[idx(j)][idx(k)] = {w, w, w};
        }
    for (int vane = 0; vane < spiderCount && nAz > 0; ++vane) {
        const int j = vane * nAz / spiderCount;
        for (int k = 0; k <= n; ++k) weights[idx(j)][idx(k)] = {0.0f, 0.0f, 0.0f};
    }
}

void createSpotStore(Workspace& ws) {
    sharedWorkerPool();
    if (!ws.spot.store) ws.spot.store = std::make_unique<SpotStore>();
    if (!ws.spot.psfGrid) ws.spot.psfGrid = std::make_unique<PsfGrid>();
}

FieldPoint fieldPoint(const SpotWindowState& window, double maxFieldAngle) {
    FieldPoint fp;
    const double G = 100.0 / std::tan(maxFieldAngle * kDegree);
    if (!std::isfinite(G) || G == 0.0) {
        fp.onAxis = true;
        return fp;
    }
    fp.v = (window.chooserX + 100) - window.selectedX;
    fp.w = (window.chooserY + 100) - window.selectedY;
    fp.r = std::sqrt(fp.v * fp.v + fp.w * fp.w);
    fp.angle = fp.r / 100.0 * maxFieldAngle;
    fp.tangent = std::tan(fp.angle * kDegree);
    fp.G = G;
    return fp;
}

bool pickFieldPoint(Workspace& ws, int x, int y) {
    SpotWindowState& w = ws.spot.window;
    if (x <= w.chooserX) return false;
    w.selectedX = x;
    w.selectedY = y;
    ws.flags.spotComputed = false;
    return true;
}

void pickFieldFraction(Workspace& ws, double fraction) {
    const SpotWindowState& w = ws.spot.window;
    pickFieldPoint(ws, w.chooserX + 100, w.chooserY + 100 - Nearest(100.0 * fraction));
}

ComputeStatus berechnen(Workspace& ws, WorkerPool& pool, SpotTracing tracing) {
    if (!samplingFits(ws.pupil))
        return {false, "Die Strahldichte passt nicht in den Strahlspeicher."};
    createSpotStore(ws);
    SpotStore& store = *ws.spot.store;
    SpotResults& res = ws.spot.results;
    SystemModel& m = ws.model;

    // The field point.
    const FieldPoint fp = fieldPoint(ws.spot.window, m.sys.fieldAngle);

    // Pupil weights.
    fillPupilWeights(ws.spot.weights, ws.pupil, ws.settings.values.apodisation, m.sys.spiderCount);
    res.weightSum = {0.0, 0.0};

    // Paraxial evaluation; the image surface flat and untilted at the paraxial
    // focus.
    if (!evaluate(ws).ok) return {false, "Das System ist nicht berechenbar."};
    // Ray heights, wavefronts in waves and every image scale divide by these.
    if (!(m.sys.normFocal != 0.0 && m.sys.fNumber != 0.0 && m.sys.focalLength != 0.0))
        return {false, "Das System hat keine Brennweite oder keine Öffnungszahl."};
    const int N = m.N();
    m.surf[idx(N)].e = ws.paraxial.backFocus;
    m.surf[idx(N + 1)].u = 0.0;
    m.surf[idx(N + 1)].r = kFlatRadius;

    const int n = ws.pupil.zoneCount, nAz = ws.pupil.azimuthCount;
    for (int j = 0; j < nAz; ++j) {
        store.azimuth[idx(j)] = 2.0 * std::numbers::pi * j / nAz;
        store.sinAzimuth[idx(j)] = std::sin(store.azimuth[idx(j)]);
        store.cosAzimuth[idx(j)] = std::cos(store.azimuth[idx(j)]);
    }
    FitSetup setup;
    setup.rings = std::min(kFitRings, n);
    setup.azimuths = nAz;
    setup.delta = ws.paraxial.signedFocal;
    setup.fieldRadius = fp.r;
    setup.fieldAngle = fp.angle;
    setup.G = fp.G;
    setup.objectDistance = m.sys.objectDistance;
    setup.pupilScale = std::fabs(m.sys.normFocal) / (2.0 * m.sys.fNumber);
    setup.ringRadius = ws.pupil.zoneHeight.data();
    setup.oneRayAtATime = tracing == SpotTracing::OneRayAtATime;
    const double delta = setup.delta;

    // 5, 6. Focus fit, passes A and B. A run starts from the image surface, so
    // that a fit without a single usable ray leaves the surface where it is.
    TraceSystem& sys = ws.spot.trace;
    prepareTrace(m, ws.paraxial, ws.layout.beamFactor, sys);
    setup.symmetric = mirrorSymmetric(sys, setup, store);
    traceFitRays(sys, setup, store, pool);
    res.fitZ = {delta, delta, delta};
    res.fitY = {0.0, 0.0, 0.0};
    res.fitX = {0.0, 0.0, 0.0};
    // Where the fit gives no sphere, the medial image surface of the Seidel
    // sums stands in for it; without those sums the surface stays flat.
    const double medialRadius =
        ws.evaluation.seidelComputable
            ? medialImageRadius(ws.sums.curvature, m.surf[idx(N)].n[colourIndex(kGreen)])
            : kFlatRadius;
    for (int pass = 0; pass < 2; ++pass) {
        foldFitPass(store, ws.spot.weights, setup, pass, res);
        res.bestSphereRadius = bestSphereRadius(res, medialRadius);
        std::array<double, 3>& d = pass == 0 ? res.diffA : res.diffB;
        d = {res.fitZ[2] - res.fitZ[0], res.fitY[2] - res.fitY[0], res.fitX[2] - res.fitX[0]};
    }
    resetFocus(ws.spot.window, delta);

    // Tilt of the best image plane.
    imagePlaneTilt(res.diffA, res.diffB, res.imageTilt, res.tiltPosition);

    // The chosen focal surface becomes the image surface, through the axial
    // best focus.
    const SpotTarget target = ws.settings.values.spotTarget;
    Surface& image = m.surf[idx(N + 1)];
    image.u = target == SpotTarget::PerpendicularPlane ? 0.0 : -res.imageTilt;
    image.r = target == SpotTarget::BestSphere ? res.bestSphereRadius : kFlatRadius;
    res.focusShift = res.fitZ[1] - delta;
    m.surf[idx(N)].e += res.focusShift;
    prepareTrace(m, ws.paraxial, ws.layout.beamFactor, sys);
    setup.symmetric = mirrorSymmetric(sys, setup, store);

    // Chief rays in green: the axis straight along it, the field point from
    // its object point through the pupil centre.
    RayState chief;
    chief.rayColour = kGreen;
    for (int field = 1; field <= 2; ++field) {
        RayState ray;
        ray.rayColour = kGreen;
        ray.rayField = (field - 1) * fp.angle * kDegree;
        if (field == 1) {
            ray.N = 1.0;
            ray.M = ray.L = 0.0;
        } else {
            aimAtPupil(fp.v, fp.w, fp.G, setup.objectDistance, 0.0, 0.0, 1.0, ray);
        }
        TraceRay(sys, ray);
        res.chiefY[idx(field - 1)] = ray.y;
        res.chiefX[idx(field - 1)] = ray.x;
        res.chiefLostAt[idx(field - 1)] = ray.failed ? ray.failedAt : 0;
        chief.refY[idx(field)] = ray.y;
        chief.refX[idx(field)] = ray.x;
    }
    res.distortion = 0.0;
    if (fp.tangent != 0.0 && res.chiefLostAt[1] == 0) {
        const double height =
            std::sqrt(res.chiefY[1] * res.chiefY[1] + res.chiefX[1] * res.chiefX[1]);
        const double d = (height / std::fabs(m.sys.normFocal) / fp.tangent - 1.0) * 100.0;
        if (std::isfinite(d)) res.distortion = d;
    }

    // 10, 11. Spot rays, light loss and vignetting.
    setup.rings = n;
    traceSpotRays(sys, fp, setup, chief, store, pool);
    finishWavefronts(m, setup, store, pool);
    collectWeights(store, setup, ws.spot.weights, res);

    res.rings = n;
    res.azimuths = nAz;
    res.delta = delta;
    res.mirrored = setup.symmetric;
    res.fieldAngle = fp.angle;
    res.fieldTangent = fp.tangent;
    ws.spot.window.lastTracedColour = kGreen;
    ws.flags.spotComputed = true;
    ws.flags.psfStale = true;
    return {};
}

}  // namespace vn
