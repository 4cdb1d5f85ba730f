// The toolbar and menu commands of the main window that change settings or the
// system, as plain operations on the workspace. The window calls them and then
// refreshes what they changed.
#pragma once

#include "workspace/workspace.h"

namespace vn {

// "Layout größer" / "Layout kleiner": the drawing scale in steps of 200,
// between 200 and 3000.
void zoomLayout(Workspace& ws, bool larger);

// "Änderungsschritt größer/kleiner" (C+/C-): the step factor 1..20 and the
// four step sizes that follow from it.
void changeStepFactor(Workspace& ws, bool larger);

// "Strahlmarkierung höher/tiefer" (S+/S-): the marked field direction
// (-wmax, 0, +wmax) and the marked ray's angle.
void moveRayMarking(Workspace& ws, bool up);

// "Spot größer/kleiner" (M+/M-): the spot scale track bar in steps of 5.
void changeSpotScale(Workspace& ws, bool larger);

// "Fokusschritt größer/kleiner" (F+/F-): the focus step 1e-6 .. 1e-3; the
// spot window's focus track restarts from the current focus.
void changeFocusStep(Workspace& ws, bool larger);

// "Ordnung größer/kleiner" (O+/O-): the PSF order; the spot density follows,
// the PSF becomes stale and the run cycle runs.
void changePsfOrder(Workspace& ws, bool larger);

// "PSF-Durchmesser größer/kleiner" (D+/D-): the PSF diameter in tens, 10..50.
void changePsfDiameter(Workspace& ws, bool larger);

// "rot" / "grün" / "blau": the PSF colour by its colour number.
void choosePsfColour(Workspace& ws, int colour);

// The design-mode button: toggles "Auf Brennweite normiert" (fixed focal
// length). Returns the new state.
bool toggleDesignMode(Workspace& ws);

// "Normieren": rescales the stored system to focal length 1.
void normaliseSystem(Workspace& ws);

// "Neu": the default system, run through the run cycle.
EvaluationStatus newSystem(Workspace& ws);

// After "Neu" or loading a file: when the system does not fit into a drawing
// area of width x height pixels at its drawing scale, takes the largest step
// of the "Layout kleiner" series (below that, smaller scales) at which it fits,
// and writes it to the settings as that command does. The layout must be
// current (the run cycle has run). Returns whether the scale changed.
bool fitLayoutToView(Workspace& ws, int width, int height);

// Whether the system as laid out now lies inside a drawing area of width x
// height pixels, with a small margin.
bool layoutFitsView(const Workspace& ws, int width, int height);

// Focus step of the spot window for a "Fokusschritt" position 1..4.
double focusStepOf(int position);

}  // namespace vn
