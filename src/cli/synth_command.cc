// varnistrale-cli synth: builds a design as the synthesis dialog's "ok" does,
// from the dialog's defaults and the options given, and saves it.
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "mainwindow/document.h"
#include "model/data_paths.h"
#include "model/number_format.h"
#include "synthesis/synthesis_state.h"

namespace vn::cli {
namespace {

constexpr const char* kSynthUsage =
    "usage: varnistrale-cli synth TYPE [--KEY VALUE ...] -o OUT.opt\n"
    "\n"
    "TYPE: achromat | fraunhofer | cassegrain | schmidt | medial-cassegrain | medial-triplet\n"
    "\n"
    "Builds the design as the synthesis dialog's \"ok\" does, from the dialog's\n"
    "defaults and the options given, runs the run cycle and saves the system.\n"
    "Glasses are chosen by their catalogue name (N-BK7, N-F2, ...) from\n"
    "DemoGlasdaten.txt in the current directory or the shipped data folder;\n"
    "their indices are computed at the synthesis wavelengths 0.6438469 (red),\n"
    "0.546074 (green) and 0.4799914 um (blue). Lengths other than the focal\n"
    "length are in units of the focal length.\n"
    "\n"
    "The dialog's message goes to stderr. Exit status 0 when the system was\n"
    "written, 1 when the design fails (nothing is written), 2 on usage errors.\n"
    "'varnistrale-cli synth TYPE --help' lists the keys of a type and their defaults.\n";

// A numeric input: option key, dialog label, and where it goes.
struct NumberKey {
    const char* key;
    const char* label;
    double* value;
};

// A choice among named values.
struct ChoiceKey {
    const char* key;
    const char* label;
    std::vector<std::string> names;  // the first is the default
    std::function<void(size_t)> apply;
};

struct GlassKey {
    const char* key;
    const char* label;
    int slot;
};

struct Design {
    std::string name;
    std::vector<NumberKey> numbers;
    std::vector<ChoiceKey> choices;
    std::vector<GlassKey> glasses;
    // The lens dialogs whose repaint recomputes the chosen slot's indices.
    SynthesisDialog dialog = SynthesisDialog::Achromat;
    std::function<SynthesisResult(Workspace&)> run;
    std::function<std::optional<double>()> equivalentComa = [] { return std::nullopt; };
};

void addCommon(Design& d, CommonInputs& c) {
    d.numbers.insert(d.numbers.begin(), {{"focal-length", "f/mm: focal length, mm", &c.focalLength},
                                         {"f-number", "Blende: f-number", &c.fNumber},
                                         {"field", "Feld/°: full field, degrees", &c.fullField},
                                         {"scale", "Massstab: drawing scale", &c.scale}});
}

void addMedialTargets(Design& d, MedialTargets& z) {
    const std::vector<NumberKey> keys = {
        {"colour-target", "Farblängsfehler: longitudinal colour target", &z.longitudinalColour},
        {"lateral-colour-target", "Farbquerfehler: lateral colour target", &z.lateralColour},
        {"spherical-target", "Öffnungsfehler: spherical aberration target", &z.spherical},
        {"coma-target", "Koma: coma target", &z.coma},
        {"astigmatism-target", "Astigmatismus: astigmatism target", &z.astigmatism},
        {"curvature-target", "Bildfeldkrümmung: field curvature target", &z.curvature},
        {"equivalent-coma", "Sollwert: coma of the equivalent system", &z.equivalentComa}};
    d.numbers.insert(d.numbers.end(), keys.begin(), keys.end());
}

ChoiceKey correctionSurfaceKey(CorrectionSurface* sigma) {
    const std::vector<std::string> names = *sigma == CorrectionSurface::Surface2
                                               ? std::vector<std::string>{"2", "1"}
                                               : std::vector<std::string>{"1", "2"};
    return {"correction-surface", "Korrektionsfläche Äquivalentsystem (1 or 2)", names,
            [sigma, names](size_t i) {
                *sigma =
                    names[i] == "2" ? CorrectionSurface::Surface2 : CorrectionSurface::Surface1;
            }};
}

// Builds the description of one design type over the stored inputs of `st`.
bool describeDesign(const std::string& type, SynthesisState& st, MedialSynthesisResult* medial,
                    Design& d) {
    if (type == "achromat") {
        AchromatInputs& in = st.achromat;
        d.name = "achromat";
        d.dialog = SynthesisDialog::Achromat;
        d.numbers = {{"thickness1", "Dicke1: centre thickness of lens 1", &in.thickness1},
                     {"thickness2", "Dicke2: centre thickness of lens 2", &in.thickness2},
                     {"colour-target", "Farblängsfehler: colour target", &in.colourTarget},
                     {"spherical-target", "Öffnungsfehler: spherical aberration target",
                      &in.sphericalTarget}};
        addCommon(d, in.common);
        d.glasses = {{"glass1", "Glas1 (slot 1)", 1}, {"glass2", "Glas2 (slot 2)", 2}};
        d.run = [p = &in, &st](Workspace& w) { return synthesiseAchromat(*p, st, w); };
    } else if (type == "fraunhofer") {
        FraunhoferInputs& in = st.fraunhofer;
        d.name = "fraunhofer";
        d.dialog = SynthesisDialog::Fraunhofer;
        d.numbers = {{"thickness1", "Dicke1: thickness of lens 1", &in.thickness1},
                     {"gap", "Abstand: air gap between the lenses", &in.gap},
                     {"thickness2", "Dicke2: thickness of lens 2", &in.thickness2},
                     {"colour-target", "Farblängsfehler: colour target", &in.colourTarget},
                     {"spherical-target", "Öffnungsfehler: spherical aberration target",
                      &in.sphericalTarget},
                     {"coma-target", "Koma: coma target", &in.comaTarget}};
        addCommon(d, in.common);
        d.glasses = {{"glass1", "Glas1 (slot 1)", 1},
                     {"glass2", "Glas2 (slot 3)", kFraunhoferSecondSlot}};
        d.run = [p = &in, &st](Workspace& w) { return synthesiseFraunhofer(*p, st, w); };
    } else if (type == "cassegrain") {
        CassegrainInputs& in = st.cassegrain;
        d.name = "cassegrain";
        d.dialog = SynthesisDialog::Cassegrain;
        d.numbers = {{"focus-distance", "Abstand Fokus-Primärspiegel: focus behind the primary",
                      &in.layout.e},
                     {"separation", "Abstand Primär-Sekundär (selects --parameter separation)",
                      &in.layout.d},
                     {"magnification", "Sekundärvergrößerung (selects --parameter magnification)",
                      &in.layout.m},
                     {"obstruction", "Obstruktion (selects --parameter obstruction)", &in.layout.k},
                     {"spherical-target", "Öffnungsfehler: spherical aberration target",
                      &in.sphericalTarget},
                     {"coma-target", "Koma: coma target (Ritchey-Chrétien)", &in.comaTarget}};
        addCommon(d, in.common);
        d.choices = {{"type",
                      "Cassegrain-Typ",
                      {"classical", "dall-kirkham", "ritchey-chretien", "pressman-camichel"},
                      [p = &in](size_t i) { p->type = static_cast<CassegrainType>(i); }},
                     {"parameter",
                      "Auswahl 2. Parameter (the value by --value or its own key)",
                      {"separation", "magnification", "obstruction"},
                      [p = &in](size_t i) { p->parameter = static_cast<CassegrainParameter>(i); }}};
        d.run = [p = &in, &st](Workspace& w) { return synthesiseCassegrain(*p, st, w); };
    } else if (type == "schmidt") {
        SchmidtInputs& in = st.schmidt;
        d.name = "schmidt";
        d.dialog = SynthesisDialog::Schmidt;
        d.numbers = {{"thickness", "Dicke: corrector thickness", &in.thickness},
                     {"neutral-zone", "NZ: neutral zone / aperture radius", &in.neutralZone},
                     {"spherical-target", "Öffnungsfehler (kept, not used by the design)",
                      &in.sphericalTarget},
                     {"coma-target", "Koma (kept, not used by the design)", &in.comaTarget}};
        addCommon(d, in.common);
        d.glasses = {{"glass1", "Glas (slot 1)", 1}};
        d.run = [p = &in, &st](Workspace& w) { return synthesiseSchmidtCamera(*p, st, w); };
    } else if (type == "medial-cassegrain") {
        MedialCassegrainInputs& in = st.medialCassegrain;
        d.name = "medial-cassegrain";
        d.dialog = SynthesisDialog::MedialCassegrain;
        d.numbers = {{"front-thickness", "Dicke der Frontlinse", &in.frontThickness},
                     {"mangin-distance", "Abstand Mangin-Spiegel", &in.manginDistance},
                     {"mangin-thickness", "Dicke Mangin-Spiegel", &in.manginThickness},
                     {"secondary-distance", "Abstand Fangspiegel", &in.secondaryDistance},
                     {"secondary-power", "Brechkraft Fangspiegel", &in.secondaryPower},
                     {"field-lens-distance", "Abstand Feldlinse", &in.fieldLensDistance},
                     {"field-lens-thickness", "Dicke Feldlinse", &in.fieldLensThickness},
                     {"bfl", "bfl: back focal distance with --image free", &in.backFocus}};
        addMedialTargets(d, in.targets);
        addCommon(d, in.common);
        d.choices = {correctionSurfaceKey(&in.correction),
                     {"image",
                      "Image: flat (Flat Field) or free (FreeField, uses --bfl)",
                      {"flat", "free"},
                      [p = &in](size_t i) { p->flatField = i == 0; }}};
        d.glasses = {{"glass1", "Glas (slot 1)", 1}};
        d.run = [p = &in, &st, medial](Workspace& w) {
            *medial = synthesiseMedialCassegrain(*p, st, w);
            return static_cast<SynthesisResult>(*medial);
        };
    } else if (type == "medial-triplet") {
        MedialTripletInputs& in = st.medialTriplet;
        d.name = "medial-triplet";
        d.dialog = SynthesisDialog::MedialTriplet;
        d.numbers = {{"front-thickness", "Dicke der Frontlinse", &in.frontThickness},
                     {"mangin-distance", "Abstand Mangin-Spiegel", &in.manginDistance},
                     {"mangin-thickness", "Dicke Mangin-Spiegel", &in.manginThickness},
                     {"field-lens-distance", "Abstand Feldlinse", &in.fieldLensDistance},
                     {"field-lens-thickness", "Dicke Feldlinse", &in.fieldLensThickness}};
        addMedialTargets(d, in.targets);
        addCommon(d, in.common);
        d.choices = {correctionSurfaceKey(&in.correction)};
        d.glasses = {{"glass1", "Glas (slot 1)", 1}};
        d.run = [p = &in, &st, medial](Workspace& w) {
            *medial = synthesiseMedialTriplet(*p, st, w);
            return static_cast<SynthesisResult>(*medial);
        };
    } else {
        return false;
    }
    if (d.name == "medial-cassegrain" || d.name == "medial-triplet")
        d.equivalentComa = [medial] { return medial->equivalentComa; };
    return true;
}

std::string designHelp(const Design& d) {
    std::ostringstream out;
    out << "usage: varnistrale-cli synth " << d.name << " [--KEY VALUE ...] -o OUT.opt\n\nkeys "
        << "(default in brackets):\n";
    auto line = [&out](const std::string& key, const std::string& text) {
        std::string k = "  --" + key;
        if (k.size() < 30) k.resize(30, ' ');
        out << k << ' ' << text << '\n';
    };
    for (const GlassKey& g : d.glasses)
        line(std::string(g.key) + " NAME", std::string(g.label) + " [none: \"Glas auswählen\"]");
    for (const ChoiceKey& c : d.choices) {
        std::string names;
        for (const std::string& n : c.names) names += (names.empty() ? "" : "|") + n;
        line(std::string(c.key) + " " + names, std::string(c.label) + " [" + c.names[0] + "]");
    }
    if (d.name == "cassegrain") line("value V", "value of the selected parameter");
    for (const NumberKey& n : d.numbers)
        line(n.key, std::string(n.label) + " [" + fmt::general(*n.value, 10) + "]");
    line("output, -o FILE", "the system file to write");
    return out.str();
}

// The glass whose name (the type text between the source letter and the
// formula tag, or the whole type text) is `name`.

}  // namespace

int synthCommand(const std::vector<std::string>& rawArgs) {
    std::vector<std::string> args = rawArgs;
    for (std::string& a : args)
        if (a == "-o") a = "--output";
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kSynthUsage, args.empty() ? stderr : stdout);
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::string type = args[0];
    args.erase(args.begin());

    auto ws = std::make_unique<Workspace>();
    Initialize(*ws);
    auto synthesis = std::make_unique<SynthesisState>();
    MedialSynthesisResult medial;
    Design d;
    if (!describeDesign(type, *synthesis, &medial, d))
        return usageError("unknown design type '" + type + "'", kSynthUsage);
    const std::string help = designHelp(d);

    std::set<std::string> keys = {"output"};
    for (const NumberKey& n : d.numbers) keys.insert(n.key);
    for (const ChoiceKey& c : d.choices) keys.insert(c.key);
    for (const GlassKey& g : d.glasses) keys.insert(g.key);
    if (d.name == "cassegrain") keys.insert("value");
    ParsedArgs parsed = parseArgs(args, keys, {"help"});
    if (const auto done = helpOrUsageError(parsed, help.c_str())) return *done;
    if (!parsed.positional.empty())
        return usageError("unexpected argument '" + parsed.positional[0] + "'", help.c_str());
    if (!parsed.options.count("output")) return usageError("synth needs -o OUT.opt", help.c_str());

    std::string error;
    for (const NumberKey& n : d.numbers)
        if (!numberOption(parsed, n.key, *n.value, error)) return usageError(error, help.c_str());
    for (const ChoiceKey& c : d.choices) {
        auto it = parsed.options.find(c.key);
        if (it == parsed.options.end()) continue;
        size_t i = 0;
        while (i < c.names.size() && c.names[i] != it->second) ++i;
        if (i == c.names.size())
            return usageError("--" + std::string(c.key) + " does not know '" + it->second + "'",
                              help.c_str());
        c.apply(i);
    }
    if (d.name == "cassegrain") {
        // A parameter's own key selects it; --value sets the selected one.
        CassegrainInputs& in = synthesis->cassegrain;
        const char* own[] = {"separation", "magnification", "obstruction"};
        double* values[] = {&in.layout.d, &in.layout.m, &in.layout.k};
        int given = 0;
        for (int i = 0; i < 3; ++i) {
            if (parsed.options.count(own[i])) {
                ++given;
                if (!parsed.options.count("parameter"))
                    in.parameter = static_cast<CassegrainParameter>(i);
            }
        }
        if (given > 1 && !parsed.options.count("parameter"))
            return usageError("give one of --separation, --magnification, --obstruction",
                              help.c_str());
        double value = 0.0;
        if (parsed.options.count("value")) {
            if (!numberOption(parsed, "value", value, error))
                return usageError(error, help.c_str());
            *values[static_cast<int>(in.parameter)] = value;
        }
    }

    bool catalogueRead = false;
    GlassCatalogue catalogue;
    for (const GlassKey& g : d.glasses) {
        auto it = parsed.options.find(g.key);
        if (it == parsed.options.end()) continue;
        if (!catalogueRead) {
            CatalogueReadResult read =
                readCatalogue(dataDirectories(std::filesystem::current_path()));
            if (!read.error.empty()) return inputError(read.error);
            catalogue = std::move(read.catalogue);
            catalogueRead = true;
        }
        GlassRecord record;
        if (!findGlassByName(catalogue, it->second, record))
            return inputError("Glas '" + it->second + "' steht nicht in " + catalogue.file + ".");
        if (std::string e = chooseDialogGlass(*synthesis, d.dialog, g.slot, record, ws->model);
            !e.empty())
            return inputError(e);
    }

    const SynthesisResult result = d.run(*ws);
    if (!result.wrote) return inputError(result.message);
    if (!result.message.empty()) std::fprintf(stderr, "%s\n", result.message.c_str());
    const std::string& out = parsed.options.at("output");
    FileOutcome saved = Speichern(*ws, out);
    if (!saved.ok) return inputError(saved.message);

    const SystemModel& m = ws->model;
    JsonWriter json;
    json.beginObject();
    json.field("file", std::string_view(out));
    json.field("type", d.name);
    json.field("title", std::string_view(m.sys.title));
    json.field("message", std::string_view(result.message));
    json.field("surfaces", m.N());
    json.field("focalLength", m.sys.focalLength);
    json.field("fNumber", m.sys.fNumber);
    if (std::optional<double> coma = d.equivalentComa()) json.field("equivalentComa", *coma);
    json.endObject();
    printJson(json.text());
    return kExitOk;
}

}  // namespace vn::cli
