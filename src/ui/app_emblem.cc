#include "ui/app_emblem.h"

namespace vn {

void paintAppEmblem(Canvas& canvas, Point topLeft) {
    const auto at = [topLeft](int x, int y) { return Point{topLeft.x + x, topLeft.y + y}; };
    constexpr Rgb kNight = rgb(0x1d, 0x2b, 0x4f);
    constexpr Rgb kRay = rgb(0xff, 0xd3, 0x4d);
    constexpr Rgb kMirror = rgb(0xdf, 0xe7, 0xf2);
    constexpr Rgb kFocus = rgb(0xff, 0x6a, 0x4d);
    canvas.fillRect(at(1, 1), at(31, 31), kNight);
    // Rays come in parallel from the left, meet the mirror and return to the focus.
    canvas.setPen(kRay, 1);
    const Point focus = at(10, 16);
    for (const auto& [y, x] : {std::pair{7, 28}, {11, 29}, {21, 29}, {25, 28}}) {
        canvas.line(at(4, y), at(x, y));
        canvas.lineTo(focus);
    }
    canvas.line(at(4, 16), at(30, 16));
    // The mirror: the right half of an ellipse, hollow towards the light.
    canvas.setPen(kMirror, 2);
    canvas.arc(at(18, 3), at(31, 30), at(24, 30), at(24, 3));
    canvas.setPen(kFocus, 1);
    canvas.setBrush(kFocus);
    canvas.ellipse(at(8, 14), at(13, 19));
}

}  // namespace vn
