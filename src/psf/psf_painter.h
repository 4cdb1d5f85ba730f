// The picture of the PSF window: the PSF as a grey polar picture on a
// logarithmic scale with the grating overlay, the aberration-free reference
// image, the MTF and PTF curves with the reference MTF, and the figures of
// the last PSF. Drawn from the stored grid and its analysis onto any canvas;
// the window replays the recording. A second picture holds the PSF alone.
#pragma once

#include <string>

#include "ui/canvas.h"
#include "workspace/workspace.h"

namespace vn {

inline constexpr int kPsfWindowWidth = 644;  // client area of the PSF window
inline constexpr int kPsfWindowHeight = 376;
inline constexpr int kPsfGraphSize = 220;  // the PSF alone

namespace psf_colour {
inline constexpr Rgb purple = 0x800080;
inline constexpr Rgb navy = 0x800000;
inline constexpr Rgb frameGrey = 0x808080;
inline constexpr Rgb gridGreen = 0x008000;
inline constexpr Rgb blue = 0xFF0000;
inline constexpr Rgb yellow = 0x00FFFF;
inline constexpr Rgb silver = 0xC0C0C0;
inline constexpr Rgb red = 0x0000FF;
inline constexpr Rgb black = 0x000000;
inline constexpr Rgb note = 0x000080;
}  // namespace psf_colour

struct PsfLook {
    Rgb background = 0xF0F0F0;  // button face
    Rgb tooltip = 0xE1FFFF;     // tooltip background, the PTF marker line
    int fontSize = 8;
    char separator = '.';
    double contrast = 45.0;   // grey steps per decade of intensity
    bool markers = true;      // "Markierung": the marker lines and circle, the navy rim
    int gratingAngle = 0;     // alpha, degrees
    double halfAngle = 15.0;  // beta, degrees
    // The export variant: numbers in field widths, the grating texts that are
    // controls on the screen, and the main window's caption.
    bool exportRendering = false;
    std::string caption;
};

// Palette index of an intensity: log10(max(v, 1e-6)) x contrast + 127, black
// below 0, rounded, modulo 128. Each decade spans `contrast` grey steps.
int psfGreyIndex(double v, double contrast);

// Frequency index of the grating on the MTF axis, J = Nearest(40 / axis end /
// period); 0 when it is not defined.
int gratingFrequencyIndex(double axisEndPerArcsec, double periodArcsec);

// The MTF-based Strehl value can leave 0..1 (the curves are sampled); such a
// value is shown marked, beside the peak ratio.
bool strehlPlausible(double strehl);

// The PSF window's picture; ws.psf.analysis must be the analysis of the
// stored grid.
void paintPsfWindow(Canvas& canvas, const Workspace& ws, const PsfLook& look);

// The PSF alone, 220 x 220 pixels on black, centred at (110, 110).
void paintPsfGraph(Canvas& canvas, const Workspace& ws, const PsfLook& look);

}  // namespace vn
