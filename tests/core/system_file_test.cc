#include "model/system_file.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <locale>
#include <random>

#include "model/text_file.h"
#include "test_systems.h"

namespace vn {
namespace {

std::string joinCrLf(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    return bytes;
}

std::string formatted(SystemModel m) {
    prepareForWriting(m);
    return joinCrLf(formatSystemFile(m));
}

// The default system as the file layout writes it, byte for byte (Windows-1252).
const char* const kDefaultSystemFile =
    " \r\n"
    " \r\n"
    "\r\n"
    "  1000        Brennweite/mm\r\n"
    " 10.00        max. \xD6"
    "ffnungszahl\r\n"
    "  1.00        max. Objektwinkel/\xB0\r\n"
    "     0        Anzahl Fangspiegelstreben\r\n"
    "     1        Anzahl Fl\xE4"
    "chen\r\n"
    "     0      0 Anzahl Schmidtfl\xE4"
    "chen, Anzahl freie Fl\xE4"
    "chen\r\n"
    "     1        Grafik Ma\xDF"
    "stab\r\n"
    " 0.000        Eintritspupille/f\r\n"
    " 1.0E+0012    Objektweite/f\r\n"
    "\r\n"
    "  Radius/f     Abstand/f    nrot bei  ngr\xFCn bei  nblau bei   Deform    Winkel/\xB0   "
    "Grenz/h  "
    "   Medium  \r\n"
    "                         0.6562725  0.5460740  0.4358343\r\n"
    " 1.0E+0012  0.000000   1.000000   1.000000   1.000000   0.00000   0.00000   1.010     "
    "Luft/Blende\r\n"
    " -2.000000 -1.000000  -1.000000  -1.000000  -1.000000   0.00000   0.00000   1.050     Luft "
    "\r\n"
    "\r\n";

TEST(SystemFile, DefaultSystemIsWrittenByteForByte) {
    EXPECT_EQ(formatted(test::defaultSystem()), kDefaultSystemFile);
}

SystemModel readBack(const std::string& bytes, SystemModel into = test::defaultSystem()) {
    SystemFileResult r = readSystemLines(splitLines(bytes), "test.opt", into);
    EXPECT_TRUE(r.ok) << r.error;
    return into;
}

// A system that uses every part of the layout: glass with coefficients, a
// tabulated medium, a Schmidt surface, a free surface, a description with
// umlauts. (The sagittal marking needs the run cycle to become flags again;
// the workspace tests cover it.)
SystemModel richSystem() {
    SystemModel m = test::singlet(0.6, -1.8, 0.05);
    m.sys.title = "Prüfsystem mit Ümlauten";
    m.sys.source = "Werkstatt";
    m.sys.spiderCount = 4;
    m.sys.graphScale = 1500;
    m.sys.entrancePupil = 0.125;
    m.sys.objectDistance = 25.0;
    m.surf[1].A2 = 0.001;
    m.surf[1].A4 = -0.25;
    m.surf[1].A8 = 0.5;
    m.surf[2].schmidt = 1.0;
    m.surf[2].nz = 0.866;
    m.surf[2].A4 = 0.0625;
    m.surf[2].medium = "L   Luft n/L";
    m.surf[2].coef = {1, 1, 1, 0.64385, 0.54607, 0.47999};
    m.surf[1].u = 2.5;
    m.sys.description = {"Erste Zeile", "", "  eingerückt", "°C und ß"};
    return m;
}

TEST(SystemFile, OwnOutputReadsBackAndWritesTheSameBytes) {
    const std::string first = formatted(richSystem());
    SystemModel loaded = readBack(first);
    EXPECT_EQ(formatted(loaded), first);
    EXPECT_EQ(loaded.sys.title, "Prüfsystem mit Ümlauten");
    EXPECT_EQ(loaded.sys.description.size(), 4u);
    EXPECT_EQ(loaded.sys.description[3], "°C und ß");
    EXPECT_EQ(loaded.sys.spiderCount, 4);
    EXPECT_EQ(loaded.sys.objectDistance, 25.0);  // written " 2.5E+0001"
    EXPECT_EQ(loaded.surf[2].schmidt, 1.0);
    EXPECT_EQ(loaded.surf[1].A8, 0.5);
    EXPECT_EQ(loaded.sys.schmidtCount, 1);
    EXPECT_EQ(loaded.sys.asphereCount, 1);
    // Indices of a Sellmeier medium are recomputed from its coefficients, so
    // they keep full precision although the file shows six decimals.
    EXPECT_NEAR(loaded.surf[1].n[colourIndex(kGreen)], 1.5187219710, 1e-9);
}

TEST(SystemFile, ValuesThatTheLayoutRounds) {
    SystemModel m = test::defaultSystem();
    m.sys.focalLength = 1234.6;
    m.sys.graphScale = 349.5;
    m.surf[1].r = 1234.5;    // beyond 1000: two significant digits
    m.surf[0].medium = " ";  // one blank: six blanks in the file, empty when read
    const std::string bytes = formatted(m);
    EXPECT_NE(bytes.find(" 1.2E+0003"), std::string::npos);
    SystemModel loaded = readBack(bytes);
    EXPECT_EQ(loaded.surf[1].r, 1200.0);
    EXPECT_EQ(loaded.surf[0].r, kFlatRadius);
    EXPECT_EQ(loaded.sys.focalLength, 1235.0);
    EXPECT_EQ(loaded.sys.focalLengthRef, 1235.0);
    EXPECT_EQ(loaded.sys.graphScale, 350.0);
    EXPECT_EQ(loaded.surf[0].medium, "");
    EXPECT_NE(bytes.find("  0.00000   1.010      \r\n"), std::string::npos);
}

TEST(SystemFile, HandEditedColumnsLoad) {
    // Other widths, tabs, numbers continued on the next line, LF line ends.
    const std::string text =
        "Handgemacht   \n"
        "von Hand\n"
        "\n"
        "2000 mm\n"
        "8\n"
        "0.5\n"
        "3\n"
        "2\n"
        "0 0\n"
        "500\n"
        "0\n"
        "1e12\n"
        "\n"
        "Radius ...\n"
        "0.6562725 0.546074\n"
        "  0.4358343\n"
        "1e12 0 1 1 1 0 0 1.01     Luft/Blende\n"
        "-2\t-0.8 -1 -1 -1 -1 0 1.05     Luft\n"
        "1e12 0.2 1 1 1\n"
        "  0 45 1.05     Luft\n"
        "\n"
        "Beschreibung\n";
    SystemModel m = readBack(text);
    EXPECT_EQ(m.sys.title, "Handgemacht");  // trailing blanks removed
    EXPECT_EQ(m.sys.focalLength, 2000.0);
    EXPECT_EQ(m.sys.spiderCount, 3);
    EXPECT_EQ(m.N(), 2);
    EXPECT_EQ(m.surf[1].k, -1.0);
    EXPECT_EQ(m.surf[2].u, 45.0);
    EXPECT_EQ(m.surf[2].dir, 1.0);
    EXPECT_EQ(m.surf[1].dir, -1.0);
    EXPECT_EQ(m.sys.wavelength[colourIndex(kBlue)], 0.4358343);
    ASSERT_EQ(m.sys.description.size(), 1u);
}

TEST(SystemFile, TabulatedMediumAtOtherWavelengthsIsMarked) {
    SystemModel m = test::defaultSystem();
    m.surf[0].medium = "L     Wasser         n/L";
    m.surf[0].coef = {1.3311, 1.3345, 1.3371, 0.6438, 0.546074, 0.4358343};
    SystemModel loaded = readBack(formatted(m));
    EXPECT_TRUE(loaded.surf[0].lambdaMismatch[colourIndex(kRed)]);  // 0.6438 vs 0.6562725
    EXPECT_FALSE(loaded.surf[0].lambdaMismatch[colourIndex(kGreen)]);
    EXPECT_FALSE(loaded.surf[0].lambdaMismatch[colourIndex(kBlue)]);

    m.surf[0].medium = "L     Luft           n/L";  // air is never marked
    loaded = readBack(formatted(m));
    EXPECT_FALSE(loaded.surf[0].lambdaMismatch[colourIndex(kRed)]);
}

TEST(SystemFile, LongMediumNamesKeepTwentyNineCharacters) {
    // The reader takes 30 characters after the limit for the name; a long name
    // is written with a single blank before it, so 29 characters survive and
    // the coefficients behind it still load.
    SystemModel m = test::singlet(0.6, -1.8, 0.05);
    m.surf[1].medium = "S     N-BK7          Sel+extra";
    SystemModel loaded = readBack(formatted(m));
    EXPECT_EQ(loaded.surf[1].medium, "S     N-BK7          Sel+extr");
    for (size_t k = 0; k < 6; ++k)
        EXPECT_NEAR(loaded.surf[1].coef[k], m.surf[1].coef[k], 5e-10);  // nine decimals
    // A name with a blank near its end: the word after it is no coefficient.
    m.surf[1].medium = "Sel glass name that is long x";
    loaded = readBack(formatted(m));
    EXPECT_EQ(loaded.surf[1].medium, "Sel glass name that is long x");
    EXPECT_NEAR(loaded.surf[1].coef[0], m.surf[1].coef[0], 5e-10);
    // A name cut before its tag is read as a medium with stored indices.
    m.surf[1].medium = "S     a very long glass name Sel";
    loaded = readBack(formatted(m));
    EXPECT_EQ(loaded.surf[1].medium, "S     a very long glass name");
    EXPECT_NEAR(loaded.surf[1].n[colourIndex(kGreen)], 1.518722, 1e-12);
}

TEST(SystemFile, MalformedFilesGiveAMessageAndChangeNothing) {
    const std::string good = formatted(richSystem());
    std::vector<std::string> lines = splitLines(good);
    auto replaced = [&](size_t line, const std::string& text) {
        std::vector<std::string> copy = lines;
        copy[line] = text;
        return copy;
    };
    auto truncated = [&](size_t count) {
        return std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(count));
    };
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        const char* expected;  // part of the message
    };
    const std::vector<Case> cases = {
        {"empty", {}, "is no Varnistrale data file"},
        {"not a system file", replaced(13, "just text"), "is no Varnistrale data file"},
        {"text for a number", replaced(3, "tausend Brennweite/mm"), "Zeile 4"},
        {"truncated in the rows", truncated(16), "endet vor"},
        {"truncated in the header", truncated(14), "endet vor"},
        {"surface count 30", replaced(7, "    30        Anzahl"), "nicht in 1..29"},
        {"surface count 0", replaced(7, "     0        Anzahl"), "nicht in 1..29"},
        {"too many surface lines", replaced(8, "     2      1 Anzahl"),
         "Zeilen freier Flächen für 2"},
        {"spider count 300", replaced(6, "   300        Anzahl"), "nicht in 0..255"},
        {"f-number 0", replaced(4, "  0.00        max."), "Öffnungszahl ist 0"},
        {"index zero", replaced(17, lines[17].substr(0, 20) + "  0 0 0 0 0 1 Luft"), "Brechzahl"},
        {"Schmidt line for surface 9", replaced(19, "    9    1.0 0 0 0 0"),
         "nicht unter den Flächen"},
        {"junk bytes", replaced(16, std::string("\x01\xff\x80 \x00junk", 10)), "ist keine Zahl"},
    };
    for (const Case& c : cases) {
        SystemModel m = test::mirror(-1.0);
        m.sys.title = "unverändert";
        const std::string before = formatted(m);
        SystemFileResult r = readSystemLines(c.lines, "bad.opt", m);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_NE(r.error.find(c.expected), std::string::npos) << c.what << ": " << r.error;
        EXPECT_NE(r.error.find("bad.opt"), std::string::npos) << c.what;
        EXPECT_EQ(formatted(m), before) << c.what;
    }
}

TEST(SystemFile, DamagedFilesNeverCrash) {
    // Random damage to a valid file: any outcome is fine as long as reading
    // returns, and a failure leaves the model as it was.
    const std::string good = formatted(richSystem());
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < edits; ++k) {
            const size_t pos = random() % bytes.size();
            switch (random() % 3) {
                case 0:
                    bytes[pos] = static_cast<char>(random() % 256);
                    break;
                case 1:
                    bytes.erase(pos, 1 + random() % 20);
                    break;
                default:
                    bytes.insert(pos, 1, " -.0123456789eE\r\n\t"[random() % 18]);
            }
        }
        SystemModel m = test::defaultSystem();
        const std::string before = formatted(m);
        SystemFileResult r = readSystemLines(splitLines(bytes), "damaged.opt", m);
        if (!r.ok) {
            EXPECT_EQ(formatted(m), before);
        } else {
            EXPECT_GE(m.N(), 1);
            EXPECT_LE(m.N(), kMaxSurfaces);
        }
    }
}

// Restores the process locale when a test has changed it.
class LocaleGuard {
public:
    LocaleGuard() : c_(std::setlocale(LC_ALL, nullptr)), cpp_(std::locale()) {}
    ~LocaleGuard() {
        std::setlocale(LC_ALL, c_.c_str());
        std::locale::global(cpp_);
    }

private:
    std::string c_;
    std::locale cpp_;
};

TEST(SystemFile, WritesAndReadsTheSameUnderADecimalCommaLocale) {
    LocaleGuard guard;
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
    std::locale::global(std::locale("de_DE.UTF-8"));

    const auto path = std::filesystem::temp_directory_path() / "varnistrale_locale_test.opt";
    SystemModel m = richSystem();
    ASSERT_EQ(writeSystemFile(m, path.string()), "");
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("  0.5460740"), std::string::npos);
    EXPECT_EQ(bytes.find("0,5"), std::string::npos);

    SystemModel loaded = test::defaultSystem();
    SystemFileResult r = readSystemFile(path.string(), loaded);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(loaded.sys.fileName, path.string());
    EXPECT_EQ(loaded.sys.entrancePupil, 0.125);
    EXPECT_EQ(formatted(loaded), bytes);
    std::filesystem::remove(path);
}

TEST(SystemFile, FailedSaveKeepsThePreviousFile) {
    const auto dir = std::filesystem::temp_directory_path() / "varnistrale_save_test";
    std::filesystem::create_directories(dir);
    const auto path = dir / "kept.opt";
    SystemModel m = test::defaultSystem();
    ASSERT_EQ(writeSystemFile(m, path.string()), "");
    const auto size = std::filesystem::file_size(path);
    // A folder standing where the temporary file would go makes the save fail.
    std::filesystem::create_directories(dir / "kept.opt.tmp-write");
    m.sys.title = "geändert";
    EXPECT_NE(writeSystemFile(m, path.string()), "");
    EXPECT_EQ(std::filesystem::file_size(path), size);
    std::filesystem::remove_all(dir);
}

TEST(SystemFile, MissingFileIsReported) {
    SystemModel m = test::defaultSystem();
    SystemFileResult r = readSystemFile("/nonexistent/folder/x.opt", m);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("/nonexistent/folder/x.opt"), std::string::npos);
}

}  // namespace
}  // namespace vn
