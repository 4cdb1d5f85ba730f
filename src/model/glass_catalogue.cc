#include "model/glass_catalogue.h"

#include "model/data_paths.h"

#include <cmath>
#include <optional>
#include <sstream>
#include <system_error>

#include "model/medium.h"
#include "model/number_format.h"
#include "model/text_file.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool hasControlCharacter(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20) return true;
    return false;
}

// Walks through a record line field by field. Widths count characters, not
// bytes, and a field at the end of the line is simply shorter.
class FieldReader {
public:
    explicit FieldReader(std::string_view line) : rest_(line) {}

    std::string_view next(std::size_t characters) {
        rest_ = trimLeft(rest_);
        std::size_t bytes = utf8Left(rest_, characters).size();
        std::string_view field = rest_.substr(0, bytes);
        rest_.remove_prefix(bytes);
        return field;
    }

private:
    std::string_view rest_;
};

// One numeric column: the reader's width, and how the composer formats it
// (fixed with precision and decimals, then '0' appended up to a minimum length).
struct NumberColumn {
    const char* label;  // as the dialog labels the field
    std::size_t width;
    int precision;
    int decimals;
    std::size_t minLength;
};

// ne, ve, PF'e, then K1..K6, which the dialog labels with the Sellmeier
// names B1..B3 and C1..C3.
constexpr std::size_t kNumberCount = 9;
constexpr std::size_t kDisplayedNumbers = 3;
constexpr std::array<NumberColumn, kNumberCount> kNumberColumns = {{
    {"ne", 8, 7, 5, 7},
    {"ve", 6, 5, 2, 5},
    {"PFe", 8, 6, 4, 6},
    {"B1", 13, 12, 9, 12},
    {"B2", 13, 12, 9, 12},
    {"B3", 13, 12, 9, 12},
    {"C1", 13, 12, 9, 12},
    {"C2", 13, 12, 9, 12},
    {"C3", 13, 12, 9, 12},
}};
// Blanks before each number in a composed line (before ne: after the type).
constexpr std::array<std::size_t, kNumberCount> kGaps = {7, 3, 6, 9, 5, 3, 5, 3, 3};

std::array<double, kNumberCount> numbersOf(const GlassRecord& r) {
    return {r.ne, r.ve, r.PFe, r.K[0], r.K[1], r.K[2], r.K[3], r.K[4], r.K[5]};
}

bool readNumber(FieldReader& reader, const NumberColumn& column, double& value,
                std::string& error) {
    std::string_view text = reader.next(column.width);
    std::optional<double> parsed = fmt::parseNumber(text, '.');
    if (parsed) {
        value = *parsed;
        return true;
    }
    if (trimRight(text).empty())
        error = std::string(column.label) + ": the line ends before this field";
    else
        error = std::string(column.label) + ": \"" + std::string(trimRight(text)) +
                "\" is not a number";
    return false;
}

// The composer's text of a value. The reader takes `width` characters, so a
// longer text would run into the next column; only the last column may run
// over, and only by zeros after the decimals that the reader can drop.
std::string formatNumber(double value, const NumberColumn& column, bool lastColumn,
                         std::string& error) {
    const std::string label(column.label);
    if (!std::isfinite(value)) {
        error = label + ": not a number";
        return {};
    }
    std::string text = fmt::fixed(value, column.precision, column.decimals, '.');
    // Too many integer digits give exponent notation, where appended zeros
    // would change the exponent.
    if (text.find('E') != std::string::npos) {
        error = label + ": " + text + " is too large for its column";
        return {};
    }
    while (text.size() < column.minLength) text.push_back('0');
    if (text.size() > column.width) {
        const bool droppable = lastColumn && text.find('.') < column.width &&
                               text.find_first_not_of('0', column.width) == std::string::npos;
        if (!droppable) {
            error = label + ": " + text + " does not fit the " + std::to_string(column.width) +
                    " characters of its column";
            return {};
        }
    }
    return text;
}

std::string padRight(std::string text, std::size_t characters) {
    std::size_t length = utf8Length(text);
    if (length < characters) text.append(characters - length, ' ');
    return text;
}

}  // namespace

// --- The file ---

fs::path findCatalogueFile(const std::vector<fs::path>& directories) {
    return findDataFile(kCatalogueFileName, directories);
}

CatalogueReadResult readCatalogue(const std::vector<fs::path>& directories) {
    const fs::path file = findCatalogueFile(directories);
    if (file.empty()) return {{}, kCatalogueMissingOnRead};
    return readCatalogueFile(file);
}

CatalogueReadResult readCatalogueFile(const fs::path& file) {
    CatalogueReadResult result;
    TextFileResult text = readTextLines(file.string());
    if (!text.ok) {
        result.error = text.error;
        return result;
    }
    result.catalogue.file = file.string();
    // The first two lines are the title and the column header.
    for (std::size_t i = 2; i < text.lines.size(); ++i) {
        std::string line = cp1252ToUtf8(text.lines[i]);
        result.catalogue.display.push_back(displayText(line));
        result.catalogue.lines.push_back(std::move(line));
    }
    return result;
}

std::vector<std::string> catalogueFileLines(const GlassCatalogue& catalogue,
                                            std::string_view date) {
    std::vector<std::string> lines;
    lines.reserve(catalogue.lines.size() + 2);
    lines.push_back(std::string(kCatalogueTitle) + std::string(date));
    lines.emplace_back(kCatalogueColumns);
    lines.insert(lines.end(), catalogue.lines.begin(), catalogue.lines.end());
    return lines;
}

std::string writeCatalogueFile(const fs::path& file, const GlassCatalogue& catalogue,
                               std::string_view date) {
    std::vector<std::string> lines = catalogueFileLines(catalogue, date);
    for (std::string& line : lines) line = utf8ToCp1252(line);
    return writeTextLinesAtomically(file.string(), lines);
}

std::string writeCatalogue(const std::vector<fs::path>& directories,
                           const GlassCatalogue& catalogue, std::string_view date,
                           fs::path* written) {
    const fs::path file = findCatalogueFile(directories);
    if (file.empty()) return kCatalogueMissingOnWrite;
    const fs::path own = userDataDirectory();
    const bool isOwn = !own.empty() && file.parent_path() == fs::absolute(own).lexically_normal();
    std::string error;
    if (isOwn || isReplaceable(file)) {
        error = writeCatalogueFile(file, catalogue, date);
        if (error.empty() || isOwn || own.empty()) {
            if (written) *written = file;
            return error;
        }
    }
    // Where the catalogue may not be replaced (an installed program's), the
    // user gets a copy of its own, which the search path finds first.
    if (own.empty()) return file.string() + " may not be written, and there is no user folder.";
    std::error_code ec;
    fs::create_directories(own, ec);
    if (ec) return own.string() + " cannot be created: " + ec.message();
    const fs::path copy = own / kCatalogueFileName;
    if (written) *written = copy;
    return writeCatalogueFile(copy, catalogue, date);
}

// --- Records ---

bool findGlassByName(const GlassCatalogue& catalogue, std::string_view name, GlassRecord& out) {
    for (size_t i = 0; i < catalogue.size(); ++i) {
        RecordParseResult r = parseCatalogueRecord(catalogue, i);
        if (!r.error.empty()) continue;
        std::istringstream words(r.record.type);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        std::string middle, whole;
        for (size_t j = 0; j < w.size(); ++j) {
            whole += (j ? " " : "") + w[j];
            if (j > 0 && j + 1 < w.size()) middle += (middle.empty() ? "" : " ") + w[j];
        }
        if (middle == name || whole == name) {
            out = r.record;
            return true;
        }
    }
    return false;
}

std::string displayText(std::string_view line) {
    return utf8Left(line, kDisplayTextLength);
}

RecordParseResult parseRecord(std::string_view line) {
    RecordParseResult result;
    GlassRecord& r = result.record;
    FieldReader reader(line);
    r.code = std::string(reader.next(kCodeLength));
    r.type = std::string(reader.next(kTypeLength));
    std::array<double, kNumberCount> v{};
    for (std::size_t i = 0; i < kNumberCount; ++i) {
        if (!readNumber(reader, kNumberColumns[i], v[i], result.error)) {
            result.record = GlassRecord{};
            return result;
        }
    }
    r.ne = v[0];
    r.ve = v[1];
    r.PFe = v[2];
    for (std::size_t k = 0; k < r.K.size(); ++k) r.K[k] = v[kDisplayedNumbers + k];
    return result;
}

RecordParseResult parseCatalogueRecord(const GlassCatalogue& catalogue, std::size_t index) {
    const std::string file = catalogue.file.empty() ? kCatalogueFileName : catalogue.file;
    if (index >= catalogue.lines.size())
        return {{}, file + ": there is no glass record " + std::to_string(index + 1)};
    RecordParseResult result = parseRecord(catalogue.lines[index]);
    // Records start on the third line of the file.
    if (!result.error.empty())
        result.error = file + ", line " + std::to_string(index + 3) + ": " + result.error;
    return result;
}

ComposedRecord composeRecord(const GlassRecord& record) {
    ComposedRecord out;
    // The reader skips blanks before the code and the type, so leading blanks
    // could not be read back; an empty code or type would let the reader take
    // the next columns in their place.
    const std::string_view code = trimLeft(record.code);
    const std::string_view type = trimRight(trimLeft(record.type));
    if (trimRight(code).empty()) {
        out.error = "code: a record needs a glass code";
        return out;
    }
    if (type.empty()) {
        out.error = "type: a record needs a glass type";
        return out;
    }
    if (hasControlCharacter(code) || hasControlCharacter(type)) {
        out.error = "code and type must not contain line breaks or tabs";
        return out;
    }
    if (utf8Length(type) > kTypeLength) {
        out.error = "type: \"" + std::string(type) + "\" is longer than " +
                    std::to_string(kTypeLength) + " characters";
        return out;
    }

    const std::array<double, kNumberCount> values = numbersOf(record);
    std::array<std::string, kNumberCount> texts;
    for (std::size_t i = 0; i < kNumberCount; ++i) {
        texts[i] = formatNumber(values[i], kNumberColumns[i], i + 1 == kNumberCount, out.error);
        if (!out.error.empty()) return out;
    }

    // The reader takes exactly 24 characters as the type; a shorter type is
    // padded so that it does not take the start of ne with it.
    out.display = padRight(utf8Left(code, kCodeLength), kCodeLength) +
                  padRight(std::string(type), kTypeLength);
    for (std::size_t i = 0; i < kDisplayedNumbers; ++i)
        out.display += std::string(kGaps[i], ' ') + texts[i];
    out.line = out.display;
    for (std::size_t i = kDisplayedNumbers; i < kNumberCount; ++i)
        out.line += std::string(kGaps[i], ' ') + texts[i];
    return out;
}

StoreResult storeRecord(GlassCatalogue& catalogue, const GlassRecord& record, bool newRecord,
                        int selected) {
    StoreResult result;
    if (!newRecord && (selected < 0 || static_cast<std::size_t>(selected) >= catalogue.size())) {
        result.error = "No glass is selected to be replaced.";
        return result;
    }
    ComposedRecord composed = composeRecord(record);
    if (!composed.error.empty()) {
        result.error = composed.error;
        return result;
    }
    if (newRecord) {
        catalogue.display.push_back(std::move(composed.display));
        catalogue.lines.push_back(std::move(composed.line));
        result.index = catalogue.size() - 1;
    } else {
        result.index = static_cast<std::size_t>(selected);
        catalogue.display[result.index] = std::move(composed.display);
        catalogue.lines[result.index] = std::move(composed.line);
    }
    return result;
}

// --- Indices of a chosen glass ---

GlassIndices glassIndices(const GlassRecord& glass, const std::array<double, 3>& wavelength) {
    GlassIndices out;
    const unsigned tags = mediumTags(glass.type);
    if (tags & (kPowerSeriesTags | kSellmeierTags)) {
        const auto formula =
            (tags & kPowerSeriesTags) ? powerSeriesIndexSquared : sellmeierIndexSquared;
        for (std::size_t c = 0; c < 3; ++c)
            out.n[c] = indexFromSquared(formula(glass.K, wavelength[c]));
    } else if (tags & kTagTabulated) {
        // K1..K3 are the indices and K4..K6 the wavelengths, both listed red,
        // green, blue; the model orders colours red, blue, green.
        out.n = {glass.K[0], glass.K[2], glass.K[1]};
        out.glassWavelength = {glass.K[3], glass.K[5], glass.K[4]};
        Surface probe;
        probe.medium = glass.type;
        probe.coef = glass.K;
        markWavelengthMismatch(probe, wavelength);
        out.wavelengthMismatch = probe.lambdaMismatch;
    } else {
        out.n = {glass.ne, glass.ne, glass.ne};
    }
    // A wavelength on a pole of the formula, or outside the range where it
    // gives n^2 > 0, and a stored index that is not positive would put a
    // division by zero or a NaN into every trace that reaches the glass.
    for (std::size_t c = 0; c < 3; ++c) {
        if (!(std::isfinite(out.n[c]) && out.n[c] > 0.0)) {
            out.error = "Glass \"" + std::string(trimRight(glass.type)) +
                        "\" gives no usable index at " + fmt::general(wavelength[c], 7) + " µm.";
            break;
        }
    }
    return out;
}

}  // namespace vn
