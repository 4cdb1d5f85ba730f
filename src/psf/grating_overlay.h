// The test grating over the PSF picture: its direction, turned by dragging
// inside the picture, and the two marker lines at +-beta beside it, whose
// angle sets the grating period and which are dragged at the picture's rim.
// Pure state and rules; the PSF window feeds it the mouse.
#pragma once

namespace vn {

struct GratingOverlay {
    int angle = 0;            // alpha, degrees, -90..90, a multiple of 5
    double halfAngle = 15.0;  // beta, degrees, between the grating and each marker
    bool rotating = false;
    bool movingFirst = false;   // the marker at -alpha - beta
    bool movingSecond = false;  // the marker at -alpha + beta
    double startAngle = 0.0;    // pointer angle at the press
    double startRadius = 0.0;   // pointer distance from the centre at the press
    double delta = 0.0;         // angle change of the drag so far
    double pointer = 0.0;  // last pointer angle, kept while the pointer is level with the centre
};

inline constexpr int kGratingCentreX = 110, kGratingCentreY = 120;

// What a release changed.
struct GratingRelease {
    bool repaint = false;       // the press was inside the marker rim
    bool angleChanged = false;  // the grating was turned: alpha is new
};

// Pointer angle from straight up, clockwise, degrees; the last angle when
// the pointer is level with the centre.
double gratingPointerAngle(GratingOverlay& g, int x, int y);

// A press: inside radius 102 turns the grating; between 102 and 111 within
// 2 degrees of a marker line drags that marker; elsewhere nothing.
void gratingPress(GratingOverlay& g, int x, int y);
// A move while a button is held: the drag's angle change.
void gratingMove(GratingOverlay& g, int x, int y);
// The release: a turn snaps alpha to 5 degrees and wraps it into -90..90; a
// marker drag widens or narrows beta.
GratingRelease gratingRelease(GratingOverlay& g, int x, int y);

// Grating period from the marker geometry: factor (sin beta, or tan of the
// dragged marker's angle from the grating) x theta x 2 / one arcsecond / D x
// 110, arcseconds; and that in micrometres at the focal length f_mm.
double gratingPeriodArcsec(double factor, double gridAngle, int radius);
double gratingPeriodUm(double arcsec, double focalMm);

// Where the drag preview stands: the angle shown while turning, the period
// while a marker is dragged.
double gratingPreviewFactor(const GratingOverlay& g);

}  // namespace vn
