#include "mainwindow/layout_picture.h"

#include "mainwindow/run_cycle.h"

namespace vn {

EvaluationStatus prepareLayoutPicture(Workspace& ws, const LayoutLook& look, LayoutPicture& pic) {
    ws.view.clientHeight = look.height;
    const EvaluationStatus status = prepareRepaint(ws);
    if (!status.ok) return status;
    if (ws.selection.measuring) ws.flags.selectionActive = false;
    pic = layoutPictureOf(ws, look.width, look.height, look.decentring);
    pic.background = look.background;
    pic.highlight = look.highlight;
    return status;
}

EvaluationStatus repaintLayout(Workspace& ws, const LayoutLook& look) {
    LayoutPicture pic;
    const EvaluationStatus status = prepareLayoutPicture(ws, look, pic);
    if (!status.ok) return status;
    ws.pictures.layout = RecordingCanvas(look.width, look.height);
    const MarkedRayTexts marked = paintLayout(ws.pictures.layout, pic);
    SelectionState& s = ws.selection;
    if (!s.pickMarked) s.pickMarkedSurface = 0;
    if (marked.shown) {
        s.itemText = marked.item;
        s.valueText = marked.value;
        s.colour = layout_colour::rgbFuchsia;
    }
    return status;
}

}  // namespace vn
