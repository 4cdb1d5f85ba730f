// Writes the shipped glass catalogue DemoGlasdaten.txt from the public
// dispersion tables in data/glass-sources, through the same composing and
// writing routines as the glass dialog, so that the shipped file is one the
// program itself could have written.
//
//   make-catalogue [sources-directory [catalogue-file [date]]]
//
// The date goes into the title line; it is fixed by default so that running
// the tool again on unchanged tables gives the same file.
#include <cstdio>
#include <map>
#include <string>

#include "model/glass_catalogue.h"
#include "model/glass_sources.h"

namespace {

constexpr char kDefaultDate[] = "08.12.2026";

int fail(const std::string& message) {
    std::fprintf(stderr, "make-catalogue: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string sources = argc > 1 ? argv[1] : VARNISTRALE_DATA_DIR "/glass-sources";
    const std::string output = argc > 2 ? argv[2] : VARNISTRALE_DATA_DIR "/DemoGlasdaten.txt";
    const std::string date = argc > 3 ? argv[3] : kDefaultDate;

    vn::SourceRecordsResult source = vn::recordsFromSources(sources);
    if (!source.error.empty()) return fail(source.error);

    vn::GlassCatalogue catalogue;
    std::map<char, int> perSource;
    for (const vn::GlassRecord& record : source.records) {
        vn::StoreResult stored = vn::storeRecord(catalogue, record, true, -1);
        if (!stored.error.empty()) return fail(record.type + ": " + stored.error);
        // A line that does not read back as written would be a broken record
        // in the shipped file.
        const std::string& line = catalogue.lines[stored.index];
        vn::RecordParseResult parsed = vn::parseRecord(line);
        if (!parsed.error.empty()) return fail(record.type + ": " + parsed.error);
        if (vn::composeRecord(parsed.record).line != line)
            return fail(record.type + ": the record does not read back as written");
        ++perSource[record.type.front()];
    }

    const std::string error = vn::writeCatalogueFile(output, catalogue, date);
    if (!error.empty()) return fail(error);
    std::printf("%s: %zu records (", output.c_str(), catalogue.size());
    const char* separator = "";
    for (const auto& [letter, count] : perSource) {
        std::printf("%s%c %d", separator, letter, count);
        separator = ", ";
    }
    std::printf(")\n");
    return 0;
}
