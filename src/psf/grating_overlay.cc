#include "psf/grating_overlay.h"

#include <cmath>

#include "base/units.h"
#include "model/number_format.h"

namespace vn {

double gratingPointerAngle(GratingOverlay& g, int x, int y) {
    if (y != kGratingCentreY)
        g.pointer =
            std::atan(static_cast<double>(x - kGratingCentreX) / (kGratingCentreY - y)) / kDegree;
    return g.pointer;
}

void gratingPress(GratingOverlay& g, int x, int y) {
    g.rotating = g.movingFirst = g.movingSecond = false;
    const double dx = x - kGratingCentreX, dy = y - kGratingCentreY;
    g.startRadius = std::sqrt(dx * dx + dy * dy);
    g.startAngle = gratingPointerAngle(g, x, y);
    g.delta = 0.0;
    const double rho = g.startRadius, q = g.startAngle;
    if (rho > 102.0 && rho < 111.0) {
        if (std::fabs(g.angle + q + g.halfAngle) < 2.0) g.movingFirst = true;
        if (std::fabs(g.angle + q - g.halfAngle) < 2.0) g.movingSecond = true;
    } else if (rho < 102.0) {
        g.rotating = true;
    }
}

void gratingMove(GratingOverlay& g, int x, int y) {
    const double q = gratingPointerAngle(g, x, y);
    if (g.rotating)
        g.delta = -q + g.startAngle;
    else if (g.movingFirst || g.movingSecond)
        g.delta = q - g.startAngle;
}

GratingRelease gratingRelease(GratingOverlay& g, int x, int y) {
    gratingMove(g, x, y);
    GratingRelease out;
    if (g.rotating) {
        int a = Nearest((g.angle + g.delta) / 5.0) * 5;
        if (a > 90) a -= 180;
        if (a < -90) a += 180;
        out.angleChanged = a != g.angle;
        g.angle = a;
    } else if (g.movingFirst) {
        g.halfAngle -= g.delta;
    } else if (g.movingSecond) {
        g.halfAngle += g.delta;
    }
    out.repaint = g.startRadius < 111.0;
    g.delta = 0.0;
    g.rotating = g.movingFirst = g.movingSecond = false;
    return out;
}

double gratingPeriodArcsec(double factor, double gridAngle, int radius) {
    if (radius <= 0) return 0.0;
    return factor * gridAngle * 2.0 / kArcsecond / radius * 110.0;
}

double gratingPeriodUm(double arcsec, double focalMm) {
    return arcsec * focalMm * kArcsecond * 1000.0;
}

double gratingPreviewFactor(const GratingOverlay& g) {
    if (g.movingFirst || g.movingSecond) return std::tan((g.pointer - g.angle) * kDegree);
    return std::sin(g.halfAngle * kDegree);
}

}  // namespace vn
