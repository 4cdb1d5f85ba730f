// Medium names are free text matched by substring (case-sensitive). The
// substrings carry the glass-formula tag and mark obstructions and stops; a name
// may carry several of them (for example "Luft/Blende" is air and a stop).
#pragma once

#include <string_view>

namespace vn {

enum MediumTag : unsigned {
    kTagSel = 1u << 0,        // "Sel": Sellmeier
    kTagDsp = 1u << 1,        // "Dsp": older Sellmeier tag
    kTagCau = 1u << 2,        // "Cau": power series in lambda^2
    kTagSchott = 1u << 3,     // "Schott": older power-series tag
    kTagTabulated = 1u << 4,  // "n/L": indices measured at stored wavelengths
    kTagAir = 1u << 5,        // "Luft"
    kTagSchatten = 1u << 6,   // "Schatten": obstruction
    kTagObstr = 1u << 7,      // "Obstr": obstruction
    kTagBlende = 1u << 8,     // "Blende": stop
    kTagStop = 1u << 9,       // "Stop": stop (kind only; the ray trace knows "Blende")
};

// All tags found in a medium name.
unsigned mediumTags(std::string_view name);

inline bool hasTag(std::string_view name, unsigned tags) {
    return (mediumTags(name) & tags) != 0;
}

// Sellmeier medium ("Sel" or "Dsp").
inline constexpr unsigned kSellmeierTags = kTagSel | kTagDsp;
// Power-series medium ("Cau" or "Schott").
inline constexpr unsigned kPowerSeriesTags = kTagCau | kTagSchott;
// Media whose rows in the system file carry the six coefficients.
inline constexpr unsigned kCoefficientTags = kSellmeierTags | kPowerSeriesTags | kTagTabulated;
// Obstruction ("Schatten" or "Obstr").
inline constexpr unsigned kObstructionTags = kTagSchatten | kTagObstr;
// Stop as the surface kind knows it ("Blende" or "Stop").
inline constexpr unsigned kStopKindTags = kTagBlende | kTagStop;

}  // namespace vn
