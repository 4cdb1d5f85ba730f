// The toolbar's glyphs, drawn by the program.
#pragma once

#include <QIcon>
#include <QString>

namespace vn {

enum class Glyph {
    NewSystem,
    Open,
    Save,
    Export,
    Print,
    SystemData,
    GlassData,
    Spot,
    Psf,
    ZoomIn,
    ZoomOut,
    Status,
    Locked,
    Unlocked,
};

QIcon glyphIcon(Glyph glyph);
// A glyph of one or two characters ("C+", "O-") in the given colour.
QIcon textIcon(const QString& text, const QColor& colour = Qt::black);

}  // namespace vn
