// The drawing surface every picture of the program is painted on: the layout,
// the spot diagram and the PSF are written once against this interface and
// drawn on the screen, into images, vector files, the printer or a recording.
//
// Coordinates are pixels of the window's client area, y growing downwards.
// Boxes and rectangles run from their top-left corner up to, but not including,
// their bottom-right corner, as the window system fills them. Colours are
// 0x00BBGGRR values.
#pragma once

#include <cstdint>
#include <string_view>

namespace vn {

using Rgb = std::uint32_t;  // 0x00BBGGRR

inline constexpr Rgb rgb(int r, int g, int b) {
    return static_cast<Rgb>((b & 0xFF) << 16 | (g & 0xFF) << 8 | (r & 0xFF));
}
inline constexpr int redOf(Rgb c) {
    return static_cast<int>(c & 0xFF);
}
inline constexpr int greenOf(Rgb c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline constexpr int blueOf(Rgb c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// Entry i of the 128-entry grey palette: grey (2i, 2i, 2i).
inline constexpr Rgb paletteGrey(int index) {
    const int v = 2 * (index < 0 ? 0 : index > 127 ? 127 : index);
    return rgb(v, v, v);
}

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

class Canvas {
public:
    virtual ~Canvas() = default;

    // Pen for lines, arcs and outlines.
    virtual void setPen(Rgb colour, int width = 1) = 0;
    // Brush for filled shapes.
    virtual void setBrush(Rgb colour) = 0;

    virtual void moveTo(Point p) = 0;
    // A line from the current position to p, which becomes the current position.
    virtual void lineTo(Point p) = 0;
    virtual void polyline(const Point* points, int count) = 0;
    // The arc of the ellipse inscribed in the box from `topLeft` to
    // `bottomRight`, from where the ray from the centre towards `start` meets
    // it, counter-clockwise (on the screen) to where the ray towards `end` meets
    // it. Equal rays draw the whole ellipse.
    virtual void arc(Point topLeft, Point bottomRight, Point start, Point end) = 0;
    // The ellipse inscribed in the box, outlined with the pen and filled with
    // the brush.
    virtual void ellipse(Point topLeft, Point bottomRight) = 0;
    virtual void fillRect(Point topLeft, Point bottomRight, Rgb colour) = 0;
    virtual void setPixel(Point p, Rgb colour) = 0;
    // Text with its top-left corner at p; size in points.
    virtual void text(Point p, std::string_view utf8, int size, Rgb colour) = 0;

    // Circle outline of radius r around c, drawn as two half arcs.
    void circle(Point c, int r);
    void line(Point a, Point b) {
        moveTo(a);
        lineTo(b);
    }
};

}  // namespace vn
