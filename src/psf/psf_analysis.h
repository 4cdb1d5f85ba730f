// What the PSF window derives from the stored grid on every repaint: peak,
// total energy, encircled energy within the first and second dark ring of
// the PSF and of the reference profile, MTF and PTF along the test grating,
// the reference MTF and the Strehl value taken from the two MTF curves.
#pragma once

#include <array>

#include "workspace/psf_grid.h"

#include "base/units.h"
#include "base/worker_pool.h"
#include "workspace/psf_state.h"
#include "workspace/workspace.h"

namespace vn {

// Modulation of the light outside the grid at index Ord J = 0..40, in single
// precision.
extern const std::array<float, 41> kOutsideLightModulation;

// The walks' view of one slot of the grid: slot 1 is the PSF, slot 0 the
// reference profile. `direction` is the radial walking direction s = +1 or -1.
class GridReader {
public:
    GridReader(const PsfGrid& grid, int radius, int azimuths, int slot)
        : grid_(grid), D_(radius), nAz_(azimuths), slot_(slot) {}

    int direction = 1;

    double value(int r, int i) const { return grid_.at(r, i, slot_); }
    // The point behind the walk; at the centre, walking outwards, the point
    // beyond it on the opposite side.
    double GetIVori(int r, int i) const;
    // The point ahead; at the centre, walking inwards, the point beyond it on
    // the opposite side.
    double GetINachi(int r, int i) const;
    double GetIVorj(int r, int i) const;   // the next azimuth
    double GetINachj(int r, int i) const;  // the previous azimuth
    // A local minimum along the walk or across azimuth, with a margin of 1 %;
    // always at the rim (r > D - 1). Radii below 0 count as a minimum too.
    bool Minimum(int r, int i) const;

private:
    int opposite(int i) const { return i - nAz_ / 2 >= 0 ? i - nAz_ / 2 : i + nAz_ / 2; }

    const PsfGrid& grid_;
    int D_, nAz_, slot_;
};

struct AnalysisSetup {
    int radius = 40;  // D
    int azimuths = 36;
    int order = 2;
    double lambdaC = 0.546074, lambdaG = 0.546074;  // micrometres
    double fNumber = 10.0;
    double focalMm = 1000.0;
    double gratingAngle = 0.0;  // degrees
};

// The largest PSF value, scanning radius by radius and azimuth by azimuth;
// the first of equal values wins.
void findPeak(const PsfGrid& grid, int radius, int azimuths, PsfAnalysis& out);

// Encircled energy of the reference profile, walking out along column 1 to
// the second dark ring (the grid rim at the latest).
EncircledEnergy referenceEncircledEnergy(const PsfGrid& grid, const AnalysisSetup& s,
                                         double referenceEnergy);

// Encircled energy of the PSF, walking along radial lines from the peak,
// azimuth by azimuth in both turning directions, following the dark rings.
EncircledEnergy psfEncircledEnergy(const PsfGrid& grid, const AnalysisSetup& s, int peakRadius,
                                   int peakAzimuth, double totalEnergy);

// MTF and PTF of the PSF along the grating, and the reference MTF, for the 40
// grating frequencies; the Strehl value from both; the frequency axis end.
void transferCurves(const PsfGrid& grid, const AnalysisSetup& s, double totalEnergy,
                    double referenceEnergy, PsfAnalysis& out, WorkerPool& pool);

// Everything above from the grid.
PsfAnalysis analysePsf(const PsfGrid& grid, const AnalysisSetup& s, WorkerPool& pool);

// The analysis of the workspace's last PSF with the current grating angle,
// into ws.psf.analysis.
void analysePsf(Workspace& ws, WorkerPool& pool = sharedWorkerPool());

}  // namespace vn
