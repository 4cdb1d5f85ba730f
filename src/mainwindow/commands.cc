#include "mainwindow/commands.h"

#include <algorithm>
#include <cmath>

#include "mainwindow/document.h"
#include "mainwindow/layout_painter.h"
#include "mainwindow/run_cycle.h"
#include "spot/focus_model.h"

namespace vn {

namespace {

// The PSF order track bar of the settings ends at 12; a toolbar step beyond
// it stays at the end of the bar, as the bar itself would hold it.
constexpr int kMaxPsfOrder = 12;

// Room kept free at the right, top and bottom of the drawing area when a new
// system is fitted into it (the fans start at x = 10).
constexpr int kFitMargin = 8;
// Below the first zoom step the fit shrinks by this factor per try, down to
// the smallest scale it tries.
constexpr double kFitShrink = 0.8;
constexpr double kSmallestFitScale = 5.0;

void setDrawingScale(Workspace& ws, double scale) {
    ws.model.sys.graphScale = scale;
    ws.settings.controls.systemScale = scale;
    ws.settings.values.systemScale = scale;
    ws.settings.values.layoutScale = ws.view.outputFactor * scale;
}

// The layout at another drawing scale, placed as the run cycle places it.
void layOutAt(Workspace& ws, double scale) {
    ws.model.sys.graphScale = scale;
    ws.view.originX = ws.view.baseX;
    RechneKoord(ws);
}

}  // namespace

void zoomLayout(Workspace& ws, bool larger) {
    int k = static_cast<int>(ws.model.sys.graphScale / 200.0);
    if (larger && k < 15) ++k;
    if (!larger && k > 1) --k;
    // A scale below the first step (a file may hold any scale) stays as it is
    // on "kleiner" instead of becoming 0.
    setDrawingScale(ws, k < 1 ? ws.model.sys.graphScale : 200.0 * k);
}

bool layoutFitsView(const Workspace& ws, int width, int height) {
    const PixelBox box = drawnExtent(layoutPictureOf(ws, width, height));
    return box.empty || (box.left >= 0 && box.right < width - kFitMargin && box.top >= kFitMargin &&
                         box.bottom < height - kFitMargin);
}

bool fitLayoutToView(Workspace& ws, int width, int height) {
    if (!ws.evaluation.ok || width <= 2 * kFitMargin || height <= 2 * kFitMargin) return false;
    const double original = ws.model.sys.graphScale;
    if (layoutFitsView(ws, width, height)) return false;
    // The zoom steps below the current scale, then ever smaller scales.
    double scale = original;
    bool fits = false;
    while (!fits && scale > kSmallestFitScale) {
        scale = scale > 200.0 ? 200.0 * std::ceil(scale / 200.0 - 1e-9) - 200.0
                              : std::floor(scale * kFitShrink);
        layOutAt(ws, scale);
        fits = layoutFitsView(ws, width, height);
    }
    if (!fits) {
        // Nothing fits (a system of absurd proportions): keep what it had.
        layOutAt(ws, original);
        return false;
    }
    setDrawingScale(ws, scale);
    return true;
}

void changeStepFactor(Workspace& ws, bool larger) {
    double factor = ws.settings.controls.stepFactor;
    if (larger && factor < 20.0) factor += 1.0;
    if (!larger && factor > 1.0) factor -= 1.0;
    ws.settings.controls.stepFactor = factor;
    ws.settings.values.stepFactor = factor;
    updateStepSizes(ws.settings);
}

void moveRayMarking(Workspace& ws, bool up) {
    int& item = ws.settings.controls.zoneDirection;
    item = std::clamp(item + (up ? 1 : -1), 0, 2);
    ws.marked.angle = markedAngleOfItem(item, ws.model.sys.fieldAngle);
    ws.selection.reset = true;
}

void changeSpotScale(Workspace& ws, bool larger) {
    int& position = ws.settings.controls.spotScale;
    if (larger && position < 50) position += 5;
    if (!larger && position > 5) position -= 5;
    ws.settings.values.spotZoom = 200.0 * position;
}

double focusStepOf(int position) {
    return std::pow(10.0, position) * 1e-7;
}

void changeFocusStep(Workspace& ws, bool larger) {
    int& position = ws.settings.controls.focusStepPosition;
    if (larger && position < 4) ++position;
    if (!larger && position > 1) --position;
    ws.settings.values.focusStep = focusStepOf(position);
    // The spot window's focus track starts again from the focus it shows.
    restartFocusTrack(ws.spot.window);
}

void changePsfOrder(Workspace& ws, bool larger) {
    int& order = ws.settings.controls.psfOrder;
    if (larger && order < 20) ++order;
    if (!larger && order > 1) --order;
    order = std::min(order, kMaxPsfOrder);
    ws.settings.values.psfOrder = order;
    int& density = ws.settings.controls.spotDensity;
    if (order < 21) density = 4;
    if (order < 10) density = 3;
    if (order < 5) density = 2;
    markPsfStale(ws);
    Start(ws);
    markResultsStale(ws);
}

void changePsfDiameter(Workspace& ws, bool larger) {
    int& position = ws.settings.controls.psfDiameter;
    const int a = position / 10;
    if (larger && a < 5) position = (a + 1) * 10;
    if (!larger && a > 1) position = (a - 1) * 10;
    ws.settings.values.psfDiameter = 2 * position;
    markPsfStale(ws);
}

void choosePsfColour(Workspace& ws, int colour) {
    ws.settings.values.psfColour = colour;
    ws.settings.controls.psfColourItem = itemOfPsfColour(colour);
    markPsfStale(ws);
}

bool toggleDesignMode(Workspace& ws) {
    bool& fixed = ws.settings.controls.normalised;
    fixed = !fixed;
    return fixed;
}

void normaliseSystem(Workspace& ws) {
    applyEdit(ws, Normalise);
}

EvaluationStatus newSystem(Workspace& ws) {
    const SystemModel previous = ws.model;
    Initialize(ws);
    const EvaluationStatus status = Start(ws);
    // A new system is a new document: it has no file yet and no description,
    // so that saving it cannot overwrite the file of the previous one.
    documentReplaced(ws, previous);
    ws.model.sys.fileName.clear();
    ws.model.sys.description.clear();
    return status;
}

}  // namespace vn
