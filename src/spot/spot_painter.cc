#include "spot/spot_painter.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "model/number_format.h"
#include "spot/focus_model.h"

namespace vn {
namespace {

// Numbers of the picture, as the screen or the export writes them.
struct Numbers {
    const SpotLook& look;
    std::string operator()(double v, int precision, int decimals) const {
        return fmt::pictureNumber(v, precision, decimals, look.separator, look.exportRendering);
    }
};

double nanometres(const Workspace& ws, int colour) {
    return ws.model.sys.wavelength[idx(colourIndex(colour))] * 1000.0;
}

void spotsOfField(Canvas& canvas, const Workspace& ws, int field) {
    const SpotStore& store = *ws.spot.store;
    const SpotResults& res = ws.spot.results;
    const SystemData& sys = ws.model.sys;
    const double focal = std::fabs(sys.normFocal);
    if (!(focal > 0.0)) return;
    const double pixels = ws.settings.values.spotZoom * sys.focalLength / focal;
    const double chiefY = res.chiefY[idx(field - 1)], chiefX = res.chiefX[idx(field - 1)];
    const Point centre{120, 140 * field - 40};
    constexpr int kColours[] = {kRed, kBlue, kGreen};
    constexpr Rgb kPlot[] = {spot_colour::red, spot_colour::blue, spot_colour::green};
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k <= res.rings; ++k)
            for (int j = 0; j < res.azimuths; ++j) {
                if (!(ws.spot.weights[idx(j)][idx(k)][idx(field)] > 0.0f)) continue;
                double y, x;
                focalPlanePoint(store, SpotStore::index(j, k, kColours[c], field),
                                ws.spot.window.focus, y, x);
                const double dv = -(y - chiefY) * pixels, du = -(x - chiefX) * pixels;
                // Far outside the window or not finite: nothing to plot.
                if (!(std::fabs(dv) < 1e5 && std::fabs(du) < 1e5)) continue;
                canvas.setPixel({centre.x + Nearest(du), centre.y + Nearest(dv)}, kPlot[c]);
            }
}

void referenceCircles(Canvas& canvas, const SpotReport& r, Point centre) {
    struct Circle {
        Rgb pen;
        int radius;
        Point legend;
    };
    for (const Circle& c : {Circle{spot_colour::airy, r.airyRadiusPx, {60, 370}},
                            Circle{spot_colour::grain, r.grainRadiusPx, {180, 370}},
                            Circle{spot_colour::seeing, r.seeingRadiusPx, {115, 370}}}) {
        canvas.setPen(c.pen);
        canvas.circle(centre, c.radius);
        canvas.circle(c.legend, c.radius);
    }
}

void chooser(Canvas& canvas, const Workspace& ws) {
    const SpotWindowState& w = ws.spot.window;
    const int x0 = w.chooserX, y0 = w.chooserY;
    const Point centre{x0 + 100, y0 + 100};
    canvas.setPen(spot_colour::black);
    canvas.circle(centre, 100);
    canvas.circle(centre, 50);
    const Point square[] = {
        {x0, y0}, {x0 + 200, y0}, {x0 + 200, y0 + 200}, {x0, y0 + 200}, {x0, y0}};
    canvas.polyline(square, 5);
    canvas.line({centre.x, y0}, {centre.x, y0 + 200});
    canvas.line({x0, centre.y}, {x0 + 200, centre.y});
    for (int dy : {15, 185, 33, 167}) canvas.line({x0, y0 + dy}, {x0 + 200, y0 + dy});
    auto cross = [&](Point p) {
        canvas.setPen(spot_colour::blue);
        canvas.line({p.x - 3, p.y}, {p.x + 3, p.y});
        canvas.line({p.x, p.y - 3}, {p.x, p.y + 3});
    };
    canvas.setPen(spot_colour::red);
    canvas.circle(centre, 4);
    cross(centre);
    canvas.setPen(spot_colour::red);
    canvas.circle({w.selectedX, w.selectedY}, 4);
    cross({centre.x - w.markerU, centre.y - w.markerV});
}

void report(Canvas& canvas, const Workspace& ws, const SpotReport& r, const SpotLook& look) {
    const Numbers num{look};
    const bool ex = look.exportRendering;
    const int size = look.fontSize;
    auto text = [&](Point p, const std::string& s, Rgb colour = spot_colour::black) {
        canvas.text(p, s, size, colour);
    };
    const SpotTarget target = ws.settings.values.spotTarget;
    std::string surface;
    if (ex)
        surface = target == SpotTarget::BestSphere ? " beste" : "  plan";
    else
        surface = target == SpotTarget::BestSphere  ? " beste Kugel"
                  : target == SpotTarget::BestPlane ? "  beste Ebene"
                                                    : "  senkr. Ebene";
    text({70, 10}, "Durchstoßfläche :" + surface);
    text({170, 85}, "w :   0°  ");
    text({170, 100}, "B :" + num(r.effectiveFNumber[0], 5, 2));
    text({170, 225}, "w :" + num(r.fieldAngle, 5, 2) + "°  ");
    text({170, 240}, "B :" + num(r.effectiveFNumber[1], 5, 2));
    text({30, 380}, "Airy " + num(r.airyDiameterUm, 4, 1) + "µm  ", spot_colour::airyLegend);
    if (ex)
        text({100, 380}, "See  2\"", spot_colour::seeingLegend);
    else
        text({95, 380}, "Seeing 2\"", spot_colour::seeingLegend);
    text({153, 380}, "Korn " + num(r.grainDiameterUm, 3, 0) + "µm  ", look.desktop);
    text({510, 10}, ws.model.sys.title);
    text({510, 30}, ws.model.sys.source);

    const SpotWindowState& w = ws.spot.window;
    const int x0 = w.chooserX, y0 = w.chooserY;
    const std::string degrees = num(r.fieldSizeDegrees, 4, 2);
    text({x0 + 35, y0 - 20}, "Bildfeldgröße: " + degrees + "° x " + degrees + "°   ");
    const std::string mm = num(r.imageFieldWidthMm, 4, 0);
    text({x0 + 25, y0 + 210}, "Bildfeldgröße: " + mm + "mm x " + mm + "mm   ");
    const std::string lambdaP =
        " Lambda bei " + num(nanometres(ws, ws.settings.values.psfColour), 4, 0) + " nm";
    text({x0, y0 + 240}, "Strahl-Defokus: " + num(r.rayDefocusWaves, 6, 3) + lambdaP);
    text({x0, y0 + 260}, "Gauß-Defokus : " + num(r.gaussDefocusMm, 6, 3) + " mm " +
                             defocusSideWord(r.gaussDefocusMm));
    text({x0, y0 + 280}, "Gauß-Defokus : " + num(r.gaussDefocusWaves, 6, 3) + lambdaP);
    text({x0, y0 + 300}, "Ziel Gauß-Def.: " + num(r.targetGaussDefocusWaves, 6, 3) + lambdaP);

    const int step = ex ? 20 : 18;
    int row = 70;
    auto line = [&](const std::string& s) {
        text({510, row}, s);
        row += step;
    };
    line("Brennweite:  " + num(r.focalLengthMm, 5, 2) + "mm  ");
    line("Öffnung      :  " + num(r.apertureMm, 5, 2) + "mm  ");
    line("Schnittweite :  " + num(r.backFocusMm, 5, 2) + "mm  ");
    line("Länge         :  " + num(r.lengthMm, 5, 2) + "mm  ");
    line("Bildwinkel  :  " + num(r.fieldAngle, 5, 2) + "°  ");
    line("Verzeichng :  " + num(r.distortion, 5, 2) + "%  ");
    line("Vignette      : " + num(r.vignetting, 5, 2) + "%  ");
    line("Obstruktion : " + num(r.obstruction, 5, 2) + "%  ");
    line("eff. Blende  : " + num(r.effectiveFNumber[1], 5, 2));
    line("Bildneigung: " + num(r.imageTilt, 5, 2) + "°  ");
    line("Position      : " + num(r.tiltPosition, 5, 2) + "°  ");
    line("Bildradius   : " + num(r.imageRadius, 7, 2) + " f ");

    text({20, 310}, num(r.wavelengthNm[0], 4, 0) + "nm", spot_colour::red);
    text({90, 310}, num(r.wavelengthNm[1], 4, 0) + "nm", spot_colour::greenLabel);
    text({160, 310}, num(r.wavelengthNm[2], 4, 0) + "nm", spot_colour::blue);
    if (ex) text({45, 425}, look.caption);
}

// What the picture cannot show of an odd system, in words.
void notes(Canvas& canvas, const Workspace& ws, const SpotLook& look) {
    const SpotResults& res = ws.spot.results;
    int y = 398;
    auto note = [&](const std::string& s) {
        canvas.text({20, y}, s, look.fontSize, spot_colour::note);
        y += 14;
    };
    for (int field = 1; field <= 2; ++field) {
        const char* which = field == 1 ? "Achse" : "Feldpunkt";
        if (res.chiefLostAt[idx(field - 1)] > 0)
            note(std::string(which) + ": Hauptstrahl an Fläche " +
                 std::to_string(res.chiefLostAt[idx(field - 1)]) + " verloren");
        if (res.lightLoss[idx(field - 1)] >= 100.0)
            note(std::string(which) + ": kein Strahl erreicht das Bild (100 % Lichtverlust)");
    }
}

}  // namespace

const char* defocusSideWord(double gaussDefocusMm) {
    return gaussDefocusMm > 0.0 ? " extrafokal" : gaussDefocusMm < 0.0 ? " intrafokal" : "";
}

void paintSpotWindow(Canvas& canvas, const Workspace& ws, const SpotReport& r,
                     const SpotLook& look) {
    canvas.fillRect({0, 0}, {kSpotWindowWidth, kSpotWindowHeight}, look.background);
    const bool spots = ws.spot.store && ws.flags.spotComputed;
    if (spots)
        for (int field = 1; field <= 2; ++field) spotsOfField(canvas, ws, field);
    if (ws.spot.window.focusKey && !look.exportRendering) return;
    if (spots)
        for (int field = 1; field <= 2; ++field)
            referenceCircles(canvas, r, {120, 140 * field - 40});
    chooser(canvas, ws);
    if (!spots) {
        canvas.text({20, 398}, "Keine Spotdaten: das System ist nicht berechenbar.", look.fontSize,
                    spot_colour::note);
        return;
    }
    report(canvas, ws, r, look);
    notes(canvas, ws, look);
}

}  // namespace vn
