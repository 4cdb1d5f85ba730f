// Where the program finds its data files (the glass catalogue): the folders it
// searches, in order.
#pragma once

#include <filesystem>
#include <vector>

namespace vn {

// The folder of the running executable; empty where it cannot be told.
std::filesystem::path executableDirectory();

// The user's own data folder, $XDG_DATA_HOME/varnistrale (by default
// ~/.local/share/varnistrale); empty when neither variable is set.
std::filesystem::path userDataDirectory();

// Whether a file may be replaced where it is: the file and its folder are
// writable (a replacement is written beside it and renamed).
bool isReplaceable(const std::filesystem::path& file);

// The folders searched for a data file, in this order: the current directory,
// the directory that was current when the program started, the user's data
// folder ($XDG_DATA_HOME/varnistrale, by default ~/.local/share/varnistrale),
// and the installed data folder beside the executable (../share/varnistrale).
// Empty or repeated entries are left out; every entry is absolute.
std::vector<std::filesystem::path> dataDirectories(
    const std::filesystem::path& startDirectory,
    const std::filesystem::path& executableDir = executableDirectory());

// The first regular file `name` in `directories`, as an absolute path (file
// dialogs change the current directory later); empty when there is none.
std::filesystem::path findDataFile(const std::filesystem::path& name,
                                   const std::vector<std::filesystem::path>& directories);

}  // namespace vn
