// The canvas on a QPainter: the screen, images, SVG and PDF files and the
// printer all draw through it.
#pragma once

#include <QPainter>

#include "ui/canvas.h"

namespace vn {

class QPainterCanvas : public Canvas {
public:
    explicit QPainterCanvas(QPainter& painter);

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

    static QColor qcolor(Rgb colour) {
        return QColor(redOf(colour), greenOf(colour), blueOf(colour));
    }

private:
    QPainter& painter_;
    QPoint current_;
};

}  // namespace vn
