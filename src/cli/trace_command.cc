// varnistrale-cli trace: one real ray through the system as "Öffnen" leaves
// it, with its intersections at every surface.
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

#include "cli/command_line.h"

#include "base/units.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/spot_options.h"
#include "optics/ray_trace.h"

namespace vn::cli {
namespace {

constexpr const char* kTraceHelp =
    "usage: varnistrale-cli trace FILE.opt [--colour red|green|blue] [--pupil RHO]\n"
    "                             [--azimuth DEG] [--field DEG]\n"
    "\n"
    "Loads the system as \"Öffnen\" does (the image plane at the paraxial green\n"
    "focus, the clear apertures sized by the layout) and traces one real ray.\n"
    "\n"
    "  --colour   colour of the ray (default green)\n"
    "  --pupil    position in the entrance pupil as a fraction of its radius\n"
    "             |normFocal| / (2 fNumber) (default 0, the chief ray)\n"
    "  --azimuth  direction of that position from the y axis, degrees (default 0)\n"
    "  --field    meridional field angle, degrees (default 0)\n"
    "\n"
    "From an object at infinity all rays of a field share one direction; from a\n"
    "finite object the ray starts at the object point. Prints blocked, the\n"
    "position x, y in the image plane (stored units and mm), the direction\n"
    "cosines L, M, N, the optical path, waveTerm (the transverse deviation from\n"
    "the chief ray of the same field and colour, in waves) and per surface\n"
    "1..N+1 z, y, the cosine of incidence and the step. A ray that misses a\n"
    "surface or is totally reflected is reported blocked, with a note on stderr.\n";

void traceFrom(const TraceSystem& sys, int colour, double radius, double azimuth, double field,
               RayState& ray) {
    ray.rayColour = static_cast<std::uint8_t>(colour);
    ray.blocked = false;
    aimRay(sys, radius, azimuth, field, ray);
    TraceRay(sys, ray);
}

}  // namespace

int traceCommand(const std::vector<std::string>& args) {
    ParsedArgs parsed = parseArgs(args, {"colour", "pupil", "azimuth", "field"}, {"help"});
    if (const auto done = helpOrUsageError(parsed, kTraceHelp)) return *done;
    if (parsed.positional.size() != 1) return usageError("trace needs one system file", kTraceHelp);
    int colour = kGreen;
    double pupil = 0.0, azimuth = 0.0, field = 0.0;
    std::string error;
    if (!colourOption(parsed, colour, error) || !numberOption(parsed, "pupil", pupil, error) ||
        !numberOption(parsed, "azimuth", azimuth, error) ||
        !numberOption(parsed, "field", field, error))
        return usageError(error, kTraceHelp);
    if (!(std::fabs(field) < 90.0))
        return usageError("--field must lie between -90 and 90 degrees", kTraceHelp);

    auto ws = std::make_unique<Workspace>();
    if (!openForAnalysis(*ws, parsed.positional[0], error)) return inputError(error);
    const SystemModel& m = ws->model;
    auto sys = std::make_unique<TraceSystem>();
    prepareTrace(m, ws->paraxial, ws->layout.beamFactor, *sys);

    const double pupilRadius = std::fabs(m.sys.normFocal / (2.0 * m.sys.fNumber));
    const double w = field * kDegree;
    RayState chief;
    traceFrom(*sys, colour, 0.0, 0.0, w, chief);
    RayState ray;
    if (!chief.failed) {
        ray.refX[0] = chief.x;
        ray.refY[0] = chief.y;
    }
    traceFrom(*sys, colour, pupil * pupilRadius, azimuth * kDegree, w, ray);

    const int N = m.N();
    const double mm = m.sys.focalLengthRef;
    JsonWriter json;
    json.beginObject();
    json.field("blocked", ray.blocked);
    json.field("x", ray.x).field("y", ray.y);
    json.field("xMm", ray.x * mm).field("yMm", ray.y * mm);
    json.field("L", ray.L).field("M", ray.M).field("N", ray.N);
    json.field("path", ray.path);
    json.field("waveTerm", ray.waveTerm);
    json.key("surfaces").beginArray();
    for (int i = 1; i <= N + 1; ++i) {
        const size_t k = static_cast<size_t>(i);
        json.beginObject();
        json.field("z", ray.surfZ[k]).field("y", ray.surfY[k]);
        json.field("cosIncidence", ray.surfCos[k]).field("step", ray.surfStep[k]);
        json.endObject();
    }
    json.endArray();
    json.endObject();
    printJson(json.text());
    if (ray.failed)
        std::fprintf(stderr,
                     "note: the ray cannot pass surface %d (it misses the surface or is "
                     "totally reflected); the values are those before that surface\n",
                     ray.failedAt);
    return kExitOk;
}

}  // namespace vn::cli
