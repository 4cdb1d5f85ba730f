#include "ui/glass_map.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/number_format.h"

namespace vn {
namespace {

constexpr int kPointRadius = 2;
constexpr int kMarkRadius = 6;
constexpr int kHitRadius = 7;
constexpr Rgb kBackground = rgb(0xFF, 0xFF, 0xFF);
constexpr Rgb kAxis = rgb(0x40, 0x40, 0x40);
constexpr Rgb kGrid = rgb(0xE0, 0xE0, 0xE0);
constexpr int kLabelSize = 7;

}  // namespace

std::vector<GlassMapPoint> glassMapPoints(const GlassCatalogue& catalogue) {
    std::vector<GlassMapPoint> points;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const RecordParseResult r = parseRecord(catalogue.lines[i]);
        if (!r.error.empty()) continue;
        if (!(r.record.ve > 0.0) || !(r.record.ne > 1.0) || !std::isfinite(r.record.ve) ||
            !std::isfinite(r.record.ne))
            continue;
        points.push_back({i, r.record.ve, r.record.ne});
    }
    return points;
}

GlassMapFrame::GlassMapFrame(const std::vector<GlassMapPoint>& points, int width, int height) {
    left_ = 34;
    right_ = std::max(left_ + 10, width - 10);
    top_ = 8;
    bottom_ = std::max(top_ + 10, height - 24);
    if (points.empty()) return;
    double lo = std::numeric_limits<double>::max(), hi = -lo, nlo = lo, nhi = -lo;
    for (const GlassMapPoint& p : points) {
        lo = std::min(lo, p.ve);
        hi = std::max(hi, p.ve);
        nlo = std::min(nlo, p.ne);
        nhi = std::max(nhi, p.ne);
    }
    veMin_ = std::floor(lo / 10.0) * 10.0;
    veMax_ = std::ceil(hi / 10.0) * 10.0;
    if (veMax_ <= veMin_) veMax_ = veMin_ + 10.0;
    neMin_ = std::floor(nlo * 10.0) / 10.0;
    neMax_ = std::ceil(nhi * 10.0) / 10.0;
    if (neMax_ <= neMin_) neMax_ = neMin_ + 0.1;
}

Point GlassMapFrame::toPixel(double ve, double ne) const {
    const double x = right_ - (ve - veMin_) / (veMax_ - veMin_) * (right_ - left_);
    const double y = bottom_ - (ne - neMin_) / (neMax_ - neMin_) * (bottom_ - top_);
    return {Nearest(x), Nearest(y)};
}

void drawGlassMap(Canvas& canvas, const std::vector<GlassMapPoint>& points, int width, int height,
                  int marked) {
    const GlassMapFrame frame(points, width, height);
    canvas.fillRect({0, 0}, {width, height}, kBackground);

    // Grid and scales: ve every 10, ne every 0.1.
    canvas.setPen(kGrid);
    for (double ve = frame.veMin(); ve <= frame.veMax() + 1e-9; ve += 10.0) {
        const Point p = frame.toPixel(ve, frame.neMin());
        canvas.line({p.x, frame.top()}, {p.x, frame.bottom()});
        canvas.text({p.x - 6, frame.bottom() + 3}, fmt::fixed(ve, 3, 0), kLabelSize, kAxis);
    }
    const int neSteps = Nearest((frame.neMax() - frame.neMin()) * 10.0);
    for (int k = 0; k <= neSteps; ++k) {
        const double ne = frame.neMin() + 0.1 * k;
        const Point p = frame.toPixel(frame.veMax(), ne);
        canvas.line({frame.left(), p.y}, {frame.right(), p.y});
        canvas.text({2, p.y - 6}, fmt::fixed(ne, 3, 1), kLabelSize, kAxis);
    }
    canvas.setPen(kAxis);
    canvas.line({frame.left(), frame.bottom()}, {frame.right(), frame.bottom()});
    canvas.line({frame.left(), frame.top()}, {frame.left(), frame.bottom()});
    canvas.text({frame.right() - 14, frame.bottom() + 12}, "ve", kLabelSize, kAxis);
    canvas.text({frame.left() + 4, frame.top()}, "ne", kLabelSize, kAxis);

    canvas.setPen(kGlassMapPoint);
    canvas.setBrush(kGlassMapPoint);
    const GlassMapPoint* mark = nullptr;
    for (const GlassMapPoint& g : points) {
        if (static_cast<int>(g.index) == marked) mark = &g;
        const Point p = frame.toPixel(g.ve, g.ne);
        canvas.ellipse({p.x - kPointRadius, p.y - kPointRadius},
                       {p.x + kPointRadius + 1, p.y + kPointRadius + 1});
    }
    if (mark) {
        const Point p = frame.toPixel(mark->ve, mark->ne);
        canvas.setPen(kGlassMapMarked, 2);
        canvas.setBrush(kGlassMapMarked);
        canvas.ellipse({p.x - kPointRadius - 1, p.y - kPointRadius - 1},
                       {p.x + kPointRadius + 2, p.y + kPointRadius + 2});
        canvas.circle(p, kMarkRadius);
    }
}

int glassAtPixel(const std::vector<GlassMapPoint>& points, int width, int height, Point click) {
    const GlassMapFrame frame(points, width, height);
    int best = -1;
    long bestDistance = static_cast<long>(kHitRadius) * kHitRadius + 1;
    for (const GlassMapPoint& g : points) {
        const Point p = frame.toPixel(g.ve, g.ne);
        const long dx = p.x - click.x, dy = p.y - click.y;
        const long d = dx * dx + dy * dy;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(g.index);
        }
    }
    return best;
}

}  // namespace vn
