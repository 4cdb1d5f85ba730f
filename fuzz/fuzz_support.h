// Shared pieces of the fuzz targets: a broken invariant ends the run with a
// message and an abort, which libFuzzer reports as a crash and keeps the input.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vn::fuzz {

[[noreturn]] inline void broken(const std::string& invariant, const std::string& detail = {}) {
    std::fprintf(stderr, "\n== broken invariant: %s\n%s\n", invariant.c_str(), detail.c_str());
    std::abort();
}

inline void expectFinite(double v, const std::string& what) {
    if (!std::isfinite(v)) broken("every number is finite", what + " = " + std::to_string(v));
}

}  // namespace vn::fuzz
