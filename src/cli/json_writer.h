// A small streaming JSON writer for the batch command's output. Numbers are
// written in the shortest form that reads back as the same double; values that
// are not finite become null.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vn::cli {

class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);
    JsonWriter& value(double v);
    JsonWriter& value(int v);
    JsonWriter& value(bool v);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& null();

    template <typename T>
    JsonWriter& field(std::string_view name, T v) {
        return key(name).value(v);
    }

    const std::string& text() const { return out_; }

private:
    void separate();

    std::string out_;
    std::vector<bool> first_;  // per open container: no element written yet
    bool afterKey_ = false;
};

}  // namespace vn::cli
