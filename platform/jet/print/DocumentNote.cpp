#include "platform/jet/print/DocumentNote.h"

#include <cstdint>
#include <fstream>
#include <vector>

#include "base/Utf8.h"

namespace platform::jet {
namespace {

// The renderer appends its document information last, so the file's end holds it.
constexpr std::streamoff kTailBytes = 64 * 1024;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The text of the hexadecimal UTF-16BE string ("<FEFF...>") after the key, within the object that
// holds the key.
std::optional<std::string> textAfter(std::string_view object, std::string_view key) {
    const std::size_t at = object.rfind(key);
    if (at == std::string_view::npos) return std::nullopt;
    std::size_t start = object.find_first_not_of(" \r\n", at + key.size());
    if (start == std::string_view::npos || object[start] != '<') return std::nullopt;
    const std::size_t end = object.find('>', start);
    if (end == std::string_view::npos) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    int pending = -1;
    for (char c : object.substr(start + 1, end - start - 1)) {
        const int digit = hexDigit(c);
        if (digit < 0) continue;  // white space is allowed between digits
        if (pending < 0) {
            pending = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(pending * 16 + digit));
            pending = -1;
        }
    }
    if (bytes.size() < 2 || bytes[0] != 0xFE || bytes[1] != 0xFF || bytes.size() % 2 != 0)
        return std::nullopt;
    // Big-endian units after the byte order mark, turned little-endian for the one UTF-16 decoder.
    std::vector<std::uint8_t> littleEndian;
    littleEndian.reserve(bytes.size() - 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        littleEndian.push_back(bytes[i + 1]);
        littleEndian.push_back(bytes[i]);
    }
    return base::utf8OfUtf16Le(littleEndian);
}

}  // namespace

std::optional<std::string> approximationNoteOf(std::string_view pdf) {
    const std::size_t keywords = pdf.rfind("/Keywords");
    if (keywords == std::string_view::npos) return std::nullopt;
    // Both keys belong to the one object that holds the last Keywords.
    const std::size_t objectStart = pdf.rfind(" obj", keywords);
    const std::size_t objectEnd = pdf.find("endobj", keywords);
    if (objectStart == std::string_view::npos || objectEnd == std::string_view::npos) return std::nullopt;
    const std::string_view object = pdf.substr(objectStart, objectEnd - objectStart);
    const auto words = textAfter(object, "/Keywords");
    if (!words || !words->starts_with(kApproximationKeyword)) return std::nullopt;
    return textAfter(object, "/Subject");
}

std::optional<std::string> approximationNoteOfFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size <= 0) return std::nullopt;
    const std::streamoff start = size > kTailBytes ? size - kTailBytes : 0;
    file.seekg(start);
    std::string tail(static_cast<std::size_t>(size - start), '\0');
    if (!file.read(tail.data(), static_cast<std::streamsize>(tail.size()))) return std::nullopt;
    return approximationNoteOf(tail);
}

}  // namespace platform::jet
