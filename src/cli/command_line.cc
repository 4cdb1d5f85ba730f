#include "cli/command_line.h"

#include <cstdio>

#include "cli/commands.h"
#include "mainwindow/document.h"
#include "model/number_format.h"

namespace vn::cli {

ParsedArgs parseArgs(const std::vector<std::string>& args, const std::set<std::string>& optionKeys,
                     const std::set<std::string>& flagKeys) {
    ParsedArgs parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            std::string key = arg.substr(2);
            if (flagKeys.count(key)) {
                parsed.flags.insert(key);
            } else if (optionKeys.count(key)) {
                if (i + 1 >= args.size()) {
                    parsed.error = "option --" + key + " needs a value";
                    return parsed;
                }
                parsed.options[key] = args[++i];
            } else {
                parsed.error = "unknown option --" + key;
                return parsed;
            }
        } else {
            parsed.positional.push_back(arg);
        }
    }
    return parsed;
}

bool numberOption(const ParsedArgs& parsed, const std::string& key, double& value,
                  std::string& error) {
    auto it = parsed.options.find(key);
    if (it == parsed.options.end()) return true;
    auto number = fmt::parseNumber(it->second, '.');
    if (!number) {
        error = "--" + key + " needs a number, not '" + it->second + "'";
        return false;
    }
    value = *number;
    return true;
}

int usageError(const std::string& message, const char* help) {
    std::fprintf(stderr, "varnistrale-cli: %s\n\n%s", message.c_str(), help);
    return kExitUsage;
}

std::optional<int> helpOrUsageError(const ParsedArgs& parsed, const char* help) {
    if (parsed.flags.count("help")) {
        std::fputs(help, stdout);
        return kExitOk;
    }
    if (!parsed.error.empty()) return usageError(parsed.error, help);
    return std::nullopt;
}

int inputError(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
}

void printJson(const std::string& json) {
    std::fwrite(json.data(), 1, json.size(), stdout);
    std::fputc('\n', stdout);
}

bool openForAnalysis(Workspace& ws, const std::string& path, std::string& error) {
    Initialize(ws);
    FileOutcome outcome = openSystemFile(ws, path);
    if (!outcome.ok) {
        error = outcome.message;
        return false;
    }
    if (!ws.evaluation.ok) {
        error = describe(ws.evaluation);
        return false;
    }
    return true;
}

}  // namespace vn::cli
