#include "optics/batch_trace.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "optics/surface_intersection.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// The trace is compiled twice: for the baseline of the build with four lanes
// (an AVX2 register) and, where GCC builds for x86-64, with eight lanes for
// processors with AVX-512, chosen when the program runs. Both round every
// operation alike, so they give the same numbers.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define VN_BATCH_WIDE 1
#else
#define VN_BATCH_WIDE 0
#endif

// The vectors are passed by value only between the kernel's own functions,
// which all have internal linkage: GCC's notes on their calling convention
// (for the eight-lane vectors in a build for AVX2) concern no caller.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace vn {
namespace lanes4 {
constexpr int kLanes = 4;
#define VN_KERNEL_AVX512 0
#include "optics/batch_trace_kernel.inc"
#undef VN_KERNEL_AVX512
}  // namespace lanes4
}  // namespace vn

#if VN_BATCH_WIDE
#pragma GCC push_options
#pragma GCC target("arch=x86-64-v4")
namespace vn {
namespace lanes8 {
constexpr int kLanes = 8;
#define VN_KERNEL_AVX512 1
#include "optics/batch_trace_kernel.inc"
#undef VN_KERNEL_AVX512
}  // namespace lanes8
}  // namespace vn
#pragma GCC pop_options
#endif

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace vn {

int batchLanes() {
#if VN_BATCH_WIDE
    static const bool wide =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw");
    return wide ? 8 : 4;
#else
    return 4;
#endif
}

void traceBatch(const TraceSystem& sys, RayBatch& b, [[maybe_unused]] int lanes) {
    b.count = std::clamp(b.count, 0, kBatchRays);
#if VN_BATCH_WIDE
    if (lanes == 8 && batchLanes() == 8) {
        lanes8::traceLanes(sys, b);
        return;
    }
#endif
    lanes4::traceLanes(sys, b);
}

void traceBatch(const TraceSystem& sys, RayBatch& b) {
    traceBatch(sys, b, batchLanes());
}

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

}  // namespace vn
