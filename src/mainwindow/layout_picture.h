// The main window's picture routine: evaluate the current model, trace the
// zone rays and the fan, draw the layout onto the workspace's recording, and
// take the marked ray's texts into the selection box.
#pragma once

#include "mainwindow/layout_painter.h"
#include "workspace/workspace.h"

namespace vn {

// How the window shows the layout: its drawing area and its colours.
struct LayoutLook {
    int width = 0, height = 0;
    Rgb background = 0xF0F0F0;  // button face
    Rgb highlight = 0xE1FFFF;   // tooltip background
    double decentring = 0.0;    // the tolerance offset dy of the picked surface
};

// Evaluates the model for a picture in the window's drawing area and fills
// `pic` with what the drawing reads, in the window's colours. Measuring shows
// no selection. `pic` is untouched when the model cannot be evaluated.
EvaluationStatus prepareLayoutPicture(Workspace& ws, const LayoutLook& look, LayoutPicture& pic);

// Repaints ws.pictures.layout. A model that cannot be evaluated keeps the last
// good recording; the status says why.
EvaluationStatus repaintLayout(Workspace& ws, const LayoutLook& look);

}  // namespace vn
