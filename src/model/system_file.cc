#include "model/system_file.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "model/glass.h"
#include "model/medium.h"
#include "model/number_format.h"
#include "model/text_file.h"

namespace vn {
namespace {

constexpr const char* kColumnHeader =
    "  Radius/f     Abstand/f    nrot bei  ngrün bei  nblau bei   Deform    Winkel/°   Grenz/h  "
    "   Medium  ";
constexpr int kMediumChars = 30;  // characters of a row that can hold the medium name
constexpr double kScientificRadius = 1000.0;
// Lengths this large stand for a flat surface or an object at infinity.
constexpr double kMarkerLength = 1e11;

// A token of the file as a message shows it: in quotes, control characters
// (a NUL would end the message where it is printed) as \xNN, and no longer
// than a line of a message box.
std::string quoted(std::string_view token) {
    constexpr size_t kShown = 40;
    std::string shown;
    for (size_t i = 0; i < token.size() && i < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(token[i]);
        if (c < 0x20 || c == 0x7F) {
            static const char* const kHex = "0123456789ABCDEF";
            shown += "\\x";
            shown.push_back(kHex[c >> 4]);
            shown.push_back(kHex[c & 15]);
        } else {
            shown.push_back(static_cast<char>(c));
        }
    }
    if (token.size() > kShown) shown += "...";
    return "\"" + cp1252ToUtf8(shown) + "\"";
}

// Reads the file the way free-form text reading does: blanks and line ends
// before a number are skipped, a number ends at a blank or the line end, and
// going to the next line discards the rest of the current one.
class FreeFormReader {
public:
    FreeFormReader(const std::vector<std::string>& lines, const std::string& name)
        : lines_(lines), name_(name) {}

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    bool atEnd() const { return line_ >= lines_.size(); }

    // The whole current line, then on to the next.
    std::string readLine() {
        if (atEnd()) return {};
        std::string text = lines_[line_];
        nextLine();
        return text;
    }

    void nextLine() {
        if (!atEnd()) ++line_;
        column_ = 0;
    }

    double readNumber(const char* field) {
        std::string token = nextToken(field);
        if (failed()) return 0.0;
        auto value = fmt::parseNumber(token, '.');
        if (!value) {
            fail(std::string(field) + ": " + quoted(token) + " ist keine Zahl");
            return 0.0;
        }
        return *value;
    }

    long long readInteger(const char* field) {
        std::string token = nextToken(field);
        if (failed()) return 0;
        auto value = fmt::parseInteger(token);
        if (!value) {
            fail(std::string(field) + ": " + quoted(token) + " ist keine ganze Zahl");
            return 0;
        }
        return *value;
    }

    // Up to `count` characters of the current line from the current position,
    // fewer at the line end; stays on the line.
    std::string readChars(int count) {
        if (atEnd()) return {};
        const std::string& text = lines_[line_];
        std::string part = text.substr(std::min(column_, text.size()), idx(count));
        column_ += part.size();
        return part;
    }

    // Gives back the last `count` characters that readChars took.
    void unreadChars(size_t count) { column_ -= std::min(count, column_); }

    // Passes over the rest of a word that a fixed-length read cut in two.
    void skipRestOfWord() {
        if (atEnd()) return;
        const std::string& text = lines_[line_];
        while (column_ < text.size() && !isBlank(text[column_])) ++column_;
    }

    void fail(const std::string& message) {
        if (!failed()) error_ = name_ + ", Zeile " + std::to_string(lineNumber()) + ": " + message;
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

    size_t lineNumber() const {
        return std::min(line_, lines_.empty() ? 0 : lines_.size() - 1) + 1;
    }

    std::string nextToken(const char* field) {
        // After a failure the message names the first field that was missing
        // or wrong; later reads change nothing.
        if (failed()) return {};
        while (!atEnd()) {
            const std::string& text = lines_[line_];
            while (column_ < text.size() && isBlank(text[column_])) ++column_;
            if (column_ < text.size()) break;
            nextLine();
        }
        if (atEnd()) {
            error_ = name_ + ": die Datei endet vor " + field;
            return {};
        }
        const std::string& text = lines_[line_];
        size_t start = column_;
        while (column_ < text.size() && !isBlank(text[column_])) ++column_;
        return text.substr(start, column_ - start);
    }

    const std::vector<std::string>& lines_;
    const std::string& name_;
    size_t line_ = 0;
    size_t column_ = 0;
    std::string error_;
};

std::string trimBlanks(std::string s) {
    size_t end = s.find_last_not_of(' ');
    s.erase(end == std::string::npos ? 0 : end + 1);
    size_t start = s.find_first_not_of(' ');
    s.erase(0, start == std::string::npos ? s.size() : start);
    return s;
}

std::string trimTrailingBlanks(std::string s) {
    size_t end = s.find_last_not_of(' ');
    s.erase(end == std::string::npos ? 0 : end + 1);
    return s;
}

// Length of the start of a coefficient at the end of the medium window `name`:
// the window ends in number characters after a run of at least ten blanks, and
// the name before that run carries coefficients. 0 when there is none.
size_t coefficientTail(const std::string& name) {
    const size_t start = name.find_last_of(' ') + 1;  // 0 when there is no blank
    if (start == 0 || start == name.size()) return 0;
    if (name.find_first_not_of("0123456789.+-eE", start) != std::string::npos) return 0;
    const size_t before = name.find_last_not_of(' ', start - 1);
    if (before == std::string::npos || start - 1 - before < 10) return 0;
    if (!(mediumTags(cp1252ToUtf8(name.substr(0, before + 1))) & kCoefficientTags)) return 0;
    return name.size() - start;
}

bool readSurfaceRow(FreeFormReader& in, int i, SystemModel& t) {
    Surface& s = t.surf[idx(i)];
    const std::string where = "Flächenzeile " + std::to_string(i);
    s.r = in.readNumber(("Radius in " + where).c_str());
    s.e = in.readNumber(("Abstand in " + where).c_str());
    for (int colour : kListedColours)
        s.n[idx(colourIndex(colour))] = in.readNumber(("Brechzahl in " + where).c_str());
    s.k = in.readNumber(("Deform in " + where).c_str());
    s.u = in.readNumber(("Winkel in " + where).c_str());
    s.h = in.readNumber(("Grenze in " + where).c_str());
    if (in.failed()) return false;
    const double green = s.n[idx(colourIndex(kGreen))];
    if (green == 0.0) {
        in.fail("die Brechzahl (grün) in " + where + " ist 0");
        return false;
    }
    std::string name = in.readChars(kMediumChars);
    // Earlier versions wrote a short name with coefficients as blanks, the
    // name and ten blanks, so the window can end inside the first coefficient.
    if (const size_t tail = coefficientTail(name); tail > 0) {
        in.unreadChars(tail);
        name.resize(name.size() - tail);
    }
    // A name that fills the whole window up to its last character may go on
    // beyond it; its rest is not a coefficient.
    const bool cut = name.size() == kMediumChars && name.back() != ' ';
    s.medium = cp1252ToUtf8(trimBlanks(name));
    s.dir = green / std::fabs(green);
    const unsigned tags = mediumTags(s.medium);
    if (tags & kCoefficientTags) {
        if (cut) in.skipRestOfWord();
        for (double& k : s.coef) k = in.readNumber(("Koeffizient in " + where).c_str());
        if (in.failed()) return false;
        markWavelengthMismatch(s, t.sys.wavelength);
        RecomputeIndices(s, t.sys.wavelength);
    }
    in.nextLine();
    return true;
}

// Reads the lines of one surface list ("Schmidt" or free surfaces).
bool readSurfaceLines(FreeFormReader& in, int count, bool schmidt, SystemModel& t) {
    std::array<int, kTableSize>& list = schmidt ? t.sys.schmidtList : t.sys.asphereList;
    const char* what = schmidt ? "Schmidtzeile" : "Zeile der freien Fläche";
    for (int k = 1; k <= count; ++k) {
        const long long j = in.readInteger((std::string("Flächennummer einer ") + what).c_str());
        if (in.failed()) return false;
        if (j < 1 || j > t.N()) {
            in.fail(std::string(what) + " für Fläche " + std::to_string(j) +
                    ", die nicht unter den Flächen 1.." + std::to_string(t.N()) + " ist");
            return false;
        }
        Surface& s = t.surf[idx(static_cast<int>(j))];
        const std::string field = std::string(what) + " der Fläche " + std::to_string(j);
        if (schmidt) {
            for (double* v : {&s.schmidt, &s.A2, &s.A4, &s.A6, &s.nz})
                *v = in.readNumber(field.c_str());
        } else {
            for (double* v : {&s.A2, &s.A4, &s.A6, &s.A8}) *v = in.readNumber(field.c_str());
        }
        if (in.failed()) return false;
        list[idx(k)] = static_cast<int>(j);
        in.nextLine();
    }
    return true;
}

// A header or index value that must not read back as 0 (the focal length, the
// f-number, a wavelength, an index): when its fixed notation would show 0, the
// exponent notation of the same width keeps its leading digits.
std::string nonZeroFixed(double value, int width, int decimals) {
    std::string text = fmt::fixedWidth(value, width, decimals);
    if (value != 0.0 && fmt::parseNumber(text) == 0.0) text = fmt::scientificWidth(value, width);
    return text;
}

std::string label(double value, int width, int decimals, const char* text) {
    return nonZeroFixed(value, width, decimals) + std::string(8, ' ') + utf8ToCp1252(text);
}

std::string integerLabel(long long value, const char* text) {
    return fmt::integerWidth(value, 6) + std::string(8, ' ') + utf8ToCp1252(text);
}

// Appends one number of a row. A value too wide for its column fills it to the
// first character; a blank before it keeps it apart from its neighbour, so
// that the row reads back number by number.
void appendField(std::string& row, const std::string& text) {
    if (!row.empty() && row.back() != ' ' && !text.empty() && text.front() != ' ')
        row.push_back(' ');
    row += text;
}

// Line 1, line 2 and description lines are whole lines of the file: a line
// break inside one would move every line after it.
std::string singleLine(const std::string& text) {
    std::string out = utf8ToCp1252(text);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

// The medium column: blanks, the name, and for a medium with coefficients
// blanks up to the end of the 30 characters the reader takes for the name, so
// that it never reaches into the first coefficient. Names longer than 25
// characters take fewer leading blanks (at least one); the reader cannot hold
// more than 29.
std::string mediumColumn(const std::string& medium) {
    std::string name = utf8ToCp1252(medium).substr(0, kMediumChars - 1);
    for (char& c : name)
        if (c == '\r' || c == '\n') c = ' ';
    const bool coefficients = mediumTags(medium) & kCoefficientTags;
    if (coefficients) name = trimBlanks(name);
    const size_t lead = std::clamp<size_t>(kMediumChars - name.size(), 1, 5);
    std::string column = std::string(lead, ' ') + name;
    if (!coefficients) return column;
    column.resize(std::max<size_t>(column.size(), kMediumChars), ' ');
    // A name that ends in a number after ten blanks fills the window the way
    // the row of an earlier version ends inside its first coefficient, and the
    // reader would take that number for one. The window must end on a blank:
    // one blank less before the name, or for a name of 29 characters one less
    // in front of its number.
    if (coefficientTail(column) > 0) {
        column.erase(lead > 1 ? 0 : column.find_last_of(' '), 1);
        column.push_back(' ');
    }
    return column;
}

}  // namespace

std::string notASystemFileMessage(const std::string& path) {
    return path + " is no Varnistrale data file";
}

SystemFileResult readSystemFile(const std::string& path, SystemModel& m) {
    TextFileResult file = readTextLines(path);
    if (!file.ok) return {false, file.error};
    SystemFileResult result = readSystemLines(file.lines, path, m);
    if (result.ok) m.sys.fileName = path;
    return result;
}

SystemFileResult readSystemLines(const std::vector<std::string>& lines, const std::string& name,
                                 SystemModel& m) {
    if (lines.size() < 14 || lines[13].find("Radius") == std::string::npos)
        return {false, notASystemFileMessage(name)};

    // Everything is read into a copy, so that a file that fails part-way leaves
    // the current system as it was. The deformations and flags are cleared on
    // every entry, not only on those of the current system: a file with more
    // surfaces than the current one must not inherit a Schmidt profile or an
    // asphere from an earlier, larger system.
    SystemModel t = m;
    for (int i = 1; i < kTableSize; ++i) {
        Surface& s = t.surf[idx(i)];
        s.A2 = s.A4 = s.A6 = s.A8 = s.nz = s.schmidt = 0.0;
        s.sagittal = false;
        s.lambdaMismatch = {};
    }

    FreeFormReader in(lines, name);
    SystemData& sys = t.sys;
    sys.title = trimTrailingBlanks(cp1252ToUtf8(in.readLine()));
    sys.source = cp1252ToUtf8(in.readLine());
    in.nextLine();

    sys.focalLength = in.readNumber("Brennweite");
    in.nextLine();
    sys.fNumber = in.readNumber("Öffnungszahl");
    in.nextLine();
    sys.fieldAngle = in.readNumber("Objektwinkel");
    in.nextLine();
    const long long spiders = in.readInteger("Anzahl Fangspiegelstreben");
    in.nextLine();
    const long long surfaces = in.readInteger("Anzahl Flächen");
    in.nextLine();
    const long long schmidtCount = in.readInteger("Anzahl Schmidtflächen");
    const long long asphereCount = in.readInteger("Anzahl freie Flächen");
    in.nextLine();
    sys.graphScale = in.readNumber("Grafik Maßstab");
    in.nextLine();
    sys.entrancePupil = in.readNumber("Eintrittspupille");
    in.nextLine();
    sys.objectDistance = in.readNumber("Objektweite");
    in.nextLine();
    in.nextLine();
    in.nextLine();
    std::array<double, 3> wavelength{};
    for (int colour : kListedColours)
        wavelength[idx(colourIndex(colour))] = in.readNumber("Wellenlänge");
    in.nextLine();
    if (in.failed()) return {false, in.error()};

    if (spiders < 0 || spiders > 255)
        return {false, name + ": die Anzahl Fangspiegelstreben " + std::to_string(spiders) +
                           " liegt nicht in 0..255"};
    if (surfaces < 1 || surfaces > kMaxSurfaces)
        return {false, name + ": die Anzahl Flächen " + std::to_string(surfaces) +
                           " liegt nicht in 1.." + std::to_string(kMaxSurfaces)};
    if (schmidtCount < 0 || asphereCount < 0 || schmidtCount + asphereCount > surfaces)
        return {false, name + ": " + std::to_string(schmidtCount) + " Schmidtzeilen und " +
                           std::to_string(asphereCount) + " Zeilen freier Flächen für " +
                           std::to_string(surfaces) + " Flächen"};
    for (double w : wavelength)
        if (!(w > 0.0)) return {false, name + ": eine Wellenlänge ist nicht positiv"};
    sys.spiderCount = static_cast<std::uint8_t>(spiders);
    sys.surfaceCount = static_cast<int>(surfaces);
    sys.schmidtCount = static_cast<int>(schmidtCount);
    sys.asphereCount = static_cast<int>(asphereCount);
    sys.wavelength = wavelength;
    if (sys.focalLength == 0.0) return {false, name + ": die Brennweite ist 0"};
    if (sys.fNumber == 0.0) return {false, name + ": die Öffnungszahl ist 0"};
    // The file states the focal length and f-number with their sign (negative
    // for a diverging system); the references that scale the stored lengths to
    // millimetres and give the aperture are their magnitudes, or every save and
    // load would turn the system over.
    sys.focalLengthRef = std::fabs(sys.focalLength);
    sys.fNumberRef = std::fabs(sys.fNumber);
    sys.normFocal = 1.0;  // until the system is evaluated

    for (int i = 0; i <= t.N(); ++i)
        if (!readSurfaceRow(in, i, t)) return {false, in.error()};
    in.nextLine();
    if (!readSurfaceLines(in, sys.schmidtCount, true, t)) return {false, in.error()};
    if (!readSurfaceLines(in, sys.asphereCount, false, t)) return {false, in.error()};

    sys.description.clear();
    while (!in.atEnd()) sys.description.push_back(cp1252ToUtf8(in.readLine()));

    m = std::move(t);
    return {true, {}};
}

void prepareForWriting(SystemModel& m) {
    deriveSurfaceLists(m);
    double marking = 0.0;
    for (int i = 0; i <= m.N(); ++i) {
        if (m.surf[idx(i)].sagittal) {
            marking = i;
            break;
        }
    }
    m.surf[0].u = marking;
}

namespace {

// The file states the system's focal length in millimetres, and reading it
// takes the stored lengths to be in units of that focal length. A system whose
// stored lengths are in other units (normFocal is not 1, after free-focal-length
// editing) is therefore written rescaled to focal length 1, so that it loads as
// the same physical system.
SystemModel scaledToUnitFocalLength(const SystemModel& m) {
    SystemModel out = m;
    const double F = std::fabs(m.sys.normFocal);
    if (!std::isfinite(F) || F == 0.0) return out;
    // Within the file's own resolution of the focal length (whole millimetres)
    // the system is written as it is, so that a loaded file writes back the
    // same bytes.
    if (std::fabs(F - 1.0) * std::fabs(m.sys.focalLengthRef) <= 0.5) return out;
    // Flat surfaces and an object at infinity keep their marker values.
    auto scaled = [F](double length) {
        return std::fabs(length) >= kMarkerLength ? length : length / F;
    };
    out.sys.objectDistance = scaled(out.sys.objectDistance);
    out.sys.entrancePupil /= F;
    out.surf[0].e /= F;
    for (int i = 1; i <= out.N(); ++i) {
        Surface& e = out.surf[idx(i)];
        e.r = scaled(e.r);
        e.e /= F;
        e.A2 *= F;
        e.A4 *= F * F * F;
        e.A6 *= F * F * F * F * F;
    }
    out.sys.normFocal = m.sys.normFocal / F;
    return out;
}

}  // namespace

std::vector<std::string> formatSystemFile(const SystemModel& model) {
    const SystemModel m = scaledToUnitFocalLength(model);
    const SystemData& s = m.sys;
    std::vector<std::string> out;
    out.push_back(singleLine(s.title));
    out.push_back(singleLine(s.source));
    out.emplace_back();
    out.push_back(label(s.focalLength, 6, 0, "Brennweite/mm"));
    out.push_back(label(s.fNumber, 6, 2, "max. Öffnungszahl"));
    out.push_back(label(s.fieldAngle, 6, 2, "max. Objektwinkel/°"));
    out.push_back(integerLabel(s.spiderCount, "Anzahl Fangspiegelstreben"));
    out.push_back(integerLabel(s.surfaceCount, "Anzahl Flächen"));
    out.push_back(fmt::integerWidth(s.schmidtCount, 6) + " " +
                  fmt::integerWidth(s.asphereCount, 6) + " " +
                  utf8ToCp1252("Anzahl Schmidtflächen, Anzahl freie Flächen"));
    out.push_back(label(s.graphScale, 6, 0, "Grafik Maßstab"));
    out.push_back(label(s.entrancePupil, 6, 3, "Eintritspupille/f"));
    out.push_back(fmt::scientificWidth(s.objectDistance, 6) + std::string(4, ' ') +
                  "Objektweite/f");
    out.emplace_back();
    out.push_back(utf8ToCp1252(kColumnHeader));
    std::string waves(23, ' ');
    for (int colour : kListedColours)
        appendField(waves, nonZeroFixed(s.wavelength[idx(colourIndex(colour))], 11, 7));
    out.push_back(waves);

    for (int i = 0; i <= m.N(); ++i) {
        const Surface& e = m.surf[idx(i)];
        std::string row = std::fabs(e.r) > kScientificRadius ? fmt::scientificWidth(e.r, 10)
                                                             : fmt::fixedWidth(e.r, 10, 6);
        appendField(row, fmt::fixedWidth(e.e, 10, 6));
        for (int colour : kListedColours)
            appendField(row, nonZeroFixed(e.n[idx(colourIndex(colour))], 11, 6));
        appendField(row, fmt::fixedWidth(e.k, 10, 5));
        appendField(row, fmt::fixedWidth(e.u, 10, 5));
        appendField(row, fmt::fixedWidth(e.h, 8, 3));
        row += mediumColumn(e.medium);
        if (mediumTags(e.medium) & kCoefficientTags) {
            row += std::string(10, ' ');
            for (double k : e.coef) appendField(row, fmt::fixedWidth(k, 14, 9));
        }
        out.push_back(row);
    }
    out.emplace_back();
    for (int k = 1; k <= s.schmidtCount; ++k) {
        const int j = s.schmidtList[idx(k)];
        const Surface& e = m.surf[idx(j)];
        std::string line = fmt::integerWidth(j, 5);
        for (double v : {e.schmidt, e.A2, e.A4, e.A6, e.nz})
            appendField(line, fmt::fixedWidth(v, 15, 9));
        out.push_back(line);
    }
    for (int k = 1; k <= s.asphereCount; ++k) {
        const int j = s.asphereList[idx(k)];
        const Surface& e = m.surf[idx(j)];
        std::string line = fmt::integerWidth(j, 5);
        for (double v : {e.A2, e.A4, e.A6, e.A8}) appendField(line, fmt::fixedWidth(v, 15, 9));
        out.push_back(line);
    }
    for (const std::string& line : s.description) out.push_back(singleLine(line));
    return out;
}

namespace {

// The first value the file would have to show as "NAN" or "INF", which no
// reader takes back; empty when every value is finite.
std::string nonFiniteValue(const SystemModel& m) {
    const SystemData& s = m.sys;
    for (double v :
         {s.focalLength, s.fNumber, s.fieldAngle, s.graphScale, s.entrancePupil, s.objectDistance,
          s.normFocal, s.wavelength[0], s.wavelength[1], s.wavelength[2]})
        if (!std::isfinite(v)) return "ein Wert der Systemdaten";
    for (int i = 0; i <= m.N(); ++i) {
        const Surface& e = m.surf[idx(i)];
        bool finite = std::isfinite(e.r) && std::isfinite(e.e) && std::isfinite(e.k) &&
                      std::isfinite(e.u) && std::isfinite(e.h) && std::isfinite(e.schmidt) &&
                      std::isfinite(e.nz) && std::isfinite(e.A2) && std::isfinite(e.A4) &&
                      std::isfinite(e.A6) && std::isfinite(e.A8);
        for (double n : e.n) finite = finite && std::isfinite(n);
        if (mediumTags(e.medium) & kCoefficientTags)
            for (double k : e.coef) finite = finite && std::isfinite(k);
        if (!finite) return "ein Wert der Fläche " + std::to_string(i);
    }
    return {};
}

}  // namespace

std::string writeSystemFile(SystemModel& m, const std::string& path) {
    if (const std::string bad = nonFiniteValue(m); !bad.empty())
        return path + " kann nicht gespeichert werden: " + bad + " ist keine endliche Zahl";
    prepareForWriting(m);
    return writeTextLinesAtomically(path, formatSystemFile(m));
}

}  // namespace vn
