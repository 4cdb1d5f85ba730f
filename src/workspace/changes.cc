#include "workspace/changes.h"

#include <utility>

#include "workspace/workspace.h"

namespace vn {
namespace {

void record(Workspace& ws, const SystemModel& system, bool modified) {
    SystemHistory& h = ws.history;
    h.undo.push_back({system, modified});
    if (h.undo.size() > SystemHistory::kDepth) h.undo.erase(h.undo.begin());
    h.redo.clear();
}

void changed(Workspace& ws) {
    ws.flags.modelChanged = true;
    ws.flags.psfStale = true;
    ws.flags.documentModified = true;
}

// Undo and redo exchange the stored system; the offsets of the tolerance
// analysis stay with the surfaces they were set on.
void restore(Workspace& ws, std::vector<HistoryEntry>& from, std::vector<HistoryEntry>& to) {
    to.push_back({ws.model, ws.flags.documentModified});
    HistoryEntry entry = std::move(from.back());
    from.pop_back();
    SystemModel& earlier = entry.model;
    for (int i = 0; i < kTableSize; ++i) {
        earlier.surf[idx(i)].tolDx = ws.model.surf[idx(i)].tolDx;
        earlier.surf[idx(i)].tolDy = ws.model.surf[idx(i)].tolDy;
        earlier.surf[idx(i)].tolDw = ws.model.surf[idx(i)].tolDw;
    }
    ws.model = std::move(earlier);
    changed(ws);
    ws.flags.documentModified = entry.modified;
}

}  // namespace

void applyEdit(Workspace& ws, const std::function<void(SystemModel&)>& edit) {
    record(ws, ws.model, ws.flags.documentModified);
    edit(ws.model);
    changed(ws);
}

void replaceSystem(Workspace& ws, const SystemModel& system) {
    record(ws, ws.model, ws.flags.documentModified);
    ws.model = system;
    changed(ws);
}

void documentReplaced(Workspace& ws, const SystemModel& previous) {
    record(ws, previous, ws.flags.documentModified);
    ws.flags.modelChanged = true;
    ws.flags.psfStale = true;
    ws.flags.documentModified = false;
}

void documentSaved(Workspace& ws) {
    ws.flags.documentModified = false;
    for (auto* list : {&ws.history.undo, &ws.history.redo})
        for (HistoryEntry& entry : *list) entry.modified = true;
}

void editDescription(Workspace& ws, std::vector<std::string> lines) {
    ws.model.sys.description = std::move(lines);
    ws.flags.documentModified = true;
}

bool undoChange(Workspace& ws) {
    if (ws.history.undo.empty()) return false;
    restore(ws, ws.history.undo, ws.history.redo);
    return true;
}

bool redoChange(Workspace& ws) {
    if (ws.history.redo.empty()) return false;
    restore(ws, ws.history.redo, ws.history.undo);
    return true;
}

bool canUndo(const Workspace& ws) {
    return !ws.history.undo.empty();
}

bool canRedo(const Workspace& ws) {
    return !ws.history.redo.empty();
}

void clearToleranceOffsets(Workspace& ws) {
    for (Surface& s : ws.model.surf) s.tolDx = s.tolDy = s.tolDw = 0.0;
    markResultsStale(ws);
}

void setToleranceOffset(Workspace& ws, double Surface::*offset, int surface, double value) {
    for (Surface& s : ws.model.surf) s.*offset = 0.0;
    if (surface >= 0 && surface < kTableSize) ws.model.surf[idx(surface)].*offset = value;
    markResultsStale(ws);
}

void markResultsStale(Workspace& ws) {
    ws.flags.modelChanged = true;
    ws.flags.psfStale = true;
}

void markPsfStale(Workspace& ws) {
    ws.flags.psfStale = true;
}

void chooseFocalSurface(Workspace& ws, int kind) {
    const SpotTarget target = kind == 1   ? SpotTarget::BestPlane
                              : kind == 2 ? SpotTarget::PerpendicularPlane
                                          : SpotTarget::BestSphere;
    ws.settings.controls.spotTarget = target;
    ws.settings.values.spotTarget = target;
    ws.flags.focalSurfaceChanged = true;
}

void setSpotResolution(Workspace& ws, int factor) {
    ws.pupil.resolution = factor == 2 ? 2 : 1;
    markResultsStale(ws);
}

void setPsfContrast(Workspace& ws, int contrast) {
    ws.settings.controls.psfContrast = contrast;
    ws.settings.values.psfContrast = contrast;
}

}  // namespace vn
