// The pictures of the render command: the windows' export pictures and the
// files they are written to.
#pragma once

#include <string>

#include "mainwindow/picture_export.h"
#include "workspace/workspace.h"

namespace vn::cli {

// The extension of a file name in lower case, without the dot; empty when
// the name has none.
std::string pictureExtension(const std::string& path);
// png, bmp, svg, pdf or emf, in any case.
bool knownPictureExtension(const std::string& path);

// Writes the picture in the format of the path's extension (a build without
// Qt writes metafiles only).
bool writeRenderedPicture(const RecordingCanvas& picture, const ExportSize& size,
                          const std::string& path, std::string& error);

}  // namespace vn::cli
