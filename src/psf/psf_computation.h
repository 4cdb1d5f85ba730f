// The PSF computation of the PSF window (BerechnePSF): the diffraction image
// of the field point in one colour at the current focus, from the rays of the
// last spot computation, on a polar grid; and the aberration-free reference
// profile of the same pupil.
//
// For image point (r, i) the pupil sum runs over the rays of rings k = 1..n and
// azimuths e, with the pupil data rotated by i azimuth steps (f = e - i):
//   P = cos(2 pi e / n_az) r rho_k (lambda_g / lambda_c) / D Ord + wave_fk
//       + delta / lambda_c 1000 (1 / N_0 - 1 / N_fk)           (waves)
//   PSF(r, i) = (sum A cos 2 pi P / sum A)^2 + (sum A sin 2 pi P / sum A)^2,
// A = sqrt(pupil weight), the sum of A in single precision. A perfect,
// unobstructed pupil gives 1 at the centre.
#pragma once

#include <vector>

#include "base/worker_pool.h"
#include "spot/spot_computation.h"
#include "workspace/psf_grid.h"
#include "workspace/spot_store.h"

namespace vn {

// What one PSF computation reads besides the stored rays and weights.
struct PsfSetup {
    int azimuths = 0;  // n_az of the stored rays
    int rings = 0;     // n: rings 1..n enter the sum
    int radius = 40;   // D, grid steps
    int order = 2;     // Ord: the grid radius is Ord 2 lambda_g N in the image
    int colour = kGreen;
    double lambdaC = 0.546074;  // wavelength of the PSF colour, micrometres
    double lambdaG = 0.546074;  // green wavelength, micrometres; fixes the image scale
    double fNumber = 10.0;
    double focalMm = 1000.0;
    double focus = -1.0, delta = -1.0;   // F and delta of the focus model
    const double* ringRadius = nullptr;  // rho_k, k = 0..n
};

// The setup of the workspace: the sampling of the stored rays, the PSF
// settings, the current focus.
PsfSetup psfSetup(const Workspace& ws);

// Defocus of the focal plane from the spot computation's image surface,
// delta = (1 - F / delta_focus) f_mm, millimetres.
double psfDefocus(const PsfSetup& s);

// Angular radius of the grid, theta = Ord lambda_g / 1000 N 2 / f_mm, radians.
double psfGridAngle(const PsfSetup& s);

// Path change of a ray in waves when the focal plane moves by `defocusMm`,
// from the axial direction cosines of the central ray and of the ray; 0 when
// it is not finite (a direction without axial component).
double focusWaves(double defocusMm, double lambdaC, double n0, double n);

// The reference profile I0(r) for r = 0..D into slot 0 (columns 0..2) and the
// profile copy, and the PSF into slot 1, with the pupil sum evaluated fast on
// all threads of `pool`. `transmission` is the sum of A^2 over n_az n. A field
// point without a transmitted ray gives a PSF of zeros, transmission 0 and a
// status that says so. Allocates nothing.
ComputeStatus computePsf(const PsfSetup& s, const SpotStore& store, const PupilWeights& weights,
                         PsfGrid& grid, float& transmission, WorkerPool& pool);

// BerechnePSF: computePsf on the workspace (the spot store must exist), and
// the figures of the PSF window's state; the PSF is no longer stale.
ComputeStatus BerechnePSF(Workspace& ws, WorkerPool& pool = sharedWorkerPool());

// The pupil sum and the reference profile evaluated term by term as written
// above, one sin and cos per term, on one thread: the oracle of the fast sum.
// psf is by [r (n_az) + i], r = 0..D; profile by r.
void psfReferenceSum(const PsfSetup& s, const SpotStore& store, const PupilWeights& weights,
                     std::vector<double>& psf, std::vector<double>& profile, float& transmission);

}  // namespace vn
