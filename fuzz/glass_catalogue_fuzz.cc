// The glass catalogue reader on any bytes: every record line parses or says
// which field does not; a parsed record that the composer accepts is written
// as a line that parses back to the same record within the precision of its
// columns and composes again to the same line; a chosen glass gives usable
// indices or a message.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "model/glass_catalogue.h"
#include "model/text_file.h"

namespace vn {
namespace {

std::string trimmed(std::string s) {
    s.erase(s.find_last_not_of(" \t") + 1);
    return s;
}

// A column holds `decimals` decimals, and no more than `precision` significant
// digits.
void near(double read, double written, int precision, int decimals, const char* what,
          const std::string& line) {
    const double digits = written == 0.0 ? 0.0 : std::floor(std::log10(std::fabs(written))) + 1.0;
    const double unit = std::max(std::pow(10.0, -decimals), std::pow(10.0, digits - precision));
    if (!(std::fabs(read - written) <= 0.5000001 * unit + std::fabs(written) * 1e-15))
        fuzz::broken("a composed record reads back within its columns",
                     std::string(what) + ": " + std::to_string(written) + " became " +
                         std::to_string(read) + "\n" + line);
}

void checkRecord(const std::string& line) {
    (void)displayText(line);
    const RecordParseResult parsed = parseRecord(line);
    if (!parsed.error.empty()) return;
    const GlassRecord& g = parsed.record;

    const GlassIndices indices = glassIndices(g, {0.6562725, 0.4358343, 0.546074});
    if (indices.error.empty())
        for (double n : indices.n)
            if (!(std::isfinite(n) && n > 0.0))
                fuzz::broken("a glass without a message has usable indices", line);

    const ComposedRecord composed = composeRecord(g);
    if (!composed.error.empty()) return;
    if (composed.line.compare(0, composed.display.size(), composed.display) != 0)
        fuzz::broken("the list text starts the record line", composed.line);
    const RecordParseResult back = parseRecord(composed.line);
    if (!back.error.empty())
        fuzz::broken("a composed record parses", back.error + "\n" + composed.line);
    const GlassRecord& r = back.record;
    if (trimmed(r.code) != trimmed(utf8Left(g.code, kCodeLength)) ||
        trimmed(r.type) != trimmed(g.type))
        fuzz::broken("a composed record keeps its code and type", line + "\n" + composed.line);
    near(r.ne, g.ne, 7, 5, "ne", composed.line);
    near(r.ve, g.ve, 5, 2, "ve", composed.line);
    near(r.PFe, g.PFe, 6, 4, "PFe", composed.line);
    for (size_t k = 0; k < 6; ++k) near(r.K[k], g.K[k], 12, 9, "K", composed.line);
    const ComposedRecord again = composeRecord(r);
    if (again.line != composed.line)
        fuzz::broken("a record read from its composed line composes to the same line",
                     composed.line + "\n" + again.line);
}

}  // namespace
}  // namespace vn

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vn;
    const std::vector<std::string> lines =
        splitLines(std::string_view(reinterpret_cast<const char*>(data), size));
    // Like the catalogue file: two header lines, then one record per line; a
    // file of a single line is taken as one record.
    const std::size_t first = lines.size() > 2 ? 2 : 0;
    for (std::size_t i = first; i < lines.size(); ++i) checkRecord(cp1252ToUtf8(lines[i]));
    return 0;
}
