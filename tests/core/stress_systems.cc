#include "stress_systems.h"

#include <cmath>
#include <initializer_list>
#include <iterator>
#include <random>

#include "mainwindow/run_cycle.h"
#include "psf/psf_analysis.h"
#include "psf/psf_computation.h"
#include "settings/settings.h"
#include "spot/spot_computation.h"

namespace vn::test {
namespace {

class Dice {
public:
    explicit Dice(std::uint64_t seed) : random_(seed * 0x9E3779B97F4A7C15ull + 17) {}
    bool chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < p; }
    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }
    // Spread evenly over the decades between low and high (both > 0).
    double decades(double low, double high) {
        return std::exp(uniform(std::log(low), std::log(high)));
    }
    double sign() { return chance(0.5) ? 1.0 : -1.0; }
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    template <typename T>
    T pick(std::initializer_list<T> items) {
        return items.begin()[below(static_cast<int>(items.size()))];
    }

private:
    std::mt19937_64 random_;
};

// Every other system is tame: few surfaces and ordinary values, so that most of
// them image and the focus fit and the PSF see light; the rest go to the
// extremes.
double radius(Dice& d, bool tame) {
    if (tame) return d.chance(0.2) ? kFlatRadius : d.sign() * d.decades(0.3, 20.0);
    switch (d.below(8)) {
        case 0:
        case 1:
            return kFlatRadius;
        case 2:
            return d.sign() * d.decades(1e-6, 1e-2);  // tiny
        case 3:
            return d.sign() * d.decades(1e3, 1e11);  // nearly flat
        default:
            return d.sign() * d.decades(0.02, 20.0);
    }
}

double distance(Dice& d, double dir, bool tame) {
    if (tame) return dir * d.decades(1e-3, 0.5);
    switch (d.below(8)) {
        case 0:
            return 0.0;
        case 1:
            return -dir * d.decades(1e-4, 2.0);  // against the light
        case 2:
            return dir * d.decades(1e-9, 1e-4);
        case 3:
            return dir * d.decades(10.0, 1e4);
        default:
            return dir * d.decades(1e-3, 3.0);
    }
}

// The medium after a surface: air, a catalogue glass, a glass with fixed
// indices or a measured "n/L" glass, with its indices at the system's
// wavelengths and the sign of the direction of travel.
void setMedium(Dice& d, Surface& s, double dir, const std::array<double, 3>& wavelength,
               const std::vector<CatalogueGlass>& glasses) {
    s.coef = {};
    const int kind = d.below(10);
    if (kind < 4) {
        s.medium = d.pick({"Luft", "Luft", "Luft", "", "Luft/Blende", "Luft/Obstr", "Schatten"});
        s.n = {dir, dir, dir};
        return;
    }
    if (kind < 8 && !glasses.empty()) {
        const GlassRecord& g =
            glasses[static_cast<size_t>(d.below(static_cast<int>(glasses.size())))].record;
        const GlassIndices indices = glassIndices(g, wavelength);
        if (indices.error.empty()) {
            s.medium = g.type;
            s.coef = g.K;
            for (size_t c = 0; c < 3; ++c) s.n[c] = dir * indices.n[c];
            return;
        }
    }
    if (kind == 8) {
        // Measured indices at wavelengths that need not be the system's.
        const double n = d.uniform(1.3, 2.1);
        s.medium = "gemessen n/L";
        s.coef = {n + 0.01, n, n - 0.01, 0.6438, 0.546074, d.chance(0.5) ? 0.48 : 0.4358343};
        s.n = {dir * s.coef[0], dir * s.coef[2], dir * s.coef[1]};
        return;
    }
    const double n = d.chance(0.1) ? d.decades(1.0001, 4.0) : d.uniform(1.4, 1.9);
    s.medium = d.pick({"Glas", "Oel", "Kristall"});
    s.n = {dir * n * 0.995, dir * n * 1.01, dir * n};
}

void deform(Dice& d, Surface& s, bool tame) {
    if (tame) {
        if (d.chance(0.3)) s.k = d.uniform(-3.0, 1.0);
        if (d.chance(0.1)) s.A4 = d.uniform(-0.1, 0.1);
        return;
    }
    if (d.chance(0.4)) {
        s.k = d.chance(0.2) ? -1.0 : d.sign() * d.decades(1e-3, d.chance(0.1) ? 500.0 : 5.0);
    }
    switch (d.below(12)) {
        case 0:  // polynomial asphere
            s.A2 = d.sign() * d.decades(1e-6, 2.0);
            s.A4 = d.sign() * d.decades(1e-6, 10.0);
            s.A6 = d.chance(0.5) ? d.sign() * d.decades(1e-6, 10.0) : 0.0;
            s.A8 = d.chance(0.3) ? d.sign() * d.decades(1e-6, 10.0) : 0.0;
            break;
        case 1:  // fourth- and sixth-order terms only
            s.A4 = d.sign() * d.decades(1e-5, 50.0);
            s.A6 = d.chance(0.5) ? d.sign() * d.decades(1e-5, 50.0) : 0.0;
            break;
        case 2:  // torus
            s.A8 = d.chance(0.2) ? 1.0 : d.sign() * d.decades(1e-4, 3.0);
            break;
        case 3:  // Schmidt profile
            s.schmidt = d.sign() * d.decades(1e-3, 20.0);
            s.A2 = d.sign() * d.decades(1e-6, 0.1);
            s.A4 = d.sign() * d.decades(1e-6, 1.0);
            s.A6 = d.chance(0.5) ? d.sign() * d.decades(1e-6, 1.0) : 0.0;
            s.nz = d.uniform(0.0, 1.2);
            break;
        default:
            break;
    }
}

}  // namespace

std::vector<CatalogueGlass> catalogueGlasses() {
    std::vector<CatalogueGlass> out;
    const CatalogueReadResult read =
        readCatalogueFile(std::string(VARNISTRALE_TEST_DATA_DIR) + "/" + kCatalogueFileName);
    for (const std::string& line : read.catalogue.lines) {
        RecordParseResult parsed = parseRecord(line);
        if (parsed.error.empty()) out.push_back({parsed.record});
    }
    return out;
}

SystemModel stressSystem(std::uint64_t index, const std::vector<CatalogueGlass>& glasses) {
    Dice d(index);
    const bool tame = d.chance(0.5);
    SystemModel m;
    setDefaultSystem(m);
    SystemData& s = m.sys;
    s.title = "Stress " + std::to_string(index);
    s.focalLength = d.pick({1000.0, 1000.0, 100.0, 5.0, 25000.0, -800.0, 1.0});
    s.focalLengthRef = std::fabs(s.focalLength);
    s.fNumber = d.chance(0.1) ? d.pick({0.3, 0.5, 250.0, 500.0}) : d.decades(1.0, 30.0);
    if (d.chance(0.05)) s.fNumber = -s.fNumber;
    s.fNumberRef = std::fabs(s.fNumber);
    switch (d.below(6)) {
        case 0:
            s.fieldAngle = 0.0;
            break;
        case 1:
            s.fieldAngle = d.pick({1e-6, 45.0, 60.0, 80.0, 89.0});
            break;
        default:
            s.fieldAngle = d.decades(0.01, 20.0);
    }
    s.spiderCount = static_cast<std::uint8_t>(d.chance(0.2) ? d.pick({1, 3, 4, 6, 18, 255}) : 0);
    s.graphScale = d.pick({1000.0, 300.0, 2000.0});
    s.entrancePupil = d.chance(0.7) ? 0.0 : d.uniform(-1.0, 1.0);
    if (d.chance(0.6)) {
        s.objectDistance = kObjectAtInfinity;
    } else {
        s.objectDistance =
            d.chance(0.1) ? d.pick({-1000.0, 1000.0, -1000.0001}) : -d.decades(0.01, 999.0);
        if (d.chance(0.1)) s.objectDistance = -s.objectDistance;  // a virtual object
    }
    if (d.chance(0.2)) {
        for (double& w : s.wavelength) w = kOfferedWavelengths[idx(d.below(20))];
    }
    s.surfaceCount = 1 + d.below(tame ? 6 : kMaxSurfaces);
    if (tame) {
        s.fNumber = d.decades(2.0, 20.0);
        s.fNumberRef = s.fNumber;
        s.fieldAngle = d.decades(0.05, 3.0);
        s.entrancePupil = 0.0;
    }

    Surface& pupil = m.surf[0];
    pupil = Surface{};
    pupil.r = kFlatRadius;
    pupil.e = -s.entrancePupil;
    pupil.medium = d.chance(0.7) ? "Luft/Blende" : "Luft";
    pupil.h = 1.01;

    double dir = 1.0;
    for (int i = 1; i <= m.N(); ++i) {
        Surface& e = m.surf[idx(i)];
        const Surface& before = m.surf[idx(i - 1)];
        e = Surface{};
        e.r = radius(d, tame);
        if (d.chance(tame ? 0.1 : 0.2)) {
            // A mirror: the medium goes on in the reverse direction; in air
            // or, as a back-surface mirror, in glass.
            dir = -dir;
            e.medium = before.medium.empty() ? "Luft" : before.medium;
            e.coef = before.coef;
            for (size_t c = 0; c < 3; ++c) e.n[c] = -before.n[c];
        } else {
            setMedium(d, e, dir, s.wavelength, glasses);
        }
        e.dir = dir;
        e.e = distance(d, dir, tame);
        e.h = d.chance(tame ? 0.95 : 0.8) ? d.uniform(1.0, 1.2) : d.uniform(0.05, 0.99);
        if (d.chance(tame ? 0.05 : 0.2)) {
            e.u = d.chance(0.1) ? d.pick({45.0, -45.0, 89.0, 90.0}) : d.uniform(-10.0, 10.0);
            e.sagittal = d.chance(0.25);
        }
        deform(d, e, tame);
    }
    deriveSurfaceLists(m);
    return m;
}

namespace {

class FiniteCheck {
public:
    void value(const char* what, double v, int i = -1, int j = -1) {
        if (!problem.empty() || std::isfinite(v)) return;
        problem = std::string(what);
        if (i >= 0) problem += "[" + std::to_string(i) + "]";
        if (j >= 0) problem += "[" + std::to_string(j) + "]";
        problem += " = " + std::to_string(v);
    }
    template <typename Array>
    void values(const char* what, const Array& a, int count = -1) {
        const int n = count < 0 ? static_cast<int>(std::size(a)) : count;
        for (int i = 0; i < n; ++i) value(what, static_cast<double>(a[idx(i)]), i);
    }
    std::string problem;
};

void checkModel(FiniteCheck& c, const SystemModel& m) {
    const SystemData& s = m.sys;
    for (double v : {s.focalLength, s.focalLengthRef, s.fNumber, s.fNumberRef, s.fieldAngle,
                     s.graphScale, s.entrancePupil, s.objectDistance, s.normFocal})
        c.value("system data", v);
    for (int i = 0; i <= m.N() + 1; ++i) {
        const Surface& e = m.surf[idx(i)];
        for (double v : {e.r, e.e, e.k, e.u, e.h, e.A2, e.A4, e.A6, e.A8, e.schmidt, e.nz})
            c.value("surface", v, i);
        c.values("surface index", e.n);
    }
}

void checkParaxial(FiniteCheck& c, const ParaxialData& p, const AberrationSums& a) {
    for (double v : {p.backFocus, p.focusSign, p.signedFocal, p.exitPupilDistance, p.axisDeviation,
                     p.objectDistanceF, p.entrancePupilF, p.focalRed, p.focalBlue, p.backFocusRed,
                     p.backFocusBlue, p.backFocusGreen})
        c.value("paraxial", v);
    c.values("paraxial rF", p.rF);
    c.values("paraxial eF", p.eF);
    c.values("paraxial A2F", p.A2F);
    c.values("paraxial A4F", p.A4F);
    c.values("paraxial A6F", p.A6F);
    c.values("marginal height", p.marginalHeight);
    c.values("bend curvature", p.bendCurvature);
    for (float v : {a.spherical, a.coma, a.astigmatism, a.curvature, a.distortion, a.chromatic,
                    a.secondary, a.lateralColour})
        c.value("aberration sum", v);
}

void checkLayout(FiniteCheck& c, const LayoutResults& l, int zones) {
    c.value("draw scale", l.drawScale);
    c.values("axis angle", l.axisAngle);
    c.values("vertex z", l.vertexZ);
    c.values("vertex y", l.vertexY);
    c.values("edge sag", l.edgeSag);
    c.values("marked cos", l.markedCos);
    c.values("marked step", l.markedStep);
    c.values("beam height", l.beamHeight);
    c.values("beam factor", l.beamFactor);
    c.value("obstruction ratio", l.obstructionRatio);
    c.value("system length", l.systemLength);
    for (int z = 0; z < zones + 3 && z < kZoneSlots; ++z) {
        for (int k = 0; k < 3; ++k) {
            c.value("zone intercept", l.zoneIntercept[idx(z)][idx(k)], z, k);
            c.value("zone direction", l.zoneDirAxis[idx(z)][idx(k)], z, k);
            c.value("zone direction y", l.zoneDirY[idx(z)][idx(k)], z, k);
        }
    }
}

void checkSpots(FiniteCheck& c, const Workspace& ws) {
    const SpotResults& r = ws.spot.results;
    for (double v : {r.delta, r.fieldAngle, r.fieldTangent, r.bestSphereRadius, r.imageTilt,
                     r.tiltPosition, r.focusShift, r.distortion, r.vignetting})
        c.value("spot result", v);
    for (const auto* a : {&r.fitZ, &r.fitY, &r.fitX, &r.diffA, &r.diffB}) c.values("spot fit", *a);
    for (const auto* a : {&r.chiefY, &r.chiefX, &r.weightSum, &r.lightLoss, &r.effectiveFNumber})
        c.values("spot field value", *a);
    const SpotWindowState& w = ws.spot.window;
    c.value("focus", w.focus);
    c.value("reference focus", w.referenceFocus);
    const SpotStore& st = *ws.spot.store;
    for (int j = 0; j < r.azimuths; ++j)
        for (int k = 0; k <= r.rings; ++k)
            for (int colour = 1; colour <= 3; ++colour)
                for (int field = 1; field <= 2; ++field) {
                    const size_t q = SpotStore::index(j, k, colour, field);
                    c.value("stored y (azimuth, ring)", st.y[q], j, k);
                    c.value("stored x (azimuth, ring)", st.x[q], j, k);
                    c.value("stored y' (azimuth, ring)", st.yRef[q], j, k);
                    c.value("stored x' (azimuth, ring)", st.xRef[q], j, k);
                    c.value("stored path (azimuth, ring)", st.opl[q], j, k);
                    c.value("stored wavefront (azimuth, ring)", st.wave[q], j, k);
                    for (float v : {st.dirN[q], st.dirM[q], st.dirL[q]})
                        c.value("stored direction (azimuth, ring)", v, j, k);
                }
}

void checkPsf(FiniteCheck& c, const Workspace& ws) {
    const PsfState& p = ws.psf;
    for (double v : {double{p.transmission}, p.defocus, p.gridAngle, p.wavelength})
        c.value("psf", v);
    const PsfGrid& g = *ws.spot.psfGrid;
    for (int r = 0; r <= p.radius; ++r) {
        c.value("psf profile", g.profile[idx(r)], r);
        for (int i = 0; i < p.azimuths; ++i)
            for (int slot = 0; slot < 2; ++slot)
                c.value("psf grid (radius, azimuth)", g.at(r, i, slot), r, i);
    }
    const PsfAnalysis& a = p.analysis;
    for (double v : {a.peak, a.totalEnergy, a.referenceEnergy, a.psf.E0, a.psf.E1, a.psf.R0,
                     a.psf.R1, a.reference.E0, a.reference.E1, a.reference.R0, a.reference.R1,
                     a.strehl, a.strehlPeak, a.frequencyEndPerArcsec})
        c.value("psf analysis", v);
    c.values("mtf", a.mtf);
    c.values("mtf reference", a.mtfReference);
    c.values("ptf", a.ptf);
}

}  // namespace

StressOutcome runAndCheck(Workspace& ws, const SystemModel& m, std::uint64_t index) {
    StressOutcome out;
    Dice d(index ^ 0x5bd1e995u);
    ws.model = m;
    ws.flags = {};
    SettingsControls& controls = ws.settings.controls;
    controls.spotDensity = 1;
    controls.psfOrder = 1;
    controls.normalised = d.chance(0.2);
    controls.spotTarget = static_cast<SpotTarget>(d.below(3));
    ws.settings.values.spotTarget = controls.spotTarget;
    controls.apodisation = d.chance(0.2) ? d.below(21) : 0;
    controls.psfColourItem = d.below(3);
    ws.settings.values.psfColour = psfColourOfItem(controls.psfColourItem);
    controls.systemScale = m.sys.graphScale;
    controls.spiderCount = m.sys.spiderCount;
    ws.pupil.resolution = d.chance(0.1) ? 2 : 1;

    FiniteCheck c;
    out.evaluated = Start(ws).ok;
    checkModel(c, ws.model);
    if (!c.problem.empty()) return {"after the run cycle: " + c.problem};
    prepareRepaint(ws);
    checkModel(c, ws.model);
    checkParaxial(c, ws.paraxial, ws.sums);
    checkLayout(c, ws.layout, ws.pupil.zoneCount);
    if (!c.problem.empty()) return {"after the repaint: " + c.problem};

    SpotWindowState& window = ws.spot.window;
    window.selectedX = window.chooserX + 100 + (d.chance(0.3) ? d.below(201) - 100 : 0);
    window.selectedY = window.chooserY + (d.chance(0.3) ? d.below(276) : 0);
    const ComputeStatus spots = berechnen(ws);
    checkModel(c, ws.model);
    checkSpots(c, ws);
    if (!c.problem.empty()) return {"after the spot computation: " + c.problem};
    if (!spots.ok) return out;
    out.spots = true;

    out.light = BerechnePSF(ws).ok;
    analysePsf(ws);
    checkPsf(c, ws);
    if (!c.problem.empty()) return {"after the PSF: " + c.problem};
    return out;
}

}  // namespace vn::test
