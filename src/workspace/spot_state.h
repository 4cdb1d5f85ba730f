// State of the spot computation that the spot window, the PSF and the run
// cycle share: the pupil weights, the window's field chooser and focus model,
// the results of the last run and the ray store.
#pragma once

#include <array>
#include <memory>

#include "model/system_model.h"
#include "optics/ray_trace.h"
#include "workspace/psf_grid.h"
#include "workspace/spot_store.h"

namespace vn {

// The spot window's chooser and focus state, in window pixels and model units.
struct SpotWindowState {
    // Top-left pixel of the 200 x 200 field chooser; its centre is 100 pixels
    // further right and down, and 100 pixels there stand for the maximum field
    // angle.
    int chooserX = 275, chooserY = 75;
    int selectedX = 375, selectedY = 75;  // the chosen field point: the top middle
    int markerU = 0, markerV = 75;        // where the field point's chief ray lands
    bool focusKey = false;                // a focus key is held: draw the spots only
    // Focus model: the displayed focal plane lies focus - delta beyond the image
    // surface; track position 100 stands for referenceFocus.
    double focus = -1.0;
    double referenceFocus = -1.0;
    int focusTrack = 100;  // 1..200
    // Colour of the rays last traced (green after a spot computation, the PSF
    // colour after a PSF), for the defocus in waves.
    int lastTracedColour = kGreen;
};

// Results of the last spot computation. Per-field arrays are by field - 1
// (axis, field point); per fit point by J = 0, 1, 2 (-w, 0, +w).
struct SpotResults {
    int rings = 0;        // n of the run: rings 0..n
    int azimuths = 0;     // n_az of the run
    double delta = -1.0;  // focal distance of the focus model the rays are stored with
    // The system was its own mirror image in the meridional plane, and the
    // rays of azimuths beyond n_az / 2 were taken from their mirror images.
    bool mirrored = false;
    double fieldAngle = 0.0;                       // w_sel of the field point, degrees
    double fieldTangent = 0.0;                     // tan(w_sel)
    std::array<double, 3> fitZ{}, fitY{}, fitX{};  // best focus and centroid of the last fit pass
    std::array<double, 3> diffA{}, diffB{};        // (dz, dy, dx) of passes A and B
    double bestSphereRadius = kFlatRadius;         // R_s, model units
    double imageTilt = 0.0;                        // tau, degrees
    double tiltPosition = 0.0;                     // phi, degrees
    double focusShift = 0.0;                       // axial best focus minus the image surface
    std::array<double, 2> chiefY{}, chiefX{};      // green chief rays on the image surface
    // Surface where the trace lost the chief ray (it missed the surface or was
    // totally reflected there), 0 when it reached the image.
    std::array<int, 2> chiefLostAt{};
    double distortion = 0.0;            // percent
    std::array<double, 2> weightSum{};  // surviving pupil weights
    std::array<double, 2> lightLoss{};  // percent
    double vignetting = 0.0;            // field point against axis, percent
    // N / sqrt(1 - V/100); kept from before while the light loss is 100 % or more.
    std::array<double, 2> effectiveFNumber{};
};

struct SpotState {
    PupilWeights weights{};
    SpotWindowState window;
    SpotResults results;
    TraceSystem trace;  // the system as the last spot computation traced it
    // Allocated when the spot window is created (createSpotStore) and kept.
    std::unique_ptr<SpotStore> store;
    std::unique_ptr<PsfGrid> psfGrid;
};

}  // namespace vn
