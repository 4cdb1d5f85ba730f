#include "mainwindow/picture_export.h"

#include <algorithm>

#include "model/number_format.h"

namespace vn {

namespace {

const char* prefixOf(GraphicSource source) {
    switch (source) {
        case GraphicSource::Layout:
            return "Layout";
        case GraphicSource::SpotWindow:
            return "Spot";
        case GraphicSource::PsfWindow:
            return "PSF";
        case GraphicSource::PsfGraph:
            return "PSFGraphik";
        case GraphicSource::StarTest:
            return "Sterntest";
    }
    return "";
}

// The name of a file without its folder and its last extension.
std::string stemOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

int atLeastOne(double pixels) {
    return std::max(1, Nearest(pixels));
}

}  // namespace

std::string mainWindowCaption(const std::string& systemFile) {
    const std::string stem = stemOf(systemFile);
    return stem.empty() ? "Varnistrale" : "Varnistrale - " + stem;
}

std::string proposedExportName(GraphicSource source, const std::string& systemFile) {
    return prefixOf(source) + stemOf(systemFile);
}

ExportSize exportSize(GraphicSource source, GraphicDestination destination,
                      const RecordingCanvas& picture, int bitmapWidth, int zoomPercent) {
    const double w = std::max(1, picture.width());
    const double h = std::max(1, picture.height());
    ExportSize size;
    if (destination == GraphicDestination::Metafile) {
        const double q = 650.0 / w * zoomPercent / 100.0;
        size.width = size.drawnWidth = atLeastOne(w * q);
        size.height = size.drawnHeight = atLeastOne(h * q);
        return size;
    }
    if (source == GraphicSource::PsfGraph) {
        const double q = bitmapWidth / 220.0;
        size.width = size.height = atLeastOne(q * 220.0);
        size.drawnWidth = atLeastOne(w * q);
        size.drawnHeight = atLeastOne(h * q);
        return size;
    }
    const double q = bitmapWidth / w;
    size.width = size.drawnWidth = atLeastOne(w * q);
    size.height = size.drawnHeight = atLeastOne(h * q);
    return size;
}

ExportSize printSize(const RecordingCanvas& picture, int pageWidth, int zoomPercent) {
    const double w = std::max(1, picture.width());
    const double h = std::max(1, picture.height());
    const double q = pageWidth / w * zoomPercent / 100.0;
    ExportSize size;
    size.width = size.drawnWidth = atLeastOne(w * q);
    size.height = size.drawnHeight = atLeastOne(h * q);
    return size;
}

}  // namespace vn
