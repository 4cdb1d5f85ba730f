// varnistrale-cli eval: first-order data, Seidel and colour sums and the
// surface table of a system as "Öffnen" leaves it.
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/json_writer.h"

namespace vn::cli {
namespace {

constexpr const char* kEvalHelp =
    "usage: varnistrale-cli eval FILE.opt\n"
    "\n"
    "Loads the system as \"Öffnen\" does (the image plane at the paraxial green\n"
    "focus) and prints focal length (mm), normFocal, back focus (stored and mm),\n"
    "f-number, exit-pupil distance, axis deviation (rad), the obstruction ratio\n"
    "and overall length (mm) of the layout, the Seidel sums, the colour sums and\n"
    "the surfaces 0..N+1 (n in the order red, green, blue).\n"
    "\n"
    "When the Seidel sums are not computable (a Schmidt surface behind air),\n"
    "seidelComputable is false, seidelStatus says why and the five sums are null;\n"
    "everything else is computed as usual.\n";

void writeSurface(JsonWriter& json, const SystemModel& m, int i) {
    const Surface& s = m.surf[idx(i)];
    json.beginObject();
    json.field("r", s.r).field("e", s.e);
    json.key("n").beginArray();
    for (int colour : kListedColours) json.value(s.n[idx(colourIndex(colour))]);
    json.endArray();
    json.field("k", s.k).field("u", s.u).field("h", s.h);
    json.field("medium", std::string_view(s.medium));
    const char* kind = i == 0           ? "Eintrittspupille"
                       : i == m.N() + 1 ? "Bildebene"
                                        : surfaceKindName(surfaceKind(m.surf, i));
    json.field("kind", kind);
    json.endObject();
}

}  // namespace

int evalCommand(const std::vector<std::string>& args) {
    ParsedArgs parsed = parseArgs(args, {}, {"help"});
    if (const auto done = helpOrUsageError(parsed, kEvalHelp)) return *done;
    if (parsed.positional.size() != 1) return usageError("eval needs one system file", kEvalHelp);

    auto ws = std::make_unique<Workspace>();
    std::string error;
    if (!openForAnalysis(*ws, parsed.positional[0], error)) return inputError(error);

    const SystemModel& m = ws->model;
    const ParaxialData& p = ws->paraxial;
    const AberrationSums& s = ws->sums;
    JsonWriter json;
    json.beginObject();
    json.field("focalLength", m.sys.focalLength);
    json.field("normFocal", m.sys.normFocal);
    json.field("backFocus", p.backFocus);
    json.field("backFocusMm", p.backFocus * m.sys.focalLengthRef);
    json.field("fNumber", m.sys.fNumber);
    json.field("exitPupilDistance", p.exitPupilDistance);
    json.field("axisDeviation", p.axisDeviation);
    json.field("obstructionRatio", ws->layout.obstructionRatio);
    json.field("systemLength", ws->layout.systemLength);
    const bool seidel = ws->evaluation.seidelComputable;
    json.field("seidelComputable", seidel);
    if (!seidel) json.field("seidelStatus", std::string_view(describe(ws->evaluation)));
    json.key("seidel").beginObject();
    const std::pair<const char*, float> sums[] = {{"spherical", s.spherical},
                                                  {"coma", s.coma},
                                                  {"astigmatism", s.astigmatism},
                                                  {"curvature", s.curvature},
                                                  {"distortion", s.distortion}};
    for (const auto& [name, value] : sums) {
        json.key(name);
        if (seidel)
            json.value(double(value));
        else
            json.null();
    }
    json.endObject();
    json.key("colour").beginObject();
    json.field("chromatic", double(s.chromatic)).field("secondary", double(s.secondary));
    json.field("lateralColour", double(s.lateralColour));
    json.endObject();
    json.key("surfaces").beginArray();
    for (int i = 0; i <= m.N() + 1; ++i) writeSurface(json, m, i);
    json.endArray();
    json.endObject();
    printJson(json.text());
    return kExitOk;
}

}  // namespace vn::cli
