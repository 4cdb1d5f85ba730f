#include "test_systems.h"

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
