// The current optical system: values of the whole system (SystemData) and one
// entry per surface (SurfaceTable).
//
// Lengths are normalised to a reference focal length: a freshly normalised
// system has focal length 1, and `focalLength` in millimetres carries the
// physical scale. Angles are in degrees, wavelengths in micrometres.
//
// Entry 0 of the table is the entrance-pupil plane, entries 1..N the optical
// surfaces in the order the light meets them, entry N+1 the image plane. N is
// at most 29, so that entry N+1 always exists.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vn {

inline constexpr int kMaxSurfaces = 29;

// Subscript of a table entry or colour slot counted as the optics counts it,
// from an int: a conversion, not a bounds check.
inline constexpr std::size_t idx(int i) {
    return static_cast<std::size_t>(i);
}

inline constexpr int kTableSize = 31;  // entries 0..30
inline constexpr double kFlatRadius = 1e12;
inline constexpr double kObjectAtInfinity = 1e12;

// Colour numbers. Per-colour arrays are indexed by colour number - 1, so the
// order inside them is red, blue, green; files and dialogs list red, green,
// blue. Green is the reference colour.
enum Colour : int { kRed = 1, kBlue = 2, kGreen = 3 };
inline constexpr int colourIndex(int colour) {
    return colour - 1;
}
// Colour numbers in the order files and dialogs list them.
inline constexpr std::array<int, 3> kListedColours = {kRed, kGreen, kBlue};

struct Surface {
    double r = 0.0;  // vertex radius; positive when the centre lies after the surface
    double e = 0.0;  // axial distance to the next entry; negative while light runs backwards
    // Index of the medium after the surface per colour; its sign is the direction
    // of travel (negative after an odd number of reflections).
    std::array<double, 3> n{1.0, 1.0, 1.0};
    double dir = 1.0;                      // +1 or -1: sign of the green index
    double k = 0.0;                        // conic constant, 0 for a sphere
    double u = 0.0;                        // tilt, degrees
    double h = 0.0;                        // aperture limit factor relative to the beam height
    std::string medium;                    // medium after the surface; carries the formula tag
    std::array<double, 6> coef{};          // dispersion coefficients K1..K6
    double A2 = 0.0, A4 = 0.0, A6 = 0.0;   // aspheric terms in y^2, y^4, y^6
    double A8 = 0.0;                       // torus value (y^8 term of a polynomial asphere)
    double schmidt = 0.0;                  // Schmidt factor; non-zero marks a Schmidt surface
    double nz = 0.0;                       // neutral zone of the Schmidt profile
    bool sagittal = false;                 // tilt acts in the sagittal section
    std::array<bool, 3> lambdaMismatch{};  // "n/L" medium measured at other wavelengths
    double tolDx = 0.0, tolDy = 0.0, tolDw = 0.0;  // position-tolerance offsets, not saved
};

using SurfaceTable = std::array<Surface, kTableSize>;

struct SystemData {
    std::string title = " ";
    std::string source = " ";
    double focalLength = 1000.0;     // mm
    double focalLengthRef = 1000.0;  // mm; physical scale of the stored lengths
    double fNumber = 10.0;           // f-number of the current system
    double fNumberRef = 10.0;        // f-number at normFocal = 1
    double fieldAngle = 1.0;         // maximum object field angle, degrees
    std::uint8_t spiderCount = 0;
    int surfaceCount = 1;  // N
    int schmidtCount = 0;
    int asphereCount = 0;
    std::array<int, kTableSize> schmidtList{};  // positions 1..schmidtCount
    std::array<int, kTableSize> asphereList{};  // positions 1..asphereCount
    double graphScale = 1.0;
    double entrancePupil = 0.0;  // relative to surface 1; e[0] = -entrancePupil
    double objectDistance = kObjectAtInfinity;
    std::array<double, 3> wavelength{0.6562725, 0.4358343, 0.546074};  // by colour - 1
    double normFocal = 1.0;  // focal length of the stored system, normalised units
    std::string fileName;
    std::vector<std::string> description;
};

struct SystemModel {
    SystemData sys;
    SurfaceTable surf;

    int N() const { return sys.surfaceCount; }
};

// The five surface kinds of the editor. They are not stored; they follow from
// the data (surfaceKind below).
enum class SurfaceKind { Refraction, Reflection, Obstruction, Stop, Schmidt };

// True when the light changes direction at surface i (the directions before and
// after it differ in sign).
bool reflects(const SurfaceTable& t, int i);

SurfaceKind surfaceKind(const SurfaceTable& t, int i);

// Text of a kind as the editor names it ("Refraktion", "Reflektion", ...).
const char* surfaceKindName(SurfaceKind kind);

// The default system: a concave mirror of focal length 1 with the entrance
// pupil at the mirror, f/10, field 1 degree (model part of Initialize).
void setDefaultSystem(SystemModel& m);

// Clears the position-tolerance offsets of entries 0..N.
void ClearTol(SystemModel& m);

// Rescales the stored system so that its focal length becomes 1, with the
// current normFocal as the scale.
void Normalise(SystemModel& m);

// Fills schmidtList/asphereList and their counts from the table.
void deriveSurfaceLists(SystemModel& m);

}  // namespace vn
