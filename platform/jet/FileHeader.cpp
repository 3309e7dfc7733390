#include "platform/jet/FileHeader.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/jet/JetFormat.h"
#include "platform/jet/LittleEndian.h"

namespace platform::jet {

using namespace header;

namespace {

// Each whole page of a file of this size; Jet needs at least the header, the free map and the catalogue.
constexpr std::uint64_t kMinimumPages = 3;

void appendUtf8(std::string& text, char32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Jet 3 keeps one byte per character in the Windows Western code page.
std::string fromWindows1252(std::span<const unsigned char> bytes) {
    static constexpr char16_t k80to9F[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                             0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    std::string text;
    for (unsigned char b : bytes) {
        if (b == 0) break;
        appendUtf8(text, b >= 0x80 && b < 0xA0 ? k80to9F[b - 0x80] : b);
    }
    return text;
}

std::string fromUtf16Le(std::span<const unsigned char> bytes) {
    std::string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t unit = getU16(bytes, i);
        if (unit == 0) break;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            char32_t low = getU16(bytes, i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(text, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return text;
}

std::optional<DatabaseFormat> formatOf(std::span<const unsigned char> start) {
    std::string_view signature(reinterpret_cast<const char*>(start.data()) + kSignatureOffset,
                               kJetSignature.size());
    unsigned char version = start[kVersionOffset];
    if (start[0] != 0) return std::nullopt;  // page 0 is the header page
    if (signature == kJetSignature) {
        if (version == kJet3Version) return DatabaseFormat::Jet3;
        if (version == kJet4Version) return DatabaseFormat::Jet4;
    } else if (signature == kAceSignature) {
        switch (version) {
            case 2:
                return DatabaseFormat::Ace12;
            case 3:
                return DatabaseFormat::Ace14;
            case 4:
                return DatabaseFormat::Ace15;
            case 5:
                return DatabaseFormat::Ace16;
        }
    }
    return std::nullopt;
}

std::string storedPassword(DatabaseFormat format, std::span<const unsigned char> start) {
    std::array<unsigned char, kEncryptedStart + kEncryptedLength> page;
    std::copy_n(start.begin(), page.size(), page.begin());
    const auto password = std::span(page).subspan(kPasswordOffset);
    if (format == DatabaseFormat::Jet3) {
        applyHeaderCipher(page, kJet3EncryptedLength);
        return fromWindows1252(password.first(kPasswordCharacters));
    }
    applyHeaderCipher(page);
    applyPasswordMask(page);
    return fromUtf16Le(password.first(2 * kPasswordCharacters));
}

}  // namespace

bool isAceFormat(DatabaseFormat format) {
    return format != DatabaseFormat::Jet3 && format != DatabaseFormat::Jet4;
}

std::size_t pageSize(DatabaseFormat format) {
    return format == DatabaseFormat::Jet3 ? 2048 : 4096;
}

const char* formatName(DatabaseFormat format) {
    switch (format) {
        case DatabaseFormat::Jet3:
            return "JET3";
        case DatabaseFormat::Jet4:
            return "JET4";
        case DatabaseFormat::Ace12:
            return "ACE12";
        case DatabaseFormat::Ace14:
            return "ACE14";
        case DatabaseFormat::Ace15:
            return "ACE15";
        case DatabaseFormat::Ace16:
            return "ACE16";
    }
    return "";
}

std::optional<FileHeader> readFileHeader(std::span<const unsigned char> start, std::uint64_t fileSize) {
    if (start.size() < kHeaderBytes) return std::nullopt;
    auto format = formatOf(start);
    if (!format) return std::nullopt;
    const std::uint64_t page = pageSize(*format);
    if (fileSize % page != 0 || fileSize < kMinimumPages * page) return std::nullopt;

    FileHeader header;
    header.format = *format;
    header.encryptedAsWhole = isAceFormat(*format) && getU16(start, kEncryptionInfoLengthOffset) != 0;
    if (!header.encryptedAsWhole) header.password = storedPassword(*format, start);
    return header;
}

}  // namespace platform::jet
