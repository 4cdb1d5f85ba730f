#include "model/glass_catalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>

#include "model/glass_sources.h"
#include "model/medium.h"
#include "model/number_format.h"
#include "model/text_file.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

// A fresh directory that is removed with everything in it.
class TempDir {
public:
    TempDir() {
        path_ = fs::temp_directory_path() /
                ("varnistrale-glass-" + std::to_string(std::random_device{}()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

class CurrentDirectory {
public:
    explicit CurrentDirectory(const fs::path& dir) : saved_(fs::current_path()) {
        fs::current_path(dir);
    }
    ~CurrentDirectory() { fs::current_path(saved_); }

private:
    fs::path saved_;
};

void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A small catalogue file: the two header lines and the given raw lines.
std::string catalogueBytes(const std::vector<std::string>& records) {
    std::string bytes = "Titel\r\nSpalten\r\n";
    for (const std::string& r : records) bytes += r + "\r\n";
    return bytes;
}

GlassRecord nbk7() {
    return {"517642.251",
            "S     N-BK7          Sel",
            1.518721971,
            63.96136,
            0.5064493,
            {1.03961212, 0.231792344, 1.01046945, 0.00600069867, 0.0200179144, 103.560653}};
}

const std::string kNbk7Line =
    "517642.251 S     N-BK7          Sel       1.51872   63.96      0.5064         1.0396121200"
    "     0.2317923440   1.0104694500     0.0060006990   0.0200179140   103.560653000";

TEST(GlassIndices, UntaggedGlassUsesNeAndUnusableIndicesAreErrors) {
    const std::array<double, 3> system = {kLineC, 0.4358343, kLineE};
    GlassRecord untagged = nbk7();
    untagged.type = "L     Versuchsglas   ???";
    EXPECT_EQ(glassIndices(untagged, system).n,
              (std::array<double, 3>{untagged.ne, untagged.ne, untagged.ne}));

    GlassRecord pole = nbk7();
    pole.K[3] = kLineC * kLineC;  // red on a pole
    EXPECT_NE(glassIndices(pole, system).error.find("0.6562725"), std::string::npos);

    GlassRecord cleared;  // what "Neu" leaves
    cleared.type = "L     Neu            n/L";
    EXPECT_FALSE(glassIndices(cleared, system).error.empty());
    cleared.type = "L     Neu";
    EXPECT_FALSE(glassIndices(cleared, system).error.empty());
}

TEST(CatalogueFile, ReadsRecordsAfterTheTwoHeaderLines) {
    TempDir dir;
    const std::string longRecord =
        "517642.251 L     Glas \xE9t\xE9         Sel       1.51872   63.96      0.5064   1.1 2.2";
    writeBytes(dir.path() / kCatalogueFileName,
               "Titel\r\nSpalten\r\nkurz\r\n" + longRecord + "\nletzte Zeile ohne Ende");
    CatalogueReadResult read = readCatalogueFile(dir.path() / kCatalogueFileName);
    ASSERT_TRUE(read.error.empty()) << read.error;
    ASSERT_EQ(read.catalogue.size(), 3u);
    EXPECT_EQ(read.catalogue.display[0], "kurz");  // shorter than 68: shown whole
    const std::string utf8 = cp1252ToUtf8(longRecord);
    EXPECT_EQ(read.catalogue.lines[1], utf8);
    EXPECT_EQ(read.catalogue.display[1], utf8Left(utf8, 68));
    EXPECT_EQ(utf8Length(read.catalogue.display[1]), 68u);
    EXPECT_EQ(read.catalogue.lines[2], "letzte Zeile ohne Ende");

    writeBytes(dir.path() / kCatalogueFileName, "nur der Titel\r\n");
    read = readCatalogueFile(dir.path() / kCatalogueFileName);
    EXPECT_TRUE(read.error.empty());
    EXPECT_EQ(read.catalogue.size(), 0u);
}

TEST(CatalogueFile, SearchesTheCurrentThenTheStartDirectory) {
    TempDir dir;
    const fs::path current = dir.path() / "current", start = dir.path() / "start";
    fs::create_directories(current);
    fs::create_directories(start);
    CurrentDirectory cd(current);

    CatalogueReadResult read = readCatalogue(start);
    EXPECT_EQ(read.error, kCatalogueMissingOnRead);
    EXPECT_EQ(read.catalogue.size(), 0u);
    EXPECT_EQ(writeCatalogue(start, GlassCatalogue{}, "01.01.2027"), kCatalogueMissingOnWrite);
    EXPECT_FALSE(fs::exists(start / kCatalogueFileName));
    EXPECT_FALSE(fs::exists(current / kCatalogueFileName));

    writeBytes(start / kCatalogueFileName, catalogueBytes({"aus dem Startverzeichnis"}));
    fs::create_directory(current / kCatalogueFileName);  // a folder of that name is no catalogue
    read = readCatalogue(start);
    ASSERT_EQ(read.catalogue.size(), 1u);
    EXPECT_EQ(read.catalogue.lines[0], "aus dem Startverzeichnis");

    fs::remove(current / kCatalogueFileName);
    writeBytes(current / kCatalogueFileName, catalogueBytes({"aus dem aktuellen"}));
    read = readCatalogue(start);
    ASSERT_EQ(read.catalogue.size(), 1u);
    EXPECT_EQ(read.catalogue.lines[0], "aus dem aktuellen");
    EXPECT_TRUE(fs::path(read.catalogue.file).is_absolute());
}

TEST(CatalogueFile, RewriteWritesTitleColumnsAndEveryRecord) {
    TempDir dir;
    const fs::path file = dir.path() / kCatalogueFileName;
    writeBytes(file, catalogueBytes({kNbk7Line}));
    CatalogueReadResult read = readCatalogue(dir.path());
    ASSERT_TRUE(read.error.empty()) << read.error;
    GlassRecord accented = nbk7();
    accented.type = "L     Glas \u00e9t\u00e9       Sel";
    ASSERT_TRUE(storeRecord(read.catalogue, accented, true, -1).error.empty());

    ASSERT_EQ(writeCatalogue(dir.path(), read.catalogue, "24.12.2026"), "");
    const std::string bytes = readBytes(file);
    const std::string expected = std::string(kCatalogueTitle) + "24.12.2026\r\n" +
                                 utf8ToCp1252(kCatalogueColumns) + "\r\n" + kNbk7Line + "\r\n" +
                                 utf8ToCp1252(read.catalogue.lines[1]) + "\r\n";
    EXPECT_EQ(bytes, expected);
    EXPECT_NE(bytes.find("PF\xB4"
                         "e"),
              std::string::npos);
    EXPECT_NE(bytes.find("Glas \xE9t\xE9"), std::string::npos);
    EXPECT_EQ(readCatalogueFile(file).catalogue.lines, read.catalogue.lines);
}

TEST(CatalogueFile, FailedRewriteKeepsTheOldFile) {
    TempDir dir;
    const fs::path file = dir.path() / kCatalogueFileName;
    const std::string old = catalogueBytes({kNbk7Line});
    writeBytes(file, old);
    // The temporary file cannot be created where a folder of its name is.
    fs::create_directory(dir.path() / (std::string(kCatalogueFileName) + ".tmp-write"));
    EXPECT_NE(writeCatalogueFile(file, GlassCatalogue{}, "24.12.2026"), "");
    EXPECT_EQ(readBytes(file), old);
}

TEST(RecordParsing, TakesFixedWidthsAfterSkippingBlanks) {
    // ne in 8 characters, ve 6, PF'e 8, K1..K6 13 each; blanks before a field
    // do not count.
    const std::string line =
        "   517642.251 S     N-BK7          Sel 1.51872 63.96 0.5064    1.03961212"
        "   0.231792344  1.01046945   0.00600069867 0.0200179144 103.560653   rest";
    RecordParseResult parsed = parseRecord(line);
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    const GlassRecord& r = parsed.record;
    EXPECT_EQ(r.code, "517642.251 ");
    EXPECT_EQ(r.type, "S     N-BK7          Sel");
    EXPECT_DOUBLE_EQ(r.ne, 1.51872);
    EXPECT_DOUBLE_EQ(r.ve, 63.96);
    EXPECT_DOUBLE_EQ(r.PFe, 0.5064);
    EXPECT_EQ(r.K, nbk7().K);
}

TEST(RecordParsing, FieldThatDoesNotConvertIsNamedWithFileAndLine) {
    std::string broken = kNbk7Line;
    broken.replace(broken.find("63.96"), 5, "63,96");  // a decimal comma
    GlassCatalogue catalogue{"/pfad/DemoGlasdaten.txt", {"a", "b"}, {kNbk7Line, broken}};
    RecordParseResult parsed = parseCatalogueRecord(catalogue, 1);
    EXPECT_EQ(parsed.error, "/pfad/DemoGlasdaten.txt, line 4: ve: \"63,96\" is not a number");
    EXPECT_DOUBLE_EQ(parsed.record.ne, 0.0);
    EXPECT_TRUE(parseCatalogueRecord(catalogue, 0).error.empty());
    EXPECT_FALSE(parseCatalogueRecord(catalogue, 2).error.empty());
}

TEST(RecordParsing, NeverReadsPastTheEndOfTheLine) {
    const std::string line = composeRecord(nbk7()).line;
    const std::size_t lastField = line.rfind(' ') + 1;
    for (std::size_t length = 0; length < line.size(); ++length) {
        RecordParseResult parsed = parseRecord(std::string_view(line).substr(0, length));
        if (length <= lastField) {
            EXPECT_FALSE(parsed.error.empty()) << length;
        }
    }
    EXPECT_EQ(parseRecord("").error, "ne: the line ends before this field");
    EXPECT_FALSE(parseRecord("517642.251 S \xC3").error.empty());  // cut inside a character
}

TEST(RecordComposing, WritesTheColumnsWithTheirBlanks) {
    ComposedRecord composed = composeRecord(nbk7());
    ASSERT_TRUE(composed.error.empty()) << composed.error;
    EXPECT_EQ(composed.line, kNbk7Line);
    EXPECT_EQ(composed.display,
              "517642.251 S     N-BK7          Sel       1.51872   63.96      0.5064");
}

TEST(RecordComposing, PadsNumbersWithZerosAndCutsOrPadsTheCode) {
    GlassRecord r = nbk7();
    r.ve = 6.5;
    r.K[1] = 0.0;
    r.code = "517642.2519999";
    ComposedRecord composed = composeRecord(r);
    ASSERT_TRUE(composed.error.empty()) << composed.error;
    EXPECT_EQ(composed.line.substr(0, 11), "517642.2519");
    EXPECT_EQ(composed.line.substr(49, 14), "   6.500      ");
    EXPECT_NE(composed.line.find("   0.0000000000   "), std::string::npos);
    RecordParseResult back = parseRecord(composed.line);
    EXPECT_DOUBLE_EQ(back.record.ve, 6.5);

    r.code = "5176";
    composed = composeRecord(r);
    EXPECT_EQ(composed.line.substr(0, 35), "5176       S     N-BK7          Sel");
    EXPECT_EQ(parseRecord(composed.line).record.code, "5176       ");

    // A type shorter than 24 characters keeps its place and ne its own.
    r.type = "L N-XYZ Sel";
    back = parseRecord(composeRecord(r).line);
    EXPECT_EQ(back.record.type, "L N-XYZ Sel             ");
    EXPECT_DOUBLE_EQ(back.record.ne, 1.51872);

    // The last column may run past 13 characters by zeros the reader drops.
    r.K[5] = 1182.67444;
    back = parseRecord(composeRecord(r).line);
    EXPECT_DOUBLE_EQ(back.record.K[5], 1182.67444);
}

TEST(RecordComposing, RefusesRecordsThatWouldNotReadBack) {
    struct Case {
        const char* what;
        void (*change)(GlassRecord&);
    };
    const Case cases[] = {
        {"type", [](GlassRecord& r) { r.type = "S     N-BK7 mit langem Namen Sel"; }},
        {"type", [](GlassRecord& r) { r.type = "   "; }},
        {"code", [](GlassRecord& r) { r.code = " "; }},
        {"line breaks", [](GlassRecord& r) { r.type = "S N-BK7\r\nSel"; }},
        {"ve", [](GlassRecord& r) { r.ve = 123456.0; }},
        {"ne", [](GlassRecord& r) { r.ne = std::nan(""); }},
        {"B1", [](GlassRecord& r) { r.K[0] = 12345.6789; }},
        {"C2", [](GlassRecord& r) { r.K[4] = 1e13; }},
    };
    GlassCatalogue catalogue{"", {"alt"}, {"alte Zeile"}};
    for (const Case& c : cases) {
        GlassRecord r = nbk7();
        c.change(r);
        EXPECT_NE(composeRecord(r).error.find(c.what), std::string::npos) << c.what;
        EXPECT_FALSE(storeRecord(catalogue, r, false, 0).error.empty());
        EXPECT_EQ(catalogue.lines, std::vector<std::string>{"alte Zeile"});
        EXPECT_EQ(catalogue.display, std::vector<std::string>{"alt"});
    }
}

TEST(RecordStoring, AppendsNewRecordsAndReplacesTheSelectedOne) {
    GlassCatalogue catalogue{"", {"a", "b"}, {"a line", "b line"}};
    StoreResult stored = storeRecord(catalogue, nbk7(), true, 0);
    ASSERT_TRUE(stored.error.empty());
    EXPECT_EQ(stored.index, 2u);
    EXPECT_EQ(catalogue.lines.back(), kNbk7Line);
    EXPECT_EQ(catalogue.display.back(), kNbk7Line.substr(0, 69));

    stored = storeRecord(catalogue, nbk7(), false, 0);
    EXPECT_EQ(stored.index, 0u);
    EXPECT_EQ(catalogue.lines, (std::vector<std::string>{kNbk7Line, "b line", kNbk7Line}));

    // Nothing selected to replace.
    for (int selected : {-1, 3}) {
        EXPECT_FALSE(storeRecord(catalogue, nbk7(), false, selected).error.empty());
        EXPECT_EQ(catalogue.size(), 3u);
        EXPECT_EQ(catalogue.display.size(), 3u);
    }
}

}  // namespace
}  // namespace vn
