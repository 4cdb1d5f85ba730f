// varnistrale-cli render: the export picture of a window, headless, into a
// bitmap, PNG, SVG, PDF or enhanced metafile.
#include <cmath>
#include <cstdio>
#include <memory>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/render_output.h"
#include "cli/spot_options.h"
#include "mainwindow/commands.h"
#include "mainwindow/layout_export.h"
#include "mainwindow/picture_export.h"
#include "mainwindow/window_updates.h"

namespace vn::cli {
namespace {

constexpr const char* kRenderHelpHead =
    "usage: varnistrale-cli render layout|spot|psf|psf-graph|star-test FILE.opt -o OUT.EXT\n"
    "                              [--width W] [--zoom Z] [spot options] [psf options]\n"
    "                              [--defocus WAVES] [--steps N] [--log]\n"
    "\n"
    "Draws the export picture of a window, as \"Export\" writes it, without a\n"
    "display. EXT is png, bmp, svg, pdf or emf. A metafile (emf) is 650 pixels\n"
    "wide at zoom 100 (--zoom 25..500, default 100); the other formats are W\n"
    "pixels wide (--width, default 600), the PSF graph W pixels square. The spot\n"
    "and PSF computations run as when their windows open.\n"
    "\n"
    "Spot options:\n";
constexpr const char* kRenderHelpTail =
    "\n"
    "\n"
    "Star test (star-test): the row of star images inside, at and outside focus\n"
    "  --defocus  defocus of the outermost images, waves (0.5..40, default 8)\n"
    "  --steps    images in the row, 2..11 (default 5)\n"
    "  --log      logarithmic intensities (default linear)\n"
    "\n"
    "Prints {\"file\", \"width\", \"height\"}. The file is written under a\n"
    "temporary name and renamed when it is complete.\n";

bool sourceOf(const std::string& name, GraphicSource& source) {
    if (name == "layout")
        source = GraphicSource::Layout;
    else if (name == "spot")
        source = GraphicSource::SpotWindow;
    else if (name == "psf")
        source = GraphicSource::PsfWindow;
    else if (name == "psf-graph")
        source = GraphicSource::PsfGraph;
    else if (name == "star-test")
        source = GraphicSource::StarTest;
    else
        return false;
    return true;
}

}  // namespace

int renderCommand(const std::vector<std::string>& rawArgs) {
    std::vector<std::string> args = rawArgs;
    for (std::string& a : args)
        if (a == "-o") a = "--output";
    const std::string help =
        std::string(kRenderHelpHead) + kSpotOptionHelp + kPsfOptionHelp + kRenderHelpTail;
    std::set<std::string> keys = kSpotOptionKeys;
    keys.insert(kPsfOptionKeys.begin(), kPsfOptionKeys.end());
    keys.insert({"output", "width", "zoom", "defocus", "steps"});
    std::set<std::string> flags = kSpotFlagKeys;
    flags.insert({"help", "log"});
    ParsedArgs parsed = parseArgs(args, keys, flags);
    if (const auto done = helpOrUsageError(parsed, help.c_str())) return *done;
    GraphicSource source{};
    if (parsed.positional.size() != 2 || !sourceOf(parsed.positional[0], source))
        return usageError(
            "render needs a picture (layout, spot, psf, psf-graph, star-test) and a system file",
            help.c_str());
    const auto out = parsed.options.find("output");
    if (out == parsed.options.end() || out->second.empty())
        return usageError("render needs -o OUT.png|bmp|svg|pdf|emf", help.c_str());
    if (!knownPictureExtension(out->second))
        return usageError(
            "the picture's extension is png, bmp, svg, pdf or emf: '" + out->second + "'",
            help.c_str());
    int width = 600, zoom = 100;
    SpotOptions spot;
    PsfOptions psf;
    StarTestSettings starSettings;
    std::string error;
    if (!integerOption(parsed, "width", 16, 20000, width, error) ||
        !integerOption(parsed, "zoom", 25, 500, zoom, error) ||
        !readSpotOptions(parsed, spot, error) || !readPsfOptions(parsed, psf, error) ||
        !readStarTestOptions(parsed, starSettings, error))
        return usageError(error, help.c_str());

    const std::string& file = parsed.positional[1];
    auto ws = std::make_unique<Workspace>();
    RecordingCanvas picture;
    if (source == GraphicSource::Layout) {
        if (!openForAnalysis(*ws, file, error)) return inputError(error);
        fitLayoutToView(*ws, kDesignLayoutWidth, kDesignLayoutHeight);
        LayoutLook look;
        look.width = kDesignLayoutWidth;
        look.height = kDesignLayoutHeight;
        const EvaluationStatus status =
            recordLayoutExport(*ws, look, mainWindowCaption(file), picture);
        if (!status.ok) return inputError(describe(status));
    } else {
        if (!computeSpots(*ws, file, spot, error,
                          [&psf](Workspace& w) { applyPsfOptions(w, psf); }))
            return inputError(error);
        applyPsfFocusSteps(*ws, psf);
        // The windows as they open: the settings' contrast, the grating angle
        // of the options, the markers shown, the star test's row as asked.
        AnalysisWindows looks;
        looks.spotLook.caption = looks.psfLook.caption = mainWindowCaption(file);
        looks.psfLook.contrast = ws->settings.controls.psfContrast;
        looks.psfLook.gratingAngle = static_cast<int>(std::lround(psf.gratingAngle));
        looks.starTestSettings = starSettings;
        looks.starTestLook.logarithmic = parsed.flags.count("log") > 0;
        const ComputeStatus status = recordWindowExport(*ws, source, looks, picture);
        if (!status.ok) return inputError(status.message ? status.message : "cannot draw");
    }
    // A metafile keeps its own size rule, whatever the case of its extension.
    const bool metafile = pictureExtension(out->second) == "emf";
    const ExportSize size =
        exportSize(source, metafile ? GraphicDestination::Metafile : GraphicDestination::Bitmap,
                   picture, width, zoom);
    if (!writeRenderedPicture(picture, size, out->second, error)) return inputError(error);
    JsonWriter json;
    json.beginObject();
    json.field("file", std::string_view(out->second))
        .field("width", size.width)
        .field("height", size.height);
    json.endObject();
    printJson(json.text());
    return kExitOk;
}

}  // namespace vn::cli
