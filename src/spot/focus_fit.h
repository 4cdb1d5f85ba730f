// The focus fit of the spot computation: the best focus of three field points
// (-w, 0, +w) along the sagittal (pass A) and the meridional (pass B) field
// direction, from which follow the best image sphere, the tilt of the best
// image plane and the shift of the axial focus.
#pragma once

#include <array>
#include <cmath>

#include "base/worker_pool.h"
#include "optics/ray_trace.h"
#include "workspace/spot_state.h"
#include "workspace/spot_store.h"

namespace vn {

// What the fit rays are aimed with.
struct FitSetup {
    int rings = 0;             // fitted rings 1..rings (at most 12, at most n)
    int azimuths = 0;          // n_az
    double delta = 1.0;        // one focal length, signed like the back focal distance
    double fieldRadius = 0.0;  // r of the field point, chooser pixels
    double fieldAngle = 0.0;   // w_sel, degrees
    double G = 1.0;            // virtual object distance, pixels
    double objectDistance = kObjectAtInfinity;
    double pupilScale = 0.0;             // ray height per relative ring radius, |f'| / (2 N)
    const double* ringRadius = nullptr;  // rho_k
    // The system is its own mirror image in the meridional plane: fans from
    // field points in that plane need only their half 0..n_az/2 traced.
    bool symmetric = false;
    // Trace with TraceRay one ray at a time instead of in batches (the
    // reference of the benchmarks; the results are the same).
    bool oneRayAtATime = false;
};

// Incoming direction of the ray through pupil point (h, theta) from the object
// point at chooser offset (p, q): the pupil point scaled to the virtual object
// plane, (P, Q) = (sin, cos theta) h G / objectDistance, and
// (N, M, L) = (G, q - Q, p - P) / length.
// Inline, so that the loops that aim a batch of rays run it in vector
// registers.
inline void aimAtPupil(double p, double q, double G, double objectDistance, double h,
                       double sinTheta, double cosTheta, RayState& ray) {
    const double P = sinTheta * h * G / objectDistance;
    const double Q = cosTheta * h * G / objectDistance;
    const double dp = p - P, dq = q - Q;
    const double length = std::sqrt(dp * dp + G * G + dq * dq);
    ray.N = G / length;
    ray.M = dq / length;
    ray.L = dp / length;
}

// Traces the fit rays of both passes (green, on the current image surface)
// into store.fit, spread over the pool.
void traceFitRays(const TraceSystem& sys, const FitSetup& setup, SpotStore& store,
                  WorkerPool& pool);

// Folds pass 0 (A) or 1 (B) into the best focus z_J and centroid of each fit
// point, ring by ring: each ring with a defined fit replaces the values before
// (a ring without one leaves them). Rays with a pupil weight of 0 in their
// slot, and rays the trace could not follow, do not count.
void foldFitPass(const SpotStore& store, const PupilWeights& weights, const FitSetup& setup,
                 int pass, SpotResults& results);

// Radius of the medial image surface from the medial curvature sum
// ("Krümm") and the green index of the final medium: -1 / curvature in light
// that runs forwards, +1 / curvature after an odd number of reflections (the
// sum is taken in the signed indices, the radius in the model's direction of
// travel). Flat when the sum is 0 or the radius not finite.
double medialImageRadius(double curvature, double finalIndex);

// Radius of the sphere through the axial best focus and the focus of the +w
// point; `medialRadius` when the sag between them vanishes, flat when that is
// undefined too.
double bestSphereRadius(const SpotResults& results, double medialRadius);

// Tilt (degrees) and its azimuth (degrees) of the plane spanned by the
// difference vectors of the two passes.
void imagePlaneTilt(const std::array<double, 3>& diffA, const std::array<double, 3>& diffB,
                    double& tilt, double& position);

}  // namespace vn
