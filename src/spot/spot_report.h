// The numbers the spot window shows beside its picture (rekonstruieren): the
// reference circles, the defocus lines, the image field and the report table,
// and spot statistics per colour and field for the batch command.
#pragma once

#include <array>

#include "workspace/workspace.h"

namespace vn {

struct SpotReport {
    double fieldAngle = 0.0;        // w_sel, degrees ("Bildwinkel")
    double imageFieldHeight = 0.0;  // f' tan(maximum field angle), model units
    // Reference circles in pixels of the spot picture, and their diameters.
    double airyRadius = 0.0;  // N 1.22 lambda_green S / 1000, unrounded
    int airyRadiusPx = 0, grainRadiusPx = 0, seeingRadiusPx = 0;
    double airyDiameterUm = 0.0, grainDiameterUm = 0.0;
    double fieldSizeDegrees = 0.0;   // 2 x maximum field angle ("Bildfeldgröße")
    double imageFieldWidthMm = 0.0;  // 2 tan(maximum field angle) f_mm
    // Defocus of the displayed plane from the image surface, in waves of the
    // colour last traced ("Strahl-Defokus"), and from the paraxial image plane
    // in mm and in waves of the PSF colour ("Gauß-Defokus"); side +1 behind
    // the focus ("extrafokal"), -1 before it ("intrafokal"), 0 on it.
    double rayDefocusWaves = 0.0;
    double gaussDefocusMm = 0.0;
    int gaussDefocusSide = 0;
    double gaussDefocusWaves = 0.0;
    double targetGaussDefocusWaves = 0.0;  // "Ziel Gauß-Def."
    // The table on the right.
    double focalLengthMm = 0.0, apertureMm = 0.0, backFocusMm = 0.0, lengthMm = 0.0;
    double distortion = 0.0, vignetting = 0.0, obstruction = 0.0;
    std::array<double, 2> effectiveFNumber{};  // axis ("B :"), field point ("eff. Blende")
    double imageTilt = 0.0, tiltPosition = 0.0;
    double imageRadius = 0.0;              // R_s / f' ("Bildradius", in focal lengths)
    std::array<double, 3> wavelengthNm{};  // red, green, blue
};

// What rekonstruieren and the report begin with: computes the values from the
// workspace after a spot computation, and updates what the window keeps (the
// effective f-numbers, which stay as they were for a light loss of 100 % or
// more, and the chief-ray marker of the chooser). Divisions by a vanishing
// f-number, focal length or field give 0 instead.
SpotReport rekonstruierenValues(Workspace& ws);

// Statistics of the spot of one field (1 axis, 2 field point) and colour on
// the current focal plane, over the rays with a positive pupil weight, the
// central ray counted once: positions relative to the green chief ray of the
// field, radii relative to the spot's own centroid, in micrometres.
struct SpotStatistics {
    int rays = 0;
    double rmsRadiusUm = 0.0;
    double geoRadiusUm = 0.0;  // largest distance from the centroid
    double centroidXUm = 0.0, centroidYUm = 0.0;
};
SpotStatistics spotStatistics(const Workspace& ws, int field, int colour);

}  // namespace vn
