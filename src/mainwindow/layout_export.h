// The layout's export picture: the layout as the window shows it (the LA/OSC
// diagrams need only a zone count, the measuring marks show unless a selection
// is active), with the window's result texts, the system's description, the
// window's caption and the program's icon written into it.
#pragma once

#include <string>

#include "mainwindow/layout_picture.h"
#include "ui/recording_canvas.h"

namespace vn {

// Draws the export picture into `picture` (replacing it). A model that cannot
// be evaluated leaves `picture` empty; the status says why.
EvaluationStatus recordLayoutExport(Workspace& ws, const LayoutLook& look,
                                    const std::string& caption, RecordingCanvas& picture);

}  // namespace vn
