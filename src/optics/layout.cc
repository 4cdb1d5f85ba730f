#include "optics/layout.h"

#include "base/units.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "model/glass.h"
#include "model/medium.h"
#include "model/number_format.h"

namespace vn {
namespace {

constexpr size_t kGreenSlot = colourIndex(kGreen);
constexpr double kNearParaxialZone = 0.01;  // Meridian's reference ray at 1 % of the aperture
constexpr int kLeftMargin = 100;            // the leftmost vertex lands this far right of base x

// Sums of pixel coordinates, held in the int range: a system far larger than
// the window still gives pixels, only clipped ones.
int pixelSum(long long a, long long b) {
    return static_cast<int>(std::clamp<long long>(a + b, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

// A rounded offset from the origin.
int pixel(double offset, int origin) {
    return pixelSum(Nearest(offset), origin);
}

double signOf(double v) {
    return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0);
}

// Direction of the axis behind a tilted surface relative to the one before:
// the tilt minus the angle of refraction at that incidence. An index ratio that
// would refract beyond 90 degrees turns the axis by the grazing angle.
double axisTurn(double theta, double indexRatio) {
    double s = std::sin(theta) * indexRatio;
    if (std::isnan(s)) s = 0.0;
    return theta - ArcSin(std::clamp(s, -1.0, 1.0));
}

// Highest usable zone index: Z with zones up to Z+2 inside the tables.
int usableZoneCount(const LayoutInputs& in) {
    const int byHeights = static_cast<int>(in.zoneHeight.size()) - 1;
    return std::clamp(std::min(in.zoneCount, byHeights), 0, kZoneSlots - 3);
}

double zoneHeight(const LayoutInputs& in, int j) {
    return idx(j) < in.zoneHeight.size() ? in.zoneHeight[idx(j)] : 0.0;
}

// The geometry of the layout: axis directions, vertices in model units and pixels,
// and the horizontal extent of the vertices.
void placeVertices(const SystemModel& m, double S, const LayoutView& view, LayoutResults& out,
                   int& smallest, int& largest) {
    const int N = m.N();
    out.axisAngle[0] = 0.0;
    out.vertexZ[0] = out.vertexY[0] = 0.0;
    out.vertexPx[0] = view.originX;
    out.vertexPy[0] = view.originY;
    for (int i = 1; i <= N + 1; ++i) {
        const Surface& s = m.surf[idx(i)];
        const Surface& before = m.surf[idx(i - 1)];
        const double ratio = before.n[kGreenSlot] / s.n[kGreenSlot];
        out.axisAngle[idx(i)] = out.axisAngle[idx(i - 1)] + axisTurn(s.u * kDegree, ratio);
        const double e = i == 1 ? 0.0 : before.e;  // the drawing starts at surface 1
        out.vertexZ[idx(i)] = out.vertexZ[idx(i - 1)] + std::cos(out.axisAngle[idx(i - 1)]) * e;
        out.vertexY[idx(i)] = out.vertexY[idx(i - 1)] - std::sin(out.axisAngle[idx(i - 1)]) * e;
        out.vertexPx[idx(i)] = pixel(S * out.vertexZ[idx(i)], view.originX);
        out.vertexPy[idx(i)] = pixel(S * out.vertexY[idx(i)], view.originY);
        const int px = out.vertexPx[idx(i)];
        smallest = i == 1 ? px : std::min(smallest, px);
        largest = i == 1 ? px : std::max(largest, px);
    }
}

// The fan and marked rays in pixels. A ray the trace could not follow ends at
// the last surface it reached.
class RayPainter {
public:
    RayPainter(const LayoutResults& out, int N, double S, const LayoutView& view)
        : out_(out), N_(N), S_(S), view_(view) {
        for (int i = 0; i <= N + 1; ++i) {
            cosA_[idx(i)] = std::cos(out.axisAngle[idx(i)]);
            sinA_[idx(i)] = std::sin(out.axisAngle[idx(i)]);
        }
    }

    void paint(const RayState& ray, SurfacePixels& px, SurfacePixels& py) const {
        for (int i = 1; i <= N_ + 1; ++i) {
            const size_t k = idx(reached(ray, i) ? i : ray.failedAt - 1);
            const double z = ray.surfZ[idx(i)], y = ray.surfY[idx(i)];
            px[idx(i)] = pixel(S_ * (out_.vertexZ[k] + z * cosA_[k] - y * sinA_[k]), view_.originX);
            py[idx(i)] = pixel(S_ * (out_.vertexY[k] - z * sinA_[k] - y * cosA_[k]), view_.originY);
        }
    }

    static bool reached(const RayState& ray, int i) { return !ray.failed || i < ray.failedAt; }

private:
    const LayoutResults& out_;
    int N_;
    double S_;
    const LayoutView& view_;
    SurfaceValues cosA_{}, sinA_{};
};

// Everything the ray fan of RechneKoord shares between its steps.
struct Fan {
    SystemModel& m;
    const ParaxialData& p;
    const LayoutInputs& in;
    LayoutResults& out;
    const RayPainter& painter;
    TraceSystem& sys;
    RayState& ray;
    double S;
    int Z;
    std::array<bool, kTableSize> stopLike;  // "Schatten", "Obstr" or "Blende"

    // Radius in the entrance pupil of zone j.
    double pupilRadius(int j) const {
        return std::fabs(m.sys.normFocal) * zoneHeight(in, std::abs(j)) / 2.0 / m.sys.fNumber;
    }

    // A meridional ray of field w through the pupil at height y0 = +-radius
    // (azimuth 0 or pi); its direction leaves the object point towards that
    // pupil position.
    void trace(double w, double radius, bool upper) {
        ray.pupilRadius = radius;
        ray.pupilAzimuth = upper ? 0.0 : std::numbers::pi;
        ray.rayField = w;
        const double y0 = upper ? radius : -radius;
        const double alpha = w - y0 / m.sys.objectDistance;
        ray.L = 0.0;
        ray.M = std::sin(alpha);
        ray.N = std::cos(alpha);
        TraceRay(sys, ray);
    }

    // Rim ray of side s: it sizes the clear apertures of the rays that follow.
    void rimRay(double w, int side) {
        trace(w, pupilRadius(Z), side == 0);
        const int N = m.N();
        for (int i = 1; i <= N + 1 && RayPainter::reached(ray, i); ++i) {
            const double H = p.marginalHeight[idx(i)];
            out.beamHeight[idx(i)] = std::max(out.beamHeight[idx(i)], std::fabs(ray.surfY[idx(i)]));
            if (H != 0.0) out.beamFactor[idx(i)] = out.beamHeight[idx(i)] / H * 2.0 * m.sys.fNumber;
        }
        setBeamFactors(sys, out.beamFactor);
    }

    // Drawn ray of side s: the outermost zone ray that passes every aperture,
    // crossing to the other half of the pupil when the inner zones are
    // obstructed. When every zone is blocked, the chief ray of the field is drawn.
    void drawnRay(double w, int field, int side) {
        bool found = false;
        for (int j = Z; j >= -Z && !found; --j) {
            ray.blocked = false;
            trace(w, pupilRadius(j), (j >= 0) == (side == 0));
            found = !ray.blocked;
        }
        if (!found) {
            ray.blocked = false;
            trace(w, 0.0, side == 0);
        }
        painter.paint(ray, out.fanPx[idx(side)][idx(field)], out.fanPy[idx(side)][idx(field)]);
        const int N = m.N();
        for (int i = 1; i <= N + 1 && RayPainter::reached(ray, i); ++i)
            outline(i, ray.surfY[idx(i)]);
    }

    // Widens the drawn outline of surface i to a ray at height y.
    void outline(int i, double y) {
        const Surface& s = m.surf[idx(i)];
        if (out.rimHalf[idx(i)] >= std::fabs(S * y)) return;
        double hh = s.h >= 1.0 ? y * s.h : y;
        // A rim beyond the radius is drawn at the radius.
        if (std::fabs(hh) > std::fabs(s.r)) hh = std::copysign(std::fabs(s.r), hh);
        const double half =
            stopLike[idx(i)]
                ? std::fabs(out.drawScale * p.marginalHeight[idx(i)] * s.h / 2.0 / m.sys.fNumber)
                : std::fabs(S * hh);
        out.rimHalf[idx(i)] = Nearest(half);
        const double v = s.r != 0.0 ? hh / s.r : 0.0;
        out.edgeSag[idx(i)] = (1.0 - std::sqrt(std::max(0.0, 1.0 - v * v))) * s.r;
    }
};

// Central obstruction by the secondary mirror as a fraction of the beam
// diameter, from the pixel positions of the drawn rays.
double obstructionRatio(const SystemModel& m, const ParaxialData& p, const LayoutResults& out,
                        const LayoutView& view, double S) {
    if (!p.mirrorFound) return 0.0;
    const int N = m.N();
    const int k = p.primaryMirror, d = p.doublePass, mirror = p.secondaryMirror;
    if (k - 1 - d < 0 || k > N || mirror < 1 || mirror > N + 1) return 0.0;
    auto axial = [&](int side, int i) { return double(out.fanPy[idx(side)][1][idx(i)]); };
    double edge[2];  // beam edges at the secondary, pixel y: 0 upper, 1 lower
    if (k > d + 1) {
        // Something precedes the primary: extend the on-axis rays backwards from it.
        const double scale = m.surf[idx(mirror - 1)].e / m.surf[idx(k - 1 - d)].e;
        for (int s = 0; s < 2; ++s)
            edge[s] = axial(s, k - d) - scale * (axial(s, k - 1 - d) - axial(s, k - d));
    } else {
        edge[1] = view.originY + S / 2.0 / m.sys.fNumber;
        edge[0] = view.originY - S / 2.0 / m.sys.fNumber;
    }
    const double a = out.fanPy[1][0][idx(mirror)];  // lower ray of field -w
    const double b = out.fanPy[0][2][idx(mirror)];  // upper ray of field +w
    double x = a - b;
    if (a > edge[1]) x += edge[1] - a;
    if (b < edge[0]) x -= edge[0] - b;
    if (x < 0.0) x = 0.0;
    const double ratio = std::fabs(x / (edge[1] - edge[0]));
    return std::isfinite(ratio) ? ratio : 0.0;
}

void refreshIndices(SystemModel& m) {
    for (int i = 0; i <= m.N() + 1; ++i) {
        Surface& s = m.surf[idx(i)];
        s.lambdaMismatch = {};
        RecomputeIndices(s, m.sys.wavelength);
        markWavelengthMismatch(s, m.sys.wavelength);
    }
}

}  // namespace

void RechneKoord(SystemModel& m, ParaxialData& p, const LayoutInputs& in, LayoutView& view,
                 LayoutResults& out) {
    const int N = m.N();
    if (N < 1 || N > kMaxSurfaces) return;
    const SystemData& sys = m.sys;

    // Scale, indices and axis.
    out.drawScale = view.magnifier ? sys.graphScale * view.outputFactor : sys.graphScale;
    const double S = out.drawScale / std::fabs(sys.normFocal);
    refreshIndices(m);
    out.beamFactor = kUnitBeamFactors;
    out.beamHeight = {};
    int smallest = 0, largest = 0;
    placeVertices(m, S, view, out, smallest, largest);
    if (smallest < view.originX) {
        view.originX =
            pixelSum(view.originX, static_cast<long long>(view.baseX) + kLeftMargin - smallest);
        placeVertices(m, S, view, out, smallest, largest);
    }
    // The extent in pixels back in model units, and those in millimetres.
    const double length = (double(largest) - smallest) / out.drawScale * std::fabs(sys.normFocal) *
                          sys.focalLengthRef;
    out.systemLength = std::isfinite(length) ? length : 0.0;
    p.marginalHeight[idx(N + 1)] = 2.0 * sys.fNumber * std::tan(sys.fieldAngle * kDegree);
    out.rimHalf = {};
    out.edgeSag = {};
    out.fanPx = {};
    out.fanPy = {};
    out.markedPx = {};
    out.markedPy = {};
    out.markedCos = {};
    out.markedStep = {};

    // The ray fan in green, three fields.
    TraceSystem traceSystem;
    prepareTrace(m, p, out.beamFactor, traceSystem);
    RayState ray;
    ray.rayColour = kGreen;
    const RayPainter painter(out, N, S, view);
    Fan fan{m, p, in, out, painter, traceSystem, ray, S, usableZoneCount(in), {}};
    for (int i = 1; i <= N + 1; ++i)
        fan.stopLike[idx(i)] = hasTag(m.surf[idx(i)].medium, kObstructionTags | kTagBlende);
    for (int field = 0; field < 3; ++field) {
        const double w = (field - 1) * sys.fieldAngle * kDegree;
        ray.refColour = static_cast<std::uint8_t>(field);
        fan.rimRay(w, 0);
        fan.rimRay(w, 1);
        fan.drawnRay(w, field, 0);
        fan.drawnRay(w, field, 1);
    }
    out.obstructionRatio = obstructionRatio(m, p, out, view, S);

    // The marked ray.
    ray.refColour = 1;
    ray.rayField = 0.0;
    ray.blocked = false;
    ray.pupilRadius = in.markedHeight;
    ray.pupilAzimuth = 0.0;
    const double angle = in.markedAngle * kDegree;
    ray.L = 0.0;
    ray.M = std::sin(angle);
    ray.N = std::cos(angle);
    TraceRay(traceSystem, ray);
    painter.paint(ray, out.markedPx, out.markedPy);
    for (int i = 1; i <= N + 1; ++i) {
        out.markedCos[idx(i)] = ray.surfCos[idx(i)];
        out.markedStep[idx(i)] = ray.surfStep[idx(i)];
        out.rimHalf[idx(i)] = static_cast<int>(out.rimHalf[idx(i)] * signOf(m.surf[idx(i)].r));
    }
    // The traces leave the entrance-pupil distance in entry 0, as the paraxial
    // evaluation does.
    m.surf[0].e = -sys.entrancePupil;
}

void Meridian(const SystemModel& m, ParaxialData& p, const LayoutInputs& in, LayoutResults& out) {
    const int N = m.N();
    if (N < 1 || N > kMaxSurfaces) return;
    const Surface& image = m.surf[idx(N + 1)];
    if (image.u != 0.0) p.axisDeviation = image.u * kDegree;

    TraceSystem sys;
    prepareTrace(m, p, out.beamFactor, sys);
    RayState ray;
    ray.pupilAzimuth = 0.0;
    ray.rayField = 0.0;
    const int Z = usableZoneCount(in);
    const double F = std::fabs(m.sys.normFocal), K = m.sys.fNumber;
    const double deviationHeight = std::fabs(std::sin(p.axisDeviation) * m.sys.normFocal);
    for (int colour : {kRed, kBlue, kGreen}) {
        const size_t c = idx(colourIndex(colour));
        ray.rayColour = static_cast<std::uint8_t>(colour);
        for (int j = 0; j <= Z + 2; ++j) {
            if (j == Z + 2)
                ray.pupilRadius = deviationHeight;
            else if (j == Z + 1)
                ray.pupilRadius = deviationHeight + F * kNearParaxialZone / 2.0 / K;
            else
                ray.pupilRadius = F * zoneHeight(in, j) / 2.0 / K;
            ray.L = 0.0;
            ray.M = 0.0;
            ray.N = 1.0;
            ray.blocked = false;
            TraceRay(sys, ray);
            // Height one focal length before the image plane, along the ray.
            const double intercept = ray.y - p.signedFocal * ray.M / ray.N;
            const bool usable = !ray.failed && std::isfinite(intercept);
            out.zoneIntercept[idx(j)][c] = usable ? intercept : ray.y;
            out.zoneDirAxis[idx(j)][c] = ray.N;
            out.zoneDirY[idx(j)][c] = ray.M;
            out.zoneFailed[idx(j)][c] = !usable;
        }
    }
}

}  // namespace vn
