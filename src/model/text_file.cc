#include "model/text_file.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace vn {
namespace {

// Code points of bytes 0x80..0x9F; the undefined bytes keep their own value.
constexpr std::array<char32_t, 32> kHighBlock = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at text[i]; advances i. Malformed bytes decode as
// U+FFFD one byte at a time.
char32_t decodeUtf8(std::string_view text, size_t& i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char b0 = byte(i);
    int length = b0 < 0x80           ? 1
                 : (b0 >> 5) == 0x6  ? 2
                 : (b0 >> 4) == 0xE  ? 3
                 : (b0 >> 3) == 0x1E ? 4
                                     : 0;
    if (length == 0 || i + static_cast<size_t>(length) > text.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = length == 1   ? b0
                  : length == 2 ? (b0 & 0x1F)
                  : length == 3 ? (b0 & 0x0F)
                                : (b0 & 0x07);
    for (int k = 1; k < length; ++k) {
        unsigned char b = byte(i + static_cast<size_t>(k));
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += static_cast<size_t>(length);
    return cp;
}

}  // namespace

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0)
            appendUtf8(out, kHighBlock[b - 0x80]);
        else
            appendUtf8(out, b);
    }
    return out;
}

std::string utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp = decodeUtf8(text, i);
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        char mapped = '?';
        for (size_t k = 0; k < kHighBlock.size(); ++k) {
            if (kHighBlock[k] == cp) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

size_t utf8Length(std::string_view text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++count) decodeUtf8(text, i);
    return count;
}

std::string utf8Left(std::string_view text, size_t count) {
    size_t i = 0;
    for (size_t n = 0; n < count && i < text.size(); ++n) decodeUtf8(text, i);
    return std::string(text.substr(0, i));
}

std::vector<std::string> splitLines(std::string_view bytes) {
    // CR LF, LF and a lone CR each end a line: files edited on other systems
    // use any of them.
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = bytes.size();
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
        if (end < bytes.size() && bytes[end] == '\r' && start < bytes.size() &&
            bytes[start] == '\n')
            ++start;
    }
    return lines;
}

TextFileResult readTextLines(const std::string& path) {
    TextFileResult result;
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status)) {
        result.error = path + " kann nicht geöffnet werden: es ist ein Ordner";
        return result;
    }
    // A named pipe, a device or a socket would block the reader or never end:
    // only regular files are the program's files.
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        result.error = path + " kann nicht geöffnet werden: es ist keine gewöhnliche Datei";
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = path + " kann nicht geöffnet werden: " + std::strerror(errno);
        return result;
    }
    std::string bytes;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        bytes.append(buf, static_cast<size_t>(in.gcount()));
        if (bytes.size() > kMaxTextFileBytes) {
            result.error = path + " kann nicht gelesen werden: die Datei ist größer als 64 MiB";
            return result;
        }
    }
    if (in.bad()) {
        result.error = path + " kann nicht gelesen werden";
        return result;
    }
    result.lines = splitLines(bytes);
    result.ok = true;
    return result;
}

std::string writeTextLinesAtomically(const std::string& path,
                                     const std::vector<std::string>& lines) {
    namespace fs = std::filesystem;
    fs::path target(path);
    fs::path temp = target;
    temp += ".tmp-write";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return temp.string() + " kann nicht angelegt werden: " + std::strerror(errno);
        for (const std::string& line : lines) {
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
            out.write("\r\n", 2);
        }
        out.flush();
        if (!out) {
            std::string message =
                temp.string() + " kann nicht geschrieben werden: " + std::strerror(errno);
            out.close();
            std::error_code ignored;
            fs::remove(temp, ignored);
            return message;
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return path + " kann nicht ersetzt werden: " + ec.message();
    }
    return {};
}

}  // namespace vn
