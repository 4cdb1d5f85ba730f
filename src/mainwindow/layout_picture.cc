#include "mainwindow/layout_picture.h"

#include "mainwindow/run_cycle.h"

namespace vn {

EvaluationStatus repaintLayout(Workspace& ws, const LayoutLook& look) {
    ws.view.clientHeight = look.height;
    const EvaluationStatus status = prepareRepaint(ws);
    if (!status.ok) return status;
    // Measuring shows no selection.
    if (ws.selection.measuring) ws.flags.selectionActive = false;
    LayoutPicture pic = layoutPictureOf(ws, look.width, look.height, look.decentring);
    pic.background = look.background;
    pic.highlight = look.highlight;
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
