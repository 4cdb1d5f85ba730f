// Shared pieces of the batch commands: option parsing, loading a system the way
// "Öffnen" does, and printing results and errors.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "workspace/workspace.h"

namespace vn::cli {

// A parsed command line: positional arguments, "--key value" options and
// "--flag" switches. Keys are given without the leading dashes.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::set<std::string> flags;
    std::string error;  // usage error, empty when the line is well-formed
};

// Splits `args` by the keys a command knows; anything else is a usage error.
ParsedArgs parseArgs(const std::vector<std::string>& args, const std::set<std::string>& optionKeys,
                     const std::set<std::string>& flagKeys);

// Reads a number option; reports a usage error when it is not a number.
bool numberOption(const ParsedArgs& parsed, const std::string& key, double& value,
                  std::string& error);

// Prints a usage error with the command's help text; returns the exit status.
int usageError(const std::string& message, const char* help);

// Answers "--help" (the help text on stdout) and a malformed line (a usage
// error): the exit status when the command is done with that, nothing when it
// goes on.
std::optional<int> helpOrUsageError(const ParsedArgs& parsed, const char* help);

// Prints an input error; returns the exit status.
int inputError(const std::string& message);

// Prints the JSON text on stdout with a final line end.
void printJson(const std::string& json);

// Starts the program state and opens `path` as "Öffnen" does. Fails with the
// message of the load or of the evaluation when the system cannot be computed.
bool openForAnalysis(Workspace& ws, const std::string& path, std::string& error);

int evalCommand(const std::vector<std::string>& args);
int traceCommand(const std::vector<std::string>& args);
int synthCommand(const std::vector<std::string>& args);
int spotCommand(const std::vector<std::string>& args);
int psfCommand(const std::vector<std::string>& args);
int starTestCommand(const std::vector<std::string>& args);
int renderCommand(const std::vector<std::string>& args);

}  // namespace vn::cli
