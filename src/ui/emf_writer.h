// Enhanced metafiles (.emf) of the program's pictures, written with libUEMF:
// every primitive of a recording becomes the matching metafile record (lines,
// polylines, arcs, ellipses, rectangles, pixels and text), so that other
// programs read the picture as vectors and text.
#pragma once

#include <string>

#include "ui/recording_canvas.h"

namespace vn {

// Writes `picture` scaled by (sx, sy) into a metafile of width x height
// pixels at `path`. The file is written under a temporary name beside it and
// renamed at the end, so that a failure leaves no half-written file and an
// older file of that name stays. Returns the error message, empty on success.
std::string writeEmfFile(const RecordingCanvas& picture, int width, int height, double sx,
                         double sy, const std::string& path);

}  // namespace vn
