#include "mainwindow/run_cycle.h"

#include <cmath>
#include <numbers>

#include "model/number_format.h"
#include "spot/focus_model.h"
#include "spot/spot_computation.h"

namespace vn {
namespace {

LayoutInputs layoutInputs(const Workspace& ws) {
    return {ws.pupil.zoneCount, ws.pupil.zoneHeight, ws.marked.height, ws.marked.angle};
}

}  // namespace

void resetInteraction(Workspace& ws) {
    ws.flags.selectionActive = false;
    ws.marked = {};
    SelectionState& s = ws.selection;
    s.pickRadius = s.pickGroup = s.pickDistance = s.pickTilt = s.pickMarked = false;
    s.pickGroupSize = 0;
    s.valueChangePosition = 0;
    s.measureStarted = s.measureComplete = false;
    s.reset = false;
}

int zoneCountFor(int density, int resolution) {
    return ((resolution * 48) >> (4 - density)) + 1;
}

int azimuthCountFor(int density) {
    return 144 >> (4 - density);
}

void computeZoneHeights(PupilSampling& pupil) {
    const int Z = pupil.zoneCount;
    pupil.zoneHeight[0] = 0.0;
    double previous = 0.0;
    for (int k = 1; k <= Z; ++k) {
        const double U = std::sqrt(static_cast<double>(k) / Z);
        const double d = std::sqrt(static_cast<double>(k)) - std::sqrt(static_cast<double>(k - 1));
        pupil.zoneHeight[idx(k)] = U - (3.0 - d * d) * (U - previous) / 6.0;
        previous = U;
    }
}

void buildLensGroups(const SystemModel& m, LensGroups& groups) {
    groups.glassCount = 0;
    groups.airCount = 0;
    groups.air[0] = 0;
    constexpr size_t green = colourIndex(kGreen);
    for (int i = 1; i <= m.N(); ++i) {
        if (std::fabs(m.surf[idx(i)].n[green]) != 1.0) {
            groups.glass[idx(groups.glassCount++)] = i;
        } else {
            const int previous = groups.air[idx(groups.airCount)];
            groups.air[idx(++groups.airCount)] = i;
            groups.size[idx(groups.airCount)] = i - previous - 1;
        }
    }
}

// The file records only the first sagittal surface; the flag belongs to the
// whole lens group that starts there, which is the group closed by the first
// air space at or after that surface.
bool applySagittalMarking(SystemModel& m, const LensGroups& groups) {
    const int q = Nearest(m.surf[0].u);
    if (q <= 0 || q > m.N()) return false;
    int last = q;
    for (int j = 1; j <= groups.airCount; ++j) {
        if (groups.air[idx(j)] >= q) {
            last = groups.air[idx(j)];
            break;
        }
    }
    for (int i = q; i <= last; ++i) m.surf[idx(i)].sagittal = true;
    return true;
}

void placeImagePlane(SystemModel& m, ParaxialData& p) {
    const int N = m.N();
    Surface& last = m.surf[idx(N)];
    Surface& image = m.surf[idx(N + 1)];
    m.surf[0].e = 0.0;
    last.e = p.backFocus;
    image.r = kFlatRadius;
    image.e = last.e;
    image.n = last.n;
    image.dir = 1.0;
    image.k = 0.0;
    image.u = 0.0;
    image.h = 1.2;
    image.medium.clear();
    image.coef = {};
    // A deformation left over from a deleted or replaced surface would make the
    // image plane an asphere or a torus.
    image.A2 = image.A4 = image.A6 = image.A8 = image.schmidt = image.nz = 0.0;
    p.marginalHeight[idx(N + 1)] =
        2.0 * m.sys.fNumber * std::tan(m.sys.fieldAngle * std::numbers::pi / 180.0);
}

void RechneKoord(Workspace& ws) {
    RechneKoord(ws.model, ws.paraxial, layoutInputs(ws), ws.view, ws.layout);
}

void Meridian(Workspace& ws) {
    Meridian(ws.model, ws.paraxial, layoutInputs(ws), ws.layout);
}

EvaluationStatus prepareRepaint(Workspace& ws) {
    const EvaluationStatus status = evaluate(ws);
    if (!status.ok) return status;
    ws.model.surf[static_cast<size_t>(ws.model.N())].e = ws.paraxial.backFocus;
    Meridian(ws);
    RechneKoord(ws);
    return status;
}

EvaluationStatus Start(Workspace& ws) {
    SettingsControls& controls = ws.settings.controls;
    SharedSettings& values = ws.settings.values;

    // The selection starts afresh with the marked ray picked.
    resetInteraction(ws);
    ws.flags.selectionActive = true;
    ws.selection.pickMarked = true;
    controls.zoneDirection = 2;

    ws.pupil.zoneCount = zoneCountFor(controls.spotDensity, ws.pupil.resolution);
    ws.pupil.azimuthCount = azimuthCountFor(controls.spotDensity);

    values.psfOrder = controls.psfOrder;
    values.psfContrast = controls.psfContrast;
    values.psfDiameter = 2 * controls.psfDiameter;
    values.spotZoom = 200.0 * controls.spotScale;
    values.apodisation = controls.apodisation / 10.0;
    values.exportZoom = controls.zoomPercent;

    updateStepSizes(ws.settings);

    buildLensGroups(ws.model, ws.groups);
    ws.flags.sagittalPresent = applySagittalMarking(ws.model, ws.groups);
    computeZoneHeights(ws.pupil);

    ws.marked.height = 0.0;
    ws.marked.angle = markedAngleOfItem(controls.zoneDirection, ws.model.sys.fieldAngle);
    fillPupilWeights(ws.spot.weights, ws.pupil, values.apodisation, ws.model.sys.spiderCount);

    const EvaluationStatus status = evaluate(ws);
    if (status.ok) {
        placeImagePlane(ws.model, ws.paraxial);
        resetFocus(ws.spot.window, ws.paraxial.signedFocal);
    }

    ws.model.sys.graphScale = controls.systemScale;
    values.systemScale = controls.systemScale;
    values.layoutScale = 2.0 * controls.systemScale;
    ws.view.baseX = 100;
    ws.view.originY = ws.view.clientHeight / 2;
    ws.view.originX = ws.view.baseX;
    ws.view.magnifier = false;
    if (status.ok) RechneKoord(ws);
    return status;
}

}  // namespace vn
