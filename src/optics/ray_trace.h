// The real ray trace: one finite ray in one colour from the entrance-pupil
// plane (entry 0) through surfaces 1..N to the image plane N+1.
//
// The surface data are first turned into a TraceSystem, which holds per
// surface every number and flag the trace needs, so that TraceRay touches no
// strings and no model and allocates nothing. The ray itself lives in a
// RayState that the caller owns; traces through one TraceSystem can run on
// several threads at once.
//
// Conventions: z is the optical axis, y-z the meridional plane, x sagittal.
// Indices carry the direction of travel; a mirror is a refraction with index
// ratio -1, so after an odd number of reflections the stored direction is the
// reverse of the physical one, spacings are negative and the steps t come out
// negative, which keeps the path increments t n positive.
#pragma once

#include <array>
#include <cstdint>

#include "model/system_model.h"
#include "optics/paraxial.h"

namespace vn {

using SurfaceValues = std::array<double, kTableSize>;

// Beam factors before any layout has sized the clear apertures.
inline constexpr SurfaceValues kUnitBeamFactors = [] {
    SurfaceValues v{};
    v.fill(1.0);
    return v;
}();

// Input and output of one trace.
struct RayState {
    // Set by the caller.
    std::uint8_t rayColour = kGreen;       // colour number 1 red, 2 blue, 3 green
    double pupilRadius = 0.0;              // radial coordinate in the entrance-pupil plane
    double pupilAzimuth = 0.0;             // radians, measured from the y axis
    double rayField = 0.0;                 // meridional field angle, radians
    double L = 0.0, M = 0.0, N = 1.0;      // start direction; the trace leaves the final one
    std::uint8_t refColour = 0;            // field slot 0..2 of the reference image position
    std::array<double, 3> refX{}, refY{};  // reference image positions per slot

    // Set by the trace.
    double x = 0.0, y = 0.0, z = 0.0;  // position in the frame of the last surface
    double path = 0.0;                 // optical path, relative to the chief ray in object space
    double step = 0.0;                 // path parameter t to the last surface
    // Vignetted, obstructed, stopped, or not traceable. The trace only ever sets
    // it; the caller clears it before each ray it wants to judge.
    bool blocked = false;
    // The ray could not be followed beyond surface `failedAt`: it missed the
    // surface, was totally reflected, or an asphere intersection did not
    // converge. It is then also blocked, and its position and direction stay
    // those after surface failedAt - 1 (the pupil plane for failedAt = 1); the
    // per-surface values from failedAt on repeat them, with step 0 and cosine 1.
    // Reset by every trace.
    bool failed = false;
    int failedAt = 0;
    double waveTerm = 0.0;  // transverse deviation from refX/refY weighted by the direction, waves
    // Per surface 1..N+1: z and y of the intersection in the surface frame after
    // the tilt has been undone, cosine of the angle of incidence, and the step.
    SurfaceValues surfZ{}, surfY{}, surfCos{}, surfStep{};

    // Kept by the trace for the next ray: the last field angle with its sine
    // and cosine. Not for callers.
    std::array<double, 3> fieldAngleCache{0.0, 0.0, 1.0};
};

// Flags of a prepared surface.
enum TraceSurfaceFlag : unsigned {
    kTraceTilted = 1u << 0,         // u != 0
    kTraceSagittal = 1u << 1,       // the tilt turns about the y axis
    kTraceConic = 1u << 2,          // k != 0: the normal needs the conic root
    kTraceToric = 1u << 3,          // A2 = 0, A8 != 0
    kTraceAsphere = 1u << 4,        // A2 != 0 on surfaces 1..N: osculating-sphere iteration
    kTraceStop = 1u << 5,           // "Blende": blocks outside the aperture
    kTraceObstruction = 1u << 6,    // "Schatten"/"Obstr": blocks inside the aperture
    kTraceClearAperture = 1u << 7,  // neither: blocks outside the clear aperture
    kTraceUntraceable = 1u << 8,    // no ray can pass (zero radius or index, impossible tilt)
};

// What the trace needs of surface i, derived from the model and the paraxial
// data. Indices per colour are by colour number - 1.
struct TraceSurface {
    double gap = 0.0;  // axial distance from entry i-1 (e[i-1]; -entrancePupil for i = 1)
    double R = kFlatRadius, sR = 1.0, invR = 0.0;  // radius, sign(R), 1/R
    double R2 = 0.0, invR2 = 0.0;                  // R^2, 1/R^2
    double kappa = 0.0, kappa1 = 1.0;              // k and k + 1
    double tolDx = 0.0, tolDy = 0.0;
    double sinTilt = 0.0, cosTilt = 1.0;  // the surface tilt
    double sinBack = 0.0, cosBack = 1.0;  // the refracted tilt (green) that turns the next frame
    double A2 = 0.0, A4 = 0.0, A6 = 0.0, A8 = 0.0;
    double toricSag = 0.0;  // (1 - A8) / (2 R): axial shift per x^2 of the torus
    std::array<double, 3> mu{}, mu2{}, oneMinusMu2{};  // mu = n_{i-1}/n_i, mu^2, 1 - mu^2
    std::array<double, 3> nBefore{};                   // n_{i-1}
    double marginalHeight = 0.0, limit = 0.0;          // what the aperture is sized from
    double aperture2 = 0.0;                            // square of the aperture radius A
    unsigned flags = 0;
};

struct TraceSystem {
    int N = 0;            // surfaces 1..N, image plane N+1
    bool usable = false;  // 1 <= N <= 29; otherwise every ray fails at surface 1
    std::array<TraceSurface, kTableSize> surface{};
    std::array<double, 3> n0{1.0, 1.0, 1.0};  // object-space index per colour
    double objectDistance = kObjectAtInfinity;
    bool finiteObject = false;  // |objectDistance| <= 1000
    std::array<double, 3> wavelength{};
    double focalLength = 1000.0;    // mm
    std::array<double, 3> waves{};  // focalLength / wavelength: model units to waves
    double focusSign = -1.0;
    double normFocal = 1.0, fNumber = 10.0;
    double imageInvR = 0.0, imageSinU = 0.0, imageCosU = 1.0;  // image surface N+1
};

// Derives the prepared system from the model, the paraxial results
// (marginalHeight, focusSign) and the beam factors of the layout (1.0 where no
// layout has run). Rebuild it whenever any of them changes; it is cheap and
// allocates nothing.
void prepareTrace(const SystemModel& m, const ParaxialData& p, const SurfaceValues& beamFactor,
                  TraceSystem& sys);

// Recomputes the aperture radii for new beam factors, as the layout raises them.
void setBeamFactors(TraceSystem& sys, const SurfaceValues& beamFactor);

// Sets the pupil position, the field and the start direction of `ray`. For an
// object at infinity every ray of a field gets the field's direction
// (L = 0, M = sin w, N = cos w); for a finite object the direction runs from
// the object point, at height d tan w in the plane d = objectDistance before
// the pupil plane (d < 0 for a real object), through the pupil position.
void aimRay(const TraceSystem& sys, double pupilRadius, double pupilAzimuth, double field,
            RayState& ray);

// Traces one ray. Reads the caller's fields of `ray` and writes the others.
// Every value it leaves is finite; a ray it cannot follow is marked failed and
// blocked. Allocates nothing.
void TraceRay(const TraceSystem& sys, RayState& ray);

}  // namespace vn
