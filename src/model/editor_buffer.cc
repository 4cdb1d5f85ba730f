#include "model/editor_buffer.h"

#include <cmath>
#include <limits>

#include "model/glass.h"
#include "model/medium.h"
#include "model/text_file.h"

namespace vn {
namespace {

constexpr int kGreenSlot = colourIndex(kGreen);
constexpr int kMaxFitSteps = 50;
constexpr double kFitTolerance = 1e-5;
constexpr double kObjectBeforePupil = 1e15;  // mm: a distant star
constexpr double kVertexDistance = 1e-4;     // object at the vertex: index ratio only

// Wavelength stored with an "n/L" medium for a colour: K4 red, K5 green, K6 blue.
double tabulatedWavelength(const Surface& s, int slot) {
    static constexpr std::array<std::size_t, 3> kCoefficient = {3, 5, 4};  // red, blue, green
    return s.coef[kCoefficient[idx(slot)]];
}

std::string cutMedium(const std::string& medium) {
    return utf8Left(medium, kBufferMediumLength);
}

double powerOf(double x, int order) {
    return std::pow(x, order);
}

}  // namespace

double physicalLength(double stored, double F, double f) {
    return stored / F * f;
}

double storedLength(double physical, double F, double f) {
    return physical / f * F;
}

double physicalAsphere(double stored, int order, double F, double f) {
    return stored * std::fabs(powerOf(F / f, order - 1));
}

double storedAsphere(double physical, int order, double F, double f) {
    return physical / std::fabs(powerOf(F / f, order - 1));
}

void SystemEditor::fill(const SystemModel& m, bool normalised) {
    normalised_ = normalised;
    const double F = normalised ? std::fabs(m.sys.normFocal) : 1.0;
    const double f = m.sys.focalLengthRef;
    for (int i = 0; i < kTableSize; ++i) {
        const Surface& s = m.surf[idx(i)];
        BufferSurface& b = buf_.surf[idx(i)];
        static_cast<Surface&>(b) = s;
        b.r = physicalLength(s.r, F, f);
        b.e = physicalLength(s.e, F, f);
        b.A2 = physicalAsphere(s.A2, 2, F, f);
        b.A4 = physicalAsphere(s.A4, 4, F, f);
        b.A6 = physicalAsphere(s.A6, 6, F, f);
        b.medium = cutMedium(s.medium);
        for (int c = 0; c < 3; ++c)
            b.wavelength[idx(c)] =
                s.lambdaMismatch[idx(c)] ? tabulatedWavelength(s, c) : m.sys.wavelength[idx(c)];
    }
    buf_.description = m.sys.description;
    buf_.focalLength = m.sys.focalLengthRef;
    buf_.shownFocalLength = m.sys.focalLength;
    buf_.title = m.sys.title;
    buf_.source = m.sys.source;
    buf_.surfaceCount = m.sys.surfaceCount;
    buf_.objectDistance = physicalLength(m.sys.objectDistance, F, f);
    buf_.entrancePupil = physicalLength(m.sys.entrancePupil, F, f);
    buf_.fieldAngle = m.sys.fieldAngle;
    buf_.fNumber = m.sys.fNumberRef;
    buf_.currentFNumber = m.sys.fNumber;
    buf_.systemWavelength = m.sys.wavelength;
    current_ = {};
    if (shown_ > buf_.N()) shown_ = buf_.N();
    if (shown_ < 0) shown_ = 1;
    showFields();
}

void SystemEditor::showFields() {
    const BufferSurface& s = buf_.surf[idx(shown_)];
    EditorFields& F = fields_;
    F.title = buf_.title;
    F.source = buf_.source;
    F.focalLength = normalised_ ? buf_.focalLength : buf_.shownFocalLength;
    F.focalLengthEditable = normalised_;
    F.aperture = buf_.focalLength / buf_.fNumber;
    F.fieldAngle = buf_.fieldAngle;
    F.objectDistance = buf_.objectDistance;
    F.entrancePupil = buf_.entrancePupil;
    F.surfaceCount = buf_.surfaceCount;
    F.r = s.r;
    F.k = s.k;
    F.schmidt = s.schmidt;
    F.nz = s.nz;
    F.u = s.u;
    F.h = s.h;
    F.A2 = s.A2;
    F.A4 = s.A4;
    F.A6 = s.A6;
    F.A8 = s.A8;
    F.sagittal = s.sagittal;
    F.e = s.e;
    F.medium = s.medium;
    F.n = s.n;
    // The kind as the data give it; a surface with a Schmidt factor shows
    // "Schmidt" unless it is a mirror, a stop or an obstruction.
    const unsigned tags = mediumTags(s.medium);
    if (shown_ > 0 && buf_.surf[idx(shown_ - 1)].dir * s.dir < 0.0)
        F.kind = SurfaceKind::Reflection;
    else if (tags & kObstructionTags)
        F.kind = SurfaceKind::Obstruction;
    else if (tags & kStopKindTags)
        F.kind = SurfaceKind::Stop;
    else if (s.schmidt != 0.0)
        F.kind = SurfaceKind::Schmidt;
    else
        F.kind = SurfaceKind::Refraction;
    for (int c = 0; c < 3; ++c) {
        F.wavelengthNm[idx(c)] = s.wavelength[idx(c)] * 1000.0;
        F.wavelengthMarked[idx(c)] =
            std::fabs(s.wavelength[idx(c)] - buf_.systemWavelength[idx(c)]) > kWavelengthTolerance;
    }
}

void SystemEditor::readFields() {
    const EditorFields& F = fields_;
    const double shownAperture = buf_.focalLength / buf_.fNumber;
    buf_.entrancePupil = F.entrancePupil;
    buf_.objectDistance = F.objectDistance;
    buf_.fieldAngle = F.fieldAngle;
    const double oldFocal = buf_.focalLength;
    if (normalised_) buf_.focalLength = F.focalLength;
    // The f-number follows the aperture only when one of the two was changed,
    // so that the rounding of the shown aperture does not creep into it.
    if ((F.aperture != shownAperture || buf_.focalLength != oldFocal) && F.aperture > 0.0 &&
        std::isfinite(F.aperture))
        buf_.fNumber = buf_.focalLength / F.aperture;
    buf_.source = F.source;
    buf_.title = F.title;
    BufferSurface& s = buf_.surf[idx(shown_)];
    s.n = F.n;
    s.medium = cutMedium(F.medium);
    s.e = F.e;
    s.h = F.h;
    s.u = F.u;
    s.sagittal = F.sagittal;
    s.k = F.k;
    s.r = F.r;
    s.schmidt = F.schmidt;
    s.nz = F.nz;
    s.A2 = F.A2;
    s.A4 = F.A4;
    s.A6 = F.A6;
    s.A8 = F.A8;
}

// The values of a surface may be typed without sign: its indices and its
// distance take the sign of the direction of travel after it.
void SystemEditor::fixSigns(int entry) {
    BufferSurface& s = buf_.surf[idx(entry)];
    for (double& n : s.n) n = std::fabs(n) * s.dir;
    s.e = std::fabs(s.e) * s.dir;
}

void SystemEditor::commitShown() {
    readFields();
    fixSigns(shown_);
    if (fields_.kind == SurfaceKind::Obstruction) fields_.medium = "Luft/Obstr";
    if (fields_.kind == SurfaceKind::Stop) fields_.medium = "Luft/Blende";
    buf_.surf[idx(shown_)].medium = cutMedium(fields_.medium);
}

void SystemEditor::selectTab(int tab) {
    if (tab < 0 || tab > buf_.N()) return;
    commitShown();
    shown_ = tab;
    showFields();
}

void SystemEditor::reverseFrom(int entry, bool negateRadii) {
    for (int i = entry; i <= buf_.N(); ++i) {
        BufferSurface& s = buf_.surf[idx(i)];
        if (negateRadii) s.r = -s.r;
        s.dir = -s.dir;
        s.e = std::fabs(s.e) * s.dir;
        for (double& n : s.n) n = std::fabs(n) * s.dir;
        buf_.surf[idx(i + 1)].u = -buf_.surf[idx(i + 1)].u;
    }
}

void SystemEditor::chooseKind(SurfaceKind kind) {
    if (shown_ == 0) return;
    readFields();
    const double product = buf_.surf[idx(shown_ - 1)].dir * buf_.surf[idx(shown_)].dir;
    if (kind == SurfaceKind::Reflection && product > 0.0) reverseFrom(shown_, true);
    if (kind != SurfaceKind::Reflection && product < 0.0) reverseFrom(shown_, false);
    fields_.kind = kind;
    if (kind == SurfaceKind::Obstruction) fields_.medium = "Luft/Obstr";
    if (kind == SurfaceKind::Stop) fields_.medium = "Luft/Blende";
    // The radius field too: it would otherwise put the radius back at the
    // next reading of the fields.
    const BufferSurface& s = buf_.surf[idx(shown_)];
    fields_.r = s.r;
    fields_.e = s.e;
    fields_.n = s.n;
    fields_.u = s.u;
}

void SystemEditor::prepareMediumChoice() {
    commitShown();
    showFields();
}

std::string SystemEditor::applyGlass(const GlassRecord& glass) {
    const GlassIndices g = glassIndices(glass, buf_.systemWavelength);
    if (!g.error.empty()) return g.error;
    BufferSurface& s = buf_.surf[idx(shown_)];
    s.coef = glass.K;
    for (int c = 0; c < 3; ++c) {
        s.wavelength[idx(c)] = g.wavelengthMismatch[idx(c)] ? g.glassWavelength[idx(c)]
                                                            : buf_.systemWavelength[idx(c)];
        s.n[idx(c)] = g.n[idx(c)] * s.dir;
    }
    s.medium = cutMedium(glass.type);
    // Only the fields the glass sets; what was typed elsewhere stays.
    const EditorFields typed = fields_;
    showFields();
    const std::array<double, 3> n = fields_.n;
    const std::array<double, 3> nm = fields_.wavelengthNm;
    const std::array<bool, 3> marked = fields_.wavelengthMarked;
    fields_ = typed;
    fields_.n = n;
    fields_.wavelengthNm = nm;
    fields_.wavelengthMarked = marked;
    fields_.medium = glass.type;
    return {};
}

std::string SystemEditor::insertSurface(double distance) {
    if (buf_.N() >= kMaxSurfaces)
        return "Es sind höchstens " + std::to_string(kMaxSurfaces) + " Flächen möglich.";
    if (!std::isfinite(distance)) return "Die Distanz ist keine Zahl.";
    readFields();
    const int a = shown_ + 1;
    const int N = buf_.N();
    for (int j = N + 1; j >= a; --j) buf_.surf[idx(j + 1)] = buf_.surf[idx(j)];
    BufferSurface& before = buf_.surf[idx(a - 1)];
    BufferSurface added = before;
    added.r = kFlatRadius;
    added.e = before.e - before.dir * distance;
    added.k = added.schmidt = added.nz = 0.0;
    added.A2 = added.A4 = added.A6 = added.A8 = 0.0;
    added.u = 0.0;
    added.sagittal = false;
    added.tolDx = added.tolDy = added.tolDw = 0.0;
    before.e = before.dir * distance;
    buf_.surf[idx(a)] = added;
    buf_.surfaceCount = N + 1;

    const int image = buf_.N() + 1;
    BufferSurface plane = buf_.surf[idx(image - 1)];
    plane.r = kFlatRadius;
    plane.k = plane.schmidt = plane.nz = 0.0;
    plane.A2 = plane.A4 = plane.A6 = plane.A8 = 0.0;
    plane.u = 0.0;
    plane.sagittal = false;
    plane.h = 1.01;
    plane.tolDx = plane.tolDy = plane.tolDw = 0.0;
    buf_.surf[idx(image)] = plane;
    shown_ = a;
    showFields();
    return {};
}

std::string SystemEditor::deleteSurface() {
    const int t = shown_;
    if (t > buf_.N()) return {};
    if (t == 0) return "Fläche0, die Eintrittspupille, kann nicht gelöscht werden.";
    if (buf_.N() <= 1) return "Die letzte Fläche kann nicht gelöscht werden.";
    readFields();
    if (buf_.surf[idx(t - 1)].dir * buf_.surf[idx(t)].dir < 0.0) reverseFrom(t, true);
    buf_.surf[idx(t - 1)].e += buf_.surf[idx(t)].e;
    for (int j = t; j <= buf_.N(); ++j) buf_.surf[idx(j)] = buf_.surf[idx(j + 1)];
    buf_.surfaceCount -= 1;
    shown_ = buf_.N();
    showFields();
    return {};
}

double SystemEditor::bufferFocalLength() const {
    const int N = buf_.N();
    auto n = [this](int i) { return buf_.surf[idx(i)].n[idx(kGreenSlot)]; };
    double s = -kObjectBeforePupil + buf_.entrancePupil;  // s'_0 - e[0]
    double M = n(0) / n(N) * s;
    for (int i = 1; i <= N; ++i) {
        const BufferSurface& surf = buf_.surf[idx(i)];
        double image;
        if (std::fabs(s) < kVertexDistance) {
            image = s * n(i) / n(i - 1);
        } else {
            const double cv = 1.0 / surf.r + 2.0 * surf.A2;
            image = 1.0 / (cv - (n(i - 1) / n(i)) * (cv - 1.0 / s));
        }
        M *= image / s;
        s = image - surf.e;
    }
    if (!std::isfinite(M) || M == 0.0) return std::numeric_limits<double>::quiet_NaN();
    return M;
}

// The corrector in front of the first mirror, from the mirror's radius, the
// corrector's glass and the aperture.
void SystemEditor::recomputeSchmidt(double focal) {
    const int N = buf_.N();
    int m = N;
    for (int i = 1; i <= N; ++i) {
        if (buf_.surf[idx(i - 1)].n[idx(kGreenSlot)] / buf_.surf[idx(i)].n[idx(kGreenSlot)] < 0.0) {
            m = i;
            break;
        }
    }
    if (m < 2) return;
    BufferSurface& c = buf_.surf[idx(m - 1)];
    const double s = c.schmidt;
    const double R = buf_.surf[idx(m)].r;
    const double nu = buf_.surf[idx(m - 2)].n[idx(kGreenSlot)];
    const double D = std::fabs(focal) / buf_.fNumber;
    if (s == 0.0 || R == 0.0 || nu == 1.0) return;
    double A2, A4, A6 = c.A6;
    if (std::fabs(1.0 - s) > 0.02) {
        A2 = D * D * 3.0 * s / 32.0 / (nu - 1.0) / (R * R * R);
        A4 = -s / 4.0 / (nu - 1.0) / (R * R * R);
    } else {
        const double y = c.nz * D / 2.0;
        const double Y = y * y;
        const double v = (y / R) * (y / R);
        if (Y == 0.0 || v >= 1.0) return;
        const double P = (R / 2.0) / std::sqrt(1.0 - v);
        const double Q = R - P;
        const double S = R * std::sqrt(1.0 - v);
        const double W = (2.0 * Q - S) / (1.0 - nu);
        A2 = (P - R / 2.0) * s / P / R / (nu - 1.0);
        A4 = (3.0 * s * W - 2.0 * Y * A2) / (Y * Y);
        A6 = (Y * A2 - 2.0 * s * W) / (Y * Y * Y);
    }
    if (!std::isfinite(A2) || !std::isfinite(A4) || !std::isfinite(A6)) return;
    c.A2 = A2;
    c.A4 = A4;
    c.A6 = A6;
}

std::string SystemEditor::update() {
    commitShown();
    const double f = bufferFocalLength();
    if (!std::isfinite(f))
        return "Das System hat keine paraxiale Brennweite; die Daten bleiben, wie sie sind.";
    if (!normalised_) {
        const double aperture = fields_.aperture;
        // The reference focal length stays positive; the shown one keeps the
        // sign of the system's focal length.
        buf_.focalLength = std::fabs(f);
        buf_.shownFocalLength = f;
        if (aperture > 0.0 && std::isfinite(aperture)) buf_.fNumber = std::fabs(f) / aperture;
        current_ = {true, f, buf_.fNumber};
        showFields();
        return {};
    }
    const double T = buf_.focalLength;
    if (!(T > 0.0) || !std::isfinite(T)) return "Die Brennweite muss größer als 0 sein.";
    const EditBuffer before = buf_;
    double traced = f;
    int steps = 0;
    do {
        traced = bufferFocalLength();
        if (!std::isfinite(traced)) {
            buf_ = before;
            return "Das System hat keine paraxiale Brennweite; die Daten bleiben, wie sie sind.";
        }
        recomputeSchmidt(traced);
        // Lengths scale with the focal length; the aspheric terms with it so
        // that the surfaces keep their shapes.
        const double scale = T / std::fabs(traced);
        for (int i = 0; i <= buf_.N(); ++i) {
            BufferSurface& s = buf_.surf[idx(i)];
            s.r *= scale;
            s.e *= scale;
            s.A2 /= scale;
            s.A4 /= scale * scale * scale;
            s.A6 /= std::pow(scale, 5);
        }
        buf_.objectDistance *= scale;
        buf_.entrancePupil *= scale;
        buf_.currentFNumber = buf_.fNumber;
        current_ = {true, T, buf_.fNumber};
        ++steps;
    } while (steps < kMaxFitSteps && std::fabs((std::fabs(traced) - T) / T) > kFitTolerance);
    showFields();
    return {};
}

void SystemEditor::writeBuffer(SystemModel& m) const {
    const double f = bufferFocalLength();
    double a = std::fabs(normalised_ && std::isfinite(f) ? f : buf_.focalLength);
    if (!(a > 0.0) || !std::isfinite(a)) a = 1.0;
    const int N = buf_.N();
    for (int i = 0; i <= N + 1; ++i) {
        const BufferSurface& b = buf_.surf[idx(i)];
        Surface& s = m.surf[idx(i)];
        const double dx = s.tolDx, dy = s.tolDy, dw = s.tolDw;
        s = static_cast<const Surface&>(b);
        s.tolDx = dx;
        s.tolDy = dy;
        s.tolDw = dw;
        s.r = b.r / a;
        s.e = b.e / a;
        s.A2 = a * b.A2;
        s.A4 = a * a * a * b.A4;
        s.A6 = std::pow(a, 5) * b.A6;
        const unsigned tags = mediumTags(b.medium);
        for (int c = 0; c < 3; ++c)
            s.lambdaMismatch[idx(c)] =
                (tags & kTagTabulated) && !(tags & kTagAir) &&
                std::fabs(b.wavelength[idx(c)] - buf_.systemWavelength[idx(c)]) >
                    kWavelengthTolerance;
    }
    m.sys.description = buf_.description;
    m.sys.focalLengthRef = buf_.focalLength;
    m.sys.title = buf_.title;
    m.sys.source = buf_.source;
    m.sys.surfaceCount = N;
    m.sys.objectDistance = buf_.objectDistance / a;
    m.sys.entrancePupil = buf_.entrancePupil / a;
    m.sys.fieldAngle = buf_.fieldAngle;
    m.sys.fNumber = buf_.currentFNumber;
    m.sys.fNumberRef = buf_.fNumber;
}

void SystemEditor::accept(SystemModel& m, bool twice) {
    commitShown();
    update();
    if (twice) update();
    writeBuffer(m);
}

}  // namespace vn
