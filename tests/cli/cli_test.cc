// The batch command as scripts use it: the JSON keys of every subcommand, the
// exit codes, the messages for bad input, and the examples of the README.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path kCli = VARNISTRALE_CLI_PATH;
const fs::path kData = VARNISTRALE_TEST_DATA_DIR;
const fs::path kSource = VARNISTRALE_SOURCE_DIR;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs a shell command line in `dir`, capturing stdout and stderr.
Outcome runShell(const std::string& line, const fs::path& dir = fs::temp_directory_path()) {
    const fs::path err =
        fs::temp_directory_path() / ("varnistrale_cli_err_" + std::to_string(::getpid()) + ".txt");
    const std::string command =
        "cd " + quote(dir.string()) + " && " + line + " 2>" + quote(err.string()) + " </dev/null";
    Outcome r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = slurp(err);
    fs::remove(err);
    return r;
}

Outcome cli(const std::vector<std::string>& args, const fs::path& dir = fs::temp_directory_path()) {
    std::string line = quote(kCli.string());
    for (const auto& a : args) line += " " + quote(a);
    return runShell(line, dir);
}

json parsed(const Outcome& r) {
    EXPECT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << r.out;
    return j;
}

void expectKeys(const json& j, const std::vector<const char*>& keys, const std::string& where) {
    ASSERT_TRUE(j.is_object()) << where;
    for (const char* k : keys) EXPECT_TRUE(j.contains(k)) << where << ": no \"" << k << "\"";
}

std::vector<fs::path> examples() {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(kData / "examples"))
        if (e.path().extension() == ".opt") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(Cli, EvalTraceSpotAndPsfGiveTheirKeysOnEveryExample) {
    ASSERT_FALSE(examples().empty());
    for (const fs::path& file : examples()) {
        const std::string name = file.filename().string();
        const json eval = parsed(cli({"eval", file.string()}));
        expectKeys(
            eval,
            {"focalLength", "normFocal", "backFocus", "backFocusMm", "fNumber", "exitPupilDistance",
             "axisDeviation", "obstructionRatio", "systemLength", "seidel", "colour", "surfaces"},
            name);
        expectKeys(eval["seidel"], {"spherical", "coma", "astigmatism", "curvature", "distortion"},
                   name);
        expectKeys(eval["colour"], {"chromatic", "secondary", "lateralColour"}, name);
        ASSERT_TRUE(eval["surfaces"].is_array());
        EXPECT_GE(eval["surfaces"].size(), 3u) << name;  // pupil, a surface, image plane
        for (const json& s : eval["surfaces"])
            expectKeys(s, {"r", "e", "n", "k", "u", "h", "medium", "kind"}, name);

        const json trace = parsed(cli({"trace", file.string(), "--pupil", "0.5"}));
        expectKeys(
            trace,
            {"blocked", "x", "y", "xMm", "yMm", "L", "M", "N", "path", "waveTerm", "surfaces"},
            name);
        EXPECT_EQ(trace["surfaces"].size(), eval["surfaces"].size() - 1) << name;

        const json spot = parsed(cli({"spot", file.string()}));
        expectKeys(spot,
                   {"focusShift", "bestSphereRadius", "imageTilt", "tiltPosition", "distortion",
                    "vignetting", "lightLoss", "effectiveFNumber", "airyDiameterUm", "fields"},
                   name);
        ASSERT_EQ(spot["fields"].size(), 2u) << name;
        for (const json& f : spot["fields"]) {
            expectKeys(f, {"fieldAngle", "colours"}, name);
            for (const char* c : {"red", "green", "blue"})
                expectKeys(f["colours"][c],
                           {"rays", "rmsRadiusUm", "geoRadiusUm", "centroidXUm", "centroidYUm"},
                           name);
        }

        const json psf = parsed(cli({"psf", file.string()}));
        expectKeys(psf,
                   {"strehl", "strehlPeak", "peak", "transmission", "E0", "E1", "R0", "R1",
                    "reference", "mtf", "mtfReference", "ptf", "frequencyEndPerArcsec", "seconds"},
                   name);
        expectKeys(psf["reference"], {"E0", "E1", "R0", "R1"}, name);
        EXPECT_EQ(psf["mtf"].size(), 40u) << name;
        EXPECT_EQ(psf["mtfReference"].size(), 40u) << name;
        EXPECT_EQ(psf["ptf"].size(), 40u) << name;
    }
}

TEST(Cli, StarTestGivesTheRowOfProfiles) {
    const std::string newtonian = (kData / "examples/newtonian-f5.opt").string();
    // On axis the paraboloid is perfect: the profiles either side of focus
    // agree, and the defocused disc of 6 waves ends at 4 N lambda 6 = 65.5 um,
    // 48 pixels of lambda N / 2.
    const json axis = parsed(
        cli({"startest", newtonian, "--defocus", "6", "--steps", "3", "--field-fraction", "0"}));
    expectKeys(axis,
               {"wavelengthUm", "pupilSamples", "size", "pixelUm", "pixelArcsec", "transmission",
                "undersampled", "images", "seconds"},
               "startest");
    ASSERT_EQ(axis["images"].size(), 3u);
    const json& intra = axis["images"][0];
    const json& extra = axis["images"][2];
    expectKeys(intra, {"defocusWaves", "label", "peak", "centroidYUm", "centroidXUm", "profile"},
               "image");
    EXPECT_EQ(intra["defocusWaves"].get<double>(), -6.0);
    EXPECT_EQ(axis["images"][1]["label"].get<std::string>(), "Fokus");
    EXPECT_EQ(extra["label"].get<std::string>(), "extrafokal +6 \u03bb");
    EXPECT_NEAR(axis["pixelUm"].get<double>(), 0.5 * 5.0 * 0.546074, 1e-6);
    ASSERT_EQ(intra["profile"].size(), extra["profile"].size());
    ASSERT_GT(intra["profile"].size(), 60u);
    const double peak = intra["peak"].get<double>();
    for (size_t b = 0; b < intra["profile"].size(); ++b)
        EXPECT_NEAR(intra["profile"][b].get<double>(), extra["profile"][b].get<double>(),
                    1e-4 * peak)
            << b;
    // Light within the disc, little beyond it.
    EXPECT_GT(intra["profile"][40].get<double>(), 10.0 * intra["profile"][56].get<double>());
    // Off axis the row still has the default five images.
    const json field = parsed(cli({"startest", newtonian}));
    EXPECT_EQ(field["images"].size(), 5u);
    EXPECT_EQ(field["images"][0]["label"].get<std::string>(),
              "intrafokal \u2212"
              "8 \u03bb");

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"startest", newtonian, "--defocus", "0"},
          {"startest", newtonian, "--defocus", "viel"},
          {"startest", newtonian, "--steps", "1"},
          {"startest", newtonian, "--colour", "violet"},
          {"startest"}}) {
        const Outcome r = cli(args);
        EXPECT_EQ(r.status, 2) << args.back() << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    const Outcome missing = cli({"startest", (kData / "missing.opt").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("kann nicht geöffnet werden"), std::string::npos) << missing.err;
}

TEST(Cli, EverySynthesisWritesASystemThatEvaluates) {
    const fs::path dir = fs::temp_directory_path() / "varnistrale_cli_synth";
    fs::create_directories(dir);
    const std::vector<std::vector<std::string>> designs = {
        {"achromat", "--glass1", "N-BK7", "--glass2", "N-F2"},
        {"fraunhofer", "--glass1", "N-BK7", "--glass2", "N-F2"},
        {"cassegrain"},
        {"cassegrain", "--type", "ritchey-chretien"},
        {"schmidt", "--glass1", "N-BK7"},
        {"medial-cassegrain", "--glass1", "N-BK7"},
        {"medial-triplet", "--glass1", "N-BK7"},
    };
    for (std::vector<std::string> args : designs) {
        const std::string what = args[0] + (args.size() > 2 ? " " + args[2] : "");
        const fs::path out = dir / (args[0] + ".opt");
        fs::remove(out);
        args.insert(args.begin(), "synth");
        args.insert(args.end(), {"-o", out.string()});
        const Outcome r = cli(args, dir);
        ASSERT_EQ(r.status, 0) << what << ": " << r.err;
        EXPECT_TRUE(json::parse(r.out, nullptr, false).is_object()) << what << ": " << r.out;
        ASSERT_TRUE(fs::exists(out)) << what;
        const json eval = parsed(cli({"eval", out.string()}));
        EXPECT_GT(std::abs(eval["focalLength"].get<double>()), 1.0) << what;
    }
    fs::remove_all(dir);
}

TEST(Cli, ExitCodesAndMessages) {
    // Usage errors: exit 2 with the usage on stderr, nothing on stdout.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{},
          {"frobnicate"},
          {"eval"},
          {"spot", "--density"},
          {"psf", (kData / "examples/newtonian-f5.opt").string(), "--order", "zwölf"},
          {"synth", "nonsense", "-o", "x.opt"}}) {
        const Outcome r = cli(args);
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_EQ(r.status, 2) << line << r.err;
        EXPECT_TRUE(r.out.empty()) << line;
        EXPECT_FALSE(r.err.empty()) << line;
    }
    EXPECT_EQ(cli({"--help"}).status, 0);

    // Unreadable and malformed input: exit 1 with the message the program shows.
    const fs::path dir = fs::temp_directory_path() / "varnistrale_cli_bad";
    fs::create_directories(dir);
    std::ofstream(dir / "text.opt") << "kein System\r\n";
    std::string good = slurp(kData / "examples/newtonian-f5.opt");
    std::string broken = good;
    broken.replace(broken.find("Brennweite/mm") - 14, 6, "tausend");
    std::ofstream(dir / "broken.opt", std::ios::binary) << broken;
    struct Case {
        fs::path file;
        const char* message;
    };
    for (const Case& c : {Case{dir / "missing.opt", "kann nicht geöffnet werden"},
                          Case{dir / "text.opt", "is no Varnistrale data file"},
                          Case{dir / "broken.opt", "Zeile 4: Brennweite"}, Case{dir, "Ordner"}}) {
        for (const char* command : {"eval", "spot", "psf", "trace"}) {
            const Outcome r = cli({command, c.file.string()});
            EXPECT_EQ(r.status, 1) << command << " " << c.file;
            EXPECT_TRUE(r.out.empty()) << command << " " << c.file;
            EXPECT_NE(r.err.find(c.message), std::string::npos)
                << command << " " << c.file << ": " << r.err;
        }
    }
    fs::remove_all(dir);
}

TEST(Cli, TheReadmeExamplesRun) {
    // Every indented line of the README that starts the batch command runs as
    // it stands from the source folder's point of view.
    std::istringstream readme(slurp(kSource / "README.md"));
    const fs::path dir = fs::temp_directory_path() / "varnistrale_cli_readme";
    fs::create_directories(dir);
    fs::create_directories(dir / "build/src");
    fs::remove(dir / "data");
    fs::create_directory_symlink(kData, dir / "data");
    fs::remove(dir / "build/src/varnistrale-cli");
    fs::create_symlink(kCli, dir / "build/src/varnistrale-cli");
    int count = 0;
    for (std::string line; std::getline(readme, line);) {
        const std::string prefix = "    build/src/varnistrale-cli ";
        if (line.rfind(prefix, 0) != 0) continue;
        ++count;
        const Outcome r = runShell(line.substr(4), dir);
        EXPECT_EQ(r.status, 0) << line << ": " << r.err;
        EXPECT_TRUE(json::parse(r.out, nullptr, false).is_object()) << line;
    }
    EXPECT_GE(count, 4);
    fs::remove_all(dir);
}

}  // namespace

namespace {

// Width and height from a PNG's or a bitmap's header.
std::pair<int, int> pictureSize(const fs::path& p) {
    const std::string b = slurp(p);
    const auto u8 = [&b](std::size_t i) { return static_cast<unsigned char>(b.at(i)); };
    if (b.size() > 24 && b.compare(1, 3, "PNG") == 0)
        return {u8(16) << 24 | u8(17) << 16 | u8(18) << 8 | u8(19),
                u8(20) << 24 | u8(21) << 16 | u8(22) << 8 | u8(23)};
    if (b.size() > 26 && b.compare(0, 2, "BM") == 0)
        return {u8(18) | u8(19) << 8 | u8(20) << 16 | u8(21) << 24,
                std::abs(static_cast<int>(u8(22) | u8(23) << 8 | u8(24) << 16 | u8(25) << 24))};
    return {0, 0};
}

}  // namespace

TEST(Cli, RenderWritesEveryFormatAndRefusesWhatItCannot) {
    const fs::path dir =
        fs::temp_directory_path() / ("varnistrale_render_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string system = (kData / "examples" / "cassegrain-classical.opt").string();
    for (const char* ext : {"png", "bmp", "svg", "pdf", "emf"}) {
        const fs::path out = dir / (std::string("layout.") + ext);
        const json j =
            parsed(cli({"render", "layout", system, "-o", out.string(), "--width", "500"}));
        expectKeys(j, {"file", "width", "height"}, ext);
        EXPECT_TRUE(fs::exists(out)) << ext;
        EXPECT_FALSE(fs::exists(out.string() + ".part")) << ext;
        if (std::string(ext) == "emf") {
            EXPECT_EQ(j["width"], 650);  // a metafile is 650 wide at zoom 100
        } else {
            EXPECT_EQ(j["width"], 500) << ext;
        }
        if (std::string(ext) == "png" || std::string(ext) == "bmp") {
            const auto [w, h] = pictureSize(out);
            EXPECT_EQ(w, 500) << ext;
            EXPECT_EQ(h, j["height"].get<int>()) << ext;
        }
    }
    EXPECT_EQ(slurp(dir / "layout.svg").find("Fehler 3. Ordnung") != std::string::npos, true);
    // The windows' pictures: the spot window keeps its 658 x 471 shape, the PSF
    // graph is square, the star test is a row of images.
    const std::string newton = (kData / "examples" / "newtonian-f5.opt").string();
    json j = parsed(cli({"render", "spot", newton, "-o", (dir / "s.png").string()}));
    EXPECT_EQ(j["width"], 600);
    EXPECT_EQ(j["height"], 429);
    EXPECT_EQ(pictureSize(dir / "s.png"), std::make_pair(600, 429));
    j = parsed(
        cli({"render", "psf-graph", newton, "-o", (dir / "g.bmp").string(), "--width", "300"}));
    EXPECT_EQ(pictureSize(dir / "g.bmp"), std::make_pair(300, 300));
    j = parsed(cli({"render", "psf", newton, "-o", (dir / "p.svg").string()}));
    const std::string psfSvg = slurp(dir / "p.svg");
    for (const char* text : {"Modulationsgitter", "Strehl", "Varnistrale - newtonian-f5"})
        EXPECT_NE(psfSvg.find(text), std::string::npos) << text;
    j = parsed(cli({"render", "spot", newton, "-o", (dir / "s.svg").string()}));
    EXPECT_NE(slurp(dir / "s.svg").find("Durchstoßfläche : beste"), std::string::npos);
    j = parsed(cli({"render", "star-test", newton, "-o", (dir / "t.png").string(), "--steps", "3",
                    "--width", "600"}));
    EXPECT_LT(j["height"].get<int>(), 300);  // a row of images, wider than high
    EXPECT_EQ(parsed(cli({"render", "layout", system, "-o", (dir / "z.emf").string(), "--zoom",
                          "50"}))["width"],
              325);
    // The size rule follows the format, whatever the case of the extension.
    EXPECT_EQ(parsed(cli({"render", "layout", system, "-o", (dir / "z.Emf").string()}))["width"],
              650);
    // Usage errors: an unknown extension, a missing output, an unknown picture.
    EXPECT_EQ(cli({"render", "layout", system, "-o", (dir / "x.gif").string()}).status, 2);
    EXPECT_EQ(cli({"render", "layout", system}).status, 2);
    EXPECT_EQ(cli({"render", "sideview", system, "-o", (dir / "x.png").string()}).status, 2);
    // An unwritable place is an input error and leaves nothing behind.
    const Outcome r = cli({"render", "layout", system, "-o", "/no/such/folder/x.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("nicht geschrieben"), std::string::npos) << r.err;
    fs::remove_all(dir);
}
