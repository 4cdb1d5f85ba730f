// Export and printing of the program's pictures: which picture, under which
// proposed name, at which size. The files and the printer are written by the
// window layer from the recordings these sizes apply to.
#pragma once

#include <string>

#include "settings/settings.h"
#include "ui/recording_canvas.h"

namespace vn {

struct Workspace;

// The main window's caption: the program's name, followed by the system file's
// name without folder and extension when there is a file.
std::string mainWindowCaption(const std::string& systemFile);

// The proposed file name: the source's prefix followed by the system file's
// name without folder and extension (the prefix alone without a file).
std::string proposedExportName(GraphicSource source, const std::string& systemFile);

// Size of the written picture and of the rectangle the recording is stretched
// into, from its top-left corner.
struct ExportSize {
    int width = 0, height = 0;
    int drawnWidth = 0, drawnHeight = 0;
};

// A picture file: a bitmap `bitmapWidth` pixels wide with the source window's
// aspect ratio (the PSF graph square), or a metafile 650 pixels wide at zoom
// 100 that grows and shrinks with the zoom.
ExportSize exportSize(GraphicSource source, GraphicDestination destination,
                      const RecordingCanvas& picture, int bitmapWidth, int zoomPercent);

// The rectangle on a printer page `pageWidth` pixels wide: the picture with its
// own aspect ratio over the page width at zoom 100, half of it at zoom 50.
ExportSize printSize(const RecordingCanvas& picture, int pageWidth, int zoomPercent);

// Client size of the main window's drawing area at the window's design size,
// at which the batch command draws the layout.
inline constexpr int kDesignLayoutWidth = 1017, kDesignLayoutHeight = 680;

}  // namespace vn
