// What the PSF window holds: the test-grating angle, the figures of the last
// PSF computation and the quantities derived from its grid.
#pragma once

#include <array>

namespace vn {

inline constexpr int kMtfFrequencies = 40;

// Encircled energy within the first and the second dark ring, and the radii of
// those rings in arcseconds.
struct EncircledEnergy {
    double E0 = 0.0, E1 = 0.0;
    double R0 = 0.0, R1 = 0.0;
};

// Quantities derived from the grid on every repaint of the PSF window.
struct PsfAnalysis {
    double peak = 0.0;  // largest PSF value ("DH")
    int peakRadius = 0, peakAzimuth = 0;
    double totalEnergy = 0.0;      // sum of r PSF(r, i)
    double referenceEnergy = 0.0;  // sum of r I0(r), r < D
    EncircledEnergy psf, reference;
    // Per frequency index J = 1..40 (array index J - 1): modulation of the PSF
    // along the grating, of the reference profile, and the phase transfer in
    // units of 2.5 degrees of grating phase, halved.
    std::array<float, kMtfFrequencies> mtf{}, mtfReference{}, ptf{};
    double strehl = 0.0;
    // Peak of the PSF over the peak of the aberration-free reference of the
    // same pupil: the classical Strehl ratio, beside the one from the MTF.
    double strehlPeak = 0.0;
    double frequencyEndPerArcsec = 0.0;  // cycles per arcsecond at J = 40
};

struct PsfState {
    // Test-grating angle of the PSF window, degrees, -90..90 (program-wide copy).
    double gratingAngle = 0.0;
    // Of the last computation:
    bool computed = false;
    int radius = 0;             // D
    int azimuths = 0;           // n_az
    int colour = 0;             // colour number
    int order = 0;              // Ord
    float transmission = 0.0f;  // mean pupil weight of the field point ("Ob")
    double defocus = 0.0;       // delta, mm
    double gridAngle = 0.0;     // angular radius theta of the grid, radians
    double wavelength = 0.0;    // lambda_c, micrometres
    PsfAnalysis analysis;
};

}  // namespace vn
