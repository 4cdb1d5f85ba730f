// The picture of the spot window (rekonstruieren): the spots of the axis and
// of the field point on the current focal plane in three colours, the
// reference circles, the field chooser and the report texts. Drawn from the
// ray store onto any canvas; the window replays the recording.
#pragma once

#include <string>

#include "spot/spot_report.h"
#include "ui/canvas.h"
#include "workspace/workspace.h"

namespace vn {

inline constexpr int kSpotWindowWidth = 658;  // client area of the spot window
inline constexpr int kSpotWindowHeight = 471;

namespace spot_colour {
inline constexpr Rgb red = 0x0000FF;
inline constexpr Rgb blue = 0xFF0000;
inline constexpr Rgb green = 0x00BF00;
inline constexpr Rgb greenLabel = 0x008000;
inline constexpr Rgb airy = 0x00FFFF;
inline constexpr Rgb grain = 0xFFFF00;
inline constexpr Rgb seeing = 0xFF00FF;
inline constexpr Rgb airyLegend = 0x008080;
inline constexpr Rgb seeingLegend = 0x800080;
inline constexpr Rgb black = 0x000000;
inline constexpr Rgb note = 0x000080;  // the notes on odd systems, dark red
}  // namespace spot_colour

// How the window shows the picture.
struct SpotLook {
    Rgb background = 0xF0F0F0;  // button face
    Rgb desktop = 0x6B3A00;     // desktop background, the grain legend
    int fontSize = 8;
    char separator = '.';  // the user's decimal separator
    // The variant for the graphic export: numbers in fixed field widths,
    // the short heading and seeing legend, rows 20 pixels apart and the
    // main window's caption at the bottom.
    bool exportRendering = false;
    std::string caption;  // the main window's caption, for the export
};

// Draws the whole picture from the ray store and the report values. Points
// that are not finite are left out; a field point whose chief ray is lost or
// whose light is lost entirely gets a short note instead of its numbers.
void paintSpotWindow(Canvas& canvas, const Workspace& ws, const SpotReport& report,
                     const SpotLook& look);

// The side word of a Gauss defocus: behind the focus " extrafokal", before it
// " intrafokal", exactly on it nothing.
const char* defocusSideWord(double gaussDefocusMm);

}  // namespace vn
