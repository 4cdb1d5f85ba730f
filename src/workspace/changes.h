// The one door for changes of the system. Windows, dialogs and the batch
// command change the stored system only through these operations, never by
// writing the flags themselves: each operation keeps the flags the windows
// exchange right, and the operations that change the stored system record it
// before the change, so that it can be undone.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/system_model.h"

namespace vn {

struct Workspace;

// A system as it was, and whether it differed from its file then.
struct HistoryEntry {
    SystemModel model;
    bool modified = false;
};

// Systems before (undo) and after (redo) the recorded changes, newest last.
struct SystemHistory {
    std::vector<HistoryEntry> undo, redo;
    static constexpr std::size_t kDepth = 200;
};

// An edit of the stored system in place (a step with the mouse, "Normieren"):
// the results are recomputed at the next repaint and the document counts as
// modified.
void applyEdit(Workspace& ws, const std::function<void(SystemModel&)>& edit);

// The whole system is replaced (a synthesis, the data editor's "ok").
void replaceSystem(Workspace& ws, const SystemModel& system);

// A new document took the place of `previous` ("Neu", a loaded file): the
// new one counts as unmodified, and undo brings the previous one back as it
// was, modified or not.
void documentReplaced(Workspace& ws, const SystemModel& previous);

// The document was saved. The systems in the history now differ from the
// file, so that undoing or redoing to them counts as a modification.
void documentSaved(Workspace& ws);

// The description of the system was edited.
void editDescription(Workspace& ws, std::vector<std::string> lines);

// Undo and redo of the recorded changes; false when there is nothing to take
// back or to repeat. The document's modified state is the one the restored
// system had.
bool undoChange(Workspace& ws);
bool redoChange(Workspace& ws);
bool canUndo(const Workspace& ws);
bool canRedo(const Workspace& ws);

// The position-tolerance offsets are not part of the stored system: they are
// neither saved nor undone, but the trace applies them, so the spots and the
// PSF follow.
void clearToleranceOffsets(Workspace& ws);
// Sets one offset (tolDx or tolDy) at `surface` and clears it everywhere else.
void setToleranceOffset(Workspace& ws, double Surface::*offset, int surface, double value);

// Something the results depend on changed outside the system (settings,
// sampling, an offset): the spots are recomputed at their next repaint.
void markResultsStale(Workspace& ws);
// The PSF must be computed again (its colour, size or order changed).
void markPsfStale(Workspace& ws);

// The spot window's choice of focal surface (0 best sphere, 1 best plane, 2
// the plane perpendicular to the axis), kept in the setting "Durchstoßfläche";
// the spots are computed again on it.
void chooseFocalSurface(Workspace& ws, int kind);

// The spot window's "Auflösung hoch": resolution factor 2, else 1. The caller
// runs the run cycle, which samples the pupil anew.
void setSpotResolution(Workspace& ws, int factor);

// The PSF window's contrast track (grey steps per decade), also the setting
// "Kontrast".
void setPsfContrast(Workspace& ws, int contrast);

}  // namespace vn
