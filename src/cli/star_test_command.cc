// varnistrale-cli startest: the star test of the spot window's field point in
// the PSF colour, as the ring-intensity profiles of its row of images.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/spot_options.h"
#include "psf/star_test.h"
#include "psf/star_test_painter.h"

namespace vn::cli {
namespace {

constexpr const char* kStarTestHelpHead =
    "usage: varnistrale-cli startest FILE.opt [spot options] [--defocus WAVES]\n"
    "                                [--steps N] [--colour red|green|blue]\n"
    "\n"
    "Loads the system as \"Öffnen\" does, runs the spot computation and computes\n"
    "the star test of the field point: the diffraction image of a star at a row\n"
    "of focal planes from inside focus through focus to outside focus.\n"
    "\n"
    "Spot options:\n";
constexpr const char* kStarTestHelpTail =
    "\n"
    "Star-test options:\n"
    "  --defocus  defocus of the outermost images, waves peak to valley,\n"
    "             0.5..40 (default 8)\n"
    "  --steps    images in the row, 2..11 (default 5: -8, -4, 0, +4, +8 waves)\n"
    "  --colour   colour of the PSF (default green)\n"
    "\n"
    "Prints the wavelength, the pupil grid and image size, the pixel (micrometres\n"
    "and arcseconds), the mean pupil transmission, whether the wavefront was too\n"
    "steep for the largest grid, and per image its defocus (negative inside\n"
    "focus), label, peak intensity (1 = the focused star of a perfect pupil),\n"
    "light centroid (micrometres from the reference point) and ring-intensity\n"
    "profile: the mean intensity at radius 0, 1, 2, ... pixels from the\n"
    "centroid, out to the radius that holds the light. A field point that\n"
    "receives no light gives profiles of zeros and a note on stderr.\n";

}  // namespace

int starTestCommand(const std::vector<std::string>& args) {
    const std::string help = std::string(kStarTestHelpHead) + kSpotOptionHelp + kStarTestHelpTail;
    std::set<std::string> keys = kSpotOptionKeys;
    keys.insert({"defocus", "steps", "colour"});
    std::set<std::string> flags = kSpotFlagKeys;
    flags.insert("help");
    ParsedArgs parsed = parseArgs(args, keys, flags);
    if (const auto done = helpOrUsageError(parsed, help.c_str())) return *done;
    if (parsed.positional.size() != 1)
        return usageError("startest needs one system file", help.c_str());
    SpotOptions spot;
    StarTestSettings settings;
    int colour = kGreen;
    std::string error;
    if (!readSpotOptions(parsed, spot, error) || !colourOption(parsed, colour, error) ||
        !readStarTestOptions(parsed, settings, error))
        return usageError(error, help.c_str());

    auto ws = std::make_unique<Workspace>();
    auto adjust = [colour](Workspace& w) {
        w.settings.controls.psfColourItem = itemOfPsfColour(colour);
        w.settings.values.psfColour = colour;
    };
    if (!computeSpots(*ws, parsed.positional[0], spot, error, adjust)) return inputError(error);

    StarTestResult result;
    StarTestWork work;
    const auto start = std::chrono::steady_clock::now();
    const ComputeStatus status = computeStarTest(*ws, settings, result, work);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (!status.ok && result.images.empty()) return inputError(status.message);

    JsonWriter json;
    json.beginObject();
    json.field("wavelengthUm", result.wavelength);
    json.field("pupilSamples", result.pupilSamples).field("size", result.size);
    json.field("pixelUm", result.pixelUm).field("pixelArcsec", result.pixelArcsec);
    json.field("transmission", static_cast<double>(result.transmission));
    json.field("undersampled", result.undersampled);
    const int bins = static_cast<int>(std::ceil(result.lightRadius));
    json.key("images").beginArray();
    for (const StarTestImage& image : result.images) {
        json.beginObject();
        json.field("defocusWaves", image.defocusWaves);
        json.field("label", starTestLabel(image.defocusWaves));
        json.field("peak", static_cast<double>(image.peak));
        // Rows run along y, columns along x; the centre is at M / 2.
        json.field("centroidYUm", (image.centreRow - result.size / 2) * result.pixelUm);
        json.field("centroidXUm", (image.centreColumn - result.size / 2) * result.pixelUm);
        json.key("profile").beginArray();
        for (int b = 0; b < bins && b < static_cast<int>(image.profile.size()); ++b)
            json.value(image.profile[static_cast<size_t>(b)]);
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.field("seconds", seconds.count());
    json.endObject();
    printJson(json.text());
    if (!status.ok) std::fprintf(stderr, "note: %s\n", status.message);
    return kExitOk;
}

}  // namespace vn::cli
