#include "mainwindow/window_updates.h"

#include "mainwindow/run_cycle.h"

namespace vn {

ComputeStatus updateSpots(Workspace& ws, WorkerPool& pool) {
    if (!ws.flags.selectionActive) Start(ws);
    ComputeStatus status;
    if (ws.flags.modelChanged || ws.flags.focalSurfaceChanged || !ws.flags.spotComputed) {
        status = berechnen(ws, pool);
        ws.flags.modelChanged = false;
        ws.flags.focalSurfaceChanged = false;
    }
    return status;
}

}  // namespace vn
