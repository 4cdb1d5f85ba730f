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

ComputeStatus computeAnalysis(Workspace& ws, bool psf, WorkerPool& pool) {
    ComputeStatus status = updateSpots(ws, pool);
    if (psf && status.ok) {
        status = psfIfStale(ws, pool);
        analysePsf(ws, pool);
    }
    return status;
}

ComputeStatus updateAnalysis(Workspace& ws, const AnalysisWindows& windows, WorkerPool& pool) {
    if (!windows.spot && !windows.psf) return {};
    ComputeStatus status = updateSpots(ws, pool);
    if (windows.psf && status.ok) status = psfIfStale(ws, pool);
    if (windows.spot) recordSpots(ws, windows.spotLook);
    if (windows.psf) recordPsf(ws, windows.psfLook, pool);
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
    if (!ws.flags.spotComputed) return {false, "Die Spotdaten fehlen für die PSF."};
    stepFocusThroughPsf(ws, up);
    ws.flags.psfStale = true;
    const ComputeStatus status = BerechnePSF(ws, pool);
    if (windows.spot) recordSpots(ws, windows.spotLook);
    if (windows.psf) recordPsf(ws, windows.psfLook, pool);
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
