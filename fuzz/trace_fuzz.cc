// Any bytes loaded as "Öffnen" loads a system file: the run cycle, the
// paraxial evaluation, the layout with its zone rays, and a few rays traced
// through the result in every colour. Nothing may crash or hang, and every
// number the evaluation, the layout and a trace leave must be finite.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <numbers>
#include <string>

#include "fuzz_support.h"
#include "mainwindow/document.h"
#include "mainwindow/run_cycle.h"
#include "optics/ray_trace.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

void checkRay(const RayState& r, int last) {
    for (double v : {r.x, r.y, r.z, r.L, r.M, r.N, r.path, r.step, r.waveTerm})
        fuzz::expectFinite(v, "traced ray");
    for (int i = 1; i <= last; ++i)
        for (double v : {r.surfZ[idx(i)], r.surfY[idx(i)], r.surfCos[idx(i)], r.surfStep[idx(i)]})
            fuzz::expectFinite(v, "traced ray at surface " + std::to_string(i));
    // A ray the trace could follow leaves with a direction of unit length.
    const double length2 = r.L * r.L + r.M * r.M + r.N * r.N;
    if (!r.failed && !(std::fabs(length2 - 1.0) <= 1e-2))
        fuzz::broken("a traced ray leaves with a unit direction",
                     "squared length " + std::to_string(length2));
}

void checkResults(const Workspace& ws) {
    const ParaxialData& p = ws.paraxial;
    for (double v : {p.backFocus, p.signedFocal, p.exitPupilDistance, p.axisDeviation})
        fuzz::expectFinite(v, "paraxial result");
    for (int i = 0; i <= ws.model.N() + 1; ++i) {
        fuzz::expectFinite(p.marginalHeight[idx(i)], "marginal height");
        const LayoutResults& l = ws.layout;
        for (double v : {l.axisAngle[idx(i)], l.vertexZ[idx(i)], l.vertexY[idx(i)],
                         l.edgeSag[idx(i)], l.beamHeight[idx(i)], l.beamFactor[idx(i)]})
            fuzz::expectFinite(v, "layout at surface " + std::to_string(i));
    }
    fuzz::expectFinite(ws.layout.obstructionRatio, "obstruction ratio");
    fuzz::expectFinite(ws.layout.systemLength, "system length");
}

const std::string& scratchFile() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/varnistrale_trace_fuzz_" +
               std::to_string(getpid()) + ".opt";
    }();
    return path;
}

}  // namespace
}  // namespace vn

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vn;
    static auto ws = std::make_unique<Workspace>();
    static auto sys = std::make_unique<TraceSystem>();
    const std::string& path = scratchFile();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        fuzz::broken("the scratch file can be written", path);
    }
    Initialize(*ws);
    const FileOutcome outcome = openSystemFile(*ws, path);
    if (!outcome.ok || !ws->evaluation.ok) return 0;
    if (!prepareRepaint(*ws).ok) return 0;
    checkResults(*ws);

    const SystemModel& m = ws->model;
    prepareTrace(m, ws->paraxial, ws->layout.beamFactor, *sys);
    const double pupil = std::fabs(m.sys.normFocal / (2.0 * m.sys.fNumber));
    const double field = m.sys.fieldAngle * std::numbers::pi / 180.0;
    for (int colour = 1; colour <= 3; ++colour) {
        for (double rho : {0.0, 0.5, 1.0}) {
            for (double azimuth : {0.0, 0.5 * std::numbers::pi, std::numbers::pi}) {
                for (double w : {0.0, field}) {
                    RayState ray;
                    ray.rayColour = static_cast<std::uint8_t>(colour);
                    aimRay(*sys, rho * pupil, azimuth, w, ray);
                    TraceRay(*sys, ray);
                    checkRay(ray, m.N() + 1);
                }
            }
        }
    }
    return 0;
}
