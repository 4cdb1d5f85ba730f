#include "model/data_paths.h"

#include <algorithm>
#include <cstdlib>

#include <unistd.h>

namespace vn {

namespace fs = std::filesystem;

fs::path executableDirectory() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path();
}

fs::path userDataDirectory() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && fs::path(xdg).is_absolute())
        return fs::path(xdg) / "varnistrale";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".local/share/varnistrale";
    return {};
}

bool isReplaceable(const fs::path& file) {
    const fs::path dir = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    return ::access(dir.c_str(), W_OK) == 0 &&
           (::access(file.c_str(), F_OK) != 0 || ::access(file.c_str(), W_OK) == 0);
}

std::vector<fs::path> dataDirectories(const fs::path& startDirectory,
                                      const fs::path& executableDir) {
    std::vector<fs::path> candidates;
    std::error_code ec;
    candidates.push_back(fs::current_path(ec));
    candidates.push_back(startDirectory);
    candidates.push_back(userDataDirectory());
    if (!executableDir.empty())
        candidates.push_back((executableDir / "../share/varnistrale").lexically_normal());

    std::vector<fs::path> out;
    for (fs::path& dir : candidates) {
        if (dir.empty()) continue;
        dir = fs::absolute(dir, ec).lexically_normal();
        if (std::find(out.begin(), out.end(), dir) == out.end()) out.push_back(dir);
    }
    return out;
}

fs::path findDataFile(const fs::path& name, const std::vector<fs::path>& directories) {
    std::error_code ec;
    for (const fs::path& dir : directories) {
        const fs::path file = fs::absolute(dir / name, ec);
        if (!ec && fs::is_regular_file(file, ec)) return file;
    }
    return {};
}

}  // namespace vn
