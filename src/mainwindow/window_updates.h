// What the analysis windows run before they draw, and the live update of
// the spot, PSF and star-test windows after every change of the system.
#pragma once

#include <string>

#include "psf/psf_painter.h"
#include "psf/star_test.h"
#include "psf/star_test_painter.h"
#include "spot/spot_computation.h"
#include "spot/spot_painter.h"
#include "workspace/workspace.h"

namespace vn {

// The spot window's paint logic before drawing: the run cycle when no
// selection is active, then berechnen when the model or the focal-surface
// choice changed or no spots exist yet, clearing those two flags.
ComputeStatus updateSpots(Workspace& ws, WorkerPool& pool = sharedWorkerPool());

// Records the pictures from what is stored, computing nothing: the spot
// window's into ws.pictures.spot, the PSF window's into ws.pictures.psf and
// the PSF alone into ws.pictures.psfGraph (with the analysis of the grid).
void recordSpots(Workspace& ws, const SpotLook& look);
void recordPsf(Workspace& ws, const PsfLook& look, WorkerPool& pool = sharedWorkerPool());

// The spot window's repaint: updateSpots, then its picture.
ComputeStatus repaintSpots(Workspace& ws, const SpotLook& look,
                           WorkerPool& pool = sharedWorkerPool());

// The PSF window's repaint: nothing while the spots wait for the changed
// model; the PSF computed when it is stale, then both PSF pictures.
ComputeStatus repaintPsf(Workspace& ws, const PsfLook& look, WorkerPool& pool = sharedWorkerPool());

// Which analysis windows are visible, and how they look.
struct AnalysisWindows {
    bool spot = false, psf = false, starTest = false;
    SpotLook spotLook;
    PsfLook psfLook;
    // The star-test window's picture (its size, linear or logarithmic) and
    // the row it asks for.
    StarTestLook starTestLook{kStarTestPictureWidth, kStarTestPictureHeight};
    StarTestSettings starTestSettings;
};

// The star test's last row with the working space it reuses, and the
// outcome of its computation (the message kept as text, so that a result
// computed on another thread carries it safely).
struct StarTestState {
    StarTestResult result;
    StarTestWork work;
    bool ok = false;
    std::string message;
};

// The star-test row for `settings` from the stored rays of the last spot
// computation, at the PSF colour, the spot window's field point and focus.
// Without spots (or with a changed model) the state holds no images and the
// message says why.
ComputeStatus computeStarTestRow(const Workspace& ws, const StarTestSettings& settings,
                                 StarTestState& state, WorkerPool& pool = sharedWorkerPool());

// Records the star-test picture of the state into ws.pictures.starTest,
// computing nothing; a state without images shows its message.
void recordStarTest(Workspace& ws, const StarTestState& state, const StarTestLook& look);

// Whether the row asks for transforms large enough that the window should
// compute it in the background (judged from the defocus, which sets the
// least grid, and the number of images).
bool starTestIsHeavy(const StarTestSettings& settings);

// After a change of the system (a step, an editor "ok", a synthesis, a
// tolerance offset): the spots and the PSF of the visible windows computed
// again at once, and their pictures recorded.
ComputeStatus updateAnalysis(Workspace& ws, const AnalysisWindows& windows,
                             WorkerPool& pool = sharedWorkerPool());
// The same with the star-test window, whose row is computed into `starTest`
// when it is visible.
ComputeStatus updateAnalysis(Workspace& ws, const AnalysisWindows& windows, StarTestState& starTest,
                             WorkerPool& pool = sharedWorkerPool());

// A focus step through the PSF (up: F / (1 + step), down: F (1 + step)), the
// reference focus and the spot window's track moved to it, the PSF computed
// there and the visible pictures recorded.
ComputeStatus focusThroughPsf(Workspace& ws, bool up, const AnalysisWindows& windows,
                              WorkerPool& pool = sharedWorkerPool());
ComputeStatus focusThroughPsf(Workspace& ws, bool up, const AnalysisWindows& windows,
                              StarTestState& starTest, WorkerPool& pool = sharedWorkerPool());

// The export picture of the spot window, the PSF window, the PSF graph or the
// star test into `picture`, computed first where the spots or the PSF are
// stale, as the windows do when they open: the window's picture with numbers
// in field widths, the caption and the program's icon; the PSF graph as on
// screen; the star test with the row and look of `looks`, its caption and
// the icon in a line under it.
ComputeStatus recordWindowExport(Workspace& ws, GraphicSource source, const AnalysisWindows& looks,
                                 RecordingCanvas& picture, WorkerPool& pool = sharedWorkerPool());

// --- Heavier settings run off the user-interface thread ---

// Whether the spots and the PSF at the current sampling take long enough
// that the window should compute them in the background.
bool analysisIsHeavy(const Workspace& ws);

// Copies the inputs of the spot and PSF computations from `from` into `to`
// (a workspace kept for the background), with the stored rays and grid, so
// that the computation in `to` gives what it would give in `from`.
void copyAnalysisInputs(const Workspace& from, Workspace& to);

// The computations of updateAnalysis without the pictures: spots, and the
// PSF with its analysis when `psf`, and the star-test row for `starSettings`
// into `starTest` when that is given.
ComputeStatus computeAnalysis(Workspace& ws, bool psf, WorkerPool& pool);
ComputeStatus computeAnalysis(Workspace& ws, bool psf, const StarTestSettings& starSettings,
                              StarTestState* starTest, WorkerPool& pool);

// Takes over the results of a background computation that no newer change
// has made stale: the state is copied back and the stores exchanged.
void adoptAnalysis(Workspace& ws, Workspace& done);

}  // namespace vn
