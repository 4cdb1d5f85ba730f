#include "psf/psf_painter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "base/units.h"
#include "model/number_format.h"
#include "psf/grating_overlay.h"

namespace vn {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kLargestDrawnRadius = 108;

// Numbers of the picture, as the screen or the export writes them.
struct Numbers {
    const PsfLook& look;
    std::string operator()(double v, int precision, int decimals) const {
        return fmt::pictureNumber(v, precision, decimals, look.separator, look.exportRendering);
    }
};

bool havePsf(const Workspace& ws) {
    return ws.spot.psfGrid && ws.psf.computed && ws.psf.azimuths > 0 && ws.psf.radius > 0;
}

void filledCircle(Canvas& canvas, Point c, int r, Rgb colour) {
    canvas.setPen(colour);
    canvas.setBrush(colour);
    if (r == 0)
        canvas.fillRect({c.x, c.y}, {c.x + 1, c.y + 1}, colour);
    else
        canvas.ellipse({c.x - r, c.y - r}, {c.x + r, c.y + r});
}

// Step 8: one arc per grid point, radius k, over the sector of the image
// azimuth j, angles counted counter-clockwise from straight up.
void psfPicture(Canvas& canvas, const Workspace& ws, const PsfLook& look, Point c) {
    const PsfGrid& grid = *ws.spot.psfGrid;
    const int nAz = ws.psf.azimuths, D = ws.psf.radius;
    const double half = kTwoPi / nAz / 2.0;
    for (int j = 0; j < nAz; ++j) {
        const double middle = (nAz + 1 - j) * kTwoPi / nAz;
        // Rays from the centre: up is -y, counter-clockwise turns left.
        auto ray = [&](double a) {
            return Point{c.x - Nearest(1000.0 * std::sin(a)), c.y - Nearest(1000.0 * std::cos(a))};
        };
        const Point start = ray(middle - half), end = ray(middle + half);
        for (int k = 0; k <= D && k <= kLargestDrawnRadius; ++k) {
            const Rgb grey = paletteGrey(psfGreyIndex(grid.at(k, j, 1), look.contrast));
            if (k == 0) {
                canvas.fillRect({c.x - 1, c.y - 1}, {c.x + 1, c.y + 1}, grey);
                continue;
            }
            canvas.setPen(grey, 2);
            canvas.arc({c.x - k, c.y - k}, {c.x + k, c.y + k}, start, end);
        }
    }
}

Point curvePoint(int J, double value) {
    return {220 + 5 * J, 200 - Nearest(200.0 * value)};
}

void plotFrame(Canvas& canvas, const Workspace& ws, const PsfLook& look) {
    const Numbers num{look};
    const int size = look.fontSize;
    const PsfAnalysis& a = ws.psf.analysis;
    canvas.text({190, 15}, "MTF", size, psf_colour::blue);
    canvas.text({205, 0}, "1", size, psf_colour::blue);
    canvas.text({190, 215}, "PTF", size, psf_colour::yellow);
    canvas.text({185, 230}, "-400°", size, psf_colour::yellow);
    canvas.text({205, 195}, "0", size, psf_colour::black);
    canvas.text({425, 195}, num(a.frequencyEndPerArcsec, 4, 2) + "/\"", size, psf_colour::black);
    const double N = ws.model.sys.fNumber;
    const double lambda = ws.psf.wavelength;
    canvas.text({345, 5}, "w:" + num(ws.spot.results.fieldAngle, 5, 2) + "°", size,
                psf_colour::black);
    canvas.text({345, 20}, "M:" + std::to_string(look.gratingAngle) + "°", size, psf_colour::black);
    canvas.text({345, 35}, "L:" + num(lambda * 1000.0, 5, 0) + "nm", size, psf_colour::black);
    const double waves = -ws.psf.defocus / lambda * 1000.0 / 8.0 / (N * N);
    canvas.text({345, 50}, "ð:" + num(waves, 5, 2) + "L", size, psf_colour::black);

    canvas.setPen(psf_colour::frameGrey);
    canvas.line({420, 0}, {220, 0});
    canvas.line({420, 0}, {420, 240});
    const Point bottomLeft[] = {{420, 240}, {220, 240}, {220, 0}};
    canvas.polyline(bottomLeft, 3);
    canvas.setPen(psf_colour::gridGreen);
    for (int y : {199, 200, 201, 160, 120, 80}) canvas.line({220, y}, {420, y});
    canvas.line({220, 40}, {340, 40});
    canvas.line({380, 80}, {380, 240});
    for (int x : {340, 300, 260}) canvas.line({x, 0}, {x, 240});
}

void referenceImage(Canvas& canvas, const Workspace& ws, const PsfLook& look) {
    const Point c{530, 120};
    filledCircle(canvas, c, 105, psf_colour::black);
    const PsfGrid& grid = *ws.spot.psfGrid;
    for (int r = ws.psf.radius; r >= 0; --r) {
        if (r > kLargestDrawnRadius) continue;
        filledCircle(canvas, c, r, paletteGrey(psfGreyIndex(grid.at(r, 0, 0), look.contrast)));
    }
}

void energyTexts(Canvas& canvas, const EncircledEnergy& e, int x, const PsfLook& look) {
    const Numbers num{look};
    canvas.text({x, 235}, "E0: " + num(e.E0, 5, 3), look.fontSize, psf_colour::black);
    canvas.text({x, 250}, "E1: " + num(e.E1, 5, 3), look.fontSize, psf_colour::black);
    canvas.text({x, 265}, "R0: " + num(e.R0, 5, 3), look.fontSize, psf_colour::black);
    canvas.text({x, 280}, "R1: " + num(e.R1, 5, 3), look.fontSize, psf_colour::black);
}

void markerLines(Canvas& canvas, const PsfLook& look) {
    const Point c{kGratingCentreX, kGratingCentreY};
    canvas.setPen(psf_colour::purple);
    for (double a : {-look.gratingAngle + look.halfAngle, -look.gratingAngle - look.halfAngle}) {
        const int dx = Nearest(109.0 * std::sin(a * kDegree));
        const int dy = Nearest(109.0 * std::cos(a * kDegree));
        canvas.line({c.x - dx, c.y + dy}, {c.x + dx, c.y - dy});
    }
    canvas.circle(c, Nearest(110.0 * std::sin(look.halfAngle * kDegree)));
}

// Step 5: the reference MTF.
void referenceMtf(Canvas& canvas, const Workspace& ws) {
    const PsfAnalysis& a = ws.psf.analysis;
    std::vector<Point> line{{220, 0}};
    for (int J = 1; J <= kMtfFrequencies; ++J) {
        const double v = a.mtfReference[idx(J - 1)];
        if (!std::isfinite(v)) return;
        line.push_back(curvePoint(J, v));
    }
    canvas.setPen(psf_colour::frameGrey);
    canvas.polyline(line.data(), static_cast<int>(line.size()));
}

}  // namespace

int psfGreyIndex(double v, double contrast) {
    if (!(v >= 1e-6)) v = 1e-6;
    double g = std::log10(v) * contrast + 127.0;
    if (g < 0.0) g = 0.0;
    return Nearest(g) % 128;
}

int gratingFrequencyIndex(double axisEndPerArcsec, double periodArcsec) {
    const double j = 40.0 / axisEndPerArcsec / periodArcsec;
    return std::isfinite(j) ? Nearest(j) : 0;
}

bool strehlPlausible(double strehl) {
    return strehl >= 0.0 && strehl <= 1.0;
}

void paintPsfWindow(Canvas& canvas, const Workspace& ws, const PsfLook& look) {
    const Numbers num{look};
    const int size = look.fontSize;
    canvas.fillRect({0, 0}, {kPsfWindowWidth, kPsfWindowHeight}, look.background);
    if (!havePsf(ws)) {
        canvas.text({20, 120}, "Keine PSF: es gibt noch keine Spotdaten.", size, psf_colour::note);
        return;
    }
    const PsfAnalysis& a = ws.psf.analysis;
    const bool empty = !(ws.psf.transmission > 0.0f);

    referenceImage(canvas, ws, look);
    energyTexts(canvas, a.reference, 495, look);
    plotFrame(canvas, ws, look);
    referenceMtf(canvas, ws);

    // The PSF frame and the grid rim.
    canvas.setPen(psf_colour::purple);
    canvas.setBrush(psf_colour::purple);
    canvas.ellipse({0, 10}, {220, 230});
    canvas.setPen(psf_colour::black);
    canvas.setBrush(psf_colour::black);
    canvas.ellipse({5, 15}, {215, 225});
    canvas.setPen(look.markers ? psf_colour::navy : psf_colour::black);
    canvas.circle({110, 120}, ws.psf.radius + 2);

    if (empty) {
        canvas.text({40, 300}, "Kein Licht am Feldpunkt: die PSF ist leer.", size,
                    psf_colour::note);
        canvas.text({495, 295}, "Ob: " + num(0.0, 4, 3), size, psf_colour::black);
        return;
    }
    psfPicture(canvas, ws, look, {110, 120});
    if (look.markers) markerLines(canvas, look);

    energyTexts(canvas, a.psf, 75, look);
    canvas.text({495, 295}, "Ob: " + num(ws.psf.transmission, 4, 3), size, psf_colour::black);
    canvas.text({75, 295}, "DH: " + num(a.peak, 5, 3), size, psf_colour::black);

    // MTF and PTF of the PSF along the grating.
    std::vector<Point> mtf{{220, 0}}, ptf{{220, 200}};
    bool finite = true;
    for (int J = 1; J <= kMtfFrequencies; ++J) {
        const double m = a.mtf[idx(J - 1)], p = a.ptf[idx(J - 1)];
        if (!std::isfinite(m) || !std::isfinite(p)) finite = false;
        mtf.push_back(curvePoint(J, m));
        ptf.push_back({220 + 5 * J, 200 - Nearest(p)});
    }
    if (finite) {
        canvas.setPen(psf_colour::blue);
        canvas.polyline(mtf.data(), static_cast<int>(mtf.size()));
        canvas.setPen(psf_colour::yellow);
        canvas.polyline(ptf.data(), static_cast<int>(ptf.size()));
    }

    // The grating frequency on the curves.
    const double period =
        gratingPeriodArcsec(std::sin(look.halfAngle * kDegree), ws.psf.gridAngle, ws.psf.radius);
    const int Jg = gratingFrequencyIndex(a.frequencyEndPerArcsec, period);
    if (finite && Jg >= 1 && Jg <= kMtfFrequencies) {
        const int x = 220 + 5 * Jg;
        canvas.setPen(look.tooltip);
        canvas.line({x, 200 - Nearest(a.ptf[idx(Jg - 1)])}, {x, 200});
        canvas.setPen(psf_colour::silver);
        canvas.line(curvePoint(Jg, a.mtfReference[idx(Jg - 1)]), {x, 200});
        canvas.setPen(psf_colour::red);
        canvas.line(curvePoint(Jg, a.mtf[idx(Jg - 1)]), {x, 200});
    }

    // Strehl from the MTF curves, marked where it cannot be one, and the
    // peak ratio beside it.
    if (strehlPlausible(a.strehl)) {
        canvas.text({345, 65}, "Strehl: " + num(a.strehl, 5, 3), size, psf_colour::black);
    } else {
        canvas.text({345, 65}, "Strehl: " + num(a.strehl, 5, 3) + " ?", size, psf_colour::red);
        canvas.text({345, 80}, "(aus MTF, unsicher)", size, psf_colour::red);
    }
    canvas.text({75, 310}, "Strehl (DH): " + num(a.strehlPeak, 5, 3), size, psf_colour::black);

    if (look.exportRendering) {
        const double um = gratingPeriodUm(period, ws.model.sys.focalLength);
        canvas.text({270, 255}, "Modulationsgitter", size, psf_colour::purple);
        canvas.text({270, 275}, "Winkel: " + fmt::integerWidth(look.gratingAngle, 5) + "°", size,
                    psf_colour::black);
        canvas.text({270, 290}, "Teilung: " + num(period, 5, 2) + "\"", size, psf_colour::black);
        canvas.text({270, 305}, "Teilung: " + num(um, 5, 2) + ",um", size, psf_colour::black);
        canvas.text({45, 330}, look.caption, size, psf_colour::black);
    }
}

void paintPsfGraph(Canvas& canvas, const Workspace& ws, const PsfLook& look) {
    canvas.fillRect({0, 0}, {kPsfGraphSize, kPsfGraphSize}, psf_colour::black);
    if (!havePsf(ws) || !(ws.psf.transmission > 0.0f)) return;
    psfPicture(canvas, ws, look, {110, 110});
}

}  // namespace vn
