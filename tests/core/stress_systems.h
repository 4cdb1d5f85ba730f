// A seeded generator of valid but extreme optical systems, and the run of
// everything a user can compute on one with the check that every number it
// leaves is finite.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/glass_catalogue.h"
#include "model/system_model.h"
#include "workspace/workspace.h"

namespace vn::test {

struct CatalogueGlass {
    GlassRecord record;
};

// The records of the shipped glass catalogue.
std::vector<CatalogueGlass> catalogueGlasses();

// System number `index`: the same index always gives the same system. 1..29
// surfaces with flat, tiny and huge radii, zero and negative distances, conics,
// aspheric, torus and Schmidt terms, tilts (also sagittal), mirrors, stops,
// obstructions, catalogue and fixed-index glasses, objects at infinity and
// near, f-numbers from 0.3 to 500 and fields up to 89 degrees. Every value is
// one the system file and the data editor accept.
SystemModel stressSystem(std::uint64_t index, const std::vector<CatalogueGlass>& glasses);

// Loads `m` into the workspace as a synthesis does and runs the run cycle,
// the repaint, the spot computation at point density 1 with a focal surface,
// focus fit and field point chosen by the index, and the PSF at order 1 with
// its analysis.
struct StressOutcome {
    std::string problem;     // the first number that is not finite; empty when none is
    bool evaluated = false;  // the run cycle could evaluate the system
    bool spots = false;      // the spot computation and the PSF ran
    bool light = false;      // some light reached the field point
};
StressOutcome runAndCheck(Workspace& ws, const SystemModel& m, std::uint64_t index);

}  // namespace vn::test
