// Geometry of the side view of the system (RechneKoord) and the meridional
// zone rays of the longitudinal-aberration and sine-condition diagrams
// (Meridian). Both run on every repaint of the main window, so they allocate
// nothing.
#pragma once

#include <array>
#include <span>

#include "model/system_model.h"
#include "optics/paraxial.h"
#include "optics/ray_trace.h"

namespace vn {

// Zone slots 0..Z+2 of Meridian; the pupil sampling has at most 97 rings.
inline constexpr int kZoneSlots = 100;

// Where the layout sits in the main window. The run cycle sets the base x and
// the origin; dragging in the editing mode moves the origin.
struct LayoutView {
    int clientHeight = 757;  // client height of the main window; the GUI keeps it current
    int baseX = 100;
    int originX = 100, originY = 378;  // pixel position of the first vertex
    bool magnifier = false;            // enlarged view
    int outputFactor = 2;              // enlargement of the magnifier
};

// What the layout reads besides the model and the paraxial results.
struct LayoutInputs {
    int zoneCount = 0;                   // Z
    std::span<const double> zoneHeight;  // ring radii 0..Z relative to the pupil radius
    double markedHeight = 0.0;           // entrance height of the marked ray, model units
    double markedAngle = 0.0;            // direction of the marked ray, degrees
};

using SurfacePixels = std::array<int, kTableSize>;
// Per zone 0..Z+2 and colour (colour number - 1).
using ZoneValues = std::array<std::array<double, 3>, kZoneSlots>;

// Everything the layout drawing needs. Per-surface arrays are indexed by table
// entry; pixel values are window coordinates, y growing downwards.
struct LayoutResults {
    double drawScale = 1.0;                // pixels per model unit at focal length 1
    SurfaceValues axisAngle{};             // direction of the axis behind each surface, radians
    SurfaceValues vertexZ{}, vertexY{};    // vertices along and across the undeviated axis
    SurfacePixels vertexPx{}, vertexPy{};  // the vertices in pixels
    // Drawn rays at surfaces 1..N+1 by [side][field][surface]: side 0 upper,
    // 1 lower; field 0 at -w, 1 on axis, 2 at +w.
    std::array<std::array<SurfacePixels, 3>, 2> fanPx{}, fanPy{};
    SurfacePixels rimHalf{};               // drawn semi-height in pixels, signed like r
    SurfaceValues edgeSag{};               // sag at the drawn semi-height, model units
    SurfacePixels markedPx{}, markedPy{};  // the marked ray
    SurfaceValues markedCos{}, markedStep{};
    SurfaceValues beamHeight{};                   // largest rim-ray height
    SurfaceValues beamFactor = kUnitBeamFactors;  // aperture factor of the trace
    double obstructionRatio = 0.0;                // central obstruction by the secondary ("Ob")
    double systemLength = 0.0;                    // overall length, millimetres
    // Meridian: height one focal length before the image plane, direction
    // cosines along the axis and in y, and whether the zone ray could be traced.
    ZoneValues zoneIntercept{}, zoneDirAxis{}, zoneDirY{};
    std::array<std::array<bool, 3>, kZoneSlots> zoneFailed{};
};

// The side view: bent axis, vertices, the ray fan of three fields searched so
// that the drawn rays pass every aperture, surface outlines, obstruction ratio,
// system length and the marked ray. Refreshes the glass indices from their
// formulas, writes marginalHeight[N+1] and may move view.originX so that the
// system starts right of the origin. Rays the trace cannot follow count as
// blocked; the layout goes on.
void RechneKoord(SystemModel& m, ParaxialData& p, const LayoutInputs& in, LayoutView& view,
                 LayoutResults& out);

// The zone rays of the three colours, parallel to the axis. With a tilted image
// plane it replaces p.axisDeviation by that tilt.
void Meridian(const SystemModel& m, ParaxialData& p, const LayoutInputs& in, LayoutResults& out);

}  // namespace vn
