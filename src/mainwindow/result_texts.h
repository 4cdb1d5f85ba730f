// The texts of the main window's result fields, composed once for the window
// and for the layout's export picture, which repeats them.
#pragma once

#include <string>

#include "workspace/workspace.h"

namespace vn {

struct ResultTexts {
    std::string focal;        // ValBrenn "f"
    std::string backFocus;    // ValSchnitt "s"
    std::string obstruction;  // ObstrEdit "Ob"
    // Seidel sums; empty when they are not computable.
    std::string spherical, coma, astigmatism, curvature, distortion;
    std::string chromatic, secondary, lateralColour;  // ValAchr, ValSek, ValCVD
};

ResultTexts resultTexts(const Workspace& ws, char separator);

}  // namespace vn
