// The glass map of the glass dialog: every glass of the catalogue as a point
// of its index ne over its Abbe number ve (ve falling to the right, as Abbe
// diagrams are drawn), with the shown glass marked.
#pragma once

#include <cstddef>
#include <vector>

#include "model/glass_catalogue.h"
#include "ui/canvas.h"

namespace vn {

struct GlassMapPoint {
    std::size_t index = 0;  // record of the catalogue
    double ve = 0.0;
    double ne = 0.0;
};

// The records that read and have a dispersion to show (air and records that
// do not parse are left out).
std::vector<GlassMapPoint> glassMapPoints(const GlassCatalogue& catalogue);

// Where the map puts its points in a picture of width x height pixels.
class GlassMapFrame {
public:
    GlassMapFrame(const std::vector<GlassMapPoint>& points, int width, int height);

    Point toPixel(double ve, double ne) const;
    double veMin() const { return veMin_; }
    double veMax() const { return veMax_; }
    double neMin() const { return neMin_; }
    double neMax() const { return neMax_; }
    int left() const { return left_; }
    int right() const { return right_; }
    int top() const { return top_; }
    int bottom() const { return bottom_; }

private:
    double veMin_ = 20.0, veMax_ = 100.0, neMin_ = 1.4, neMax_ = 2.0;
    int left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;
};

inline constexpr Rgb kGlassMapPoint = rgb(0x30, 0x50, 0x90);
inline constexpr Rgb kGlassMapMarked = rgb(0xD0, 0x00, 0x00);

// Draws the map; `marked` is the catalogue index of the shown glass, or -1.
void drawGlassMap(Canvas& canvas, const std::vector<GlassMapPoint>& points, int width, int height,
                  int marked);

// The catalogue index of the point nearest to `click` within a few pixels,
// or -1.
int glassAtPixel(const std::vector<GlassMapPoint>& points, int width, int height, Point click);

}  // namespace vn
