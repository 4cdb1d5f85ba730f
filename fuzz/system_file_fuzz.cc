// The system file reader on any bytes, and the writer on what it reads: a file
// that reads is written and read back to the same model within the precision
// of the file's columns, from then on byte for byte; a file that does not
// read leaves the model as it was.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "model/medium.h"
#include "model/system_file.h"
#include "model/text_file.h"

namespace vn {
namespace {

std::string bytesOf(SystemModel m) {
    prepareForWriting(m);
    std::string bytes;
    for (const std::string& line : formatSystemFile(m)) bytes += line + "\r\n";
    return bytes;
}

bool allFinite(const SystemModel& m) {
    const SystemData& s = m.sys;
    for (double v : {s.focalLength, s.fNumber, s.fieldAngle, s.graphScale, s.entrancePupil,
                     s.objectDistance, s.wavelength[0], s.wavelength[1], s.wavelength[2]})
        if (!std::isfinite(v)) return false;
    for (int i = 0; i <= m.N(); ++i) {
        const Surface& e = m.surf[idx(i)];
        for (double v : {e.r,       e.e,       e.k,       e.u,       e.h,       e.A2,     e.A4,
                         e.A6,      e.A8,      e.schmidt, e.nz,      e.n[0],    e.n[1],   e.n[2],
                         e.coef[0], e.coef[1], e.coef[2], e.coef[3], e.coef[4], e.coef[5]})
            if (!std::isfinite(v)) return false;
    }
    return true;
}

// What a column in w:p notation carries: half a unit of its last decimal, or
// where it falls back to two significant digits, 5 % of the value.
void near(double read, double written, int decimals, const std::string& what,
          const std::string& file) {
    const double half = 0.5 * std::pow(10.0, -decimals);
    const double tolerance = std::max(half * 1.000001, std::fabs(written) * 0.051);
    if (!(std::fabs(read - written) <= tolerance))
        fuzz::broken("the written file reads back within its precision",
                     what + ": written " + std::to_string(written) + ", read " +
                         std::to_string(read) + "\n" + file);
}

// A name as the file can keep it: the 29 characters that fit the reader's
// window after the blank that keeps the name apart from the limit, without
// the blanks around it. A name of 29 characters whose end would pass for a
// coefficient of an earlier version gives up one blank inside it, so runs of
// blanks count as one.
std::string nameAsKept(const std::string& medium, size_t length) {
    std::string name = utf8ToCp1252(medium).substr(0, length), out;
    name.erase(name.find_last_not_of(' ') + 1);
    name.erase(0, std::min(name.find_first_not_of(' '), name.size()));
    for (char c : name)
        if (c != ' ' || out.empty() || out.back() != ' ') out.push_back(c);
    return out;
}

void compare(const SystemModel& a, const SystemModel& b, const std::string& file) {
    const SystemData &x = a.sys, &y = b.sys;
    if (x.surfaceCount != y.surfaceCount || x.spiderCount != y.spiderCount)
        fuzz::broken("the written file reads back", "surface or spider count\n" + file);
    if (x.title != y.title || x.source != y.source || x.description != y.description)
        fuzz::broken("the written file reads back", "title, source or description\n" + file);
    near(x.focalLength, y.focalLength, 0, "focal length", file);
    near(x.fNumber, y.fNumber, 2, "f-number", file);
    near(x.fieldAngle, y.fieldAngle, 2, "field angle", file);
    near(x.graphScale, y.graphScale, 0, "scale", file);
    near(x.entrancePupil, y.entrancePupil, 3, "pupil", file);
    near(x.objectDistance, y.objectDistance, 99, "object distance", file);
    for (size_t c = 0; c < 3; ++c) near(x.wavelength[c], y.wavelength[c], 7, "wavelength", file);
    for (int i = 0; i <= b.N(); ++i) {
        const Surface &r = a.surf[idx(i)], &w = b.surf[idx(i)];
        const std::string row = "surface " + std::to_string(i);
        near(r.r, w.r, std::fabs(w.r) > 1000.0 ? 99 : 6, row + " r", file);
        near(r.e, w.e, 6, row + " e", file);
        near(r.k, w.k, 5, row + " k", file);
        if (i > 0) near(r.u, w.u, 5, row + " u", file);
        near(r.h, w.h, 3, row + " h", file);
        // The reader takes 30 characters for the name, the writer can give it
        // 29 after the blank that keeps it apart from the limit.
        if (nameAsKept(r.medium, 30) != nameAsKept(w.medium, 29))
            fuzz::broken("the written file reads back", row + " medium\n" + file);
        const unsigned tags = mediumTags(r.medium);
        if (tags & kCoefficientTags)
            for (size_t k = 0; k < 6; ++k) near(r.coef[k], w.coef[k], 9, row + " K", file);
        // Sellmeier and power-series indices come from the rounded coefficients.
        if (!(tags & (kSellmeierTags | kPowerSeriesTags)))
            for (size_t c = 0; c < 3; ++c) near(r.n[c], w.n[c], 6, row + " n", file);
        if (i == 0) continue;
        near(r.schmidt, w.schmidt, 9, row + " Schmidt", file);
        near(r.A2, w.A2, 9, row + " A2", file);
        near(r.A4, w.A4, 9, row + " A4", file);
        near(r.A6, w.A6, 9, row + " A6", file);
        // The Schmidt line has no torus value, the free-surface line no
        // neutral zone.
        if (w.schmidt != 0.0)
            near(r.nz, w.nz, 9, row + " nz", file);
        else
            near(r.A8, w.A8, 9, row + " A8", file);
    }
}

}  // namespace
}  // namespace vn

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vn;
    const std::string input(reinterpret_cast<const char*>(data), size);
    SystemModel m;
    setDefaultSystem(m);
    const std::string before = bytesOf(m);
    const SystemFileResult read = readSystemLines(splitLines(input), "fuzz.opt", m);
    if (!read.ok) {
        if (read.error.empty()) fuzz::broken("a refused file has a message");
        if (bytesOf(m) != before) fuzz::broken("a refused file leaves the model as it was");
        return 0;
    }
    // The writer refuses values it cannot write; everything else must come back.
    if (!allFinite(m)) return 0;
    const std::string written = bytesOf(m);
    SystemModel again;
    setDefaultSystem(again);
    const SystemFileResult back = readSystemLines(splitLines(written), "written.opt", again);
    if (!back.ok) fuzz::broken("the written file reads", back.error + "\n" + written);
    compare(again, m, written);
    // From the first reading on the file is a fixed point.
    const std::string second = bytesOf(again);
    SystemModel third;
    setDefaultSystem(third);
    if (!readSystemLines(splitLines(second), "second.opt", third).ok)
        fuzz::broken("the rewritten file reads", second);
    if (bytesOf(third) != second)
        fuzz::broken("a file read and written again is written byte for byte",
                     second + "\n--- became ---\n" + bytesOf(third));
    return 0;
}
