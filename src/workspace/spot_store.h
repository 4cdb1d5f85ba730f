// The pupil weights and the ray store of the spot computation.
//
// The spot rays sample the entrance pupil on rings k = 0..n and azimuths
// j = 0..n_az-1 and are traced in three colours for two field points (the axis
// and the chosen field point). The store keeps, per ray, where it meets the
// image surface, its direction and optical path and its wavefront deviation;
// the spot picture and the PSF read them. Both are sized once for the densest
// grid (97 rings of 144 azimuths) and reused, so a run allocates nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vn {

// Bounds of the pupil grid: azimuths 0..144 and rings 0..98 of the ray store;
// the weights have one azimuth and one ring more.
inline constexpr int kStoreAzimuths = 145;
inline constexpr int kStoreRings = 99;
inline constexpr int kWeightAzimuths = 146;
inline constexpr int kWeightRings = 100;
inline constexpr int kFitRings = 12;  // rings 1..12 carry the focus fit
inline constexpr size_t kStoreSize = size_t{kStoreAzimuths} * kStoreRings * 3 * 2;

// Pupil weight per [azimuth j][ring k][slot]. Slots 0, 1, 2 are the field
// points -w, 0, +w of the focus fit; the spot rays use slot 1 for the axis and
// slot 2 for the field point, and a ray the trace reports blocked has its
// weight set to 0 there.
using PupilWeights = std::array<std::array<std::array<float, 3>, kWeightRings>, kWeightAzimuths>;

// Per ray [colour 1..3][field 1..2][ring k][azimuth j]. Lengths are in model
// units, y meridional and x sagittal. The azimuths of one ring lie side by
// side: the spot computation writes a ring of one colour and field per task,
// so each task fills whole cache lines of its own, and the PSF reads a ring
// along its azimuths.
struct SpotStore {
    static constexpr size_t index(int j, int k, int colour, int field) {
        return ((static_cast<size_t>(colour - 1) * 2 + static_cast<size_t>(field - 1)) *
                    kStoreRings +
                static_cast<size_t>(k)) *
                   kStoreAzimuths +
               static_cast<size_t>(j);
    }

    std::array<double, kStoreSize> y{}, x{};  // on the image surface
    // One focal distance before the image surface along the ray: y - (delta/N) M.
    std::array<double, kStoreSize> yRef{}, xRef{};
    std::array<float, kStoreSize> dirN{}, dirM{}, dirL{};  // direction after the last surface
    std::array<double, kStoreSize> opl{};                  // optical path
    std::array<double, kStoreSize> wave{};                 // wavefront deviation, waves
    std::array<std::uint8_t, kStoreSize> blocked{};        // the trace blocked the ray

    // Working space of the focus fit: per pass, fit field point, ring 1..12
    // and azimuth, the ray's point on the image surface (y, x), its point one
    // focal distance before it (y', x'), and whether the trace could follow it.
    struct FitRay {
        double y, x, yRef, xRef;
        bool usable;
    };
    std::array<std::array<std::array<std::array<FitRay, kStoreAzimuths>, kFitRings>, 3>, 2> fit{};
    // The pupil azimuths 2 pi j / n_az, radians, with their sine and cosine.
    std::array<double, kStoreAzimuths> azimuth{}, sinAzimuth{}, cosAzimuth{};
};

}  // namespace vn
