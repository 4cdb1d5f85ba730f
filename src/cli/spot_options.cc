#include "cli/spot_options.h"

#include <cmath>
#include <cstdio>

#include "mainwindow/run_cycle.h"
#include "model/number_format.h"
#include "spot/focus_model.h"
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

const std::set<std::string> kPsfOptionKeys = {"colour",      "order",         "diameter",
                                              "apodisation", "grating-angle", "defocus-steps"};

const char* const kPsfOptionHelp =
    "  --colour         colour of the PSF (default green)\n"
    "  --order          \"Ordnung\" 1..12 (default 2): the grid radius is order x 2\n"
    "                   lambda N in the image\n"
    "  --diameter       \"Durchmesser\" 10..50 (default 20): grid radius 2 x value steps\n"
    "  --apodisation    \"Apodisation\" 0..20 (default 0): pupil weight exp(-(a rho)^2),\n"
    "                   a = value / 10\n"
    "  --grating-angle  direction of the test grating, -90..90 degrees (default 0)\n"
    "  --defocus-steps  moves the focus K focus steps before the PSF, as the PSF\n"
    "                   window's keys do: K > 0 as the down key (F x (1 + step)),\n"
    "                   K < 0 as the up key (F / (1 + step)); the step is 1e-5\n"
    "                   (default 0: the computed focal surface)\n";

namespace {
constexpr int kMaxDefocusSteps = 100000;
}  // namespace

bool readPsfOptions(const ParsedArgs& parsed, PsfOptions& o, std::string& error) {
    if (!colourOption(parsed, o.colour, error)) return false;
    if (!integerOption(parsed, "order", 1, 12, o.order, error) ||
        !integerOption(parsed, "diameter", 10, 50, o.diameter, error) ||
        !integerOption(parsed, "apodisation", 0, 20, o.apodisation, error) ||
        !integerOption(parsed, "defocus-steps", -kMaxDefocusSteps, kMaxDefocusSteps, o.defocusSteps,
                       error) ||
        !numberOption(parsed, "grating-angle", o.gratingAngle, error))
        return false;
    if (!(o.gratingAngle >= -90.0 && o.gratingAngle <= 90.0)) {
        error = "--grating-angle lies between -90 and 90 degrees";
        return false;
    }
    return true;
}

void applyPsfOptions(Workspace& w, const PsfOptions& psf) {
    SettingsControls& c = w.settings.controls;
    c.psfOrder = psf.order;
    c.psfDiameter = psf.diameter;
    c.apodisation = psf.apodisation;
    c.psfColourItem = itemOfPsfColour(psf.colour);
    w.settings.values.psfColour = psf.colour;
    w.psf.gratingAngle = psf.gratingAngle;
}

void applyPsfFocusSteps(Workspace& ws, const PsfOptions& psf) {
    for (int k = 0; k < std::abs(psf.defocusSteps); ++k)
        stepFocusThroughPsf(ws, psf.defocusSteps < 0);
}

bool readStarTestOptions(const ParsedArgs& parsed, StarTestSettings& settings, std::string& error) {
    if (!numberOption(parsed, "defocus", settings.defocusWaves, error) ||
        !integerOption(parsed, "steps", kStarTestMinSteps, kStarTestMaxSteps, settings.steps,
                       error))
        return false;
    if (!(settings.defocusWaves >= kStarTestMinDefocus &&
          settings.defocusWaves <= kStarTestMaxDefocus)) {
        error = "--defocus lies between 0.5 and 40 waves";
        return false;
    }
    return true;
}

}  // namespace vn::cli
