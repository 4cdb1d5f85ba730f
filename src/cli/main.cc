// varnistrale-cli: every analysis of the program, headless, with JSON on stdout.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return vn::cli::run(args);
}
