// The side view of the system as the main window draws it: axis, ray fans,
// surfaces with lens edges, the marked ray, selection highlights, measuring
// marks and the diagrams of longitudinal aberration (LA) and offence against
// the sine condition (OSC). Drawn on a canvas, so the same picture goes to the
// screen, to image and vector files and to the printer.
#pragma once

#include <span>
#include <string>

#include "model/system_model.h"
#include "optics/layout.h"
#include "optics/paraxial.h"
#include "ui/canvas.h"
#include "workspace/selection.h"

namespace vn {

// Colours of the layout (0x00BBGGRR).
namespace layout_colour {
inline constexpr Rgb rgbRed = 0x0000FF;
inline constexpr Rgb rgbBlue = 0xFF0000;
inline constexpr Rgb rgbGreen = 0x008000;
inline constexpr Rgb rgbAqua = 0xFFFF00;
inline constexpr Rgb rgbFuchsia = 0xFF00FF;
inline constexpr Rgb rgbYellow = 0x00FFFF;
inline constexpr Rgb rgbTeal = 0x808000;
inline constexpr Rgb rgbGrey = 0x808080;
inline constexpr Rgb rgbWhite = 0xFFFFFF;
}  // namespace layout_colour

// Everything the drawing reads. The layout results must be current: the
// caller has run the paraxial evaluation, placed the image plane and run
// Meridian and RechneKoord.
struct LayoutPicture {
    const SystemModel* model = nullptr;
    const ParaxialData* paraxial = nullptr;
    const AberrationSums* sums = nullptr;
    const LayoutResults* layout = nullptr;
    const LayoutView* view = nullptr;
    const SelectionState* selection = nullptr;
    int zoneCount = 0;
    std::span<const double> zoneHeight;
    double markedAngle = 0.0;   // degrees
    double markedHeight = 0.0;  // model units
    int highlightedField = 2;   // "Richtungsmarkierung": 0 -w, 1 axis, 2 +w
    bool selectionActive = false;
    double decentring = 0.0;  // the tolerance offset dy
    bool forExport = false;   // the metafile rendering: diagrams need only Z != 0
    int clientWidth = 0, clientHeight = 0;
    Rgb background = 0xF0F0F0;  // button face
    Rgb highlight = 0xE1FFFF;   // tooltip background
    char separator = '.';       // the user's decimal separator for texts
};

// What the drawing tells the selection box about the marked ray.
struct MarkedRayTexts {
    bool shown = false;                          // the marked ray is picked and was drawn
    std::string item;                            // ItemSel2
    std::string value;                           // Value2
    std::array<double, kTableSize> incidence{};  // angle of incidence per surface, degrees
};

struct Workspace;

// The picture of the workspace's current layout in a client area of the given
// size (colours and decimal separator at their defaults).
LayoutPicture layoutPictureOf(const Workspace& ws, int clientWidth, int clientHeight,
                              double decentring = 0.0);

// Draws the layout. Returns the texts of the marked ray when it is picked.
MarkedRayTexts paintLayout(Canvas& canvas, const LayoutPicture& picture);

// Whether the LA/OSC diagrams are drawn for this picture.
bool diagramsShown(const LayoutPicture& picture);

// The pixel box that the system itself covers in the picture: axis, ray fans,
// marked ray and surface outlines, without the background and the diagrams.
struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;  // inclusive
    bool empty = true;
};
PixelBox drawnExtent(const LayoutPicture& picture);

}  // namespace vn
