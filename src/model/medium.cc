#include "model/medium.h"

#include <array>
#include <utility>

namespace vn {

unsigned mediumTags(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, unsigned>, 10> kTags = {{
        {"Sel", kTagSel},
        {"Dsp", kTagDsp},
        {"Cau", kTagCau},
        {"Schott", kTagSchott},
        {"n/L", kTagTabulated},
        {"Luft", kTagAir},
        {"Schatten", kTagSchatten},
        {"Obstr", kTagObstr},
        {"Blende", kTagBlende},
        {"Stop", kTagStop},
    }};
    unsigned tags = 0;
    for (const auto& [text, tag] : kTags)
        if (name.find(text) != std::string_view::npos) tags |= tag;
    return tags;
}

}  // namespace vn
