// varnistrale-cli spot: the spot computation of the spot window on a system as
// "Öffnen" leaves it, with the report values and spot statistics.
#include <cmath>
#include <cstdio>
#include <memory>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/spot_options.h"
#include "spot/spot_report.h"

namespace vn::cli {
namespace {

constexpr const char* kSpotHelpHead =
    "usage: varnistrale-cli spot FILE.opt [--surface best-sphere|best-plane|perpendicular]\n"
    "                            [--density 1..4] [--high-resolution]\n"
    "                            [--field-fraction F]\n"
    "\n"
    "Loads the system as \"Öffnen\" does and runs the spot computation of the spot\n"
    "window: the focus fit, the chosen focal surface (written into the system as\n"
    "its image surface), the chief rays and the pupil grid of rays in three\n"
    "colours for the axis and the field point.\n"
    "\n";
constexpr const char* kSpotHelpTail =
    "\n"
    "Prints the focus shift and best-sphere radius (stored units), the image tilt\n"
    "and its position (degrees), distortion, vignetting and light loss [axis,\n"
    "field] (percent), the effective f-numbers [axis, field] (null while the\n"
    "light loss is 100 %), the Airy diameter (um) and per field and colour the\n"
    "number of rays with a positive pupil weight (the central ray once), their\n"
    "RMS and largest distance from their centroid, and the centroid relative to\n"
    "the field's green chief ray (um, on the computed focal surface).\n";

constexpr const char* kColourNames[] = {"red", "blue", "green"};  // by colour number - 1

void writeStatistics(JsonWriter& json, const Workspace& ws, int field) {
    json.key("colours").beginObject();
    for (int colour : kListedColours) {
        const SpotStatistics st = spotStatistics(ws, field, colour);
        json.key(kColourNames[colourIndex(colour)]).beginObject();
        json.field("rays", st.rays);
        json.field("rmsRadiusUm", st.rmsRadiusUm).field("geoRadiusUm", st.geoRadiusUm);
        json.field("centroidXUm", st.centroidXUm).field("centroidYUm", st.centroidYUm);
        json.endObject();
    }
    json.endObject();
}

}  // namespace

int spotCommand(const std::vector<std::string>& args) {
    const std::string help = std::string(kSpotHelpHead) + kSpotOptionHelp + kSpotHelpTail;
    std::set<std::string> flags = kSpotFlagKeys;
    flags.insert("help");
    ParsedArgs parsed = parseArgs(args, kSpotOptionKeys, flags);
    if (const auto done = helpOrUsageError(parsed, help.c_str())) return *done;
    if (parsed.positional.size() != 1)
        return usageError("spot needs one system file", help.c_str());
    SpotOptions options;
    std::string error;
    if (!readSpotOptions(parsed, options, error)) return usageError(error, help.c_str());

    auto ws = std::make_unique<Workspace>();
    if (!computeSpots(*ws, parsed.positional[0], options, error)) return inputError(error);
    const SpotReport report = rekonstruierenValues(*ws);
    const SpotResults& res = ws->spot.results;

    JsonWriter json;
    json.beginObject();
    json.field("focusShift", res.focusShift);
    json.field("bestSphereRadius", res.bestSphereRadius);
    json.field("imageTilt", res.imageTilt).field("tiltPosition", res.tiltPosition);
    json.field("distortion", res.distortion).field("vignetting", res.vignetting);
    json.key("lightLoss").beginArray().value(res.lightLoss[0]).value(res.lightLoss[1]).endArray();
    json.key("effectiveFNumber").beginArray();
    for (int field = 0; field < 2; ++field) {
        if (res.lightLoss[static_cast<size_t>(field)] < 100.0)
            json.value(report.effectiveFNumber[static_cast<size_t>(field)]);
        else
            json.null();
    }
    json.endArray();
    json.field("airyDiameterUm", report.airyDiameterUm);
    json.key("fields").beginArray();
    for (int field = 1; field <= 2; ++field) {
        json.beginObject();
        json.field("fieldAngle", field == 1 ? 0.0 : res.fieldAngle);
        writeStatistics(json, *ws, field);
        json.endObject();
    }
    json.endArray();
    json.endObject();
    printJson(json.text());
    return kExitOk;
}

}  // namespace vn::cli
