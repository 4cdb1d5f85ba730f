#include "model/glass_sources.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <system_error>

#include "model/number_format.h"
#include "model/text_file.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

// Splits one CSV line; false on a quote that is not closed.
bool splitCsvLine(std::string_view line, std::vector<std::string>& fields) {
    fields.assign(1, std::string());
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"') {
                fields.back().push_back(c);
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                fields.back().push_back('"');
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back().push_back(c);
        }
    }
    return !quoted;
}

std::string threeDigits(double value) {
    std::string digits = std::to_string(static_cast<long long>(std::floor(value + 0.5)));
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return digits;
}

// Glass code by the usual rule: round(1000 (nd - 1)) and round(10 vd), each
// to three digits, halves up; with the density, "." and round(100 density).
std::string computedGlassCode(const GlassRecord& glass, double density, std::string& error) {
    // Colours by colour - 1: red C, blue F, green d.
    const GlassIndices n = glassIndices(glass, {kLineC, kLineF, kLineD});
    if (!n.error.empty()) {
        error = n.error;
        return {};
    }
    const double nd = n.n[2];
    const double vd = (nd - 1.0) / (n.n[1] - n.n[0]);
    std::string code = threeDigits(1000.0 * (nd - 1.0)) + threeDigits(10.0 * vd);
    if (std::isfinite(density)) code += "." + threeDigits(100.0 * density);
    return code;
}

struct Columns {
    int name = -1, maker = -1, codeDens = -1, glassCode = -1, density = -1;
    std::array<int, 6> k{};
    const char* tag = nullptr;
};

Columns findColumns(const CsvTable& t) {
    Columns c;
    c.name = t.column("name");
    c.maker = t.column("maker");
    c.codeDens = t.column("code_dens");
    c.glassCode = t.column("glass_code");
    c.density = t.column("density_g_cm3");
    static constexpr std::array<const char*, 6> kSellmeier = {"B1",     "B2",     "B3",
                                                              "C1_um2", "C2_um2", "C3_um2"};
    static constexpr std::array<const char*, 6> kPowerSeries = {"A0", "A1", "A2", "A3", "A4", "A5"};
    for (const auto* names : {&kSellmeier, &kPowerSeries}) {
        bool all = true;
        for (std::size_t i = 0; i < 6; ++i) {
            c.k[i] = t.column((*names)[i]);
            all = all && c.k[i] >= 0;
        }
        if (all) {
            c.tag = names == &kSellmeier ? "Sel" : "Cau";
            break;
        }
    }
    return c;
}

std::string rowError(const CsvTable& t, std::size_t row, const std::string& message) {
    // Row 0 is on the line after the header.
    return t.file + ", row " + std::to_string(row + 1) + ": " + message;
}

std::string recordsFromTable(const CsvTable& t, std::vector<GlassRecord>& records,
                             std::map<std::string, GlassRecord>& byName) {
    const Columns c = findColumns(t);
    if (c.name < 0 || c.maker < 0 || !c.tag)
        return t.file + ": needs the columns name, maker and B1..B3, C1_um2..C3_um2 or A0..A5";
    for (std::size_t row = 0; row < t.rows.size(); ++row) {
        const std::vector<std::string>& f = t.rows[row];
        const auto cell = [&](int column) {
            return column >= 0 ? f[static_cast<std::size_t>(column)] : std::string();
        };
        GlassRecord g;
        const std::string& name = f[static_cast<std::size_t>(c.name)];
        g.type = catalogueType(sourceLetter(cell(c.maker)), name, c.tag);
        if (g.type.empty()) return rowError(t, row, "name \"" + name + "\" is too long");
        for (std::size_t i = 0; i < 6; ++i) {
            const std::string& text = f[static_cast<std::size_t>(c.k[i])];
            std::optional<double> value = fmt::parseNumber(text, '.');
            if (!value)
                return rowError(t, row,
                                t.header[static_cast<std::size_t>(c.k[i])] + " \"" + text +
                                    "\" is not a number");
            g.K[i] = *value;
        }
        if (!cell(c.codeDens).empty()) {
            g.code = cell(c.codeDens);
        } else if (!cell(c.glassCode).empty()) {
            g.code = cell(c.glassCode);
        } else {
            std::optional<double> density = fmt::parseNumber(cell(c.density), '.');
            std::string error;
            g.code = computedGlassCode(g, density ? *density : std::nan(""), error);
            if (!error.empty()) return rowError(t, row, error);
        }
        const DispersionFigures d = dispersionFigures(g);
        if (!d.error.empty()) return rowError(t, row, d.error);
        g.ne = d.ne;
        g.ve = d.ve;
        g.PFe = d.PFe;
        byName.emplace(name, g);
        records.push_back(std::move(g));
    }
    return {};
}

// An "n/L" record: indices K1..K3 at the wavelengths K4..K6, listed red
// (C'), green (e), blue (F').
GlassRecord tabulatedRecord(std::string code, std::string type, const GlassIndices& at) {
    GlassRecord g;
    g.code = std::move(code);
    g.type = std::move(type);
    g.K = {at.n[0], at.n[2], at.n[1], kLineCPrime, kLineE, kLineFPrime};
    const DispersionFigures d = dispersionFigures(g);
    g.ne = d.ne;
    g.ve = d.ve;
    g.PFe = d.PFe;
    return g;
}

}  // namespace

int CsvTable::column(std::string_view name) const {
    const auto it = std::find(header.begin(), header.end(), name);
    return it == header.end() ? -1 : static_cast<int>(it - header.begin());
}

CsvReadResult readCsvTable(const fs::path& file) {
    CsvReadResult result;
    result.table.file = file.string();
    TextFileResult text = readTextLines(file.string());
    if (!text.ok) {
        result.error = text.error;
        return result;
    }
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        std::string_view line = text.lines[i];
        if (i == 0 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);  // UTF-8 BOM
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        const std::string where = result.table.file + ", line " + std::to_string(i + 1) + ": ";
        if (!splitCsvLine(line, fields)) {
            result.error = where + "a quoted field is not closed";
            return result;
        }
        if (result.table.header.empty()) {
            result.table.header = fields;
        } else if (fields.size() != result.table.header.size()) {
            result.error = where + std::to_string(fields.size()) + " fields where the header has " +
                           std::to_string(result.table.header.size());
            return result;
        } else {
            result.table.rows.push_back(fields);
        }
    }
    return result;
}

DispersionFigures dispersionFigures(const GlassRecord& glass) {
    DispersionFigures d;
    // Colours by colour - 1: red C', blue F', green e.
    const GlassIndices n = glassIndices(glass, {kLineCPrime, kLineFPrime, kLineE});
    if (!n.error.empty()) {
        d.error = n.error;
        return d;
    }
    d.ne = n.n[2];
    const double dispersion = n.n[1] - n.n[0];
    // A medium without dispersion (air) has no Abbe number; 0 stands for it,
    // as the synthesis frame writes for a glass whose blue and red indices agree.
    if (dispersion != 0.0) {
        d.ve = (d.ne - 1.0) / dispersion;
        d.PFe = (n.n[1] - d.ne) / dispersion;
    }
    return d;
}

std::string catalogueType(char letter, std::string_view name, std::string_view tag) {
    constexpr std::size_t kNameWidth = 14;
    const std::size_t length = utf8Length(name);
    if (length > kNameWidth || utf8Length(tag) != 3) return {};
    std::string type(1, letter);
    type.append(5, ' ');
    type.append(name);
    type.append(kNameWidth - length + 1, ' ');
    type.append(tag);
    return type;
}

char sourceLetter(std::string_view maker) {
    if (maker == "SCHOTT") return 'S';
    if (maker == "OHARA") return 'O';
    if (maker == "HOYA") return 'H';
    if (maker == "CORNING") return 'C';
    if (maker == "CDGM") return 'D';
    return 'L';
}

SourceRecordsResult recordsFromSources(const fs::path& directory) {
    SourceRecordsResult result;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".csv") files.push_back(it->path());
    if (ec) {
        result.error = "Cannot list " + directory.string() + ": " + ec.message();
        return result;
    }
    if (files.empty()) {
        result.error = directory.string() + " holds no .csv tables";
        return result;
    }
    std::sort(files.begin(), files.end());

    std::map<std::string, GlassRecord> byName;
    for (const fs::path& file : files) {
        CsvReadResult csv = readCsvTable(file);
        if (csv.error.empty()) csv.error = recordsFromTable(csv.table, result.records, byName);
        if (!csv.error.empty()) {
            result.error = csv.error;
            result.records.clear();
            return result;
        }
    }

    const std::array<double, 3> tableLines = {kLineCPrime, kLineFPrime, kLineE};
    GlassIndices air;
    air.n = {1.0, 1.0, 1.0};
    result.records.push_back(tabulatedRecord("000000.000", catalogueType('L', "Luft", "n/L"), air));
    for (const char* name : {"N-BK7", "F2"}) {
        const auto it = byName.find(name);
        if (it == byName.end()) {
            result.error = std::string("The tables have no ") + name + " to tabulate";
            result.records.clear();
            return result;
        }
        const GlassRecord& parent = it->second;
        result.records.push_back(tabulatedRecord(
            parent.code, catalogueType(parent.type.front(), std::string(name) + " tab", "n/L"),
            glassIndices(parent, tableLines)));
    }
    return result;
}

}  // namespace vn
