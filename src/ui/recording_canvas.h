// A canvas that records what is drawn on it as a list of primitives. It is the
// program's picture container for export and printing: a recording can be
// replayed, scaled, onto any other canvas. Tests assert on the recorded
// primitives.
#pragma once

#include <string>
#include <vector>

#include "ui/canvas.h"

namespace vn {

struct DrawCommand {
    enum class Kind { Pen, Brush, MoveTo, LineTo, Polyline, Arc, Ellipse, FillRect, Pixel, Text };
    Kind kind;
    Rgb colour = 0;
    int width = 1;              // pen width; text size
    std::vector<Point> points;  // positions, boxes and arc rays in argument order
    std::string text;
};

class RecordingCanvas : public Canvas {
public:
    RecordingCanvas(int width = 0, int height = 0) : width_(width), height_(height) {}

    void setPen(Rgb colour, int width = 1) override;
    void setBrush(Rgb colour) override;
    void moveTo(Point p) override;
    void lineTo(Point p) override;
    void polyline(const Point* points, int count) override;
    void arc(Point topLeft, Point bottomRight, Point start, Point end) override;
    void ellipse(Point topLeft, Point bottomRight) override;
    void fillRect(Point topLeft, Point bottomRight, Rgb colour) override;
    void setPixel(Point p, Rgb colour) override;
    void text(Point p, std::string_view utf8, int size, Rgb colour) override;

    const std::vector<DrawCommand>& commands() const { return commands_; }
    void clear() { commands_.clear(); }
    // Size of the picture in pixels, as the source window had it.
    int width() const { return width_; }
    int height() const { return height_; }

    // Draws the recording onto `target`, scaled by sx, sy (coordinates are
    // rounded to whole pixels; pen widths and text sizes scale with sy).
    void replay(Canvas& target, double sx = 1.0, double sy = 1.0) const;

private:
    void add(DrawCommand::Kind kind, Rgb colour, int width, std::vector<Point> points,
             std::string text = {});

    std::vector<DrawCommand> commands_;
    int width_;
    int height_;
};

}  // namespace vn
