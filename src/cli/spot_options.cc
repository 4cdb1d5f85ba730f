#include "cli/spot_options.h"

#include <cmath>
#include <cstdio>

#include "mainwindow/run_cycle.h"
#include "model/number_format.h"
#include "spot/spot_computation.h"

namespace vn::cli {

const std::set<std::string> kSpotOptionKeys = {"surface", "density", "field-fraction"};
const std::set<std::string> kSpotFlagKeys = {"high-resolution"};

const char* const kSpotOptionHelp =
    "  --surface          focal surface: best-sphere (default), best-plane or\n"
    "                     perpendicular (the plane square to the axis)\n"
    "  --density          point density 1..4 (default 2): 18, 36, 72 or 144\n"
    "                     azimuths on 7, 13, 25 or 49 rings\n"
    "  --high-resolution  twice the rings (\"Auflösung hoch\")\n"
    "  --field-fraction   the field point, as a fraction of the maximum field angle\n"
    "                     above the axis, -1.75..1.75 in steps of 0.01 (default 1,\n"
    "                     the top middle of the field chooser)\n";

namespace {

// The field chooser is 200 pixels wide and the window reaches 175 pixels
// above its centre; 100 pixels are the maximum field angle.
constexpr double kFieldFractionLimit = 1.75;

}  // namespace

bool integerOption(const ParsedArgs& parsed, const std::string& key, int low, int high, int& value,
                   std::string& error) {
    auto it = parsed.options.find(key);
    if (it == parsed.options.end()) return true;
    auto number = fmt::parseInteger(it->second);
    if (!number || *number < low || *number > high) {
        error = "--" + key + " is a whole number from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not '" + it->second + "'";
        return false;
    }
    value = static_cast<int>(*number);
    return true;
}

bool colourOption(const ParsedArgs& parsed, int& colour, std::string& error) {
    auto it = parsed.options.find("colour");
    if (it == parsed.options.end()) return true;
    if (it->second == "red") {
        colour = kRed;
    } else if (it->second == "green") {
        colour = kGreen;
    } else if (it->second == "blue") {
        colour = kBlue;
    } else {
        error = "--colour is red, green or blue, not '" + it->second + "'";
        return false;
    }
    return true;
}

bool readSpotOptions(const ParsedArgs& parsed, SpotOptions& options, std::string& error) {
    auto surface = parsed.options.find("surface");
    if (surface != parsed.options.end()) {
        if (surface->second == "best-sphere") {
            options.surface = SpotTarget::BestSphere;
        } else if (surface->second == "best-plane") {
            options.surface = SpotTarget::BestPlane;
        } else if (surface->second == "perpendicular") {
            options.surface = SpotTarget::PerpendicularPlane;
        } else {
            error = "--surface is best-sphere, best-plane or perpendicular, not '" +
                    surface->second + "'";
            return false;
        }
    }
    if (!integerOption(parsed, "density", 1, 4, options.density, error)) return false;
    options.highResolution = parsed.flags.count("high-resolution") > 0;
    if (!numberOption(parsed, "field-fraction", options.fieldFraction, error)) return false;
    if (!(std::fabs(options.fieldFraction) <= kFieldFractionLimit)) {
        error = "--field-fraction lies between -1.75 and 1.75";
        return false;
    }
    return true;
}

bool computeSpots(Workspace& ws, const std::string& path, const SpotOptions& options,
                  std::string& error, const std::function<void(Workspace&)>& adjust) {
    if (!openForAnalysis(ws, path, error)) return false;
    SettingsControls& controls = ws.settings.controls;
    controls.spotDensity = options.density;
    controls.spotTarget = options.surface;
    ws.settings.values.spotTarget = options.surface;
    ws.pupil.resolution = options.highResolution ? 2 : 1;
    if (adjust) adjust(ws);
    const EvaluationStatus status = Start(ws);
    if (!status.ok) {
        error = describe(status);
        return false;
    }
    createSpotStore(ws);
    pickFieldFraction(ws, options.fieldFraction);
    const ComputeStatus spots = berechnen(ws);
    if (!spots.ok) {
        error = ws.evaluation.ok ? spots.message : describe(ws.evaluation);
        return false;
    }
    const std::array<int, 2>& lost = ws.spot.results.chiefLostAt;
    if (lost[0] != 0) {
        error = "Der Hauptstrahl der Achse kommt nicht durch das System: er verfehlt Fläche " +
                std::to_string(lost[0]) + " oder wird dort total reflektiert.";
        return false;
    }
    if (lost[1] != 0)
        std::fprintf(stderr,
                     "note: the chief ray of the field point cannot pass surface %d; the field "
                     "point's values are those of the rays that pass\n",
                     lost[1]);
    return true;
}

}  // namespace vn::cli
