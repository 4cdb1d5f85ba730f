// Picking a lens group, a surface, a distance, a tilt or the marked ray in the
// side view, stepping the picked value, moving the pick to the neighbouring
// surface, dragging the picture and measuring distances with the mouse.
#pragma once

#include "workspace/selection.h"
#include "workspace/workspace.h"

namespace vn {

// Pixel tolerance of every pick.
inline constexpr int kPickTolerance = 4;

// Clears every pick.
void StDefBool(SelectionState& s);

// The current tolerance offsets that a new pick carries to its surface, and
// whether the tolerance box is shown.
struct ToleranceCarry {
    double dx = 0.0, dy = 0.0;
    bool boxVisible = false;
};

// A left click at (x, y) in the layout ("Bearb" or "Mess" mode alike); the
// picks of later surfaces replace those of earlier ones, the tilt test comes
// last. Sets the texts of the selection box.
void pickAt(Workspace& ws, Point click, const ToleranceCarry& carry);

// One click of the value-change control: enlarges ("up") or reduces the
// picked radius, bending, tilt, distance or marked-ray height by one step.
void stepPickedValue(Workspace& ws, bool up);

// One click of the position control: moves the pick to the next ("up") or
// previous surface within 1..N+1.
void movePick(Workspace& ws, bool up, const ToleranceCarry& carry);

// The left button released at `release` after a press at the stored press
// position: in "Bearb" mode the picture follows the drag; in "Mess" mode with
// nothing picked a first click stores the first point, a second one measures.
void releaseAt(Workspace& ws, Point release);

// Display factor of lengths in the selection box: 1 in the fixed-focal-length
// mode (units of the focal length), the reference focal length otherwise (mm).
double displayFactor(const Workspace& ws);

}  // namespace vn
