// Workspaces with a spot computation done, for the spot and PSF tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "mainwindow/document.h"
#include "mainwindow/run_cycle.h"
#include "model/number_format.h"
#include "model/system_model.h"
#include "spot/spot_computation.h"
#include "workspace/workspace.h"

namespace vn::test {

// The system run through the run cycle with the settings `adjust` sets (the
// controls before the run cycle), the spot store created and the spots
// computed for the field point at `fieldFraction` of the maximum field angle
// above the chooser centre.
inline std::unique_ptr<Workspace> spotsFor(const SystemModel& m,
                                           const std::function<void(Workspace&)>& adjust = {},
                                           double fieldFraction = 1.0,
                                           WorkerPool& pool = sharedWorkerPool()) {
    auto ws = std::make_unique<Workspace>();
    Initialize(*ws);
    ws->model = m;
    if (adjust) adjust(*ws);
    Start(*ws);
    createSpotStore(*ws);
    ws->spot.window.selectedY = ws->spot.window.chooserY + 100 - Nearest(100.0 * fieldFraction);
    const ComputeStatus status = berechnen(*ws, pool);
    if (!status.ok) ADD_FAILURE() << status.message;
    return ws;
}

// The settings of the spot window and the PSF as their controls hold them.
inline std::function<void(Workspace&)> withSettings(int density, int diameter = 20, int order = 2,
                                                    int apodisation = 0) {
    return [=](Workspace& ws) {
        ws.settings.controls.spotDensity = density;
        ws.settings.controls.psfDiameter = diameter;
        ws.settings.controls.psfOrder = order;
        ws.settings.controls.apodisation = apodisation;
    };
}

// An example system of data/examples.
inline SystemModel example(const std::string& name) {
    Workspace ws;
    Initialize(ws);
    const FileOutcome outcome =
        openSystemFile(ws, std::string(VARNISTRALE_TEST_DATA_DIR) + "/examples/" + name);
    if (!outcome.ok) ADD_FAILURE() << outcome.message;
    return ws.model;
}

}  // namespace vn::test
