#include "spot/focus_fit.h"

#include "base/units.h"
#include "optics/batch_trace.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vn {
namespace {

// Below this sag between the axial and the off-axis focus the best sphere is
// not defined by the fit; below this meridional spread the tilt is not either.
constexpr double kVanishingSag = 1e-10;
constexpr double kVanishingSpread = 1e-10;

}  // namespace

void traceFitRays(const TraceSystem& sys, const FitSetup& setup, SpotStore& store,
                  WorkerPool& pool) {
    const int rings = setup.rings;
    if (rings <= 0) return;
    pool.run(2 * 3 * rings, [&](int task) {
        const int pass = task / (3 * rings);
        const int J = task / rings % 3;
        const int k = task % rings + 1;
        // Pass A moves the fit points sideways (sagittal), pass B up and down.
        const double offset = (J - 1) * setup.fieldRadius;
        const double p = pass == 0 ? offset : 0.0;
        const double q = pass == 0 ? 0.0 : offset;
        const double h = setup.pupilScale * setup.ringRadius[k];
        RayBatch batch;
        batch.rayColour = kGreen;
        batch.refColour = static_cast<std::uint8_t>(J);
        batch.rayField = (J - 1) * setup.fieldAngle * kDegree;
        auto& out = store.fit[idx(pass)][idx(J)][idx(k - 1)];
        const bool mirrored = setup.symmetric && p == 0.0;
        const int traced = mirrored ? setup.azimuths / 2 + 1 : setup.azimuths;
        RayState aim;  // only its direction is used, set for every ray
        for (int j0 = 0; j0 < traced; j0 += kBatchRays) {
            batch.count = std::min(kBatchRays, traced - j0);
            for (int l = 0; l < batch.count; ++l) {
                const int j = j0 + l;
                aimAtPupil(p, q, setup.G, setup.objectDistance, h, store.sinAzimuth[idx(j)],
                           store.cosAzimuth[idx(j)], aim);
                batch.set(l, h, store.sinAzimuth[idx(j)], store.cosAzimuth[idx(j)], aim.L, aim.M,
                          aim.N);
            }
            if (setup.oneRayAtATime)
                traceEachRay(sys, batch, &store.azimuth[idx(j0)]);
            else
                traceBatch(sys, batch);
            for (int l = 0; l < batch.count; ++l) {
                const size_t b = idx(l);
                const double toRef = setup.delta / batch.N[b];
                SpotStore::FitRay& fit = out[idx(j0 + l)];
                fit.y = batch.y[b];
                fit.x = batch.x[b];
                fit.yRef = batch.y[b] - toRef * batch.M[b];
                fit.xRef = batch.x[b] - toRef * batch.L[b];
                // A vignetted ray still shows where the focus lies; one the trace
                // could not follow has no position to show.
                fit.usable = !batch.failed[b] && std::isfinite(fit.yRef + fit.xRef);
            }
        }
        for (int j = traced; j < setup.azimuths; ++j) {
            const SpotStore::FitRay& m = out[idx(setup.azimuths - j)];
            out[idx(j)] = {m.y, -m.x, m.yRef, -m.xRef, m.usable};
        }
    });
}

void foldFitPass(const SpotStore& store, const PupilWeights& weights, const FitSetup& setup,
                 int pass, SpotResults& results) {
    const double delta = setup.delta;
    for (int k = 1; k <= setup.rings; ++k) {
        for (int J = 0; J < 3; ++J) {
            double sy = 0.0, syr = 0.0, sx = 0.0, sxr = 0.0;
            double syyr = 0.0, sxxr = 0.0, syryr = 0.0, sxrxr = 0.0, count = 0.0;
            const auto& rays = store.fit[idx(pass)][idx(J)][idx(k - 1)];
            for (int j = 0; j < setup.azimuths; ++j) {
                const SpotStore::FitRay& f = rays[idx(j)];
                if (!(weights[idx(j)][idx(k)][idx(J)] > 0.0f) || !f.usable) continue;
                sy += f.y;
                syr += f.yRef;
                sx += f.x;
                sxr += f.xRef;
                syyr += f.y * f.yRef;
                sxxr += f.x * f.xRef;
                syryr += f.yRef * f.yRef;
                sxrxr += f.xRef * f.xRef;
                count += 1.0;
            }
            // The plane at z (measured from the reference plane one focal length
            // before the image surface) where the spot, scaled to the distance
            // from the reference plane, has the least variance: s = A / B is the
            // regression of (y, x) on (y', x'), and z = delta / (1 - s).
            const double A = syr * sy + sxr * sx - (syyr + sxxr) * count;
            const double B = syr * syr + sxr * sxr - (syryr + sxrxr) * count;
            if (count == 0.0 || B == 0.0) continue;
            const double z = delta / (1.0 - A / B);
            const double cy = syr / count - (z / delta) / count * (syr - sy);
            const double cx = sxr / count - (z / delta) / count * (sxr - sx);
            if (!std::isfinite(z) || !std::isfinite(cy) || !std::isfinite(cx)) continue;
            results.fitZ[idx(J)] = z;
            results.fitY[idx(J)] = cy;
            results.fitX[idx(J)] = cx;
        }
    }
}

double medialImageRadius(double curvature, double finalIndex) {
    const double radius = (finalIndex < 0.0 ? 1.0 : -1.0) / curvature;
    // A flat medial image (curvature 0) gives no sphere.
    if (!std::isfinite(radius) || radius == 0.0) return kFlatRadius;
    return radius;
}

double bestSphereRadius(const SpotResults& r, double medialRadius) {
    const double sag = (r.fitZ[0] + r.fitZ[2]) / 2.0 - r.fitZ[1];
    double radius;
    if (std::fabs(sag) <= kVanishingSag)
        radius = medialRadius;
    else
        radius = (sag * sag + r.fitY[2] * r.fitY[2] + r.fitX[2] * r.fitX[2]) / (2.0 * sag);
    // A fit gone astray gives no sphere: the image surface stays flat.
    if (!std::isfinite(radius) || radius == 0.0) return kFlatRadius;
    return radius;
}

void imagePlaneTilt(const std::array<double, 3>& a, const std::array<double, 3>& b, double& tilt,
                    double& position) {
    // The normal of the best image plane, components (z, y, x).
    const double nz = b[1] * a[2] - b[2] * a[1];
    const double ny = b[2] * a[0] - b[0] * a[2];
    const double nx = b[0] * a[1] - b[1] * a[0];
    tilt = 0.0;
    if (nz != 0.0) {
        tilt = std::atan(std::sqrt(ny * ny + nx * nx) / nz);
        if (ny >= 0.0) tilt = -tilt;
    }
    position = ny != 0.0 ? std::atan(nx / ny) / kDegree : 0.0;
    if (std::fabs(b[1]) <= kVanishingSpread)
        tilt = 0.0;
    else
        tilt /= kDegree;
    // No negative zeros in the report.
    tilt += 0.0;
    position += 0.0;
}

}  // namespace vn
