#include "mainwindow/document.h"

#include <cmath>

#include "mainwindow/run_cycle.h"
#include "model/system_file.h"

namespace vn {

void Initialize(Workspace& ws) {
    resetSharedSettings(ws.settings.values);
    resetInteraction(ws);
    setDefaultSystem(ws.model);
    ws.layout.beamFactor = kUnitBeamFactors;  // no clear apertures sized yet
    evaluate(ws);
}

FileOutcome LadeDatei(Workspace& ws, const std::string& path) {
    const SystemModel previous = ws.model;
    SystemFileResult read = readSystemFile(path, ws.model);
    if (!read.ok) return {false, read.error};
    ws.settings.controls.systemScale = ws.model.sys.graphScale;
    Start(ws);
    ws.settings.controls.spiderCount = ws.model.sys.spiderCount;
    documentReplaced(ws, previous);
    return {true, {}};
}

FileOutcome openSystemFile(Workspace& ws, const std::string& path) {
    FileOutcome outcome = LadeDatei(ws, path);
    if (outcome.ok) evaluate(ws);
    return outcome;
}

FileOutcome Speichern(Workspace& ws, const std::string& path) {
    ws.model.sys.graphScale = ws.settings.controls.systemScale;
    prepareForWriting(ws.model);
    // The file states the focal length in millimetres and its lengths in units
    // of it. Both come from an evaluation of the system as it stands, not from
    // the last one, which may predate an edit or "Normieren". A system that
    // cannot be evaluated is written with its lengths as stored, in units of
    // the reference focal length.
    SystemModel out = ws.model;
    ParaxialData paraxial;
    AberrationSums sums;
    if (!EvaluateSystem(out, false, paraxial, sums).ok) {
        out = ws.model;
        out.sys.normFocal = 1.0;
        out.sys.focalLength = std::copysign(out.sys.focalLengthRef, out.sys.focalLength);
        out.sys.fNumber = std::copysign(out.sys.fNumberRef, out.sys.fNumber);
    }
    std::string error = writeSystemFile(out, path);
    if (!error.empty()) return {false, error};
    ws.model.sys.fileName = path;
    documentSaved(ws);
    return {true, {}};
}

}  // namespace vn
