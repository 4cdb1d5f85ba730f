#include "synthesis/synthesis_frame.h"

#include <cmath>

#include "mainwindow/run_cycle.h"
#include "model/number_format.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

constexpr size_t kR = colourIndex(kRed);
constexpr size_t kB = colourIndex(kBlue);
constexpr size_t kG = colourIndex(kGreen);

bool finiteSurface(const Surface& s) {
    for (double v : {s.r, s.e, s.k, s.A2, s.A4, s.A6, s.A8, s.schmidt, s.nz})
        if (!std::isfinite(v)) return false;
    for (double v : s.n)
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

void clearGlassTable(SynthesisGlassTable& table) {
    for (GlassSlot& slot : table.entries) {
        slot.name.clear();
        slot.n = {1.0, 1.0, 1.0};
    }
}

std::string chooseSynthesisGlass(GlassSlot& slot, const GlassRecord& record,
                                 const std::array<double, 3>& wavelength) {
    const GlassIndices indices = glassIndices(record, wavelength);
    if (!indices.error.empty()) return indices.error;
    slot.coef = record.K;
    slot.name = record.type.substr(0, kSlotNameLength);
    slot.n = indices.n;
    return {};
}

void recomputeSlotIndices(GlassSlot& slot, const SlotFormulaSources& sources) {
    const auto formula = [&](double (*nSquared)(const GlassCoefficients&, double)) {
        for (size_t c = 0; c < 3; ++c)
            slot.n[c] = indexFromSquared(nSquared(slot.coef, kSynthesisWavelengths[c]));
    };
    // Each later test overrides an earlier one.
    if (sources.cauText.find("Cau") != std::string_view::npos || sources.secondCoefficientNegative)
        formula(powerSeriesIndexSquared);
    if (sources.otherText.find("Sel") != std::string_view::npos) formula(sellmeierIndexSquared);
    if (sources.otherText.find("n/L") != std::string_view::npos) slot.n.fill(slot.coef[0]);
}

bool glassChosen(const GlassSlot& slot) {
    for (double n : slot.n)
        if (!(std::isfinite(n) && n > 0.0)) return false;
    return slot.n[kB] != slot.n[kR];
}

double abbeNumber(const GlassSlot& slot) {
    if (!glassChosen(slot)) return 0.0;
    return (slot.n[kG] - 1.0) / (slot.n[kB] - slot.n[kR]);
}

double greenIndex(const GlassSlot& slot) {
    return slot.n[kG];
}

GlassFields glassFields(const SynthesisGlassTable& table, int slot, char separator) {
    if (!SynthesisGlassTable::isSlot(slot)) return {};
    const GlassSlot& glass = table[slot];
    return {glass.name, fmt::fixed(abbeNumber(glass), 5, 2, separator),
            fmt::fixed(greenIndex(glass), 9, 6, separator)};
}

SynthesisResult refused(std::string message) {
    return {false, std::move(message)};
}

QuadraticCorrection solveCorrection(long double a, long double b, long double gamma,
                                    long double target, bool firstGlassLarger) {
    QuadraticCorrection q;
    if (a == 0 || !std::isfinite(a) || !std::isfinite(b) || !std::isfinite(gamma)) return q;
    q.valid = true;
    const long double P = (gamma - target) / a;
    const long double R = b / (2 * a);
    const long double D = R * R - P;
    q.vertex = -R;
    q.reachable = gamma - b * b / (4 * a);
    if (D > 0) {
        q.found = true;
        q.otherRoot = -R + std::sqrt(D);
        q.root = firstGlassLarger ? -R - std::sqrt(D) : q.otherRoot;
    } else {
        q.root = q.otherRoot = q.vertex;
    }
    return q;
}

std::string solverMessage(const QuadraticCorrection& q, char separator) {
    if (q.found) return kMsgSolutionFound;
    return kMsgSolutionForTarget + fmt::fixed(static_cast<double>(q.reachable), 7, 4, separator);
}

double radiusOf(long double curvature) {
    if (curvature == 0) return kFlatRadius;
    return static_cast<double>(1 / curvature);
}

void resetSynthesisSurfaces(SystemModel& m, int surfaceCount) {
    for (int i = 0; i <= surfaceCount; ++i) {
        Surface& s = m.surf[idx(i)];
        s.k = 0.0;
        s.u = 0.0;
        s.h = 1.05;
        s.schmidt = 0.0;
        s.A2 = s.A4 = s.A6 = s.A8 = 0.0;
    }
}

void writeCommonInputs(SystemModel& m, const CommonInputs& in) {
    m.sys.focalLength = m.sys.focalLengthRef = in.focalLength;
    m.sys.fNumber = m.sys.fNumberRef = in.fNumber;
    m.sys.fieldAngle = in.fullField / 2.0;
    m.sys.graphScale = in.scale;
}

void writeSystemFrame(SystemModel& m, int surfaceCount) {
    m.sys.surfaceCount = surfaceCount;
    m.surf[0].r = kFlatRadius;
    m.sys.objectDistance = kObjectAtInfinity;
    m.sys.entrancePupil = 0.0;
}

SystemModel beginLensDesign(const SystemModel& current, const CommonInputs& in, int surfaceCount,
                            bool standardWavelengths) {
    SystemModel design = current;
    if (standardWavelengths) design.sys.wavelength = kSynthesisWavelengths;
    resetSynthesisSurfaces(design, surfaceCount);
    writeCommonInputs(design, in);
    writeSystemFrame(design, surfaceCount);
    design.surf[0].medium = kEntranceMedium;
    design.surf[0].n = {1.0, 1.0, 1.0};
    return design;
}

void writeAir(Surface& s, double dir, const char* medium) {
    s.medium = medium;
    s.n = {dir, dir, dir};
    s.dir = dir;
    s.coef = kSynthesisAirCoefficients;
}

void writeGlass(Surface& s, const GlassSlot& glass, double dir) {
    s.medium = glass.name.substr(0, kSlotNameLength);
    for (size_t c = 0; c < 3; ++c) s.n[c] = dir * glass.n[c];
    s.dir = dir;
    s.coef = glass.coef;
}

std::string checkCommonInputs(const CommonInputs& in) {
    if (!std::isfinite(in.focalLength) || in.focalLength == 0.0)
        return "Brennweite f/mm: 0 ist keine Brennweite.";
    if (!std::isfinite(in.fNumber) || in.fNumber == 0.0) return "Blende: 0 ist keine Öffnungszahl.";
    if (!std::isfinite(in.fullField) || !std::isfinite(in.scale))
        return "Feld/° und Massstab müssen Zahlen sein.";
    return {};
}

SynthesisResult commitDesign(Workspace& ws, SystemModel& design, double scale,
                             std::string message) {
    for (int i = 0; i <= design.N(); ++i) {
        if (!finiteSurface(design.surf[idx(i)]))
            return refused("Der Entwurf ergibt an Fläche " + std::to_string(i) +
                           " keinen endlichen Wert; nichts wurde geändert.");
    }
    // The run cycle evaluates the design again; this trial only asks whether it
    // can, so it leaves the stored lengths alone whatever the design mode.
    ParaxialData paraxial = ws.paraxial;
    AberrationSums sums;
    const EvaluationStatus status = EvaluateSystem(design, false, paraxial, sums);
    if (!status.ok) return refused(describe(status) + " Nichts wurde geändert.");
    // A new system starts without the position-tolerance offsets of the one it
    // replaces. The trace applies them on the image plane too, and entries
    // above N become surfaces again when the editor inserts some.
    ClearTol(design);
    for (int i = design.N() + 1; i < kTableSize; ++i) {
        Surface& rest = design.surf[idx(i)];
        rest.tolDx = rest.tolDy = rest.tolDw = 0.0;
    }
    replaceSystem(ws, design);
    ws.settings.controls.systemScale = scale;
    Start(ws);
    return {true, std::move(message)};
}

}  // namespace vn
