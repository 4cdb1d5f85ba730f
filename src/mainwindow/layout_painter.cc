#include "mainwindow/layout_painter.h"

#include "base/units.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "model/medium.h"
#include "model/number_format.h"
#include "ui/recording_canvas.h"
#include "workspace/workspace.h"

namespace vn {

namespace {

using namespace layout_colour;

constexpr double kFlatPixelRadius = 3000.0;  // larger pixel radii are drawn flat
constexpr double kRadiansToDegrees = 57.295779513082320877;

// Rounding of drawn positions: to the nearest pixel, halves to even.
int Round(double x) {
    return Nearest(x);
}

// Pixel sums saturate at the int range instead of overflowing, for surfaces
// drawn nearly edge-on or far outside the window.
int add(int a, int b) {
    return Nearest(static_cast<double>(a) + static_cast<double>(b));
}
int sub(int a, int b) {
    return Nearest(static_cast<double>(a) - static_cast<double>(b));
}

bool finite(double v) {
    return std::isfinite(v);
}

// Rim points of a surface outline: `plus` takes the drawn semi-height with a
// plus sign, `minus` with a minus sign (the semi-height is signed like the
// radius, so both lie on the same side for radii of the same sign).
struct Rim {
    Point plus, minus;
};

void drawAxis(Canvas& c, const LayoutPicture& pic) {
    const LayoutResults& r = *pic.layout;
    const SelectionState& sel = *pic.selection;
    Point current{10, pic.view->originY};
    for (int i = 1; i <= pic.model->N() + 1; ++i) {
        Rgb colour = rgbTeal;
        if (sel.pickTilt && (i == sel.pickTiltIndex || i == sel.pickTiltIndex + 1))
            colour = rgbYellow;
        else if (sel.pickDistance && i == sel.pickDistanceIndex + 1)
            colour = rgbWhite;
        c.setPen(colour);
        c.moveTo(current);
        current = {r.vertexPx[idx(i)], r.vertexPy[idx(i)]};
        c.lineTo(current);
    }
}

MarkedRayTexts drawMarkedRay(Canvas& c, const LayoutPicture& pic) {
    MarkedRayTexts texts;
    const LayoutResults& r = *pic.layout;
    const SystemModel& m = *pic.model;
    const int N = m.N();
    c.setPen(rgbFuchsia);
    std::vector<Point> points;
    points.push_back({10, Round(r.markedPy[1] + std::tan(pic.markedAngle * kDegree) *
                                                    (static_cast<double>(r.markedPx[1]) - 10.0))});
    for (int i = 1; i <= N + 1; ++i) points.push_back({r.markedPx[idx(i)], r.markedPy[idx(i)]});
    c.polyline(points.data(), static_cast<int>(points.size()));
    for (int k = 1; k <= N + 1; ++k) {
        const double cosine = r.markedCos[idx(k)];
        const double W = 1.0 / (cosine * cosine);
        texts.incidence[idx(k)] =
            W > 1.0 && finite(W) ? std::atan(std::sqrt(W - 1.0)) * kRadiansToDegrees : 0.0;
    }
    const int z = pic.selection->pickMarkedSurface;
    if (z == 0) {
        texts.item = "Zonenstrahl selektiert";
    } else {
        texts.item =
            std::to_string(z) + ":u" + fmt::fixed(texts.incidence[idx(z)], 6, 4, pic.separator) +
            "°e" +
            fmt::fixed(r.markedStep[idx(std::min(z + 1, kTableSize - 1))], 7, 5, pic.separator);
    }
    const double rim =
        std::fabs(m.sys.normFocal) * pic.zoneHeight[idx(pic.zoneCount)] / 2.0 / m.sys.fNumber;
    texts.value = "Zone:" + fmt::fixed(pic.markedHeight / rim, 6, 4, pic.separator);
    texts.shown = true;
    return texts;
}

void drawFieldRays(Canvas& c, const LayoutPicture& pic) {
    const LayoutResults& r = *pic.layout;
    const SystemModel& m = *pic.model;
    const double w = m.sys.fieldAngle * kDegree;
    const double rho =
        std::fabs(m.sys.normFocal) * pic.zoneHeight[idx(pic.zoneCount)] / 2.0 / m.sys.fNumber;
    std::vector<Point> points;
    for (int f = 0; f < 3; ++f) {
        c.setPen(f == pic.highlightedField ? pic.highlight : rgbGrey);
        for (int s = 0; s < 2; ++s) {
            const double tilt = rho / m.sys.objectDistance;
            const double angle = (f - 1) * w + (s == 0 ? -tilt : tilt);
            const auto& px = r.fanPx[idx(s)][idx(f)];
            const auto& py = r.fanPy[idx(s)][idx(f)];
            points.clear();
            points.push_back(
                {10, Round(std::tan(angle) * (static_cast<double>(px[1]) - 10.0) + py[1])});
            for (int i = 1; i <= m.N() + 1; ++i) points.push_back({px[idx(i)], py[idx(i)]});
            c.polyline(points.data(), static_cast<int>(points.size()));
        }
    }
}

void drawSurfaces(Canvas& c, const LayoutPicture& pic) {
    const LayoutResults& r = *pic.layout;
    const SystemModel& m = *pic.model;
    const SelectionState& sel = *pic.selection;
    constexpr size_t green = colourIndex(kGreen);
    const double S = r.drawScale;
    const double f = m.sys.normFocal;
    Rim previous{};
    bool havePrevious = false;
    for (int i = 1; i <= m.N() + 1; ++i) {
        const Surface& s = m.surf[idx(i)];
        if ((mediumTags(s.medium) & (kObstructionTags | kTagBlende)) && !sel.pickMarked) continue;
        const double t = s.u * kDegree;
        const double a = r.axisAngle[idx(i - 1)];
        const double P = r.rimHalf[idx(i)];
        const double g = r.edgeSag[idx(i)];
        const int x = r.vertexPx[idx(i)], y = r.vertexPy[idx(i)];
        const double R = s.r * S / f;
        const bool flat = !finite(R) || std::fabs(R) >= kFlatPixelRadius;
        const bool reflecting = m.surf[idx(i - 1)].n[green] * s.n[green] < 0.0;
        const bool highlighted = (sel.pickRadius || sel.pickTilt) &&
                                 (i == sel.pickSurface || i == sel.pickSurface + sel.pickGroupSize);
        c.setPen(highlighted ? (reflecting ? rgbFuchsia : rgbAqua)
                             : (reflecting ? rgbRed : rgbBlue));

        Rim rim;
        if (flat) {
            const double dx = std::sin(a + t) * P / std::cos(t),
                         dy = std::cos(a + t) * P / std::cos(t);
            rim.plus = {add(x, Round(dx)), add(y, Round(dy))};
            rim.minus = {sub(x, Round(dx)), sub(y, Round(dy))};
            c.line(rim.plus, rim.minus);
        } else {
            const int Q = Round(R);
            const double cs = std::cos(a + t), sn = std::sin(a + t);
            const double toCentre = s.r * S / std::fabs(f);
            const Point centre{add(x, Round(toCentre * cs)), sub(y, Round(toCentre * sn))};
            const double sag = g * S / std::fabs(f);
            const int sx = add(x, Round(sag * cs)), sy = sub(y, Round(sag * sn));
            rim.minus = {sub(sx, Round(sn * P)), sub(sy, Round(cs * P))};
            rim.plus = {add(sx, Round(sn * P)), add(sy, Round(cs * P))};
            c.arc({sub(centre.x, Q), sub(centre.y, Q)}, {add(centre.x, Q), add(centre.y, Q)},
                  rim.minus, rim.plus);
        }

        // Lens edges join the rims across glass.
        if (havePrevious && std::fabs(m.surf[idx(i - 1)].n[green]) != 1.0) {
            const double product = s.r * m.surf[idx(i - 1)].r;
            const bool parallel = flat ? product >= 0.0 : product > 0.0;
            c.setPen(rgbBlue);
            c.line(rim.plus, parallel ? previous.plus : previous.minus);
            c.line(rim.minus, parallel ? previous.minus : previous.plus);
        }
        if (s.h < 1.0) {
            c.setPen(rgbRed);
            c.circle(rim.plus, 2);
            c.circle(rim.minus, 2);
        }
        previous = rim;
        havePrevious = true;
    }
}

void drawMeasuringMarks(Canvas& c, const LayoutPicture& pic) {
    const SelectionState& sel = *pic.selection;
    c.setPen(rgbRed);
    if (sel.measureComplete) {
        c.circle(sel.firstMeasure, 4);
        c.circle(sel.secondMeasure, 4);
        c.setPen(rgbFuchsia);
        c.line(sel.firstMeasure, sel.secondMeasure);
    } else if (sel.measureStarted) {
        c.circle(sel.firstMeasure, 4);
    }
}

struct DiagramScale {
    int baseline;
    double scale;
};

// The LA and OSC curves of the three colours. A colour whose zone rays could
// not all be followed, or that meets a zero denominator, is left out rather
// than drawn wrong.
void drawDiagramCurves(Canvas& c, const LayoutPicture& pic, const DiagramScale& d) {
    const LayoutResults& r = *pic.layout;
    const SystemModel& m = *pic.model;
    const ParaxialData& p = *pic.paraxial;
    const int Z = pic.zoneCount;
    const auto& E = r.zoneIntercept;
    const auto& F = r.zoneDirAxis;
    const auto& G = r.zoneDirY;
    const double L = m.sys.normFocal, K = m.sys.fNumber, D = p.exitPupilDistance;
    const double sigma = p.focusSign, omega = p.axisDeviation;
    const size_t near = idx(Z + 1), deviation = idx(Z + 2);
    constexpr size_t g = colourIndex(kGreen);
    const double ref = E[near][g] * F[near][g] / G[near][g];
    const Rgb pens[3] = {rgbRed, rgbBlue, rgbGreen};
    for (int colour = 1; colour <= 3; ++colour) {
        const size_t col = idx(colour - 1);
        bool usable = !r.zoneFailed[near][col] && !r.zoneFailed[deviation][col];
        for (int k = 1; k <= Z; ++k) usable = usable && !r.zoneFailed[idx(k)][col];
        if (!usable) continue;
        const double A = E[near][col] * F[near][col] / G[near][col];
        const double J = G[near][col] * F[deviation][col] - F[near][col] * G[deviation][col];
        const double fc = std::fabs(L * 0.01 / 2.0 / K / J) * sigma;
        const double dd = A - ref;
        const double O0 = E[near][col] < 0.0 ? -D / (D - dd) + 1.0 : D / (D - dd) - 1.0;
        usable = finite(ref) && finite(fc) && finite(dd) && finite(O0);
        std::vector<Point> la{{260 + Round(dd * d.scale), d.baseline}};
        std::vector<Point> osc{{460, d.baseline}};
        for (int k = 1; k <= Z && usable; ++k) {
            const size_t z = idx(k);
            const double rho = pic.zoneHeight[z];
            const double h = -std::fabs(L) * rho / 2.0 / K;
            const int y = Round(rho * 70.0);
            const double Ak = E[z][col] * F[z][col] / G[z][col];
            const double LAk = (Ak - ref) / (1.0 - E[deviation][col] / E[z][col]);
            const double Y = (std::sin(omega) - h / fc) /
                             (std::sin(omega) * F[z][col] - std::cos(omega) * G[z][col]);
            const double OSCk = E[z][col] < 0.0 ? Y * D / (D - LAk) + 1.0 : Y * D / (D - LAk) - 1.0;
            usable = finite(LAk) && finite(OSCk);
            la.push_back({260 + Round(d.scale * LAk), d.baseline - y});
            osc.push_back({460 + Round((OSCk - O0) * d.scale), d.baseline - y});
        }
        if (!usable) continue;
        c.setPen(pens[col]);
        c.polyline(la.data(), static_cast<int>(la.size()));
        c.polyline(osc.data(), static_cast<int>(osc.size()));
    }
}

void drawDiagrams(Canvas& c, const LayoutPicture& pic) {
    const bool grey = std::fabs(pic.sums->chromatic) < 0.001;
    const DiagramScale d{pic.clientHeight - 20, grey ? 100000.0 : 10000.0};
    const Rgb axes = grey ? rgbGrey : rgbWhite;
    c.setPen(axes);
    c.line({210, d.baseline}, {310, d.baseline});
    c.line({260, d.baseline}, {260, d.baseline - 70});
    c.line({410, d.baseline}, {510, d.baseline});
    c.line({460, d.baseline}, {460, d.baseline - 70});
    c.text({252, d.baseline + 5}, "LA", 8, axes);
    c.text({448, d.baseline + 5}, "OSC", 8, axes);
    drawDiagramCurves(c, pic, d);
}

}  // namespace

LayoutPicture layoutPictureOf(const Workspace& ws, int clientWidth, int clientHeight,
                              double decentring) {
    LayoutPicture pic;
    pic.model = &ws.model;
    pic.paraxial = &ws.paraxial;
    pic.sums = &ws.sums;
    pic.layout = &ws.layout;
    pic.view = &ws.view;
    pic.selection = &ws.selection;
    pic.zoneCount = ws.pupil.zoneCount;
    pic.zoneHeight = ws.pupil.zoneHeight;
    pic.markedAngle = ws.marked.angle;
    pic.markedHeight = ws.marked.height;
    pic.highlightedField = ws.settings.controls.zoneDirection;
    pic.selectionActive = ws.flags.selectionActive;
    pic.decentring = decentring;
    pic.clientWidth = clientWidth;
    pic.clientHeight = clientHeight;
    pic.separator = ws.settings.separator;
    return pic;
}

bool diagramsShown(const LayoutPicture& pic) {
    if (pic.zoneCount == 0) return false;
    if (pic.forExport) return true;
    return std::fabs(pic.paraxial->axisDeviation) < 1e-4 && pic.decentring == 0.0;
}

namespace {

MarkedRayTexts drawSystem(Canvas& c, const LayoutPicture& pic) {
    drawAxis(c, pic);
    MarkedRayTexts texts;
    if (pic.selection->pickMarked) texts = drawMarkedRay(c, pic);
    drawFieldRays(c, pic);
    drawSurfaces(c, pic);
    return texts;
}

void include(PixelBox& box, Point p) {
    if (box.empty) {
        box = {p.x, p.y, p.x, p.y, false};
        return;
    }
    box.left = std::min(box.left, p.x);
    box.right = std::max(box.right, p.x);
    box.top = std::min(box.top, p.y);
    box.bottom = std::max(box.bottom, p.y);
}

}  // namespace

PixelBox drawnExtent(const LayoutPicture& pic) {
    RecordingCanvas recording(pic.clientWidth, pic.clientHeight);
    drawSystem(recording, pic);
    PixelBox box;
    for (const DrawCommand& cmd : recording.commands()) {
        switch (cmd.kind) {
            case DrawCommand::Kind::MoveTo:
            case DrawCommand::Kind::LineTo:
            case DrawCommand::Kind::Polyline:
            case DrawCommand::Kind::Ellipse:
                for (Point p : cmd.points) include(box, p);
                break;
            case DrawCommand::Kind::Arc:
                // The circle's box may lie far outside; the arc runs between
                // its rim points through the vertex, which the axis covers.
                include(box, cmd.points[2]);
                include(box, cmd.points[3]);
                break;
            default:
                break;
        }
    }
    return box;
}

MarkedRayTexts paintLayout(Canvas& c, const LayoutPicture& pic) {
    c.fillRect({0, 0}, {pic.clientWidth, pic.clientHeight}, pic.background);
    if (diagramsShown(pic)) drawDiagrams(c, pic);
    const MarkedRayTexts texts = drawSystem(c, pic);
    if (pic.selection->measuring && (!pic.selectionActive || pic.forExport))
        drawMeasuringMarks(c, pic);
    return texts;
}

}  // namespace vn
