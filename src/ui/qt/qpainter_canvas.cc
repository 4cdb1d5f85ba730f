#include "ui/qt/qpainter_canvas.h"

#include <QFontMetrics>
#include <cmath>
#include <numbers>
#include <vector>

namespace vn {

namespace {

QPoint qpoint(Point p) {
    return {p.x, p.y};
}

// A box given by opposite corners in either order.
QRectF box(Point topLeft, Point bottomRight) {
    return QRectF(topLeft.x, topLeft.y, bottomRight.x - topLeft.x, bottomRight.y - topLeft.y)
        .normalized();
}

// Angle of the ray from the centre towards p, counter-clockwise on the screen
// from the positive x axis, in degrees.
double screenAngle(QPointF centre, Point p) {
    return std::atan2(-(p.y - centre.y()), p.x - centre.x()) * 180.0 / std::numbers::pi;
}

}  // namespace

QPainterCanvas::QPainterCanvas(QPainter& painter) : painter_(painter) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
}

void QPainterCanvas::setPen(Rgb colour, int width) {
    QPen pen(qcolor(colour));
    pen.setWidth(width);
    painter_.setPen(pen);
}

void QPainterCanvas::setBrush(Rgb colour) {
    painter_.setBrush(qcolor(colour));
}

void QPainterCanvas::moveTo(Point p) {
    current_ = qpoint(p);
}

void QPainterCanvas::lineTo(Point p) {
    painter_.drawLine(current_, qpoint(p));
    current_ = qpoint(p);
}

void QPainterCanvas::polyline(const Point* points, int count) {
    if (count <= 0) return;
    std::vector<QPoint> q;
    q.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) q.push_back(qpoint(points[i]));
    painter_.drawPolyline(q.data(), count);
    current_ = q.back();
}

void QPainterCanvas::arc(Point topLeft, Point bottomRight, Point start, Point end) {
    const QRectF r = box(topLeft, bottomRight);
    const double a0 = screenAngle(r.center(), start);
    double span = screenAngle(r.center(), end) - a0;
    while (span <= 0.0) span += 360.0;
    painter_.drawArc(r, static_cast<int>(std::lround(a0 * 16.0)),
                     static_cast<int>(std::lround(span * 16.0)));
}

void QPainterCanvas::ellipse(Point topLeft, Point bottomRight) {
    painter_.drawEllipse(box(topLeft, bottomRight));
}

void QPainterCanvas::fillRect(Point topLeft, Point bottomRight, Rgb colour) {
    painter_.fillRect(box(topLeft, bottomRight), qcolor(colour));
}

void QPainterCanvas::setPixel(Point p, Rgb colour) {
    const QPen saved = painter_.pen();
    painter_.setPen(qcolor(colour));
    painter_.drawPoint(qpoint(p));
    painter_.setPen(saved);
}

void QPainterCanvas::text(Point p, std::string_view utf8, int size, Rgb colour) {
    const QPen saved = painter_.pen();
    QFont font = painter_.font();
    // The pictures place their texts for a sans serif of Arial's widths; the
    // wider default faces would run texts into each other.
    static const QStringList kFamilies = {
        QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
        QStringLiteral("Helvetica")};
    font.setFamilies(kFamilies);
    // Sizes are points of a 96 dpi screen, so that a picture keeps its
    // proportions on every device and under the painter's scaling.
    QPaintDevice* device = painter_.device();
    const int dpi = device ? device->logicalDpiY() : 96;
    font.setPointSizeF((size > 0 ? size : 8) * 96.0 / (dpi > 0 ? dpi : 96));
    painter_.setFont(font);
    painter_.setPen(qcolor(colour));
    const QFontMetricsF metrics = device ? QFontMetricsF(font, device) : QFontMetricsF(font);
    painter_.drawText(QPointF(p.x, p.y + metrics.ascent()),
                      QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    painter_.setPen(saved);
}

}  // namespace vn
