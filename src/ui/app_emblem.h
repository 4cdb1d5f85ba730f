// The program's icon drawn with the canvas primitives, so that exported
// pictures and printouts carry it as vector lines like the rest of the picture:
// a concave mirror gathering a fan of rays into its focus.
#pragma once

#include "ui/canvas.h"

namespace vn {

inline constexpr int kEmblemSize = 32;  // pixels, square

// Draws the icon with its top-left corner at `topLeft`.
void paintAppEmblem(Canvas& canvas, Point topLeft);

}  // namespace vn
