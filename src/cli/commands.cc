#include "cli/commands.h"

#include <cstdio>

#include "cli/command_line.h"

namespace vn::cli {
namespace {

constexpr const char* kUsage =
    "usage: varnistrale-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  eval FILE.opt    paraxial data, Seidel and colour sums, surface table\n"
    "  trace FILE.opt   one real ray through every surface\n"
    "  spot FILE.opt    spot computation: focal surface, distortion, light loss,\n"
    "                   spot sizes of the axis and a field point\n"
    "  psf FILE.opt     PSF of the field point: Strehl, encircled energy, MTF, PTF\n"
    "  startest FILE.opt\n"
    "                   star test of the field point: ring-intensity profiles of\n"
    "                   the images inside, at and outside focus\n"
    "  render PICTURE FILE.opt -o OUT.EXT\n"
    "                   export picture of a window (layout, spot, psf, psf-graph)\n"
    "                   as png, bmp, svg, pdf or emf\n"
    "  synth TYPE ... -o OUT.opt\n"
    "                   design synthesis (achromat, fraunhofer, cassegrain, schmidt,\n"
    "                   medial-cassegrain, medial-triplet)\n"
    "\n"
    "Every command prints one JSON object on stdout. Errors go to stderr;\n"
    "the exit status is 1 for an unreadable or invalid input, 2 for a usage error.\n"
    "'varnistrale-cli COMMAND --help' describes a command.\n";

}  // namespace

int run(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "eval") return evalCommand(rest);
    if (command == "trace") return traceCommand(rest);
    if (command == "spot") return spotCommand(rest);
    if (command == "psf") return psfCommand(rest);
    if (command == "startest") return starTestCommand(rest);
    if (command == "synth") return synthCommand(rest);
    if (command == "render") return renderCommand(rest);
    std::fprintf(stderr, "varnistrale-cli: unknown command '%s'\n\n%s", command.c_str(), kUsage);
    return kExitUsage;
}

}  // namespace vn::cli
