// The program's text files: single-byte Windows-1252 with CR LF line ends.
//
// Inside the program text is UTF-8. Reading converts every byte to its
// character (the five bytes that Windows-1252 leaves undefined map to the C1
// controls of the same value, so any file converts back byte for byte);
// writing converts back and replaces characters outside Windows-1252 by '?'.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vn {

std::string cp1252ToUtf8(std::string_view bytes);
std::string utf8ToCp1252(std::string_view text);

// Number of characters (code points) in UTF-8 text.
size_t utf8Length(std::string_view text);
// The first `count` characters of UTF-8 text.
std::string utf8Left(std::string_view text, size_t count);

// Largest file the program reads; anything larger is not one of its files.
inline constexpr size_t kMaxTextFileBytes = 64u << 20;

struct TextFileResult {
    bool ok = false;
    std::string error;               // message for the user when !ok
    std::vector<std::string> lines;  // raw bytes of each line, line end removed
};

// Reads a regular file as lines of raw bytes. Accepts CR LF, LF and CR line
// ends; a last line without line end is a line too. Folders, pipes and devices
// are refused with a message.
TextFileResult readTextLines(const std::string& path);

// Splits raw bytes into lines as readTextLines does.
std::vector<std::string> splitLines(std::string_view bytes);

// Writes raw byte lines, each followed by CR LF, through a temporary file in
// the same directory that then replaces `path`, so that a failed write leaves
// the previous file as it was. Returns an error message, empty on success.
std::string writeTextLinesAtomically(const std::string& path,
                                     const std::vector<std::string>& lines);

}  // namespace vn
