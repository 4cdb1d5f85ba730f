#include "test_systems.h"

#include <cmath>

namespace vn::test {

SystemModel defaultSystem() {
    SystemModel m;
    setDefaultSystem(m);
    return m;
}

SystemModel mirror(double k) {
    SystemModel m = defaultSystem();
    m.surf[1].k = k;
    return m;
}

void setGlass(SystemModel& m, int i, const GlassCoefficients& k, const std::string& name,
              double dir) {
    Surface& s = m.surf[static_cast<size_t>(i)];
    s.medium = name + " Sel";
    s.coef = k;
    s.n = {dir, dir, dir};
    s.dir = dir;
    RecomputeIndices(s, m.sys.wavelength);
}

void setAir(SystemModel& m, int i, double dir) {
    Surface& s = m.surf[static_cast<size_t>(i)];
    s.medium = "Luft";
    s.n = {dir, dir, dir};
    s.dir = dir;
    s.coef = {};
}

void setMirror(SystemModel& m, int i, double r, double e, double k) {
    Surface& s = m.surf[static_cast<size_t>(i)];
    s = Surface{};
    s.r = r;
    s.e = e;
    s.k = k;
    s.h = 1.05;
    setAir(m, i, -m.surf[static_cast<size_t>(i - 1)].dir);
}

SystemModel mirrorBehind(const char* medium, double limit) {
    SystemModel m = defaultSystem();
    m.sys.surfaceCount = 2;
    m.surf[1] = Surface{};
    m.surf[1].r = kFlatRadius;
    m.surf[1].h = limit;
    setAir(m, 1);
    m.surf[1].medium = medium;
    setMirror(m, 2, -2.0, -1.0);
    m.surf[3] = m.surf[2];
    m.surf[3].r = kFlatRadius;
    return m;
}

SystemModel cassegrain() {
    // Primary focal length f1, magnification of the secondary mm, focus b behind
    // the primary: separation d = (mm f1 - b) / (mm + 1); the secondary images
    // the primary focus, f1 - d beyond it, at d + b.
    const double f1 = 0.4, mm = 2.5, b = 0.1;
    const double d = (mm * f1 - b) / (mm + 1.0);
    const double p = f1 - d, q = d + b;
    const double f2 = p * q / (q - p);
    SystemModel m = defaultSystem();
    m.sys.surfaceCount = 2;
    setMirror(m, 1, -2.0 * f1, -d, -1.0);
    const double kSecondary = -std::pow((mm + 1.0) / (mm - 1.0), 2);
    setMirror(m, 2, -2.0 * f2, q, kSecondary);
    m.surf[3] = m.surf[2];
    m.surf[3].r = kFlatRadius;
    return m;
}

SystemModel newtonian() {
    SystemModel m = defaultSystem();
    m.sys.surfaceCount = 2;
    m.sys.fNumber = m.sys.fNumberRef = 6.0;
    setMirror(m, 1, -2.0, -0.8, -1.0);
    setMirror(m, 2, kFlatRadius, 0.2);
    m.surf[2].u = 45.0;
    m.surf[3] = m.surf[2];
    m.surf[3].u = 0.0;
    return m;
}

SystemModel schmidtCamera() {
    SystemModel m = defaultSystem();
    m.sys.surfaceCount = 3;
    m.sys.fNumber = m.sys.fNumberRef = 2.0;
    m.surf[1] = Surface{};
    m.surf[1].r = kFlatRadius;
    m.surf[1].e = 0.02;
    m.surf[1].h = 1.05;
    setGlass(m, 1, kNBK7, "S     N-BK7         ");
    m.surf[2] = Surface{};
    m.surf[2].r = kFlatRadius;
    m.surf[2].e = 2.0;
    m.surf[2].h = 1.05;
    setAir(m, 2);
    setMirror(m, 3, -2.0, -1.0);
    m.surf[4] = m.surf[3];
    m.surf[4].r = kFlatRadius;

    // Corrector profile of the synthesis, with the neutral zone at 0.866 of
    // the aperture radius 1 / (2F) and rho the mirror radius.
    const double n = m.surf[1].n[colourIndex(kGreen)];
    const double rho = -2.0, h = 0.866 / (2.0 * m.sys.fNumberRef), H = h * h;
    const double s = (h / rho) * (h / rho);
    const double L = (rho / 2.0) / std::sqrt(1.0 - s);
    const double Q = (2.0 * (rho - L) - rho * std::sqrt(1.0 - s)) / (1.0 - n);
    const double a2 = ((L - rho / 2.0) / L / rho) / (n - 1.0);
    Surface& plate = m.surf[2];
    plate.schmidt = 1.0;
    plate.nz = 0.866;
    plate.A2 = a2;
    plate.A4 = (3.0 * Q - 2.0 * H * a2) / (H * H);
    plate.A6 = (H * a2 - 2.0 * Q) / (H * H * H);
    return m;
}

SystemModel singlet(double r1, double r2, double d) {
    SystemModel m = defaultSystem();
    m.sys.surfaceCount = 2;
    m.surf[1] = Surface{};
    m.surf[1].r = r1;
    m.surf[1].e = d;
    m.surf[1].h = 1.05;
    setGlass(m, 1, kNBK7, "S     N-BK7         ");
    m.surf[2] = Surface{};
    m.surf[2].r = r2;
    m.surf[2].e = 1.0;
    m.surf[2].h = 1.05;
    setAir(m, 2);
    m.surf[3] = m.surf[2];
    m.surf[3].r = kFlatRadius;
    return m;
}

}  // namespace vn::test
