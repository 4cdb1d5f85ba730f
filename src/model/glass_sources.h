// The public dispersion data from which the shipped glass catalogue is made.
//
// Sources are CSV tables (UTF-8, '.' as decimal separator, a header row that
// names the columns) with one glass per row: "name", "maker", and either the
// Sellmeier coefficients "B1".."B3", "C1_um2".."C3_um2" or the power-series
// coefficients "A0".."A5"; optionally "code_dens", "glass_code" and
// "density_g_cm3". The catalogue's ne, ve and PF'e are not copied from the
// tables but computed from the coefficients, so that the shipped figures are
// those of the formula the program evaluates.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "model/glass_catalogue.h"

namespace vn {

// Spectral lines, air wavelengths in micrometres.
inline constexpr double kLineE = 0.546074;        // mercury e, the catalogue's reference
inline constexpr double kLineFPrime = 0.4799914;  // cadmium F'
inline constexpr double kLineCPrime = 0.6438469;  // cadmium C'
inline constexpr double kLineD = 0.5875618;       // helium d, for the glass code
inline constexpr double kLineF = 0.4861327;       // hydrogen F
inline constexpr double kLineC = 0.6562725;       // hydrogen C

struct CsvTable {
    std::string file;
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;  // each as wide as the header

    // Position of a column, or -1 when the table has none of that name.
    int column(std::string_view name) const;
};

struct CsvReadResult {
    CsvTable table;
    std::string error;  // names the file and line; empty on success
};

// Reads a CSV table: fields separated by commas, optionally in double quotes
// (a quote inside written twice); empty lines are skipped.
CsvReadResult readCsvTable(const std::filesystem::path& file);

struct DispersionFigures {
    double ne = 0.0;
    double ve = 0.0;   // (ne - 1)/(nF' - nC')
    double PFe = 0.0;  // (nF' - ne)/(nF' - nC')
    std::string error;
};

// ne, ve and PF'e of a glass by the formula its type names.
DispersionFigures dispersionFigures(const GlassRecord& glass);

// Catalogue type text of 24 characters: the source letter, 5 blanks, the name
// left-aligned in 14 characters, 1 blank and the 3-character formula tag, e.g.
// "S     N-BK7          Sel". Empty when the name is longer than 14 characters.
std::string catalogueType(char sourceLetter, std::string_view name, std::string_view tag);

// Source letter of a maker: S Schott, O Ohara, H Hoya, C Corning, D CDGM (the
// legend has no letter for it, and C is Corning's); literature data is L.
char sourceLetter(std::string_view maker);

struct SourceRecordsResult {
    std::vector<GlassRecord> records;
    std::string error;
};

// The catalogue records of all *.csv tables in `directory`, in the order of
// the file names and rows, followed by the "n/L" records: air, and N-BK7 and
// F2 tabulated at C', e and F' from their Sellmeier rows.
SourceRecordsResult recordsFromSources(const std::filesystem::path& directory);

}  // namespace vn
