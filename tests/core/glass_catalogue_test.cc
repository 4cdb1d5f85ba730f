#include "model/glass_catalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>

#include "model/data_paths.h"
#include "model/glass_sources.h"
#include "model/medium.h"
#include "model/number_format.h"
#include "model/text_file.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

const fs::path kDataDir = VARNISTRALE_TEST_DATA_DIR;
const fs::path kShipped = kDataDir / "DemoGlasdaten.txt";

// The catalogue lists ne with 5 decimals, ve with 2 and PF'e with 4. It
// stores coefficients rounded to 9 decimals, which moves a Sellmeier index by
// less than 1e-8; the small high-order power-series terms lose more (up to
// 2e-8 at e, 5e-7 at 0.365 um), which the 5 listed decimals still absorb.
constexpr double kCoefficientRounding = 1e-8;
constexpr double kListedNe = 0.5e-5 + 5e-8;  // plus the coefficient rounding at e
constexpr double kListedVe = 0.5e-2 + 1e-6;
constexpr double kListedPFe = 0.5e-4 + 1e-6;
// Makers publish nd to 5 decimals.
constexpr double kPublishedNd = 1e-5;

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

std::string glassName(const GlassRecord& r) {
    std::string name = r.type.substr(6, 14);
    return name.substr(0, name.find_last_not_of(' ') + 1);
}

class ShippedCatalogue : public testing::Test {
protected:
    static void SetUpTestSuite() {
        CatalogueReadResult read = readCatalogueFile(kShipped);
        ASSERT_TRUE(read.error.empty()) << read.error;
        catalogue_ = new GlassCatalogue(std::move(read.catalogue));
    }
    static void TearDownTestSuite() { delete catalogue_; }

    static const GlassRecord* find(std::string_view name, unsigned tag) {
        static std::vector<GlassRecord> records;
        if (records.empty())
            for (const std::string& line : catalogue_->lines)
                records.push_back(parseRecord(line).record);
        for (const GlassRecord& r : records)
            if (glassName(r) == name && (mediumTags(r.type) & tag)) return &r;
        return nullptr;
    }

    static GlassCatalogue* catalogue_;
};
GlassCatalogue* ShippedCatalogue::catalogue_ = nullptr;

TEST_F(ShippedCatalogue, IsWindows1252WithCrLfLines) {
    const std::string bytes = readBytes(kShipped);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    for (std::size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1))
        ASSERT_EQ(bytes[i - 1], '\r') << "bare LF at byte " << i;
    EXPECT_EQ(bytes.find("\xC2"), std::string::npos) << "UTF-8 in the file";
    EXPECT_EQ(bytes.rfind(kCatalogueTitle, 0), 0u);
    EXPECT_NE(bytes.find("\r\n" + utf8ToCp1252(kCatalogueColumns) + "\r\n"), std::string::npos);
}

TEST_F(ShippedCatalogue, EveryRecordReadsBackAndIsComposedIdentically) {
    std::map<unsigned, int> perTag;
    std::set<char> letters;
    for (std::size_t i = 0; i < catalogue_->size(); ++i) {
        const std::string& line = catalogue_->lines[i];
        RecordParseResult parsed = parseCatalogueRecord(*catalogue_, i);
        ASSERT_TRUE(parsed.error.empty()) << parsed.error;
        const GlassRecord& r = parsed.record;
        EXPECT_EQ(utf8Length(r.type), kTypeLength) << line;
        // Exactly one formula tag and nothing that would make it a stop or
        // an obstruction; only air may say "Luft".
        const unsigned tags = mediumTags(r.type);
        const unsigned formula = tags & ~kTagAir;
        EXPECT_TRUE(formula == kTagSel || formula == kTagCau || formula == kTagTabulated) << line;
        EXPECT_EQ(r.type.substr(21), formula == kTagSel   ? "Sel"
                                     : formula == kTagCau ? "Cau"
                                                          : "n/L");
        EXPECT_EQ((tags & kTagAir) != 0, glassName(r) == "Luft") << line;
        ++perTag[formula];
        letters.insert(r.type.front());

        EXPECT_EQ(catalogue_->display[i], displayText(line));
        EXPECT_EQ(composeRecord(r).line, line);
    }
    EXPECT_GE(perTag[kTagSel], 40);
    EXPECT_EQ(perTag[kTagCau], 5);
    EXPECT_GE(perTag[kTagTabulated], 2);
    EXPECT_EQ(letters, (std::set<char>{'D', 'H', 'L', 'O', 'S'}));
}

TEST_F(ShippedCatalogue, ListedFiguresAreThoseOfTheStoredCoefficients) {
    for (const std::string& line : catalogue_->lines) {
        const GlassRecord r = parseRecord(line).record;
        const DispersionFigures d = dispersionFigures(r);
        ASSERT_TRUE(d.error.empty()) << d.error;
        EXPECT_NEAR(r.ne, d.ne, kListedNe) << line;
        EXPECT_NEAR(r.ve, d.ve, kListedVe) << line;
        EXPECT_NEAR(r.PFe, d.PFe, kListedPFe) << line;
    }
}

TEST_F(ShippedCatalogue, AgreesWithThePublishedTable) {
    CsvReadResult csv = readCsvTable(kDataDir / "glass-sources" / "glasses.csv");
    ASSERT_TRUE(csv.error.empty()) << csv.error;
    const CsvTable& t = csv.table;
    const auto value = [&](std::size_t row, const char* column) {
        return fmt::parseNumber(t.rows[row][static_cast<std::size_t>(t.column(column))]).value();
    };
    const std::array<const char*, 6> kColumns = {"B1", "B2", "B3", "C1_um2", "C2_um2", "C3_um2"};
    for (std::size_t row = 0; row < t.rows.size(); ++row) {
        const std::string& name = t.rows[row][0];
        const GlassRecord* r = find(name, kTagSel);
        ASSERT_NE(r, nullptr) << name;
        EXPECT_NEAR(r->ne, value(row, "n_e"), kListedNe) << name;
        EXPECT_NEAR(r->ve, value(row, "v_e"), kListedVe) << name;
        EXPECT_NEAR(r->PFe, value(row, "P_Fprime_e"), kListedPFe) << name;
        for (std::size_t k = 0; k < 6; ++k) {
            // 12 significant digits, at most 9 decimals: half a unit of the last.
            const double v = value(row, kColumns[k]);
            const int lastDigit =
                std::max(static_cast<int>(std::floor(std::log10(std::fabs(v)))) - 11, -9);
            EXPECT_NEAR(r->K[k], v, 0.5 * std::pow(10.0, lastDigit) * (1 + 1e-9))
                << name << " K" << k + 1;
        }
        const GlassIndices n = glassIndices(*r, {kLineC, kLineF, kLineD});
        EXPECT_NEAR(n.n[0], value(row, "n_C"), kCoefficientRounding) << name;
        EXPECT_NEAR(n.n[1], value(row, "n_F"), kCoefficientRounding) << name;
        EXPECT_NEAR(n.n[2], value(row, "n_d"), kCoefficientRounding) << name;
    }
}

TEST_F(ShippedCatalogue, IsWhatTheSourcesGive) {
    SourceRecordsResult source = recordsFromSources(kDataDir / "glass-sources");
    ASSERT_TRUE(source.error.empty()) << source.error;
    ASSERT_EQ(source.records.size(), catalogue_->size()) << "run make-catalogue to regenerate";
    for (std::size_t i = 0; i < source.records.size(); ++i)
        EXPECT_EQ(composeRecord(source.records[i]).line, catalogue_->lines[i])
            << "run make-catalogue to regenerate";
}

TEST_F(ShippedCatalogue, ChosenGlassGivesIndicesByItsTag) {
    const std::array<double, 3> system = {kLineC, 0.4358343, kLineE};  // red C, blue g, green e
    const GlassRecord* sel = find("N-BK7", kTagSel);
    ASSERT_NE(sel, nullptr);
    GlassIndices n = glassIndices(*sel, system);
    EXPECT_TRUE(n.error.empty());
    EXPECT_NEAR(n.n[0], 1.514322347, kCoefficientRounding);
    EXPECT_NEAR(n.n[1], 1.526684587, kCoefficientRounding);
    EXPECT_NEAR(n.n[2], 1.518721971, kCoefficientRounding);

    const GlassRecord* cau = find("BSC7", kTagCau);
    ASSERT_NE(cau, nullptr);
    for (double nd : glassIndices(*cau, {kLineD, kLineD, kLineD}).n)
        EXPECT_NEAR(nd, 1.51680, kPublishedNd);

    // Tabulated at C', e, F': red and blue differ from the system's C and g.
    const GlassRecord* tab = find("N-BK7 tab", kTagTabulated);
    ASSERT_NE(tab, nullptr);
    n = glassIndices(*tab, system);
    EXPECT_TRUE(n.error.empty());
    EXPECT_NEAR(n.n[0], 1.514719311, kCoefficientRounding);
    EXPECT_NEAR(n.n[1], 1.522829239, kCoefficientRounding);
    EXPECT_NEAR(n.n[2], 1.518721971, kCoefficientRounding);
    EXPECT_EQ(n.wavelengthMismatch, (std::array<bool, 3>{true, true, false}));
    EXPECT_DOUBLE_EQ(n.glassWavelength[0], kLineCPrime);
    EXPECT_DOUBLE_EQ(n.glassWavelength[1], kLineFPrime);

    const GlassRecord* air = find("Luft", kTagTabulated);
    ASSERT_NE(air, nullptr);
    n = glassIndices(*air, system);
    EXPECT_EQ(n.wavelengthMismatch, (std::array<bool, 3>{}));
    EXPECT_EQ(n.n, (std::array<double, 3>{1.0, 1.0, 1.0}));
}

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

    CatalogueReadResult read = readCatalogue({fs::current_path(), start});
    EXPECT_EQ(read.error, kCatalogueMissingOnRead);
    EXPECT_EQ(read.catalogue.size(), 0u);
    EXPECT_EQ(writeCatalogue({fs::current_path(), start}, GlassCatalogue{}, "01.01.2027"),
              kCatalogueMissingOnWrite);
    EXPECT_FALSE(fs::exists(start / kCatalogueFileName));
    EXPECT_FALSE(fs::exists(current / kCatalogueFileName));

    writeBytes(start / kCatalogueFileName, catalogueBytes({"aus dem Startverzeichnis"}));
    fs::create_directory(current / kCatalogueFileName);  // a folder of that name is no catalogue
    read = readCatalogue({fs::current_path(), start});
    ASSERT_EQ(read.catalogue.size(), 1u);
    EXPECT_EQ(read.catalogue.lines[0], "aus dem Startverzeichnis");

    fs::remove(current / kCatalogueFileName);
    writeBytes(current / kCatalogueFileName, catalogueBytes({"aus dem aktuellen"}));
    read = readCatalogue({fs::current_path(), start});
    ASSERT_EQ(read.catalogue.size(), 1u);
    EXPECT_EQ(read.catalogue.lines[0], "aus dem aktuellen");
    EXPECT_TRUE(fs::path(read.catalogue.file).is_absolute());
}

TEST(CatalogueFile, TheSearchPathEndsInTheUsersAndTheInstalledDataFolders) {
    TempDir dir;
    const fs::path current = dir.path() / "current", start = dir.path() / "start",
                   user = dir.path() / "xdg", prefix = dir.path() / "usr";
    for (const fs::path& p :
         {current, start, user / "varnistrale", prefix / "bin", prefix / "share/varnistrale"})
        fs::create_directories(p);
    CurrentDirectory cd(current);
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string before = saved ? saved : "";
    ::setenv("XDG_DATA_HOME", user.c_str(), 1);
    const std::vector<fs::path> dirs = dataDirectories(start, prefix / "bin");
    ASSERT_EQ(dirs.size(), 4u);
    EXPECT_EQ(dirs[0], fs::current_path());
    EXPECT_EQ(dirs[1], start);
    EXPECT_EQ(dirs[2], user / "varnistrale");
    EXPECT_EQ(dirs[3], prefix / "share/varnistrale");

    // The installed catalogue is found when no folder before it has one, and
    // a catalogue of the user's comes first.
    writeBytes(prefix / "share/varnistrale" / kCatalogueFileName, catalogueBytes({"installiert"}));
    EXPECT_EQ(readCatalogue(dirs).catalogue.lines.at(0), "installiert");
    writeBytes(user / "varnistrale" / kCatalogueFileName, catalogueBytes({"eigene"}));
    EXPECT_EQ(readCatalogue(dirs).catalogue.lines.at(0), "eigene");
    if (saved)
        ::setenv("XDG_DATA_HOME", before.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST(CatalogueFile, AnInstalledCatalogueIsRewrittenAsTheUsersOwnCopy) {
    TempDir dir;
    const fs::path user = dir.path() / "xdg", installed = dir.path() / "usr/share/varnistrale";
    fs::create_directories(installed);
    writeBytes(installed / kCatalogueFileName, catalogueBytes({kNbk7Line}));
    // Write-protected, and for a user whom permissions do not bind, blocked:
    // the temporary file cannot be created where a folder of its name is.
    fs::permissions(installed, fs::perms::owner_write, fs::perm_options::remove);
    fs::create_directory(installed / (std::string(kCatalogueFileName) + ".tmp-write"));
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string before = saved ? saved : "";
    ::setenv("XDG_DATA_HOME", user.c_str(), 1);
    const std::vector<fs::path> dirs = {user / "varnistrale", installed};

    CatalogueReadResult read = readCatalogue(dirs);
    ASSERT_EQ(read.error, "");
    GlassRecord added = nbk7();
    added.code = "999999.999";
    ASSERT_EQ(storeRecord(read.catalogue, added, true, -1).error, "");
    fs::path written;
    EXPECT_EQ(writeCatalogue(dirs, read.catalogue, "01.02.2027", &written), "");
    EXPECT_EQ(written, user / "varnistrale" / kCatalogueFileName);
    EXPECT_EQ(readBytes(installed / kCatalogueFileName), catalogueBytes({kNbk7Line}));
    // From then on the user's copy is the one read.
    EXPECT_EQ(readCatalogue(dirs).catalogue.lines, read.catalogue.lines);

    fs::permissions(installed, fs::perms::owner_write, fs::perm_options::add);
    if (saved)
        ::setenv("XDG_DATA_HOME", before.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST(CatalogueFile, RewriteWritesTitleColumnsAndEveryRecord) {
    TempDir dir;
    const fs::path file = dir.path() / kCatalogueFileName;
    writeBytes(file, catalogueBytes({kNbk7Line}));
    CatalogueReadResult read = readCatalogue({dir.path()});
    ASSERT_TRUE(read.error.empty()) << read.error;
    GlassRecord accented = nbk7();
    accented.type = "L     Glas été       Sel";
    ASSERT_TRUE(storeRecord(read.catalogue, accented, true, -1).error.empty());

    ASSERT_EQ(writeCatalogue({dir.path()}, read.catalogue, "24.12.2026"), "");
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

TEST(CatalogueFile, GlassesAreFoundByTheirNameOrTheirWholeType) {
    CatalogueReadResult read = readCatalogueFile(kDataDir / kCatalogueFileName);
    ASSERT_TRUE(read.error.empty()) << read.error;
    GlassRecord r;
    ASSERT_TRUE(findGlassByName(read.catalogue, "N-BK7", r));
    EXPECT_NEAR(r.K[0], 1.03961212, 1e-8);
    ASSERT_TRUE(findGlassByName(read.catalogue, "S N-BK7 Sel", r));
    EXPECT_FALSE(findGlassByName(read.catalogue, "BK7", r));
    EXPECT_FALSE(findGlassByName(read.catalogue, "", r));
}

}  // namespace
}  // namespace vn
