// varnistrale-cli psf: the PSF of the spot window's field point, as the PSF
// window computes and analyses it after a spot computation.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/spot_options.h"
#include "psf/psf_analysis.h"
#include "psf/psf_computation.h"
#include "spot/focus_model.h"

namespace vn::cli {
namespace {

constexpr const char* kPsfHelpHead =
    "usage: varnistrale-cli psf FILE.opt [spot options] [--colour red|green|blue]\n"
    "                           [--order N] [--diameter D] [--apodisation A]\n"
    "                           [--grating-angle DEG] [--defocus-steps K]\n"
    "\n"
    "Loads the system as \"Öffnen\" does, runs the spot computation and computes\n"
    "the PSF of the field point with its encircled energy, MTF, PTF and Strehl\n"
    "value, as the PSF window does.\n"
    "\n"
    "Spot options:\n";
constexpr const char* kPsfHelpTail1 =
    "\n"
    "PSF options, in the values of the settings' controls:\n";
constexpr const char* kPsfHelpTail2 =
    "\n"
    "Prints the Strehl value, the peak intensity, the transmission, the encircled\n"
    "energies E0, E1 within the first and second dark ring and their radii R0, R1\n"
    "(arcseconds) of the PSF and of the aberration-free reference, the MTF, the\n"
    "reference MTF and the PTF (units of 5 degrees) at the 40 grating\n"
    "frequencies, the frequency at the end of that axis (cycles per arcsecond)\n"
    "and the time the PSF took (seconds). A field point that receives no light\n"
    "gives a PSF of zeros and a note on stderr.\n";

void writeCurve(JsonWriter& json, const char* name, const std::array<float, kMtfFrequencies>& v) {
    json.key(name).beginArray();
    for (float x : v) json.value(static_cast<double>(x));
    json.endArray();
}

void writeEnergy(JsonWriter& json, const EncircledEnergy& e) {
    json.field("E0", e.E0).field("E1", e.E1).field("R0", e.R0).field("R1", e.R1);
}

}  // namespace

int psfCommand(const std::vector<std::string>& args) {
    const std::string help = std::string(kPsfHelpHead) + kSpotOptionHelp + kPsfHelpTail1 +
                             kPsfOptionHelp + kPsfHelpTail2;
    std::set<std::string> keys = kSpotOptionKeys;
    keys.insert(kPsfOptionKeys.begin(), kPsfOptionKeys.end());
    std::set<std::string> flags = kSpotFlagKeys;
    flags.insert("help");
    ParsedArgs parsed = parseArgs(args, keys, flags);
    if (const auto done = helpOrUsageError(parsed, help.c_str())) return *done;
    if (parsed.positional.size() != 1) return usageError("psf needs one system file", help.c_str());
    SpotOptions spot;
    PsfOptions psf;
    std::string error;
    if (!readSpotOptions(parsed, spot, error) || !readPsfOptions(parsed, psf, error))
        return usageError(error, help.c_str());

    auto ws = std::make_unique<Workspace>();
    if (!computeSpots(*ws, parsed.positional[0], spot, error,
                      [&psf](Workspace& w) { applyPsfOptions(w, psf); }))
        return inputError(error);
    applyPsfFocusSteps(*ws, psf);

    const auto start = std::chrono::steady_clock::now();
    const ComputeStatus status = BerechnePSF(*ws);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    analysePsf(*ws);
    const PsfAnalysis& a = ws->psf.analysis;

    JsonWriter json;
    json.beginObject();
    json.field("strehl", a.strehl).field("strehlPeak", a.strehlPeak).field("peak", a.peak);
    json.field("transmission", static_cast<double>(ws->psf.transmission));
    writeEnergy(json, a.psf);
    json.key("reference").beginObject();
    writeEnergy(json, a.reference);
    json.endObject();
    writeCurve(json, "mtf", a.mtf);
    writeCurve(json, "mtfReference", a.mtfReference);
    writeCurve(json, "ptf", a.ptf);
    json.field("frequencyEndPerArcsec", a.frequencyEndPerArcsec);
    json.field("seconds", seconds.count());
    json.endObject();
    printJson(json.text());
    if (!status.ok) std::fprintf(stderr, "note: %s\n", status.message);
    return kExitOk;
}

}  // namespace vn::cli
