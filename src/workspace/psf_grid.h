// The PSF grid and the working space of its evaluation.
//
// The grid is polar: radius steps r = 0..D (D <= 100) and the n_az image
// azimuths of the spot grid. Slot 1 holds the PSF, slot 0 the aberration-free
// reference profile (in azimuth columns 0, 1 and 2). Grid and working space are
// allocated once, with the ray store, for the largest settings.
#pragma once

#include <array>
#include <cstddef>

#include "workspace/spot_store.h"

namespace vn {

inline constexpr int kGridRadii = 109;  // rows 0..108
inline constexpr int kGridAzimuths = 145;
inline constexpr int kMaxPsfRadius = 100;  // largest grid radius D

// Working space of the fast pupil sum (psf_fast_sum.cc explains it).
struct PsfWork {
    // Azimuth classes {q, -q, n/2 - q, n/2 + q} of the pupil grid: at most
    // n_az / 4 + 1 for an even n_az <= 144.
    static constexpr int kMaxClasses = 37;
    static constexpr int kMaxRings = kStoreRings - 1;  // rings 1..98
    static constexpr int kColumns = 104;               // radii 0..100, padded to the vector width
    static constexpr int kMaxPairs = kMaxRings * kMaxClasses;
    // Image azimuths computed: half of an even n_az <= 144, all of an odd one
    // (whose classes fit only up to 73); four rows each, the real and imaginary
    // part of the cosine and of the sine sum.
    static constexpr int kMaxComputed = 2 * kMaxClasses - 1;
    static constexpr int kMaxRows = 4 * kMaxComputed;
    static constexpr int kBlock = 128;                // ring and class pairs per block at most
    static constexpr int kCopy = 2 * kStoreAzimuths;  // row stride of the repeated azimuths

    struct AzimuthClass {
        double cosine = 1.0;             // cos(2 pi q / n_az)
        int plus[2]{}, plusCount = 0;    // azimuths whose cosine is +cosine
        int minus[2]{}, minusCount = 0;  // azimuths whose cosine is -cosine
    };
    std::array<AzimuthClass, kMaxClasses> classes{};

    // Pupil amplitude sqrt(weight) per [azimuth f][ring k - 1], the azimuths
    // 0..2 n_az - 1 (repeated once, so that a rotated index needs no wrap).
    std::array<float, size_t{kCopy} * kMaxRings> amplitude{};
    // Amplitude times the phase factor at the image centre, per [ring k - 1]
    // and azimuth 0..2 n_az (repeated as above).
    std::array<double, size_t{kMaxRings} * kCopy> startRe{}, startIm{};
    // The amplitude sum of each image azimuth, in single precision.
    std::array<float, kStoreAzimuths> amplitudeSum{};
    // cos and sin of the radial phase per [ring, class][radius].
    std::array<double, size_t{kMaxPairs} * kColumns> radialCos{}, radialSin{};
    // Coefficients of the radial tables per [row][pair of the current block],
    // and the sums per [row][radius].
    std::array<double, size_t{kMaxRows} * kBlock> coefficient{};
    std::array<double, size_t{kMaxRows} * kColumns> sum{};
};

struct PsfGrid {
    static constexpr size_t index(int r, int i, int slot) {
        return (static_cast<size_t>(r) * kGridAzimuths + static_cast<size_t>(i)) * 2 +
               static_cast<size_t>(slot);
    }
    double at(int r, int i, int slot) const { return cells[index(r, i, slot)]; }
    double& at(int r, int i, int slot) { return cells[index(r, i, slot)]; }

    // [radius 0..108][azimuth 0..144][slot 0..1], 252 880 bytes.
    std::array<double, size_t{kGridRadii} * kGridAzimuths * 2> cells{};
    std::array<double, kGridRadii> profile{};  // the reference profile I0(r)
    PsfWork work;
};

}  // namespace vn
