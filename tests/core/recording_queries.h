// Questions the painter tests ask of a recording.
#pragma once

#include <algorithm>
#include <string>

#include "ui/recording_canvas.h"

namespace vn::test {

// The text drawn with its top-left corner at p, null when there is none.
inline const DrawCommand* textAt(const RecordingCanvas& c, Point p) {
    for (const DrawCommand& d : c.commands())
        if (d.kind == DrawCommand::Kind::Text && d.points.front() == p) return &d;
    return nullptr;
}

// Whether any text of the recording contains `part`.
inline bool anyTextContains(const RecordingCanvas& c, const std::string& part) {
    return std::any_of(c.commands().begin(), c.commands().end(), [&](const DrawCommand& d) {
        return d.kind == DrawCommand::Kind::Text && d.text.find(part) != std::string::npos;
    });
}

}  // namespace vn::test
