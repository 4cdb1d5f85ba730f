#include "spot/focus_model.h"

namespace vn {

void resetFocus(SpotWindowState& window, double delta) {
    window.focus = delta;
    window.referenceFocus = delta;
    window.focusTrack = 100;
}

void restartFocusTrack(SpotWindowState& window) {
    window.referenceFocus = window.focus;
    window.focusTrack = 100;
}

void moveFocusTrack(Workspace& ws, int position) {
    SpotWindowState& w = ws.spot.window;
    w.focusTrack = position;
    w.focus = w.referenceFocus * (1.0 + (position - 100) * ws.settings.values.focusStep);
    ws.flags.psfStale = true;
}

void stepFocusKey(Workspace& ws, bool right) {
    SpotWindowState& w = ws.spot.window;
    const double factor = 1.0 + ws.settings.values.focusStep;
    w.focus = right ? w.focus * factor : w.focus / factor;
    w.focusKey = true;
    ws.flags.psfStale = true;
}

void stepFocusThroughPsf(Workspace& ws, bool up) {
    SpotWindowState& w = ws.spot.window;
    const double factor = 1.0 + ws.settings.values.focusStep;
    w.focus = up ? w.focus / factor : w.focus * factor;
    restartFocusTrack(w);
}

}  // namespace vn
