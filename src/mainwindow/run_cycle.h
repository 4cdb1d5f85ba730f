// The run cycle that every change of the system ends in, and the pieces of it
// that other parts reuse.
#pragma once

#include "optics/paraxial.h"
#include "workspace/workspace.h"

namespace vn {

// The run cycle: pupil sampling, working copies of the settings, step sizes,
// lens groups, sagittal flags from the file marking, ring radii, the marked
// ray, the pupil weights, the paraxial evaluation, the image plane at the
// paraxial focus (with the spot focus on it) and the layout geometry.
// When the system cannot be evaluated the previous results stay and the image
// plane is not moved; the status says why.
EvaluationStatus Start(Workspace& ws);

// Clears the selection and measuring state of the layout.
void resetInteraction(Workspace& ws);

// Highest ring index and azimuth count for a point density 1..4 and a
// resolution factor 1 or 2.
int zoneCountFor(int density, int resolution);
int azimuthCountFor(int density);

// Relative ring radii for rings 0..Z: ring k sits between the equal-area
// boundaries sqrt((k-1)/Z) and sqrt(k/Z), at the point that keeps the mean
// square radius of the ring.
void computeZoneHeights(PupilSampling& pupil);

// Glass and air lists of the lens groups from the green indices.
void buildLensGroups(const SystemModel& m, LensGroups& groups);

// Turns the sagittal marking of a loaded file (the tilt of entry 0) into the
// sagittal flags of the marked lens group. Returns whether a marking was found.
bool applySagittalMarking(SystemModel& m, const LensGroups& groups);

// Places the image plane at the paraxial back focal distance.
void placeImagePlane(SystemModel& m, ParaxialData& p);

// The layout geometry and the zone rays of the current system, with the ring
// radii and the marked ray of the workspace.
void RechneKoord(Workspace& ws);
void Meridian(Workspace& ws);

// What every repaint of the main window computes before it draws: the
// paraxial evaluation, the image plane at the paraxial focus, the zone rays and
// the layout geometry. A system that cannot be evaluated keeps the results of
// the last good one.
EvaluationStatus prepareRepaint(Workspace& ws);

}  // namespace vn
