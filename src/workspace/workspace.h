// The one object that owns the program's state: the optical system, the
// results computed from it, the settings and the flags the windows exchange.
// Windows and the batch command hold it by reference; computations take the
// parts they read and write as explicit parameters.
#pragma once

#include <array>
#include <string>

#include "model/system_model.h"
#include "optics/layout.h"
#include "optics/paraxial.h"
#include "settings/settings.h"
#include "workspace/changes.h"
#include "workspace/pictures.h"
#include "workspace/psf_state.h"
#include "workspace/selection.h"
#include "workspace/spot_state.h"

namespace vn {

// Rays per pupil: rings 0..zoneCount and azimuthCount azimuths per ring.
struct PupilSampling {
    int zoneCount = 0;     // Z, the highest ring index
    int azimuthCount = 0;  // azimuths per ring
    int resolution = 1;    // 2 with the spot window's "Auflösung hoch"
    // Relative ring radii. Entries above zoneCount keep the radii of an earlier,
    // denser grid.
    std::array<double, 100> zoneHeight{};
};

// Lens-group structure: the surfaces followed by glass, and the air spaces with
// the number of glass spaces of the group that each one closes.
struct LensGroups {
    std::array<int, kTableSize> glass{};  // positions 0..glassCount-1
    std::array<int, kTableSize> air{};    // air[0] = 0, then positions 1..airCount
    std::array<int, kTableSize> size{};   // size[j]: glass spaces of the group ending at air[j]
    int glassCount = 0;
    int airCount = 0;
};

// The marked ray of the layout: entrance height (model units) and direction.
struct MarkedRay {
    double height = 0.0;
    double angle = 0.0;  // degrees
};

struct ProgramFlags {
    bool modelChanged = false;     // the model changed since the spots were computed
    bool selectionActive = false;  // a selection of the layout is active
    bool psfStale = true;          // the PSF must be recomputed
    bool focalSurfaceChanged = false;
    bool spotComputed = false;
    bool sagittalPresent = false;  // the file marked sagittal surfaces
    // The system changed since it was loaded or saved: discarding it needs the
    // user's consent.
    bool documentModified = false;
};

struct Workspace {
    SystemModel model;
    ParaxialData paraxial;
    AberrationSums sums;
    EvaluationStatus evaluation;  // outcome of the last evaluation
    Settings settings;
    PupilSampling pupil;
    LensGroups groups;
    MarkedRay marked;
    ProgramFlags flags;
    LayoutView view;
    LayoutResults layout;
    SelectionState selection;
    SpotState spot;              // pupil weights, spot window state, ray store
    PsfState psf;                // the PSF window's figures
    PictureRecordings pictures;  // the last recording of each picture
    SystemHistory history;       // what undo and redo restore
    std::string startDirectory;
};

// Re-runs the paraxial evaluation with the current design mode and keeps its
// outcome in ws.evaluation.
EvaluationStatus evaluate(Workspace& ws);

}  // namespace vn
