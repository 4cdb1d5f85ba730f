#include "mainwindow/result_texts.h"

#include "model/number_format.h"

namespace vn {

ResultTexts resultTexts(const Workspace& ws, char separator) {
    const AberrationSums& s = ws.sums;
    const double lengthFactor = ws.settings.controls.normalised ? 1.0 : ws.model.sys.focalLengthRef;
    const auto fixed = [separator](double v, int precision, int decimals) {
        return fmt::fixed(v, precision, decimals, separator);
    };
    const bool seidel = ws.evaluation.seidelComputable;
    const auto seidelText = [&](float v) { return seidel ? fixed(v, 5, 3) : std::string(); };
    ResultTexts t;
    t.spherical = seidelText(s.spherical);
    t.coma = seidelText(s.coma);
    t.astigmatism = seidelText(s.astigmatism);
    t.curvature = seidelText(s.curvature);
    t.distortion = seidelText(s.distortion);
    t.backFocus = fixed(ws.paraxial.backFocus * lengthFactor, 7, 5);
    t.focal = fixed(ws.model.sys.normFocal * lengthFactor, 7, 5);
    t.obstruction = fixed(ws.layout.obstructionRatio, 5, 3);
    t.chromatic = fixed(s.chromatic, 6, 5);
    t.secondary = fixed(s.secondary, 6, 5);
    t.lateralColour = fixed(s.lateralColour, 6, 5);
    return t;
}

}  // namespace vn
