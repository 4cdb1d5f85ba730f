// The focus model that the spot window, the PSF and the toolbar share.
//
// A spot ray is stored with its point one focal distance delta before the
// image surface (yRef, xRef) and its direction; the focal plane at focus
// position F shows it at Y_F = yRef + (F / N) M, X_F = xRef + (F / N) L, so
// F = delta is the image surface itself and the plane lies F - delta beyond
// it. The focus track of the spot window (1..200, 100 in the middle) moves F
// in relative steps around the reference focus F0.
#pragma once

#include "workspace/spot_state.h"
#include "workspace/workspace.h"

namespace vn {

// F = F0 = delta and the track in the middle, as every spot computation
// leaves it.
void resetFocus(SpotWindowState& window, double delta);

// The track's middle stands for the current focus: F0 = F, track 100 (the
// toolbar's focus-step commands and the PSF's focus keys).
void restartFocusTrack(SpotWindowState& window);

// FocTrackChange: F = F0 (1 + (position - 100) step); the PSF becomes stale.
void moveFocusTrack(Workspace& ws, int position);

// The spot window's arrow keys: right F (1 + step), left F / (1 + step); the
// PSF becomes stale and the static parts of the picture wait for the key's
// release.
void stepFocusKey(Workspace& ws, bool right);

// The PSF window's arrow keys: up F / (1 + step), down F (1 + step), then
// F0 = F and the track in the middle. The caller recomputes the PSF.
void stepFocusThroughPsf(Workspace& ws, bool up);

// Point of ray `index` of the store on the focal plane at focus F, from the
// single-precision direction as the picture uses it.
inline void focalPlanePoint(const SpotStore& store, size_t index, double F, double& y, double& x) {
    const double along = F / store.dirN[index];
    y = store.yRef[index] + along * store.dirM[index];
    x = store.xRef[index] + along * store.dirL[index];
}

}  // namespace vn
