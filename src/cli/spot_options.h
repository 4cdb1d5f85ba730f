// Options shared by the spot and psf commands: the settings they take, in the
// values of the settings' controls, and the spot computation they start from.
#pragma once

#include <functional>
#include <set>
#include <string>

#include "cli/command_line.h"
#include "psf/star_test.h"
#include "workspace/workspace.h"

namespace vn::cli {

// Keys of the spot options (without dashes): options and switches.
extern const std::set<std::string> kSpotOptionKeys;
extern const std::set<std::string> kSpotFlagKeys;
// Help text of the spot options.
extern const char* const kSpotOptionHelp;

struct SpotOptions {
    SpotTarget surface = SpotTarget::BestSphere;
    int density = 2;  // "Punktdichte" 1..4
    bool highResolution = false;
    double fieldFraction = 1.0;  // of the maximum field angle, above the chooser centre
};

// Reads the spot options; false with a usage message for a value out of range.
bool readSpotOptions(const ParsedArgs& parsed, SpotOptions& options, std::string& error);

// Reads an integer option within [low, high].
bool integerOption(const ParsedArgs& parsed, const std::string& key, int low, int high, int& value,
                   std::string& error);

// Reads --colour red|green|blue into a colour number.
bool colourOption(const ParsedArgs& parsed, int& colour, std::string& error);

// Opens the system as "Öffnen" does, applies the options as the settings and
// the spot window would (the run cycle runs again for the new sampling), and
// runs the spot computation. Before the run cycle `adjust` may change more
// settings. False with the message for the user when the system cannot be
// computed.
bool computeSpots(Workspace& ws, const std::string& path, const SpotOptions& options,
                  std::string& error, const std::function<void(Workspace&)>& adjust = {});

// PSF options, in the values of the settings' controls.
struct PsfOptions {
    int colour = kGreen;
    int order = 2, diameter = 20, apodisation = 0;
    double gratingAngle = 0.0;
    int defocusSteps = 0;  // focus steps before the PSF, as the PSF window's keys
};

extern const std::set<std::string> kPsfOptionKeys;
extern const char* const kPsfOptionHelp;

// Reads the PSF options; false with a usage message for a value out of range.
bool readPsfOptions(const ParsedArgs& parsed, PsfOptions& options, std::string& error);
// Puts the options into the settings (before the run cycle).
void applyPsfOptions(Workspace& ws, const PsfOptions& options);
// Reads --defocus and --steps of the star test; false with a usage message.
bool readStarTestOptions(const ParsedArgs& parsed, StarTestSettings& settings, std::string& error);

// Moves the focus by the options' focus steps (after the spot computation).
void applyPsfFocusSteps(Workspace& ws, const PsfOptions& options);

}  // namespace vn::cli
