#include "mainwindow/selection_logic.h"

#include "base/units.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "mainwindow/layout_painter.h"
#include "model/medium.h"
#include "model/number_format.h"

namespace vn {

namespace {

using namespace layout_colour;

constexpr double kFoldingRadius = 1000.0;  // a reflecting surface this flat folds the beam

double sign(double v) {
    return v < 0.0 ? -1.0 : 1.0;
}

std::string fixed4(double v, char sep, int precision = 15) {
    return fmt::fixed(v, precision, 4, sep);
}

bool reflectsGreen(const SystemModel& m, int i) {
    constexpr size_t g = colourIndex(kGreen);
    return m.surf[idx(i - 1)].n[g] * m.surf[idx(i)].n[g] < 0.0;
}

// The air-list position of the group containing surface i: the first air
// space at or after it.
int groupOf(const LensGroups& groups, int i) {
    for (int j = 1; j <= groups.airCount; ++j)
        if (groups.air[idx(j)] >= i) return j;
    return groups.airCount;
}

// Records the lens group that contains surface i as the picked group (its
// number, its glass spaces and its first surface); returns its number.
int selectGroupOf(Workspace& ws, int i) {
    SelectionState& s = ws.selection;
    const int j = groupOf(ws.groups, i);
    s.pickGroupIndex = j;
    s.pickGroupSize = ws.groups.size[idx(j)];
    s.pickSurface = ws.groups.air[idx(j)] - s.pickGroupSize;
    return j;
}

// Moves the tolerance offsets to the newly picked entry.
void carryTolerances(Workspace& ws, int entry, const ToleranceCarry& carry) {
    ClearTol(ws.model);
    if (entry >= 0 && entry <= ws.model.N()) {
        ws.model.surf[idx(entry)].tolDx = carry.dx;
        ws.model.surf[idx(entry)].tolDy = carry.dy;
    }
    if (carry.boxVisible) markResultsStale(ws);
}

void pickSurface(Workspace& ws, int i, const ToleranceCarry& carry) {
    SelectionState& s = ws.selection;
    StDefBool(s);
    ws.flags.selectionActive = true;
    s.pickRadius = true;
    s.pickSurface = i;
    s.colour = reflectsGreen(ws.model, i) ? rgbFuchsia : rgbAqua;
    s.itemText = "Fläche " + std::to_string(i) + "  Radius";
    s.groupLabel = "Fläche";
    s.groupNumber = i;
    carryTolerances(ws, i, carry);
    s.valueText = fixed4(ws.model.surf[idx(i)].r * displayFactor(ws), ws.settings.separator);
}

void pickGroup(Workspace& ws, int i, const ToleranceCarry& carry) {
    SelectionState& s = ws.selection;
    StDefBool(s);
    ws.flags.selectionActive = true;
    s.pickGroup = s.pickRadius = true;
    const int j = selectGroupOf(ws, i);
    s.colour = rgbAqua;
    s.itemText = "Gruppe " + std::to_string(j) + "  Vorradius";
    s.groupLabel = "Gruppe";
    s.groupNumber = j;
    // The offsets act on the group's first surface, where the steps act too.
    carryTolerances(ws, s.pickSurface, carry);
    s.valueText =
        fixed4(ws.model.surf[idx(s.pickSurface)].r * displayFactor(ws), ws.settings.separator, 6);
}

void pickDistance(Workspace& ws, int i) {
    SelectionState& s = ws.selection;
    StDefBool(s);
    ws.flags.selectionActive = true;
    s.pickDistance = true;
    s.pickDistanceIndex = i;
    s.colour = rgbWhite;
    s.itemText = "Fläche " + std::to_string(i) + "  Abstand";
    s.valueText = fixed4(ws.model.surf[idx(i)].e * displayFactor(ws), ws.settings.separator);
}

void pickTilt(Workspace& ws, int i) {
    SelectionState& s = ws.selection;
    StDefBool(s);
    ws.flags.selectionActive = true;
    s.pickTilt = true;
    s.pickTiltIndex = i;
    selectGroupOf(ws, i);
    s.colour = rgbYellow;
    s.itemText = "Fläche " + std::to_string(i) + "  Winkel/°";
    s.valueText = fixed4(ws.model.surf[idx(i)].u, ws.settings.separator);
}

// Whether the click (x, y) lies on the axis segment from vertex i to i+1, at
// least the tolerance away from both ends and within it of the line.
bool onDistance(const LayoutResults& r, int i, Point click) {
    const int s = kPickTolerance;
    const double A = r.axisAngle[idx(i)];
    const int x0 = r.vertexPx[idx(i)], y0 = r.vertexPy[idx(i)];
    const int x1 = r.vertexPx[idx(i + 1)], y1 = r.vertexPy[idx(i + 1)];
    const double e = click.x - x0, f = click.y - y0;
    auto strictlyBetween = [s](int v, int a, int b) {
        return v > std::min(a, b) + s && v < std::max(a, b) - s;
    };
    if (std::fabs(A) < 1e-6) return std::fabs(f) < s && strictlyBetween(click.x, x0, x1);
    if (std::fabs(std::cos(A)) < 1e-6) return std::fabs(e) < s && strictlyBetween(click.y, y0, y1);
    const bool nearLine = std::fabs(e * std::sin(A) / std::cos(A) + f) < s ||
                          std::fabs(f * std::cos(A) / std::sin(A) + e) < s;
    const bool within = click.x >= std::min(x0, x1) && click.x <= std::max(x0, x1) &&
                        click.y >= std::min(y0, y1) && click.y <= std::max(y0, y1);
    return nearLine && within;
}

// Bends a picked lens group: every element keeps its curvature difference
// while the front radius changes.
void rebend(Workspace& ws) {
    SystemModel& m = ws.model;
    const SelectionState& s = ws.selection;
    const int g = ws.groups.air[idx(s.pickGroupIndex)] - s.pickGroupSize;
    for (int k = g; k <= g + s.pickGroupSize - 1; ++k) {
        if (k + 1 > m.N() + 1 || k < 1) continue;
        const bool nextFolds = reflectsGreen(m, k + 1) && m.surf[idx(k + 1)].r >= kFoldingRadius;
        if (nextFolds) continue;
        const double bend = ws.paraxial.bendCurvature[idx(k)];
        if (!reflectsGreen(m, k) || m.surf[idx(k)].r <= kFoldingRadius)
            m.surf[idx(k + 1)].r = 1.0 / (1.0 / m.surf[idx(k)].r - bend);
        else
            m.surf[idx(k + 1)].r = -1.0 / (1.0 / m.surf[idx(k - 1)].r - bend);
    }
}

}  // namespace

double displayFactor(const Workspace& ws) {
    return ws.settings.controls.normalised ? 1.0 : ws.model.sys.focalLengthRef;
}

void StDefBool(SelectionState& s) {
    s.pickRadius = s.pickGroup = s.pickDistance = s.pickTilt = s.pickMarked = false;
    s.pickGroupSize = 0;
}

void pickAt(Workspace& ws, Point click, const ToleranceCarry& carry) {
    SelectionState& sel = ws.selection;
    const SystemModel& m = ws.model;
    const LayoutResults& r = ws.layout;
    const int N = m.N();
    const double S = r.drawScale;
    const double F = m.sys.normFocal;
    const int tol = kPickTolerance;
    sel.press = click;
    ws.flags.selectionActive = false;
    bool picked = false;
    for (int i = 1; i <= N; ++i) {
        const double e = click.x - r.vertexPx[idx(i)], f = click.y - r.vertexPy[idx(i)];
        const double e1 = click.x - r.vertexPx[idx(i + 1)], f1 = click.y - r.vertexPy[idx(i + 1)];
        const double A = r.axisAngle[idx(i - 1)] + m.surf[idx(i)].u * kDegree;
        const double A1 = r.axisAngle[idx(i)] + m.surf[idx(i + 1)].u * kDegree;
        const double R = m.surf[idx(i)].r * S / F, R1 = m.surf[idx(i + 1)].r * S / F;
        const double ys = std::sin(A) * e - std::cos(A) * f, zs = std::cos(A) * e - std::sin(A) * f;
        const double ys1 = std::sin(A1) * e1 - std::cos(A1) * f1,
                     zs1 = std::cos(A1) * e1 - std::sin(A1) * f1;

        // The marked ray: a click left of the system within the entrance beam.
        // (The height is compared with the entrance semi-aperture.)
        if (i == 1 && click.x < 20 && std::fabs(f) < Nearest(S / (2.0 * m.sys.fNumber))) {
            StDefBool(sel);
            ws.flags.selectionActive = sel.pickMarked = picked = true;
            ws.marked.height = std::fabs(F) * (-Nearest(f / S * 2.0 * m.sys.fNumber * 80.0)) / 2.0 /
                               m.sys.fNumber / 80.0;
            sel.valueChangePosition = 0;
            sel.colour = rgbFuchsia;
        }
        const bool mask = mediumTags(m.surf[idx(i)].medium) & (kObstructionTags | kTagBlende);
        if (!mask && std::fabs(ys) < std::fabs(r.rimHalf[idx(i)])) {
            const bool glassAfter = std::fabs(m.surf[idx(i)].n[colourIndex(kGreen)]) != 1.0;
            const double dir = sign(m.surf[idx(i)].e);
            if (!picked && glassAfter && (ys * ys / 2.0 / R - zs) * dir < 0.0 &&
                (ys1 * ys1 / 2.0 / R1 - zs1) * dir > 0.0) {
                pickGroup(ws, i, carry);
                picked = true;
            }
            if (std::fabs(e * e + f * f - 2.0 * R * zs) <
                (tol / 2.0) * (tol / 2.0) * std::fabs(R)) {
                pickSurface(ws, i, carry);
                picked = true;
            }
        }
        if (onDistance(r, i, click)) {
            pickDistance(ws, i);
            picked = true;
        }
        if (std::fabs(e) < tol && std::fabs(f) < tol) {
            pickTilt(ws, i);
            picked = true;
        }
    }
    if (!ws.flags.selectionActive) {
        StDefBool(sel);
        sel.itemText = "keine Selektion";
        sel.valueText.clear();
        sel.colour = rgbGrey;
    }
}

void stepPickedValue(Workspace& ws, bool up) {
    SelectionState& s = ws.selection;
    const SharedSettings& v = ws.settings.values;
    const double factor = displayFactor(ws);
    const char sep = ws.settings.separator;
    auto scale = [up](double value, double percent) {
        return up ? value * (1.0 + percent / 100.0) : value / (1.0 + percent / 100.0);
    };
    if (s.pickRadius || s.pickGroup || s.pickTilt || s.pickDistance) {
        applyEdit(ws, [&](SystemModel& m) {
            if (s.pickRadius && !s.pickGroup && s.pickSurface >= 1 && s.pickSurface <= m.N() + 1) {
                double& r = m.surf[idx(s.pickSurface)].r;
                r = scale(r, v.radiusStep);
                s.valueText = fixed4(r * factor, sep);
            }
            if (s.pickGroup) {
                const int g = ws.groups.air[idx(s.pickGroupIndex)] - s.pickGroupSize;
                double& r = m.surf[idx(g)].r;
                r = scale(r, v.bendStep);
                rebend(ws);
                s.valueText = fixed4(m.surf[idx(s.pickSurface)].r * factor, sep, 6);
            }
            if (s.pickTilt) {
                double& u = m.surf[idx(s.pickTiltIndex)].u;
                u += up ? v.angleStep : -v.angleStep;
                s.valueText = fixed4(u, sep);
            }
            if (s.pickDistance) {
                double& e = m.surf[idx(s.pickDistanceIndex)].e;
                e = scale(e, v.distanceStep);
                s.valueText = fixed4(e * factor, sep);
            }
        });
    }
    if (s.pickMarked) {
        const double step = std::fabs(ws.model.sys.normFocal) / 2.0 / ws.model.sys.fNumber / 80.0;
        ws.marked.height += up ? step : -step;
        // The marked ray is no part of the stored system: the spots follow,
        // the document stays as it was.
        markResultsStale(ws);
    }
}

void movePick(Workspace& ws, bool up, const ToleranceCarry& carry) {
    SelectionState& s = ws.selection;
    const int last = ws.model.N() + 1;
    auto moved = [&](int index) { return std::clamp(index + (up ? 1 : -1), 1, last); };
    if (s.pickRadius) {
        // Moving the pick ends a group pick: the steps then change the radius
        // that the box shows.
        pickSurface(ws, moved(s.pickSurface), carry);
    } else if (s.pickTilt) {
        s.pickTiltIndex = moved(s.pickTiltIndex);
        s.itemText = "Fläche " + std::to_string(s.pickTiltIndex) + "  Winkel/°";
        s.valueText = fixed4(ws.model.surf[idx(s.pickTiltIndex)].u, ws.settings.separator);
    } else if (s.pickDistance) {
        s.pickDistanceIndex = moved(s.pickDistanceIndex);
        s.itemText = "Fläche " + std::to_string(s.pickDistanceIndex) + "  Abstand";
        s.valueText = fixed4(ws.model.surf[idx(s.pickDistanceIndex)].e * displayFactor(ws),
                             ws.settings.separator);
    } else if (s.pickMarked) {
        s.pickMarkedSurface = moved(s.pickMarkedSurface);
    }
}

void releaseAt(Workspace& ws, Point release) {
    SelectionState& s = ws.selection;
    if (s.dragging && !s.measuring) {
        ws.view.baseX += s.lastDrag.x - s.press.x;
        ws.view.originX += s.lastDrag.x - s.press.x;
        ws.view.originY += s.lastDrag.y - s.press.y;
    }
    s.dragging = false;
    if (!s.measuring || ws.flags.selectionActive) return;
    if (!s.measureStarted) {
        s.firstMeasure = release;
        s.measureStarted = true;
        s.measureComplete = false;
        s.itemText = "erster Meßpunkt:";
        s.valueText = std::to_string(release.x) + ";" + std::to_string(release.y);
        s.colour = rgbRed;
    } else {
        const double dx = release.x - s.firstMeasure.x, dy = release.y - s.firstMeasure.y;
        const double mm = std::sqrt(dx * dx + dy * dy) / ws.layout.drawScale *
                          std::fabs(ws.model.sys.focalLength);
        s.itemText = "Abstand / mm";
        s.valueText = fmt::fixed(mm, 15, 4, ws.settings.separator);
        s.colour = rgbFuchsia;
        s.secondMeasure = release;
        s.measureStarted = false;
        s.measureComplete = true;
    }
}

}  // namespace vn
