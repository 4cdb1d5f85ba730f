// What is picked in the layout for stepwise editing or measuring.
#pragma once

#include <string>

#include "ui/canvas.h"

namespace vn {

struct SelectionState {
    bool pickRadius = false;    // a surface radius (pickSurface)
    bool pickGroup = false;     // a lens group for bending; pickRadius is set too
    bool pickDistance = false;  // an axial distance (pickDistanceIndex)
    bool pickTilt = false;      // a surface tilt (pickTiltIndex)
    bool pickMarked = false;    // the marked ray
    int pickSurface = 0;        // picked surface; for a group its first surface
    int pickGroupIndex = 0;
    int pickGroupSize = 0;
    int pickDistanceIndex = 0;
    int pickTiltIndex = 0;
    int pickMarkedSurface = 0;  // surface whose incidence angle the marked ray shows
    bool measuring = false;     // mouse mode "Mess" instead of "Bearb"
    // Measuring: the first click waits for the second, which completes the
    // measurement; the next click starts a new one.
    bool measureStarted = false;
    bool measureComplete = false;
    Point firstMeasure{};
    Point secondMeasure{};
    bool dragging = false;
    Point press{}, lastDrag{};
    int valueChangePosition = 0;  // position of the up/down control
    bool reset = false;           // the selection starts afresh at the next repaint

    // What the tolerance box shows of the pick: "Fläche" or "Gruppe" and its number.
    std::string groupLabel = "Fläche";
    int groupNumber = 0;

    // What the selection box shows.
    std::string itemText = "keine Selektion";
    std::string valueText;
    Rgb colour = 0x808080;
};

}  // namespace vn
