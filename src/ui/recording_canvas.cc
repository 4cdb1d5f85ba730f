#include "ui/recording_canvas.h"

#include <algorithm>

#include "model/number_format.h"

namespace vn {

void RecordingCanvas::add(DrawCommand::Kind kind, Rgb colour, int width, std::vector<Point> points,
                          std::string text) {
    commands_.push_back({kind, colour, width, std::move(points), std::move(text)});
}

void RecordingCanvas::setPen(Rgb colour, int width) {
    add(DrawCommand::Kind::Pen, colour, width, {});
}
void RecordingCanvas::setBrush(Rgb colour) {
    add(DrawCommand::Kind::Brush, colour, 1, {});
}
void RecordingCanvas::moveTo(Point p) {
    add(DrawCommand::Kind::MoveTo, 0, 1, {p});
}
void RecordingCanvas::lineTo(Point p) {
    add(DrawCommand::Kind::LineTo, 0, 1, {p});
}
void RecordingCanvas::polyline(const Point* points, int count) {
    add(DrawCommand::Kind::Polyline, 0, 1, std::vector<Point>(points, points + std::max(count, 0)));
}
void RecordingCanvas::arc(Point topLeft, Point bottomRight, Point start, Point end) {
    add(DrawCommand::Kind::Arc, 0, 1, {topLeft, bottomRight, start, end});
}
void RecordingCanvas::ellipse(Point topLeft, Point bottomRight) {
    add(DrawCommand::Kind::Ellipse, 0, 1, {topLeft, bottomRight});
}
void RecordingCanvas::fillRect(Point topLeft, Point bottomRight, Rgb colour) {
    add(DrawCommand::Kind::FillRect, colour, 1, {topLeft, bottomRight});
}
void RecordingCanvas::setPixel(Point p, Rgb colour) {
    add(DrawCommand::Kind::Pixel, colour, 1, {p});
}
void RecordingCanvas::text(Point p, std::string_view utf8, int size, Rgb colour) {
    add(DrawCommand::Kind::Text, colour, size, {p}, std::string(utf8));
}

void RecordingCanvas::replay(Canvas& target, double sx, double sy) const {
    auto scaled = [&](Point p) { return Point{Nearest(p.x * sx), Nearest(p.y * sy)}; };
    auto scaledSize = [&](int size) { return std::max(1, Nearest(size * sy)); };
    std::vector<Point> buffer;
    for (const DrawCommand& c : commands_) {
        const auto& p = c.points;
        switch (c.kind) {
            case DrawCommand::Kind::Pen:
                target.setPen(c.colour, scaledSize(c.width));
                break;
            case DrawCommand::Kind::Brush:
                target.setBrush(c.colour);
                break;
            case DrawCommand::Kind::MoveTo:
                target.moveTo(scaled(p[0]));
                break;
            case DrawCommand::Kind::LineTo:
                target.lineTo(scaled(p[0]));
                break;
            case DrawCommand::Kind::Polyline:
                buffer.clear();
                for (Point q : p) buffer.push_back(scaled(q));
                target.polyline(buffer.data(), static_cast<int>(buffer.size()));
                break;
            case DrawCommand::Kind::Arc:
                target.arc(scaled(p[0]), scaled(p[1]), scaled(p[2]), scaled(p[3]));
                break;
            case DrawCommand::Kind::Ellipse:
                target.ellipse(scaled(p[0]), scaled(p[1]));
                break;
            case DrawCommand::Kind::FillRect:
                target.fillRect(scaled(p[0]), scaled(p[1]), c.colour);
                break;
            case DrawCommand::Kind::Pixel:
                // A pixel grows into a block when the picture is enlarged.
                if (sx > 1.5 || sy > 1.5) {
                    const Point a = scaled(p[0]);
                    const Point b = scaled({p[0].x + 1, p[0].y + 1});
                    target.fillRect(a, b, c.colour);
                } else {
                    target.setPixel(scaled(p[0]), c.colour);
                }
                break;
            case DrawCommand::Kind::Text:
                target.text(scaled(p[0]), c.text, scaledSize(c.width), c.colour);
                break;
        }
    }
}

}  // namespace vn
