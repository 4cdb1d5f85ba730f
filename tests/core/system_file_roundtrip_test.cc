// Whatever the model holds, the file written from it reads back: numbers never
// merge, names never reach into coefficients, and values the columns round
// come back within the precision of their notation.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cmath>
#include <filesystem>
#include <random>

#include "model/medium.h"
#include "model/number_format.h"
#include "model/system_file.h"
#include "model/text_file.h"
#include "test_systems.h"

namespace vn {
namespace {

std::string bytesOf(SystemModel m) {
    prepareForWriting(m);
    std::string bytes;
    for (const auto& line : formatSystemFile(m)) bytes += line + "\r\n";
    return bytes;
}

SystemFileResult readBytes(const std::string& bytes, SystemModel& into) {
    return readSystemLines(splitLines(bytes), "roundtrip.opt", into);
}

// What a column in w:p notation can carry: half a unit of its last decimal,
// or, where it falls back to two significant digits, 5 % of the value.
double fixedTolerance(double value, int decimals) {
    const double half = 0.5 * std::pow(10.0, -decimals);
    return std::max(half * 1.000001, std::fabs(value) * 0.051);
}

// Random values over many decades, signs and special cases: zero, values just
// below a column's rounding and beyond its width.
double randomValue(std::mt19937& random) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    switch (random() % 6) {
        case 0:
            return 0.0;
        case 1:
            return unit(random);
        case 2:
            return unit(random) * std::pow(10.0, static_cast<double>(random() % 13));
        case 3:
            return unit(random) * std::pow(10.0, -static_cast<double>(random() % 12));
        case 4:
            return (random() % 2 ? -1.0 : 1.0) * std::pow(10.0, static_cast<double>(random() % 7));
        default:
            return unit(random) * 1e40;
    }
}

double positiveValue(std::mt19937& random) {
    double v = std::fabs(randomValue(random));
    return v == 0.0 ? 0.37 : v;
}

SystemModel randomSystem(std::mt19937& random) {
    static const char* const kMedia[] = {"Luft",
                                         "Luft/Blende",
                                         "Luft/Obstr",
                                         "BK7 Sel",
                                         "S     N-BK7          Sel",
                                         "glass Cau",
                                         "n/L",
                                         "K Dsp",
                                         "Schott name",
                                         "a name of twenty-nine chars.",
                                         " ",
                                         "",
                                         "Öl Sel",
                                         "Sel  10 blanks          x"};
    SystemModel m = test::defaultSystem();
    SystemData& s = m.sys;
    s.title = random() % 2 ? "Titel mit Ümlaut" : "";
    s.source = "Quelle\r\nmit Zeilenumbruch";
    s.focalLength = (random() % 2 ? 1.0 : -1.0) * positiveValue(random);
    s.focalLengthRef = std::fabs(s.focalLength);
    s.fNumber = (random() % 2 ? 1.0 : -1.0) * positiveValue(random);
    s.fieldAngle = randomValue(random);
    s.spiderCount = static_cast<std::uint8_t>(random() % 256);
    s.graphScale = randomValue(random);
    s.entrancePupil = randomValue(random);
    s.objectDistance = randomValue(random);
    for (double& w : s.wavelength) w = positiveValue(random);
    s.surfaceCount = 1 + static_cast<int>(random() % kMaxSurfaces);
    s.normFocal = 1.0;
    double dir = 1.0;
    for (int i = 0; i <= m.N(); ++i) {
        Surface& e = m.surf[idx(i)];
        e = Surface{};
        if (i > 0 && random() % 3 == 0) dir = -dir;
        e.r = i == 0 || random() % 5 == 0 ? kFlatRadius : randomValue(random);
        e.e = randomValue(random);
        for (double& n : e.n) n = dir * positiveValue(random);
        e.dir = dir;
        e.k = randomValue(random);
        e.u = i == 0 ? 0.0 : randomValue(random);
        e.h = randomValue(random);
        e.medium = kMedia[random() % std::size(kMedia)];
        for (double& k : e.coef) k = randomValue(random);
        if (i > 0 && random() % 4 == 0) e.schmidt = randomValue(random);
        if (i > 0 && random() % 4 == 0) {
            e.A2 = randomValue(random);
            e.A4 = randomValue(random);
            e.A6 = randomValue(random);
            e.A8 = randomValue(random);
            e.nz = randomValue(random);
        }
    }
    return m;
}

void expectWithin(double read, double written, int decimals, const std::string& what) {
    EXPECT_NEAR(read, written, fixedTolerance(written, decimals)) << what;
}

TEST(SystemFileRoundTrip, RandomSystemsReadBackWithinTheFilesPrecision) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 3000; ++round) {
        SystemModel written = randomSystem(random);
        const std::string bytes = bytesOf(written);
        SystemModel read = test::defaultSystem();
        const SystemFileResult result = readBytes(bytes, read);
        ASSERT_TRUE(result.ok) << "round " << round << ": " << result.error << "\n" << bytes;

        const std::string where = "round " + std::to_string(round);
        const SystemData &a = read.sys, &b = written.sys;
        EXPECT_EQ(a.surfaceCount, b.surfaceCount) << where;
        EXPECT_EQ(a.spiderCount, b.spiderCount) << where;
        EXPECT_EQ(a.source, "Quelle  mit Zeilenumbruch") << where;
        // Values the program needs non-zero keep their leading digits.
        EXPECT_NE(a.focalLength, 0.0) << where;
        EXPECT_NE(a.fNumber, 0.0) << where;
        expectWithin(a.focalLength, b.focalLength, 0, where + " focal length");
        expectWithin(a.fNumber, b.fNumber, 2, where + " f-number");
        expectWithin(a.fieldAngle, b.fieldAngle, 2, where + " field angle");
        expectWithin(a.graphScale, b.graphScale, 0, where + " scale");
        expectWithin(a.entrancePupil, b.entrancePupil, 3, where + " pupil");
        EXPECT_NEAR(a.objectDistance, b.objectDistance, std::fabs(b.objectDistance) * 0.051)
            << where;
        for (int c = 0; c < 3; ++c)
            expectWithin(a.wavelength[idx(c)], b.wavelength[idx(c)], 7, where + " wavelength");

        for (int i = 0; i <= written.N(); ++i) {
            const Surface &x = read.surf[idx(i)], &y = written.surf[idx(i)];
            const std::string row = where + " surface " + std::to_string(i);
            if (std::fabs(y.r) > 1000.0)
                EXPECT_NEAR(x.r, y.r, std::fabs(y.r) * 0.051) << row;
            else
                expectWithin(x.r, y.r, 6, row + " r");
            expectWithin(x.e, y.e, 6, row + " e");
            expectWithin(x.k, y.k, 5, row + " k");
            if (i > 0) expectWithin(x.u, y.u, 5, row + " u");
            expectWithin(x.h, y.h, 3, row + " h");
            std::string name = utf8ToCp1252(y.medium).substr(0, 29);
            EXPECT_EQ(utf8ToCp1252(x.medium),
                      name.erase(name.find_last_not_of(' ') + 1)
                          .erase(0, std::min(name.find_first_not_of(' '), name.size())))
                << row;
            if (mediumTags(y.medium) & kCoefficientTags) {
                for (size_t k = 0; k < 6; ++k) expectWithin(x.coef[k], y.coef[k], 9, row + " K");
            } else {
                for (int c = 0; c < 3; ++c) expectWithin(x.n[idx(c)], y.n[idx(c)], 6, row + " n");
            }
            if (i > 0) {
                expectWithin(x.schmidt, y.schmidt, 9, row + " Schmidt");
                expectWithin(x.A2, y.A2, 9, row + " A2");
                expectWithin(x.A4, y.A4, 9, row + " A4");
                expectWithin(x.A6, y.A6, 9, row + " A6");
                // The Schmidt line has no torus value, the free-surface line
                // no neutral zone.
                if (y.schmidt != 0.0)
                    expectWithin(x.nz, y.nz, 9, row + " nz");
                else
                    expectWithin(x.A8, y.A8, 9, row + " A8");
            }
        }
        // From the first reading on, the file is a fixed point: reading what
        // was written writes the same bytes again. (The first reading can
        // differ: it recomputes glass indices from the rounded coefficients.)
        const std::string second = bytesOf(read);
        SystemModel again = test::defaultSystem();
        ASSERT_TRUE(readBytes(second, again).ok) << where;
        EXPECT_EQ(bytesOf(again), second) << where;
    }
}

TEST(SystemFileRoundTrip, WideValuesStayApart) {
    SystemModel m = test::singlet(0.6, -1.8, 0.05);
    m.surf[1].coef = {0.617617011, 0.421117656, 3.79711183, 0.002753819, 0.010590087, 1182.67444};
    m.surf[1].medium = "S     LITHOTEC-CAF2  Sel";
    m.surf[1].e = -12.5;       // distance of -10 or less beside a radius
    m.surf[1].k = -150.0;      // conic of -100 or less
    m.surf[1].u = -120.0;      // tilt of -100 or less
    m.surf[1].h = 1500.0;      // limit of 1000 or more
    m.surf[2].A4 = -123456.5;  // free-surface value wider than its column
    m.sys.focalLength = 0.3;   // rounds to 0 mm in its column
    m.sys.focalLengthRef = 0.3;
    m.sys.fNumber = 0.004;
    const std::string bytes = bytesOf(m);
    EXPECT_NE(bytes.find(" 1182.674440000"), std::string::npos);
    EXPECT_NE(bytes.find(" -150.00000 -120.00000 1500.000"), std::string::npos);
    EXPECT_NE(bytes.find(" 3.0E-0001        Brennweite/mm"), std::string::npos) << bytes;
    SystemModel read = test::defaultSystem();
    const SystemFileResult result = readBytes(bytes, read);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NEAR(read.surf[1].coef[5], 1182.67444, 1e-9);
    EXPECT_EQ(read.surf[1].e, -12.5);
    EXPECT_EQ(read.surf[1].h, 1500.0);
    EXPECT_EQ(read.surf[2].A4, -123456.5);
    EXPECT_EQ(read.sys.focalLength, 0.3);
    EXPECT_EQ(read.sys.fNumber, 0.004);
}

TEST(SystemFileRoundTrip, ShortGlassNamesAndFilesOfEarlierVersions) {
    SystemModel m = test::singlet(0.6, -1.8, 0.05);
    m.surf[1].medium = "BK7 Sel";
    const std::string bytes = bytesOf(m);
    // The name is padded to the end of its 30 characters, then ten blanks.
    EXPECT_NE(bytes.find("     BK7 Sel" + std::string(18 + 10, ' ') + "   1.039612120"),
              std::string::npos);
    SystemModel read = test::defaultSystem();
    ASSERT_TRUE(readBytes(bytes, read).ok);
    EXPECT_EQ(read.surf[1].medium, "BK7 Sel");
    EXPECT_NEAR(read.surf[1].coef[0], 1.03961212, 1e-9);

    // Earlier versions wrote the name and ten blanks only: the 30 characters
    // of the name reach into the first coefficient.
    std::string old = bytes;
    old.erase(old.find("BK7 Sel") + 7, 18);
    read = test::defaultSystem();
    const SystemFileResult result = readBytes(old, read);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(read.surf[1].medium, "BK7 Sel");
    for (size_t k = 0; k < 6; ++k) EXPECT_NEAR(read.surf[1].coef[k], m.surf[1].coef[k], 5e-10);
}

TEST(SystemFileRoundTrip, GlassNamesEndingInANumberAfterTenBlanksAreNotTakenForACoefficient) {
    // Such a name fills the medium window as an earlier version's row does
    // when the window ends inside the first coefficient. Found by fuzzing the
    // reader: the name came back as "Sel" and the coefficients one place on.
    for (const std::string name :
         {"Sel              1.039612120", "Sel               1.039612120"}) {
        SystemModel m = test::singlet(0.6, -1.8, 0.05);
        m.surf[1].medium = name;
        const std::string bytes = bytesOf(m);
        SystemModel read = test::defaultSystem();
        const SystemFileResult result = readBytes(bytes, read);
        ASSERT_TRUE(result.ok) << result.error;
        // A name of 29 characters gives up one blank of its run.
        EXPECT_EQ(read.surf[1].medium, name.size() < 29 ? name : "Sel              1.039612120")
            << bytes;
        for (size_t k = 0; k < 6; ++k) EXPECT_NEAR(read.surf[1].coef[k], m.surf[1].coef[k], 5e-10);
    }
}

TEST(SystemFileRoundTrip, ValuesThatCannotBeWrittenAreRefused) {
    const auto path = std::filesystem::temp_directory_path() / "varnistrale_nan_test.opt";
    SystemModel m = test::defaultSystem();
    ASSERT_EQ(writeSystemFile(m, path.string()), "");
    const auto size = std::filesystem::file_size(path);
    m.surf[1].r = std::nan("");
    const std::string error = writeSystemFile(m, path.string());
    EXPECT_NE(error.find("Fläche 1"), std::string::npos) << error;
    EXPECT_EQ(std::filesystem::file_size(path), size);
    std::filesystem::remove(path);
}

TEST(SystemFileReader, MessagesNameTheFirstMissingFieldAndShowControlCharacters) {
    std::vector<std::string> lines = splitLines(bytesOf(test::defaultSystem()));
    // The file ends where the radius of row 0 should stand.
    std::vector<std::string> early(lines.begin(), lines.begin() + 15);
    SystemModel m = test::defaultSystem();
    SystemFileResult r = readSystemLines(early, "early.opt", m);
    ASSERT_FALSE(r.ok);
    EXPECT_NE(r.error.find("endet vor Radius in Flächenzeile 0"), std::string::npos) << r.error;

    lines[16] = std::string(" -2.0\0x1 ", 9);
    r = readSystemLines(lines, "nul.opt", m);
    ASSERT_FALSE(r.ok);
    EXPECT_EQ(r.error.find('\0'), std::string::npos);
    EXPECT_NE(r.error.find("\"-2.0\\x00x1\""), std::string::npos) << r.error;
}

TEST(SystemFileReader, AnyLineEndAndOnlyRegularFiles) {
    const std::string crlf = bytesOf(test::mirror(-1.0));
    for (const char* end : {"\n", "\r"}) {
        std::string bytes = crlf;
        for (size_t pos = 0; (pos = bytes.find("\r\n", pos)) != std::string::npos;)
            bytes.replace(pos, 2, end);
        SystemModel m = test::defaultSystem(), reference = test::defaultSystem();
        const SystemFileResult r = readBytes(bytes, m);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_TRUE(readBytes(crlf, reference).ok);
        EXPECT_EQ(m.surf[1].k, -1.0);
        EXPECT_EQ(bytesOf(m), bytesOf(reference));
    }

    const auto fifo = std::filesystem::temp_directory_path() / "varnistrale_fifo_test.opt";
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    SystemModel m = test::defaultSystem();
    const SystemFileResult r = readSystemFile(fifo.string(), m);  // must not block
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("keine gewöhnliche Datei"), std::string::npos) << r.error;
    std::filesystem::remove(fifo);
}

}  // namespace
}  // namespace vn
