// Writes the example systems of data/examples/ with the program's own model,
// evaluation and file writer. Each design follows a textbook construction; the
// lens designs are then corrected with the program's third-order sums.
//
//   make-examples [DATA_DIR]     (default: the source tree's data folder)
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "mainwindow/document.h"
#include "mainwindow/run_cycle.h"
#include "model/glass_catalogue.h"
#include "synthesis/schmidt_camera.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

constexpr const char* kSource = "Varnistrale Beispiele";

struct Glass {
    std::string type;  // catalogue type text, the surface's medium name
    GlassCoefficients K{};
};

class Catalogue {
public:
    explicit Catalogue(const std::string& dataDir) {
        CatalogueReadResult read = readCatalogueFile(dataDir + "/DemoGlasdaten.txt");
        if (!read.error.empty()) fail(read.error);
        catalogue_ = std::move(read.catalogue);
    }

    Glass glass(const std::string& name) const {
        for (size_t i = 0; i < catalogue_.size(); ++i) {
            RecordParseResult r = parseCatalogueRecord(catalogue_, i);
            if (!r.error.empty()) continue;
            // The name is the second word of the type text.
            const std::string& type = r.record.type;
            const size_t start = type.find_first_not_of(' ', 1);
            const size_t end = type.find(' ', start);
            if (start != std::string::npos && type.substr(start, end - start) == name)
                return {type, r.record.K};
        }
        fail("no glass " + name + " in the catalogue");
        return {};
    }

    [[noreturn]] static void fail(const std::string& message) {
        std::fprintf(stderr, "make-examples: %s\n", message.c_str());
        std::exit(1);
    }

private:
    GlassCatalogue catalogue_;
};

// Builds one system in a workspace, surface by surface, in normalised units.
class Builder {
public:
    explicit Builder(Workspace& ws) : ws_(ws), m_(ws.model) { Initialize(ws_); }

    Builder& system(const char* title, double focalMm, double fNumber, double halfField,
                    int surfaces, double scale) {
        m_.sys.title = title;
        m_.sys.source = kSource;
        m_.sys.focalLength = m_.sys.focalLengthRef = focalMm;
        m_.sys.fNumber = m_.sys.fNumberRef = fNumber;
        m_.sys.fieldAngle = halfField;
        m_.sys.surfaceCount = surfaces;
        m_.sys.graphScale = scale;
        m_.sys.entrancePupil = 0.0;
        m_.sys.objectDistance = kObjectAtInfinity;
        for (int i = 0; i <= surfaces + 1; ++i) m_.surf[idx(i)] = Surface{};
        air(0, kFlatRadius, 0.0, 1.0).medium = "Luft/Blende";
        m_.surf[0].h = 1.01;
        ws_.settings.controls.systemScale = scale;
        return *this;
    }

    // Surface i followed by air travelling in direction dir.
    Surface& air(int i, double r, double e, double dir) {
        Surface& s = m_.surf[idx(i)];
        s.r = r;
        s.e = e;
        s.n = {dir, dir, dir};
        s.dir = dir;
        s.h = 1.05;
        s.medium = "Luft";
        return s;
    }

    // Surface i followed by glass travelling in direction dir.
    Surface& glass(int i, double r, double e, const Glass& g, double dir = 1.0) {
        Surface& s = m_.surf[idx(i)];
        s.r = r;
        s.e = e;
        s.dir = dir;
        s.n = {dir, dir, dir};
        s.h = 1.05;
        s.medium = g.type;
        s.coef = g.K;
        RecomputeIndices(s, m_.sys.wavelength);
        return s;
    }

    SystemModel& model() { return m_; }

    const AberrationSums& evaluate() {
        if (!vn::evaluate(ws_).ok) Catalogue::fail(describe(ws_.evaluation));
        return ws_.sums;
    }

    // Scales the stored lengths to focal length 1 (flat surfaces and the
    // object at infinity keep their marker values) and runs the run cycle.
    void finish(std::vector<std::string> description) {
        evaluate();
        const double F = m_.sys.normFocal;
        for (int i = 1; i <= m_.N(); ++i) {
            Surface& s = m_.surf[idx(i)];
            if (std::fabs(s.r) < kFlatRadius) s.r /= F;
            s.e /= F;
            s.A2 *= F;
            s.A4 *= F * F * F;
            s.A6 *= F * F * F * F * F;
        }
        m_.sys.entrancePupil /= F;
        m_.sys.description = std::move(description);
        if (!Start(ws_).ok) Catalogue::fail(describe(ws_.evaluation));
    }

private:
    Workspace& ws_;
    SystemModel& m_;
};

// Newton's method on a few design variables until the chosen sums reach zero.
// `set` writes the variables into the system, `sums` evaluates the residuals.
void solve(std::vector<double>& x, const std::function<void(const std::vector<double>&)>& set,
           const std::function<std::vector<double>()>& residuals) {
    const size_t n = x.size();
    for (int round = 0; round < 50; ++round) {
        set(x);
        const std::vector<double> r0 = residuals();
        double norm = 0.0;
        for (double v : r0) norm = std::max(norm, std::fabs(v));
        if (std::getenv("VARNISTRALE_DEBUG_SOLVE")) {
            std::fprintf(stderr, "round %d:", round);
            for (double v : x) std::fprintf(stderr, " x=%.6g", v);
            for (double v : r0) std::fprintf(stderr, " r=%.3g", v);
            std::fprintf(stderr, "\n");
        }
        // The sums are single precision; residuals of a few 1e-6 are their noise.
        if (norm < 1e-5) return;
        std::vector<std::vector<double>> J(n, std::vector<double>(n));
        for (size_t j = 0; j < n; ++j) {
            std::vector<double> xp = x;
            const double h = 1e-6 * std::max(1.0, std::fabs(x[j]));
            xp[j] += h;
            set(xp);
            const std::vector<double> r1 = residuals();
            for (size_t i = 0; i < n; ++i) J[i][j] = (r1[i] - r0[i]) / h;
        }
        // Gaussian elimination with partial pivoting on J dx = -r0.
        std::vector<double> dx(n);
        std::vector<std::vector<double>> a = J;
        std::vector<double> b(n);
        for (size_t i = 0; i < n; ++i) b[i] = -r0[i];
        for (size_t c = 0; c < n; ++c) {
            size_t pivot = c;
            for (size_t i = c + 1; i < n; ++i)
                if (std::fabs(a[i][c]) > std::fabs(a[pivot][c])) pivot = i;
            std::swap(a[c], a[pivot]);
            std::swap(b[c], b[pivot]);
            for (size_t i = c + 1; i < n; ++i) {
                const double f = a[i][c] / a[c][c];
                for (size_t k = c; k < n; ++k) a[i][k] -= f * a[c][k];
                b[i] -= f * b[c];
            }
        }
        for (size_t c = n; c-- > 0;) {
            double s = b[c];
            for (size_t k = c + 1; k < n; ++k) s -= a[c][k] * dx[k];
            dx[c] = s / a[c][c];
        }
        for (size_t j = 0; j < n; ++j) x[j] += dx[j];
    }
    Catalogue::fail("a design did not converge");
}

double abbe(const Surface& s) {
    const double red = s.n[colourIndex(kRed)], blue = s.n[colourIndex(kBlue)];
    return (s.n[colourIndex(kGreen)] - 1.0) / (blue - red);
}

// Thin-lens power split of an achromat of total power 1: phi1/v1 + phi2/v2 = 0.
double crownPower(double v1, double v2) {
    return v1 / (v1 - v2);
}

void newtonian(Workspace& ws) {
    Builder b(ws);
    b.system("Newton-Teleskop 200/1000", 1000.0, 5.0, 0.5, 2, 500.0);
    b.model().sys.spiderCount = 4;
    b.air(1, -2.0, -0.85, -1.0).k = -1.0;       // paraboloid
    b.air(2, kFlatRadius, 0.15, 1.0).u = 45.0;  // flat diagonal folds the beam sideways
    b.finish({"Parabolspiegel f/5 mit 45°-Fangspiegel 150 mm vor dem Fokus,",
              "vier Fangspiegelstreben."});
}

// Two-mirror layout from the distance e of the focus behind the primary and the
// separation d (focal length 1): secondary magnification m = (1 - e)/d - 1,
// primary radius -2/m, secondary radius q R1 with q = m (1 - m d)/(m - 1).
struct TwoMirror {
    double e = 0.05, d = 0.2;
    double m() const { return (1.0 - e) / d - 1.0; }
    double R1() const { return -2.0 / m(); }
    double R2() const { return m() * (1.0 - m() * d) / (m() - 1.0) * R1(); }
};

void cassegrain(Workspace& ws, bool ritchey) {
    TwoMirror t;
    const double m = t.m();
    Builder b(ws);
    if (ritchey) {
        b.system("Ritchey-Chrétien 250/2000", 2000.0, 8.0, 0.25, 2, 2000.0);
    } else {
        b.system("Klassischer Cassegrain 200/2000", 2000.0, 10.0, 0.25, 2, 2000.0);
    }
    b.model().sys.spiderCount = 4;
    Surface& primary = b.air(1, t.R1(), -t.d, -1.0);
    Surface& secondary = b.air(2, t.R2(), 0.3, 1.0);
    const double hyperbola = -std::pow((m + 1.0) / (m - 1.0), 2.0);
    if (ritchey) {
        // Aplanatic conics (Schroeder, Astronomical Optics): with beta the back
        // focal distance behind the primary in units of the primary's focal
        // length 1/m, K1 = -1 - 2 (1 + beta) / (m^2 (m - beta)) and
        // K2 = -((m + 1)/(m - 1))^2 - 2 m (m + 1) / ((m - beta)(m - 1)^3).
        const double beta = t.e * m;
        primary.k = -1.0 - 2.0 * (1.0 + beta) / (m * m * (m - beta));
        secondary.k = hyperbola - 2.0 * m * (m + 1.0) / ((m - beta) * std::pow(m - 1.0, 3.0));
    } else {
        // Paraboloid primary; the secondary is the hyperboloid whose foci are
        // the primary's focus and the final focus.
        primary.k = -1.0;
        secondary.k = hyperbola;
    }
    b.finish({ritchey ? "Aplanatisches Zweispiegelsystem: hyperbolischer Haupt- und Fangspiegel,"
                      : "Parabolischer Hauptspiegel, hyperbolischer Fangspiegel,",
              "Sekundärvergrößerung 3.75, Fokus 0.05 f hinter dem Hauptspiegel."});
}

// A cemented achromat: the crown's power sets the colour, the first curvature
// the spherical aberration; both are solved on the thick lens.
void cementedAchromat(Builder& b, const Glass& crown, const Glass& flint, double d1, double d2,
                      int first) {
    SystemModel& m = b.model();
    b.glass(first, 0.6, d1, crown);
    b.glass(first + 1, -0.6, d2, flint);
    b.air(first + 2, -2.0, 0.95, 1.0);
    const double n1 = m.surf[idx(first)].n[colourIndex(kGreen)];
    const double n2 = m.surf[idx(first + 1)].n[colourIndex(kGreen)];
    std::vector<double> x = {1.0 / 0.6,
                             crownPower(abbe(m.surf[idx(first)]), abbe(m.surf[idx(first + 1)]))};
    solve(
        x,
        [&](const std::vector<double>& v) {
            const double c1 = v[0], phi1 = v[1], phi2 = 1.0 - phi1;
            const double c2 = c1 - phi1 / (n1 - 1.0);
            const double c3 = c2 - phi2 / (n2 - 1.0);
            m.surf[idx(first)].r = 1.0 / c1;
            m.surf[idx(first + 1)].r = 1.0 / c2;
            m.surf[idx(first + 2)].r = 1.0 / c3;
        },
        [&] {
            const AberrationSums& s = b.evaluate();
            return std::vector<double>{s.spherical, s.chromatic};
        });
}

void achromat(Workspace& ws, const Catalogue& cat) {
    Builder b(ws);
    b.system("Verkitteter Achromat 100/1500", 1500.0, 15.0, 0.5, 3, 800.0);
    cementedAchromat(b, cat.glass("N-BK7"), cat.glass("N-F2"), 0.008, 0.0047, 1);
    b.finish({"Kronglas N-BK7 vorn, Flintglas N-F2 hinten, verkittet.",
              "Farblängsfehler und Öffnungsfehler 3. Ordnung korrigiert."});
}

// An air-spaced doublet: power split for colour, two bendings for spherical
// aberration and coma.
void airSpacedDoublet(Builder& b, const Glass& crown, const Glass& flint, int first, double scale) {
    SystemModel& m = b.model();
    b.glass(first, 0.6 * scale, 0.010 * scale, crown);
    b.air(first + 1, -0.6 * scale, 0.0005 * scale, 1.0);
    b.glass(first + 2, -0.6 * scale, 0.006 * scale, flint);
    b.air(first + 3, -2.0 * scale, 0.95 * scale, 1.0);
    const double n1 = m.surf[idx(first)].n[colourIndex(kGreen)];
    const double n2 = m.surf[idx(first + 2)].n[colourIndex(kGreen)];
    std::vector<double> x = {1.0 / 0.6, -1.0 / 0.6,
                             crownPower(abbe(m.surf[idx(first)]), abbe(m.surf[idx(first + 2)]))};
    solve(
        x,
        [&](const std::vector<double>& v) {
            const double c1 = v[0], c3 = v[1], phi1 = v[2], phi2 = 1.0 - phi1;
            m.surf[idx(first)].r = scale / c1;
            m.surf[idx(first + 1)].r = scale / (c1 - phi1 / (n1 - 1.0));
            m.surf[idx(first + 2)].r = scale / c3;
            m.surf[idx(first + 3)].r = scale / (c3 - phi2 / (n2 - 1.0));
        },
        [&] {
            const AberrationSums& s = b.evaluate();
            return std::vector<double>{s.spherical, s.coma, s.chromatic};
        });
}

void doublet(Workspace& ws, const Catalogue& cat) {
    Builder b(ws);
    b.system("Luftspalt-Dublett 100/1000", 1000.0, 10.0, 0.5, 4, 800.0);
    airSpacedDoublet(b, cat.glass("N-BK7"), cat.glass("N-F2"), 1, 1.0);
    b.finish({"Fraunhofer-Objektiv mit 0.5 mm Luftspalt: N-BK7 und N-F2.",
              "Farbe, Öffnungsfehler und Koma 3. Ordnung korrigiert."});
}

// Petzval astrograph: a front doublet of focal length 2 and a rear doublet of
// focal length 1, one unit apart, so that the system has focal length 1. Both
// are the corrected air-spaced doublet, scaled.
void petzval(Workspace& ws, const Catalogue& cat) {
    auto design = std::make_unique<Workspace>();
    Builder d(*design);
    d.system("", 1000.0, 10.0, 0.5, 4, 800.0);
    airSpacedDoublet(d, cat.glass("N-BK7"), cat.glass("N-F2"), 1, 1.0);
    const SystemModel& unit = d.model();

    Builder b(ws);
    b.system("Petzval-Astrograph 100/500", 500.0, 5.0, 1.5, 8, 450.0);
    SystemModel& m = b.model();
    for (int i = 1; i <= 4; ++i) {
        for (auto [target, scale] : {std::pair{i, 2.0}, std::pair{i + 4, 1.0}}) {
            Surface& s = m.surf[idx(target)];
            s = unit.surf[idx(i)];
            s.r *= scale;
            s.e *= scale;
        }
    }
    m.surf[4].e = 1.0;
    m.surf[8].e = 0.4;
    b.finish({"Zwei Luftspalt-Dubletts (Brennweiten 2 f und f) im Abstand f.",
              "Jedes Dublett für sich farb- und komafrei; das System nicht optimiert."});
}

// Schmidt camera: a plane plate whose second face carries the corrector profile,
// two focal lengths in front of a spherical mirror of radius -2. The profile is
// the synthesis's: the rays of the neutral zone (height nu times the aperture
// radius) pass the plate undeviated, its y^2 term moves the focus of that zone
// back to the paraxial focus, and its y^4, y^6 terms straighten the wavefront.
void schmidtCamera(Workspace& ws, const Catalogue& cat) {
    Builder b(ws);
    const double F = 2.0, nu = 0.866, rho = -2.0, thickness = 0.01;
    b.system("Schmidt-Kamera 250/500", 500.0, F, 3.0, 3, 300.0);
    const Glass glass = cat.glass("N-BK7");
    b.glass(1, kFlatRadius, thickness, glass);
    Surface& plate = b.air(2, kFlatRadius, 2.0, 1.0);
    b.air(3, rho, -1.0, -1.0);
    const double n = b.model().surf[1].n[colourIndex(kGreen)];
    const SchmidtProfile profile = schmidtProfile(n, F, nu, rho);
    if (!profile.error.empty()) Catalogue::fail(profile.error);
    plate.schmidt = 1.0;
    plate.nz = nu;
    plate.A2 = profile.A2;
    plate.A4 = profile.A4;
    plate.A6 = profile.A6;
    b.finish({"Korrektionsplatte aus N-BK7 mit neutraler Zone bei 0.866 des Radius,",
              "Kugelspiegel R = -2 f im Abstand 2 f, Bildfeld 6°."});
}

void refractorWithDiagonal(Workspace& ws, const Catalogue& cat) {
    Builder b(ws);
    b.system("Refraktor mit Zenitspiegel 100/1500", 1500.0, 15.0, 0.5, 4, 800.0);
    b.air(4, kFlatRadius, -0.08, -1.0).u = 45.0;  // the diagonal turns the axis by 90 degrees
    cementedAchromat(b, cat.glass("N-BK7"), cat.glass("N-F2"), 0.008, 0.0047, 1);
    b.model().surf[3].e = 0.9;
    b.finish({"Verkitteter Achromat mit 45°-Planspiegel 0.9 f hinter der Linse."});
}

void stopAndObstruction(Workspace& ws) {
    Builder b(ws);
    b.system("Parabolspiegel mit Blende und Abschattung", 1200.0, 6.0, 0.5, 3, 500.0);
    b.air(1, kFlatRadius, 0.3, 1.0).medium = "Luft/Obstr";  // shadow of a secondary holder
    b.model().surf[1].h = 0.3;
    b.air(2, kFlatRadius, 0.6, 1.0).medium = "Luft/Blende";  // tube stop at 95 %
    b.model().surf[2].h = 0.95;
    b.air(3, -2.0, -1.0, -1.0).k = -1.0;
    b.finish({"Fläche 1: zentrale Abschattung (30 % des Strahls),",
              "Fläche 2: Blende (95 % des Strahls), Fläche 3: Paraboloid."});
}

// A mirror whose polynomial sag equals a paraboloid's to sixth order: the
// vertex sphere of radius -2.5 carries A2 = -0.05 so that the paraxial radius is
// -2, and A4, A6 remove the sphere's y^4 and y^6 terms (y^4/(8 R^3), y^6/(16 R^5)).
void asphericMirror(Workspace& ws) {
    Builder b(ws);
    b.system("Asphärischer Spiegel 150/600", 600.0, 4.0, 0.5, 1, 500.0);
    const double R = -2.5;
    Surface& s = b.air(1, R, -1.0, -1.0);
    s.A2 = (1.0 / -2.0 - 1.0 / R) / 2.0;
    s.A4 = -1.0 / (8.0 * R * R * R);
    s.A6 = -1.0 / (16.0 * std::pow(R, 5.0));
    b.finish({"Kugel R = -2.5 f mit Polynom A2, A4, A6: bis zur 6. Ordnung ein Paraboloid",
              "der Brennweite f. Die Seidelsummen kennen nur den Scheitelradius."});
}

// A tilted spherical mirror has its tangential focus at R cos(t)/2 and its
// sagittal focus at R/(2 cos t). A torus with the sagittal radius R cos^2 t brings
// both together: R/(1 - A8) = R cos^2 t gives A8 = -tan^2 t.
void toricMirror(Workspace& ws) {
    Builder b(ws);
    const double tilt = 5.0;
    b.system("Torischer Schiefspiegel 100/1200", 1200.0, 12.0, 0.25, 1, 600.0);
    Surface& s = b.air(1, -2.0, -1.0, -1.0);
    s.u = tilt;
    const double t = std::tan(tilt * std::numbers::pi / 180.0);
    s.A8 = -t * t;
    b.finish({"Um 5° geneigter Kugelspiegel mit torischer Deformation, die den",
              "Astigmatismus der Neigung aufhebt."});
}

struct Example {
    const char* file;
    std::function<void(Workspace&)> build;
};

}  // namespace
}  // namespace vn

int main(int argc, char** argv) {
    using namespace vn;
    const std::string dataDir = argc > 1 ? argv[1] : VARNISTRALE_DATA_DIR;
    const Catalogue cat(dataDir);
    const std::vector<Example> examples = {
        {"newtonian-f5.opt", newtonian},
        {"cassegrain-classical.opt", [](Workspace& ws) { cassegrain(ws, false); }},
        {"ritchey-chretien.opt", [](Workspace& ws) { cassegrain(ws, true); }},
        {"achromat-f15.opt", [&](Workspace& ws) { achromat(ws, cat); }},
        {"doublet-airspaced.opt", [&](Workspace& ws) { doublet(ws, cat); }},
        {"schmidt-camera.opt", [&](Workspace& ws) { schmidtCamera(ws, cat); }},
        {"petzval-astrograph.opt", [&](Workspace& ws) { petzval(ws, cat); }},
        {"refractor-diagonal.opt", [&](Workspace& ws) { refractorWithDiagonal(ws, cat); }},
        {"stop-obstruction.opt", stopAndObstruction},
        {"asphere-mirror.opt", asphericMirror},
        {"toric-mirror.opt", toricMirror},
    };
    for (const Example& e : examples) {
        auto ws = std::make_unique<Workspace>();
        e.build(*ws);
        const std::string path = dataDir + "/examples/" + e.file;
        FileOutcome saved = Speichern(*ws, path);
        // Loading places the image plane at the focus of the system as the file
        // holds it (six decimals), so the file that users open is the one
        // written after such a load: opening and saving it changes no byte.
        if (saved.ok) saved = openSystemFile(*ws, path);
        if (saved.ok) saved = Speichern(*ws, path);
        if (!saved.ok) Catalogue::fail(saved.message);
        std::printf("%-28s f = %8.2f mm  Seidel %.4f %.4f %.4f  colour %.6f\n", e.file,
                    ws->model.sys.focalLength, ws->sums.spherical, ws->sums.coma,
                    ws->sums.astigmatism, ws->sums.chromatic);
    }
    return 0;
}
