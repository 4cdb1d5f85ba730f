// The real ray trace for many rays of one colour and one field at once.
//
// A RayBatch holds up to kBatchRays rays in structure-of-arrays form, small
// enough to stay in the first-level cache. traceBatch carries all of them
// through the prepared system surface by surface, several rays per vector
// register, and gives every ray exactly the numbers TraceRay gives it: each
// operation is the same IEEE operation in the same order, a ray that is
// blocked or cannot be followed is a mask that freezes its lane rather than an
// early exit. The per-surface values of RayState (surfZ, surfY, surfCos,
// surfStep) are not kept; the trace of single rays has them.
#pragma once

#include <array>
#include <cstdint>

#include "optics/ray_trace.h"

namespace vn {

inline constexpr int kBatchRays = 64;

struct RayBatch {
    // Set by the caller for the whole batch, as in RayState.
    int count = 0;  // rays 0..count-1 are traced
    std::uint8_t rayColour = kGreen;
    double rayField = 0.0;  // meridional field angle, radians
    std::uint8_t refColour = 0;
    std::array<double, 3> refX{}, refY{};

    // Per ray, set by the caller: the pupil radius, the position in the
    // entrance-pupil plane (radius times sine and cosine of the pupil azimuth,
    // as TraceRay computes it) and the start direction. The trace leaves the
    // final position and direction in x, y, z, L, M, N.
    alignas(64) std::array<double, kBatchRays> rho{}, x{}, y{}, L{}, M{}, N{};
    // Set by the trace, as the fields of RayState of the same name.
    alignas(64) std::array<double, kBatchRays> z{}, path{}, step{}, waveTerm{};
    std::array<std::uint8_t, kBatchRays> blocked{}, failed{}, failedAt{};

    // Sets the pupil position and start direction of ray l.
    void set(int l, double radius, double sinAzimuth, double cosAzimuth, double dirL, double dirM,
             double dirN) {
        const auto i = static_cast<size_t>(l);
        rho[i] = radius;
        x[i] = radius * sinAzimuth;
        y[i] = radius * cosAzimuth;
        L[i] = dirL;
        M[i] = dirM;
        N[i] = dirN;
    }
};

// Traces rays 0..count-1 of the batch (count at most kBatchRays). Every ray
// gets what TraceRay gives the RayState with the same inputs, blocked cleared
// before. Allocates nothing; batches through one TraceSystem can be traced on
// several threads at once.
void traceBatch(const TraceSystem& sys, RayBatch& batch);

// The number of rays per vector register the trace uses on this processor: 8
// with AVX-512, 4 otherwise. traceBatch with `lanes` 4 runs the four-lane
// variant anywhere, with 8 the eight-lane one where the processor has it (the
// four-lane one elsewhere); both give the same numbers, which the tests check.
int batchLanes();
void traceBatch(const TraceSystem& sys, RayBatch& batch, int lanes);

// The same rays traced one at a time by TraceRay, ray l from the pupil azimuth
// azimuths[l] (whose sine and cosine the caller gave to set()): the reference
// that measures what the batched trace gains, with the outputs traceBatch
// gives.
void traceEachRay(const TraceSystem& sys, RayBatch& batch, const double* azimuths);

}  // namespace vn
