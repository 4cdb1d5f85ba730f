#include "workspace/workspace.h"

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

EvaluationStatus evaluate(Workspace& ws) {
    ws.evaluation = EvaluateSystem(ws.model, ws.settings.controls.normalised, ws.paraxial, ws.sums);
    return ws.evaluation;
}

FileOutcome LadeDatei(Workspace& ws, const std::string& path) {
    SystemFileResult read = readSystemFile(path, ws.model);
    if (!read.ok) return {false, read.error};
    ws.settings.controls.systemScale = ws.model.sys.graphScale;
    Start(ws);
    ws.settings.controls.spiderCount = ws.model.sys.spiderCount;
    ws.flags.modelChanged = true;
    ws.flags.documentModified = false;
    return {true, {}};
}

FileOutcome openSystemFile(Workspace& ws, const std::string& path) {
    FileOutcome outcome = LadeDatei(ws, path);
    if (outcome.ok) evaluate(ws);
    return outcome;
}

FileOutcome Speichern(Workspace& ws, const std::string& path) {
    ws.model.sys.graphScale = ws.settings.controls.systemScale;
    std::string error = writeSystemFile(ws.model, path);
    if (!error.empty()) return {false, error};
    ws.model.sys.fileName = path;
    ws.flags.documentModified = false;
    return {true, {}};
}

}  // namespace vn
