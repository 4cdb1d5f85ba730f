#include "cli/render_output.h"

#include <algorithm>
#include <cctype>

namespace vn::cli {

std::string pictureExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos) return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool knownPictureExtension(const std::string& path) {
    const std::string ext = pictureExtension(path);
    return ext == "png" || ext == "bmp" || ext == "svg" || ext == "pdf" || ext == "emf";
}

}  // namespace vn::cli
