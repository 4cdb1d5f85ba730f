// The render command's files in a build without Qt: enhanced metafiles only.
#include "cli/render_output.h"
#include "ui/emf_writer.h"

namespace vn::cli {

bool writeRenderedPicture(const RecordingCanvas& picture, const ExportSize& size,
                          const std::string& path, std::string& error) {
    if (pictureExtension(path) != "emf") {
        error = "this build writes metafiles (.emf) only; PNG, BMP, SVG and PDF need the Qt build";
        return false;
    }
    const double w = std::max(1, picture.width()), h = std::max(1, picture.height());
    error = writeEmfFile(picture, size.width, size.height, size.drawnWidth / w,
                         size.drawnHeight / h, path);
    return error.empty();
}

}  // namespace vn::cli
