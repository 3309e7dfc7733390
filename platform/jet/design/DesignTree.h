#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace platform::jet::design {

// How a blob keeps its texts: one-byte text in the file's code page, or UTF-16LE.
enum class TextEncoding { CodePage, Utf16 };

// One object of a design blob as stored: the report itself, a prototype, a group level, a section or a
// control. Properties are raw values by slot id; a flag slot holds an empty value.
struct DesignObject {
    std::uint16_t type = 0;
    std::map<std::uint32_t, std::vector<std::uint8_t>> properties;
    std::vector<DesignObject> children;
    // The u32 records name each property by a code as well; the slot of each code.
    std::map<std::uint16_t, std::uint32_t> slotOfCode;
};

struct DesignTree {
    std::uint16_t version = 0;
    TextEncoding encoding = TextEncoding::Utf16;
    DesignObject root;
};

// Blob versions: Access 97 (code-page texts), Access 2002 to 2007 (UTF-16), and the later u32 records.
inline constexpr std::uint16_t kVersionAccess97 = 0x11;
inline constexpr std::uint16_t kVersionCompact = 0x13;
inline constexpr std::uint16_t kVersionRecords = 0x14;
inline constexpr std::uint16_t kVersionConvertedRecords = 0x15;  // only before 0x14, in converted files

// Decodes a design blob into its objects. Throws DesignError on anything malformed: a short header,
// an unknown version, a value or group reaching past the end, nesting deeper than any design, or bytes
// left over.
DesignTree decodeDesignBlob(std::span<const std::uint8_t> blob);

}  // namespace platform::jet::design
