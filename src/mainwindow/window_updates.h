// What the analysis windows run before they draw.
#pragma once

#include "spot/spot_computation.h"
#include "workspace/workspace.h"

namespace vn {

// The spot window's paint logic before drawing: the run cycle when no
// selection is active, then berechnen when the model or the focal-surface
// choice changed or no spots exist yet, clearing those two flags.
ComputeStatus updateSpots(Workspace& ws, WorkerPool& pool = sharedWorkerPool());

}  // namespace vn
