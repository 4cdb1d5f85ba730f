#include "cli/commands.h"

#include <cstdio>

namespace vn::cli {

int run(const std::vector<std::string>& args) {
    std::fprintf(stderr, "usage: varnistrale-cli eval FILE.opt\n");
    return args.empty() ? kExitUsage : kExitUsage;
}

}  // namespace vn::cli
