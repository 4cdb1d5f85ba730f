#include "mainwindow/layout_export.h"

#include "mainwindow/result_texts.h"
#include "ui/app_emblem.h"

namespace vn {

namespace {

constexpr int kTextSize = 8;
constexpr Rgb kFieldText = 0x000000;  // the result fields' font

// The description, written upwards from y = 643: lines 0 .. m, m the last line
// that holds text, searched from the line count down to line 1.
void writeDescription(Canvas& c, const std::vector<std::string>& lines) {
    const auto holdsText = [&lines](int j) {
        return j < static_cast<int>(lines.size()) &&
               lines[j].find_first_not_of(" \t") != std::string::npos;
    };
    int m = static_cast<int>(lines.size());
    while (m > 1 && !holdsText(m)) --m;
    for (int j = 0; j <= m; ++j)
        if (holdsText(j)) c.text({580, 643 - (m - j) * 20}, lines[j], kTextSize, 0x000000);
}

}  // namespace

EvaluationStatus recordLayoutExport(Workspace& ws, const LayoutLook& look,
                                    const std::string& caption, RecordingCanvas& picture) {
    picture = RecordingCanvas(look.width, look.height);
    LayoutPicture pic;
    const EvaluationStatus status = prepareLayoutPicture(ws, look, pic);
    if (!status.ok) return status;
    pic.forExport = true;
    paintLayout(picture, pic);

    const ResultTexts t = resultTexts(ws, ws.settings.separator);
    const SystemData& sys = ws.model.sys;
    const auto write = [&picture](int x, int y, const std::string& s, Rgb colour = kFieldText) {
        picture.text({x, y}, s, kTextSize, colour);
    };
    write(20, 20, sys.title);
    write(20, 40, sys.source);
    write(20, 60, "f: " + t.focal);
    write(90, 60, "s: " + t.backFocus);
    write(160, 60, "Ob: " + t.obstruction);
    write(230, 20, "Fehler 3. Ordnung");
    write(230, 40, "Seidel ");
    write(230, 60, "Öffng  :  " + t.spherical);
    write(330, 60, "Koma  :  " + t.coma);
    write(430, 60, "Astig   :  " + t.astigmatism);
    write(330, 40, "Verz     :  " + t.distortion);
    write(430, 40, "Krümm :  " + t.curvature);
    write(540, 20, "Farbfehler 1. Ordnung ");
    write(540, 40, "Gauss ");
    write(540, 60, "Chr    :  " + t.chromatic);
    write(640, 40, "Sek   :  " + t.secondary);
    write(640, 60, "CVD  :  " + t.lateralColour);
    const Rgb selection = ws.selection.colour;
    write(750, 20, "selektiert ", selection);
    write(750, 40, ws.selection.itemText, selection);
    write(750, 60, ws.selection.valueText, selection);
    write(45, 648, caption);
    writeDescription(picture, ws.model.sys.description);
    paintAppEmblem(picture, {2, 638});
    return status;
}

}  // namespace vn
