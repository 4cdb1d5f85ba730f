// The star test: the diffraction image of a star in the PSF colour at the
// spot window's field point, at a row of focal planes inside focus, at focus
// and outside focus, as a telescope maker sees it at the eyepiece.
//
// The images come from the rays of the last spot computation, as the PSF
// does: the wavefront deviation of each ray, the PSF window's focus term and
// the pupil weights of the field point (which carry the obstruction and the
// spider vanes). A defocused image is a disc many Airy radii wide, which the
// PSF's polar grid of a few Airy radii cannot hold, so the star test takes the
// Fourier route instead:
//   1. the amplitude sqrt(weight) and the wavefront of the rays are
//      interpolated (bilinearly in ring radius and azimuth) onto a square grid
//      of L x L points across the pupil diameter;
//   2. each image adds its defocus d rho^2 (d waves peak to valley over the
//      pupil of radius 1) and is the squared modulus of the pupil function's
//      Fourier transform, zero-padded to M = 2 L:
//        I(u) = |sum A exp(2 pi i (W + d rho^2 + p . u))|^2 / (sum A)^2,
//      the PSF's pupil sum (p the pupil point in units of the pupil radius, u
//      the image point in units of 2 N lambda), so that a perfect pupil gives 1
//      at the centre of the focused image.
// The grid follows from the steepest wavefront slope g (waves per pupil
// radius, defocus included): a ray lands at |u| <= g, and the transform's
// field reaches |u| = L / 4, so L is the power of two with L / 4 >= 1.3 g + 4
// (a margin of 30 % and 8 lambda N for the diffraction fringes beyond the
// geometric edge). The phase then changes by less than 0.4 waves between grid
// points, below the half wave at which the sampling would alias. The padding
// by two samples the intensity, whose band is twice the amplitude's, without
// aliasing, and fixes the pixel at lambda N / 2 in the image whatever the
// grid: the default row (8 waves, a perfect pupil) has L = 128 and a
// transform of 256 x 256 points, in which the defocused disc has a radius of
// 64 pixels. The images keep the central square that holds the light.
#pragma once

#include <complex>
#include <string>
#include <vector>

#include "base/worker_pool.h"
#include "psf/fft.h"
#include "psf/psf_computation.h"

namespace vn {

inline constexpr double kStarTestDefaultDefocus = 8.0;  // waves peak to valley
inline constexpr double kStarTestMinDefocus = 0.5;
// The pupil grid ends at L = 512 (a transform of 1024 x 1024 points, 16 MB);
// 40 waves of defocus on a perfect pupil need L = 512.
inline constexpr double kStarTestMaxDefocus = 40.0;
inline constexpr int kStarTestDefaultSteps = 5;
inline constexpr int kStarTestMinSteps = 2;
inline constexpr int kStarTestMaxSteps = 11;
inline constexpr int kStarTestMinPupil = 64;
inline constexpr int kStarTestMaxPupil = 512;

struct StarTestSettings {
    // The outermost images lie this many waves of defocus (peak to valley)
    // inside and outside focus.
    double defocusWaves = kStarTestDefaultDefocus;
    // Images in the row, evenly spaced from -defocus to +defocus; an odd count
    // has the focused image in the middle.
    int steps = kStarTestDefaultSteps;
};

// The defocus of each image of the row, waves: negative inside focus (the
// focal plane moved towards the optics, against the light), positive outside.
std::vector<double> starTestDefocusRow(const StarTestSettings& settings);

// The settings, checked: an empty string when they are valid, else a German
// message that names the value and its range.
std::string checkStarTestSettings(const StarTestSettings& settings);

struct StarTestImage {
    double defocusWaves = 0.0;  // signed as in starTestDefocusRow
    // S x S intensities (the central part of the transform that holds the
    // light), row-major: row a, column b is the image point
    // u_y = (a - S / 2) du, u_x = (b - S / 2) du (du = 1/4, the pixel), the frame
    // of the pupil azimuths (y along azimuth 0) in which the PSF grid's
    // azimuth i lies at the angle -2 pi i / n_az. Normalised as the PSF.
    std::vector<float> intensity;
    float peak = 0.0f;
    // Centroid of the light, pixels (row, column).
    double centreRow = 0.0, centreColumn = 0.0;
    // Ring-intensity profile: the mean intensity of the pixels whose distance
    // from the centroid rounds to b pixels, b = 0..S / 2 - 1.
    std::vector<double> profile;
};

struct StarTestResult {
    int size = 0;           // S, pixels per side of each image
    int transformSize = 0;  // M = 2 L, points per side of the transform
    int pupilSamples = 0;   // L, grid points across the pupil diameter
    double pixelUm = 0.0;   // lambda N / 2, micrometres
    double pixelArcsec = 0.0;
    double wavelength = 0.0;  // lambda_c, micrometres
    // Radius, pixels around the image centre, outside which the images hold
    // no light worth showing (the geometric bound with its margin); the
    // images are the square around it, S = 2 ceil(lightRadius) <= M.
    double lightRadius = 0.0;
    // The wavefront is too steep for the largest grid: the outer images fold
    // over their edges.
    bool undersampled = false;
    float transmission = 0.0f;  // mean pupil weight of the rays, as the PSF's
    std::vector<StarTestImage> images;
};

// The working space, kept between computations; it grows to the largest grid
// asked for and is reused.
struct StarTestWork {
    Fft fft;
    std::vector<std::complex<double>> pupil;  // A exp(2 pi i W) on the L x L grid
    std::vector<double> rho2;                 // rho^2 of the grid points
    std::vector<std::complex<double>> field;  // the M x M transform
    // Per thread: a block of columns of the transform.
    std::vector<std::vector<std::complex<double>>> column;
    std::vector<int> count;        // pixels per ring of the profile
    std::vector<double> wave;      // W + focus term per ray [j n + k - 1]
    std::vector<float> amplitude;  // sqrt(weight) per ray, 0 when it is not transmitted
};

// The sign s of the defocus term that moving the focal plane along the light
// adds to the rays' wavefronts: an image d waves outside focus adds
// s d rho^2. Read from the focus model and the PSF's focus term, so that it
// holds for any number of mirrors.
double extrafocalSign(const PsfSetup& s, const SpotStore& store);

// The row of images for the settings. A field point without a transmitted ray
// gives empty images (zeros) and a status that says so; invalid settings give
// no images and the message of checkStarTestSettings.
ComputeStatus computeStarTest(const PsfSetup& s, const SpotStore& store,
                              const PupilWeights& weights, const StarTestSettings& settings,
                              StarTestResult& result, StarTestWork& work, WorkerPool& pool);

// computeStarTest with the setup of the workspace after a spot computation.
ComputeStatus computeStarTest(const Workspace& ws, const StarTestSettings& settings,
                              StarTestResult& result, StarTestWork& work,
                              WorkerPool& pool = sharedWorkerPool());

}  // namespace vn
