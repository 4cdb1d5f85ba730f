#include "ui/qt/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vn {

namespace {

constexpr int kSize = 24;

QPixmap canvas() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void page(QPainter& p) {
    QPainterPath path;
    path.moveTo(5, 2);
    path.lineTo(14, 2);
    path.lineTo(19, 7);
    path.lineTo(19, 22);
    path.lineTo(5, 22);
    path.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.drawLine(14, 2, 14, 7);
    p.drawLine(14, 7, 19, 7);
}

void magnifier(QPainter& p, bool plus) {
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QRectF(3, 3, 13, 13));
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(15, 15, 21, 21);
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(6.5, 9.5), QPointF(12.5, 9.5));
    if (plus) p.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 12.5));
}

void padlock(QPainter& p, bool closed) {
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::NoBrush);
    if (closed)
        p.drawArc(QRectF(7, 3, 10, 12), 0, 180 * 16);
    else
        p.drawArc(QRectF(12, 1, 10, 12), 0, 180 * 16);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(200, 160, 40));
    p.drawRect(QRectF(5, 10, 14, 11));
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(10.5, 13.5, 3, 3));
}

}  // namespace

QIcon glyphIcon(Glyph glyph) {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    switch (glyph) {
        case Glyph::NewSystem:
            page(p);
            p.setPen(QPen(QColor(0, 120, 0), 2));
            p.drawLine(9, 15, 15, 15);
            p.drawLine(12, 12, 12, 18);
            break;
        case Glyph::Open: {
            p.setBrush(QColor(240, 200, 90));
            p.drawRect(QRectF(2, 7, 18, 13));
            p.drawRect(QRectF(2, 5, 7, 3));
            p.setBrush(QColor(255, 225, 130));
            QPolygonF flap({{5, 11}, {22, 11}, {19, 20}, {2, 20}});
            p.drawPolygon(flap);
            break;
        }
        case Glyph::Save:
            p.setBrush(QColor(60, 90, 160));
            p.drawRect(QRectF(3, 3, 18, 18));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(7, 3, 10, 7));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(6, 14, 12, 7));
            break;
        case Glyph::Export:
            page(p);
            p.setPen(QPen(QColor(0, 90, 200), 2));
            p.drawLine(9, 15, 22, 15);
            p.drawLine(18, 11, 22, 15);
            p.drawLine(18, 19, 22, 15);
            break;
        case Glyph::Print:
            p.setBrush(Qt::white);
            p.drawRect(QRectF(6, 2, 12, 8));
            p.setBrush(QColor(170, 170, 170));
            p.drawRect(QRectF(2, 9, 20, 9));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(6, 15, 12, 7));
            break;
        case Glyph::SystemData:
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2, 4, 20, 16));
            for (int y : {8, 12, 16}) p.drawLine(2, y, 22, y);
            p.drawLine(9, 4, 9, 20);
            break;
        case Glyph::GlassData: {
            p.setBrush(QColor(180, 220, 255));
            QPolygonF prism({{12, 3}, {21, 20}, {3, 20}});
            p.drawPolygon(prism);
            p.setPen(QPen(Qt::red, 1.5));
            p.drawLine(0, 14, 9, 12);
            p.setPen(QPen(Qt::blue, 1.5));
            p.drawLine(15, 12, 23, 15);
            break;
        }
        case Glyph::Spot:
            p.setPen(Qt::NoPen);
            for (auto [x, y, c] : {std::tuple{8, 9, Qt::red},
                                   {14, 8, Qt::red},
                                   {11, 13, Qt::darkGreen},
                                   {7, 15, Qt::blue},
                                   {15, 15, Qt::darkGreen},
                                   {12, 18, Qt::blue}}) {
                p.setBrush(QColor(c));
                p.drawEllipse(QRectF(x - 1.5, y - 1.5, 3, 3));
            }
            break;
        case Glyph::Psf:
            p.setBrush(Qt::black);
            p.drawRect(QRectF(1, 1, 22, 22));
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor(90, 90, 90), 1.5));
            p.drawEllipse(QRectF(4, 4, 16, 16));
            p.setPen(QPen(QColor(150, 150, 150), 1.5));
            p.drawEllipse(QRectF(8, 8, 8, 8));
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(10, 10, 4, 4));
            break;
        case Glyph::ZoomIn:
            magnifier(p, true);
            break;
        case Glyph::ZoomOut:
            magnifier(p, false);
            break;
        case Glyph::Status:
            p.setBrush(QColor(120, 160, 220));
            p.drawRect(QRectF(3, 13, 4, 8));
            p.drawRect(QRectF(10, 7, 4, 14));
            p.drawRect(QRectF(17, 10, 4, 11));
            break;
        case Glyph::Locked:
            padlock(p, true);
            break;
        case Glyph::Unlocked:
            padlock(p, false);
            break;
    }
    return QIcon(pixmap);
}

QIcon textIcon(const QString& text, const QColor& colour) {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(12);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

}  // namespace vn
