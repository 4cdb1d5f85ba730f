#include "model/system_model.h"

#include <cmath>

#include "model/medium.h"

namespace vn {

bool reflects(const SurfaceTable& t, int i) {
    return i > 0 && t[static_cast<size_t>(i - 1)].dir * t[static_cast<size_t>(i)].dir < 0.0;
}

SurfaceKind surfaceKind(const SurfaceTable& t, int i) {
    const Surface& s = t[static_cast<size_t>(i)];
    if (reflects(t, i)) return SurfaceKind::Reflection;
    unsigned tags = mediumTags(s.medium);
    if (tags & kObstructionTags) return SurfaceKind::Obstruction;
    if (tags & kStopKindTags) return SurfaceKind::Stop;
    if (s.schmidt != 0.0) return SurfaceKind::Schmidt;
    return SurfaceKind::Refraction;
}

const char* surfaceKindName(SurfaceKind kind) {
    switch (kind) {
        case SurfaceKind::Reflection:
            return "Reflektion";
        case SurfaceKind::Obstruction:
            return "Obstruktion";
        case SurfaceKind::Stop:
            return "Blende";
        case SurfaceKind::Schmidt:
            return "Schmidt";
        case SurfaceKind::Refraction:
            break;
    }
    return "Refraktion";
}

void setDefaultSystem(SystemModel& m) {
    SystemData& s = m.sys;
    s.surfaceCount = 1;
    Surface& mirror = m.surf[1];
    mirror.A2 = mirror.A4 = mirror.A6 = mirror.A8 = mirror.nz = mirror.schmidt = 0.0;
    mirror.sagittal = false;
    mirror.lambdaMismatch = {};

    s.wavelength = {0.6562725, 0.4358343, 0.546074};
    s.title = " ";
    s.source = " ";
    s.focalLength = s.focalLengthRef = 1000.0;
    s.fNumber = s.fNumberRef = 10.0;
    s.fieldAngle = 1.0;
    s.spiderCount = 0;
    s.graphScale = 1.0;
    s.entrancePupil = 0.0;
    s.objectDistance = kObjectAtInfinity;

    auto set = [](Surface& e, double r, double dist, double n, double h, const char* medium,
                  double dir) {
        e.r = r;
        e.e = dist;
        e.n = {n, n, n};
        e.k = 0.0;
        e.u = 0.0;
        e.h = h;
        e.medium = medium;
        e.dir = dir;
    };
    set(m.surf[0], kFlatRadius, 0.0, 1.0, 1.01, "Luft/Blende", 1.0);
    set(m.surf[1], -2.0, -1.0, -1.0, 1.05, "Luft ", -1.0);
    set(m.surf[2], kFlatRadius, 1.0, -1.0, 1.02, " ", -1.0);
    m.surf[2].coef = {};
}

void ClearTol(SystemModel& m) {
    for (int i = 0; i <= m.N(); ++i) {
        Surface& s = m.surf[static_cast<size_t>(i)];
        s.tolDx = s.tolDy = s.tolDw = 0.0;
    }
}

void Normalise(SystemModel& m) {
    // The magnitude of the focal length: dividing by a negative one would turn
    // a diverging system inside out (negative thicknesses, mirrored radii).
    const double F = std::fabs(m.sys.normFocal);
    if (!std::isfinite(F) || F == 0.0) return;
    const double sign = m.sys.normFocal < 0.0 ? -1.0 : 1.0;
    m.sys.objectDistance /= F;
    m.sys.entrancePupil /= F;
    m.surf[0].e /= F;
    for (int i = 1; i <= m.N(); ++i) {
        Surface& s = m.surf[static_cast<size_t>(i)];
        s.r /= F;
        s.e /= F;
        s.A2 *= F;
        s.A4 *= F * F * F;
        s.A6 *= F * F * F * F * F;
    }
    // What the next evaluation finds, so that nothing reads a stale scale in
    // between (a save right after this must not rescale once more).
    m.sys.normFocal = sign;
    m.sys.focalLength = sign * m.sys.focalLengthRef;
    m.sys.fNumber = sign * m.sys.fNumberRef;
}

void deriveSurfaceLists(SystemModel& m) {
    SystemData& s = m.sys;
    s.schmidtCount = 0;
    s.asphereCount = 0;
    for (int i = 1; i <= m.N(); ++i) {
        const Surface& e = m.surf[static_cast<size_t>(i)];
        if (e.schmidt != 0.0) {
            s.schmidtList[static_cast<size_t>(++s.schmidtCount)] = i;
        } else if (e.A2 != 0.0 || e.A4 != 0.0 || e.A6 != 0.0 || e.A8 != 0.0) {
            s.asphereList[static_cast<size_t>(++s.asphereCount)] = i;
        }
    }
}

}  // namespace vn
