#include "mainwindow/window_updates.h"

#include <utility>

#include "mainwindow/run_cycle.h"
#include "psf/psf_analysis.h"
#include "psf/psf_computation.h"
#include "spot/focus_model.h"
#include "spot/spot_report.h"
#include "ui/app_emblem.h"

namespace vn {

ComputeStatus updateSpots(Workspace& ws, WorkerPool& pool) {
    if (!ws.flags.selectionActive) Start(ws);
    ComputeStatus status;
    if (ws.flags.modelChanged || ws.flags.focalSurfaceChanged || !ws.flags.spotComputed) {
        status = berechnen(ws, pool);
        ws.flags.modelChanged = false;
        ws.flags.focalSurfaceChanged = false;
        // A failed computation leaves no spots to show.
        if (!status.ok) ws.flags.spotComputed = false;
    }
    return status;
}

void recordSpots(Workspace& ws, const SpotLook& look) {
    const SpotReport report = rekonstruierenValues(ws);
    ws.pictures.spot = RecordingCanvas(kSpotWindowWidth, kSpotWindowHeight);
    paintSpotWindow(ws.pictures.spot, ws, report, look);
}

void recordPsf(Workspace& ws, const PsfLook& look, WorkerPool& pool) {
    ws.psf.gratingAngle = look.gratingAngle;
    analysePsf(ws, pool);
    ws.pictures.psf = RecordingCanvas(kPsfWindowWidth, kPsfWindowHeight);
    paintPsfWindow(ws.pictures.psf, ws, look);
    ws.pictures.psfGraph = RecordingCanvas(kPsfGraphSize, kPsfGraphSize);
    paintPsfGraph(ws.pictures.psfGraph, ws, look);
}

ComputeStatus repaintSpots(Workspace& ws, const SpotLook& look, WorkerPool& pool) {
    const ComputeStatus status = updateSpots(ws, pool);
    recordSpots(ws, look);
    return status;
}

namespace {

ComputeStatus psfIfStale(Workspace& ws, WorkerPool& pool) {
    if (ws.flags.modelChanged || !ws.flags.spotComputed)
        return {false, "Die Spotdaten fehlen für die PSF."};
    if (ws.flags.psfStale) return BerechnePSF(ws, pool);
    return {};
}

}  // namespace

ComputeStatus repaintPsf(Workspace& ws, const PsfLook& look, WorkerPool& pool) {
    if (ws.flags.modelChanged) return {false, "Die Spotdaten fehlen für die PSF."};
    const ComputeStatus status = psfIfStale(ws, pool);
    recordPsf(ws, look, pool);
    return status;
}

ComputeStatus computeStarTestRow(const Workspace& ws, const StarTestSettings& settings,
                                 StarTestState& state, WorkerPool& pool) {
    ComputeStatus status;
    if (ws.flags.modelChanged || !ws.flags.spotComputed) {
        state.result.images.clear();
        status = {false, "Es gibt noch keine Spotdaten für den Sterntest."};
    } else {
        status = computeStarTest(ws, settings, state.result, state.work, pool);
    }
    state.ok = status.ok;
    state.message = status.message ? status.message : "";
    return {state.ok, state.message.empty() ? nullptr : state.message.c_str()};
}

void recordStarTest(Workspace& ws, const StarTestState& state, const StarTestLook& look) {
    ws.pictures.starTest = RecordingCanvas(look.width, look.height);
    paintStarTest(state.result, look, ws.pictures.starTest);
    // The reason for an empty row under the painter's own line; the row of a
    // field point without light says it in the same place.
    if (!state.message.empty())
        ws.pictures.starTest.text({10, 19}, state.message, 9, star_test_colour::warning);
}

bool starTestIsHeavy(const StarTestSettings& settings) {
    // The least pupil grid is the one the defocus alone asks for (its slope
    // is 2 d waves per pupil radius at the rim, with the margins of the
    // computation); aberrations can only enlarge it. The default row (8
    // waves, five images) needs 256 x 256 points per transform and stays
    // within a tenth of a second even where coma doubles the grid; twice its
    // transform area still keeps the window responsive.
    const double need = 4.0 * (1.3 * 2.0 * settings.defocusWaves + 4.0);
    int L = kStarTestMinPupil;
    while (L < need && L < kStarTestMaxPupil) L *= 2;
    const double area = static_cast<double>(settings.steps) * (2.0 * L) * (2.0 * L);
    return area > 2.0 * kStarTestDefaultSteps * 256.0 * 256.0;
}

ComputeStatus computeAnalysis(Workspace& ws, bool psf, WorkerPool& pool) {
    ComputeStatus status = updateSpots(ws, pool);
    if (psf && status.ok) {
        status = psfIfStale(ws, pool);
        analysePsf(ws, pool);
    }
    return status;
}

ComputeStatus computeAnalysis(Workspace& ws, bool psf, const StarTestSettings& starSettings,
                              StarTestState* starTest, WorkerPool& pool) {
    ComputeStatus status = computeAnalysis(ws, psf, pool);
    if (starTest) {
        const ComputeStatus row = computeStarTestRow(ws, starSettings, *starTest, pool);
        if (status.ok) status = row;
    }
    return status;
}

ComputeStatus updateAnalysis(Workspace& ws, const AnalysisWindows& windows, WorkerPool& pool) {
    StarTestState unused;
    AnalysisWindows without = windows;
    without.starTest = false;
    return updateAnalysis(ws, without, unused, pool);
}

ComputeStatus updateAnalysis(Workspace& ws, const AnalysisWindows& windows, StarTestState& starTest,
                             WorkerPool& pool) {
    if (!windows.spot && !windows.psf && !windows.starTest) return {};
    ComputeStatus status = updateSpots(ws, pool);
    if (windows.psf && status.ok) status = psfIfStale(ws, pool);
    if (windows.spot) recordSpots(ws, windows.spotLook);
    if (windows.psf) recordPsf(ws, windows.psfLook, pool);
    if (windows.starTest) {
        const ComputeStatus row = computeStarTestRow(ws, windows.starTestSettings, starTest, pool);
        if (status.ok) status = row;
        recordStarTest(ws, starTest, windows.starTestLook);
    }
    return status;
}

ComputeStatus recordWindowExport(Workspace& ws, GraphicSource source, const AnalysisWindows& looks,
                                 RecordingCanvas& picture, WorkerPool& pool) {
    ComputeStatus status = updateSpots(ws, pool);
    if (!status.ok) return status;
    if (source == GraphicSource::SpotWindow) {
        SpotLook look = looks.spotLook;
        look.exportRendering = true;
        picture = RecordingCanvas(kSpotWindowWidth, kSpotWindowHeight);
        paintSpotWindow(picture, ws, rekonstruierenValues(ws), look);
        paintAppEmblem(picture, {2, 410});
        return status;
    }
    if (source == GraphicSource::StarTest) {
        StarTestState state;
        status = computeStarTestRow(ws, looks.starTestSettings, state, pool);
        if (!status.ok && state.result.images.empty()) return status;
        // The row as on screen, with a line under it for the icon and the
        // caption.
        const StarTestLook& look = looks.starTestLook;
        picture = RecordingCanvas(look.width, look.height + kEmblemSize + 6);
        picture.fillRect({0, 0}, {picture.width(), picture.height()}, star_test_colour::background);
        paintStarTest(state.result, look, picture);
        paintAppEmblem(picture, {2, look.height + 3});
        // The main window's caption, which the windows' looks carry.
        picture.text({kEmblemSize + 10, look.height + 12}, looks.spotLook.caption, 9,
                     star_test_colour::text);
        return {};
    }
    status = psfIfStale(ws, pool);
    if (!status.ok) return status;
    PsfLook look = looks.psfLook;
    ws.psf.gratingAngle = look.gratingAngle;
    analysePsf(ws, pool);
    if (source == GraphicSource::PsfGraph) {
        picture = RecordingCanvas(kPsfGraphSize, kPsfGraphSize);
        paintPsfGraph(picture, ws, look);
        return status;
    }
    look.exportRendering = true;
    picture = RecordingCanvas(kPsfWindowWidth, kPsfWindowHeight);
    paintPsfWindow(picture, ws, look);
    paintAppEmblem(picture, {2, 317});
    return status;
}

ComputeStatus focusThroughPsf(Workspace& ws, bool up, const AnalysisWindows& windows,
                              WorkerPool& pool) {
    StarTestState unused;
    AnalysisWindows without = windows;
    without.starTest = false;
    return focusThroughPsf(ws, up, without, unused, pool);
}

ComputeStatus focusThroughPsf(Workspace& ws, bool up, const AnalysisWindows& windows,
                              StarTestState& starTest, WorkerPool& pool) {
    if (!ws.flags.spotComputed) return {false, "Die Spotdaten fehlen für die PSF."};
    stepFocusThroughPsf(ws, up);
    ws.flags.psfStale = true;
    const ComputeStatus status = BerechnePSF(ws, pool);
    if (windows.spot) recordSpots(ws, windows.spotLook);
    if (windows.psf) recordPsf(ws, windows.psfLook, pool);
    if (windows.starTest) {
        computeStarTestRow(ws, windows.starTestSettings, starTest, pool);
        recordStarTest(ws, starTest, windows.starTestLook);
    }
    return status;
}

bool analysisIsHeavy(const Workspace& ws) {
    const double n = ws.pupil.zoneCount, nAz = ws.pupil.azimuthCount;
    const double D = ws.settings.values.psfDiameter;
    const double rays = (n + 1) * nAz * 6.0 + 2.0 * kFitRings * 3.0 * nAz * 2.0;
    const double psfTerms = (D + 1) * nAz * n * nAz;
    // The default sampling costs about 1.1 million of these units and takes
    // a few milliseconds; 25 million stay well inside a tenth of a second.
    return rays * 50.0 + psfTerms > 25e6;
}

namespace {

void copyState(const Workspace& from, Workspace& to) {
    to.model = from.model;
    to.paraxial = from.paraxial;
    to.sums = from.sums;
    to.evaluation = from.evaluation;
    to.settings = from.settings;
    to.pupil = from.pupil;
    to.groups = from.groups;
    to.marked = from.marked;
    to.flags = from.flags;
    to.view = from.view;
    to.layout = from.layout;
    to.selection = from.selection;
    to.spot.weights = from.spot.weights;
    to.spot.window = from.spot.window;
    to.spot.results = from.spot.results;
    to.spot.trace = from.spot.trace;
    to.psf = from.psf;
}

}  // namespace

void copyAnalysisInputs(const Workspace& from, Workspace& to) {
    copyState(from, to);
    createSpotStore(to);
    if (from.spot.store && from.flags.spotComputed) *to.spot.store = *from.spot.store;
    if (from.spot.psfGrid && !from.flags.psfStale) {
        to.spot.psfGrid->cells = from.spot.psfGrid->cells;
        to.spot.psfGrid->profile = from.spot.psfGrid->profile;
    }
}

void adoptAnalysis(Workspace& ws, Workspace& done) {
    // What the computations write; the selection, the view and the settings
    // stay as the user has them.
    ws.model = done.model;
    ws.paraxial = done.paraxial;
    ws.sums = done.sums;
    ws.evaluation = done.evaluation;
    ws.pupil = done.pupil;
    ws.groups = done.groups;
    ws.layout = done.layout;
    ws.flags.modelChanged = done.flags.modelChanged;
    ws.flags.focalSurfaceChanged = done.flags.focalSurfaceChanged;
    ws.flags.spotComputed = done.flags.spotComputed;
    ws.flags.psfStale = done.flags.psfStale;
    ws.flags.selectionActive = done.flags.selectionActive;
    ws.spot.weights = done.spot.weights;
    ws.spot.window = done.spot.window;
    ws.spot.results = done.spot.results;
    ws.spot.trace = done.spot.trace;
    const double grating = ws.psf.gratingAngle;
    ws.psf = done.psf;
    ws.psf.gratingAngle = grating;
    std::swap(ws.spot.store, done.spot.store);
    std::swap(ws.spot.psfGrid, done.spot.psfGrid);
}

}  // namespace vn
