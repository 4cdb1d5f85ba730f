#pragma once

#include <string>
#include <vector>

namespace vn::cli {

// Exit statuses of the batch command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitInvalidInput = 1;
inline constexpr int kExitUsage = 2;

// Runs the command line (without the program name); returns the exit status.
int run(const std::vector<std::string>& args);

}  // namespace vn::cli
