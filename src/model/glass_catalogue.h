// The glass catalogue "DemoGlasdaten.txt" and its records.
//
// The file is Windows-1252 text with CR LF line ends: a title line with the
// date of the last rewrite, a column header line, then one glass per line in
// columns that the reader finds by counting characters:
//
//   code (11) type (24) ne (8) ve (6) PF'e (8) K1 .. K6 (13 each)
//
// where blanks before each field are skipped. The type is the source letter,
// the glass name and the formula tag ("S     N-BK7          Sel"); it becomes
// the surface's medium name, so its tag selects the dispersion formula.
//
// The glass dialog keeps two parallel lists of the records: what its list
// shows (the first 68 characters of each line: code, type, ne, ve and most of
// PF'e) and the complete lines. Everything here is UTF-8; the conversion to and
// from Windows-1252 happens when the file is read or written.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "model/glass.h"

namespace vn {

inline constexpr char kCatalogueFileName[] = "DemoGlasdaten.txt";
// The dialog's messages for a missing file: reading writes an acute accent
// where rewriting writes an apostrophe, and both are kept as users know them.
inline constexpr char kCatalogueMissingOnRead[] = "Couldn´t find DemoGlasdaten.txt.";
inline constexpr char kCatalogueMissingOnWrite[] = "Couldn't find DemoGlasdaten.txt.";
// First line of a rewritten file; the date of the rewrite follows it.
inline constexpr char kCatalogueTitle[] =
    "Glas-Datei mit Dispersions-Koeffizienten ab Varnistrale V5.1 - Stand: ";
inline constexpr char kCatalogueColumns[] =
    " Code.Dens Source     Type  Calc          ne       ve         PF´e"
    "               B1                 B2             B3            C1"
    "                C2           C3";

inline constexpr std::size_t kDisplayTextLength = 68;
inline constexpr std::size_t kCodeLength = 11;
inline constexpr std::size_t kTypeLength = 24;

struct GlassRecord {
    std::string code;       // "Code.Dens", e.g. "517642.251"; 11 characters in the file
    std::string type;       // "Source Name Calc"; 24 characters in the file
    double ne = 0.0;        // index at the e line; shown only, never used to compute
    double ve = 0.0;        // Abbe number (ne - 1)/(nF' - nC'); shown only
    double PFe = 0.0;       // relative partial dispersion (nF' - ne)/(nF' - nC'); shown only
    GlassCoefficients K{};  // K1..K6 in the meaning of the type's formula tag
};

// The dialog's two parallel lists, in file order.
struct GlassCatalogue {
    std::string file;                  // where it was read from, for messages
    std::vector<std::string> display;  // list texts (first 68 characters of a line)
    std::vector<std::string> lines;    // complete record lines

    std::size_t size() const { return lines.size(); }
};

// --- The file ---

// Where the catalogue is: the first of `directories` (dataDirectories gives the
// program's search path) that holds it. Empty when none does.
std::filesystem::path findCatalogueFile(const std::vector<std::filesystem::path>& directories);

struct CatalogueReadResult {
    GlassCatalogue catalogue;  // empty when error is set
    std::string error;         // kCatalogueMissingOnRead or why the file could not be read
};

// Reads the catalogue found by findCatalogueFile.
CatalogueReadResult readCatalogue(const std::vector<std::filesystem::path>& directories);
// Reads a catalogue file: skips the two header lines and takes every further
// line as a record, unchecked; a record is only parsed when it is chosen.
CatalogueReadResult readCatalogueFile(const std::filesystem::path& file);

// The lines of a rewritten file: title with `date`, column header, records.
std::vector<std::string> catalogueFileLines(const GlassCatalogue& catalogue, std::string_view date);

// Writes the catalogue to `file` (Windows-1252, CR LF) so that a failed write
// leaves the old file as it was. Returns an error message, empty on success.
std::string writeCatalogueFile(const std::filesystem::path& file, const GlassCatalogue& catalogue,
                               std::string_view date);

// Rewrites the catalogue where findCatalogueFile finds it; a catalogue that is
// found nowhere is not written and kCatalogueMissingOnWrite comes back. A file
// that may not be replaced where it is (an installed program's) is written as
// the user's own copy in userDataDirectory(), which the search path finds
// before the installed one. `written` receives the file written.
std::string writeCatalogue(const std::vector<std::filesystem::path>& directories,
                           const GlassCatalogue& catalogue, std::string_view date,
                           std::filesystem::path* written = nullptr);

// --- Records ---

// The list text of a record line: its first 68 characters, or the whole line
// when it is shorter.
std::string displayText(std::string_view line);

struct RecordParseResult {
    GlassRecord record;
    std::string error;  // names the field that does not convert; empty on success
};

// Reads a record line by its columns. The decimal separator is always '.'.
RecordParseResult parseRecord(std::string_view line);
// parseRecord for record `index` of the catalogue; the error names the file and line.
RecordParseResult parseCatalogueRecord(const GlassCatalogue& catalogue, std::size_t index);

// The first readable record whose glass name (the words of its type between
// the source letter and the formula tag, "N-BK7") or whose whole type text
// (blanks collapsed, "S N-BK7 Sel") is `name`; false when there is none.
bool findGlassByName(const GlassCatalogue& catalogue, std::string_view name, GlassRecord& out);

struct ComposedRecord {
    std::string display;  // code, type, ne, ve, PF'e
    std::string line;     // display text followed by K1..K6
    std::string error;    // why the record cannot be written; empty on success
};

// Writes a record in the file's columns ("Übernehmen"). A record that the
// reader could not read back as it was entered (a value too wide for its
// column, an empty code, a type longer than 24 characters, a line break in a
// text) is refused with a message instead.
ComposedRecord composeRecord(const GlassRecord& record);

struct StoreResult {
    std::string error;      // empty on success; the catalogue is unchanged otherwise
    std::size_t index = 0;  // position of the stored record
};

// "Übernehmen": composes the record and appends it to both lists when
// `newRecord` is set, else replaces the selected item (-1: none selected).
StoreResult storeRecord(GlassCatalogue& catalogue, const GlassRecord& record, bool newRecord,
                        int selected);

// --- Indices of a chosen glass ---

struct GlassIndices {
    std::array<double, 3> n{};  // positive indices by colour - 1 (red, blue, green)
    // "n/L" glasses other than air: the colours whose stored wavelength differs
    // from the system's by more than kWavelengthTolerance, and those wavelengths.
    std::array<bool, 3> wavelengthMismatch{};
    std::array<double, 3> glassWavelength{};
    std::string error;  // a formula without a real index at a wavelength; n unusable
};

// The indices of a glass at the three system wavelengths (by colour - 1), by
// the formula tag of its type: power series ("Cau", "Schott") before Sellmeier
// ("Sel", "Dsp") before the stored indices of "n/L", as RecomputeIndices
// ranks them. A type with none of these tags gives its ne for all colours.
GlassIndices glassIndices(const GlassRecord& glass, const std::array<double, 3>& wavelength);

}  // namespace vn
