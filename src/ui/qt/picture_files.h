// Picture files and printouts of a recording: Windows bitmaps, PNG, SVG, PDF
// and enhanced metafiles, all drawn from the same recording, and the printer.
#pragma once

#include <QString>
#include <optional>

#include "mainwindow/picture_export.h"
#include "ui/recording_canvas.h"

class QPrinter;

namespace vn {

enum class PictureFormat { Bmp, Png, Svg, Pdf, Emf };

// The format a file name asks for by its extension, none for another one.
std::optional<PictureFormat> pictureFormatOf(const QString& path);

// Writes the recording stretched to size.drawnWidth x size.drawnHeight on a
// picture of size.width x size.height (white around it). The file appears only
// when it is complete; an older file of the name stays until then. Returns the
// message for the user, empty on success.
QString writePictureFile(const RecordingCanvas& picture, const ExportSize& size,
                         const QString& path, PictureFormat format);

// Prints the recording at the top left of the page, as wide as the page at
// zoom 100. Returns the message for the user, empty on success.
QString printPicture(QPrinter& printer, const RecordingCanvas& picture, int zoomPercent);

}  // namespace vn
