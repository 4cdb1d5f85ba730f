// The spot computation of the spot window (berechnen): the pupil grid of rays
// traced in three colours for the axis and the chosen field point, on a focal
// surface found by tracing (best sphere, best plane or the plane
// perpendicular to the axis), which is written into the model as its image
// surface; with distortion, light loss and vignetting.
#pragma once

#include "base/worker_pool.h"
#include "workspace/workspace.h"

namespace vn {

// Outcome of a computation. The message is German text for the user, in
// static storage, so that reporting it allocates nothing.
struct ComputeStatus {
    bool ok = true;
    const char* message = nullptr;
};

// Pupil weights exp(-(a rho_k)^2) for rings 0..n and azimuths 0..n_az-1 in all
// three slots, then the azimuth column floor(i n_az / v) of each of the v
// spider vanes set to 0 (a vane blocks one azimuth of the grid). The run cycle
// and every spot computation fill them.
void fillPupilWeights(PupilWeights& weights, const PupilSampling& pupil, double apodisation,
                      int spiderCount);

// Creating the spot window: allocates the ray store and the PSF grid (once;
// later calls keep them) and starts the shared worker pool, so that the
// computations allocate nothing afterwards.
void createSpotStore(Workspace& ws);

// The field point chosen in the chooser.
struct FieldPoint {
    double v = 0.0, w = 0.0;  // offsets of the chooser centre from the point, pixels
    double r = 0.0;           // their length
    double angle = 0.0;       // field angle w_sel, degrees
    double tangent = 0.0;     // tan(w_sel)
    // Distance of the virtual object plane, pixels: an object point at chooser
    // offset (p, q) has the field direction of tangent sqrt(p^2 + q^2) / G.
    double G = 1.0;
    bool onAxis = false;  // the system has no field (maximum field angle 0)
};

// 100 chooser pixels stand for the maximum field angle. A maximum field angle
// whose tangent is 0 or not finite puts the field point on the axis.
FieldPoint fieldPoint(const SpotWindowState& window, double maxFieldAngle);

// A click in the spot window at (x, y): right of the chooser's left edge it
// picks the field point, also outside the chooser square, and the spots must
// be computed again; on or left of the edge it changes nothing. Returns
// whether it picked.
bool pickFieldPoint(Workspace& ws, int x, int y);

// The field point as a fraction of the maximum field angle above the axis (1
// is the top middle of the chooser, 100 pixels above its centre), as the
// chooser pixel it stands for.
void pickFieldFraction(Workspace& ws, double fraction);

// berechnen: the whole computation on the current model, in the order of the
// spot window. Writes the ray store, the pupil weights, the results and the
// chosen focal surface into the model (image tilt, radius and the back focal
// distance moved to the axial best focus); sets the focus to the image surface
// and the spot-computed and PSF-stale flags. Rays are traced on all threads of
// `pool`; the results do not depend on the number of threads. When the system
// cannot be evaluated nothing changes but the model's paraxial values, and the
// status says why (ws.evaluation has the details).
// `tracing` chooses between the batched trace and TraceRay for one ray at a
// time, the reference that the benchmarks and tests compare it with; both give
// the same results.
enum class SpotTracing { Batched, OneRayAtATime };
ComputeStatus berechnen(Workspace& ws, WorkerPool& pool = sharedWorkerPool(),
                        SpotTracing tracing = SpotTracing::Batched);

}  // namespace vn
