#include "base/Utf8.h"

#include <array>

namespace base {
namespace {

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

enum class Malformed { Replaced, Refused };

std::optional<std::u16string> utf16OfUtf8(std::string_view text, Malformed malformed) {
    std::u16string utf16;
    utf16.reserve(text.size());
    while (!text.empty()) {
        const auto character = decodeUtf8(text);
        if (!character && malformed == Malformed::Refused) return std::nullopt;
        const char32_t c = character ? character->value : kReplacementCharacter;
        if (c < 0x10000) {
            utf16 += static_cast<char16_t>(c);
        } else {
            utf16 += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            utf16 += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        text.remove_prefix(character ? character->length : 1);
    }
    return utf16;
}

}  // namespace

std::optional<Utf8Character> decodeUtf8(std::string_view text) {
    if (text.empty()) return std::nullopt;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return Utf8Character{lead, 1};
    const std::size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (lead >= 0xF5 || length == 0 || text.size() < length) return std::nullopt;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if (!isUtf8Continuation(text[i])) return std::nullopt;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    constexpr std::array<char32_t, 5> kSmallest{0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || isSurrogate(value)) return std::nullopt;
    return Utf8Character{value, length};
}

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

std::string utf8OfUtf16Le(std::span<const std::uint8_t> text) {
    std::string utf8;
    utf8.reserve(text.size());
    const std::size_t units = text.size() / 2;
    const auto unitAt = [&](std::size_t i) {
        return static_cast<char32_t>(text[2 * i] | (text[2 * i + 1] << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units && unitAt(i + 1) >= 0xDC00 &&
            unitAt(i + 1) < 0xE000) {
            appendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00));
            ++i;
        } else {
            appendUtf8(utf8, isSurrogate(unit) ? kReplacementCharacter : unit);
        }
    }
    return utf8;
}

std::u16string utf16OfUtf8(std::string_view text) {
    return *utf16OfUtf8(text, Malformed::Replaced);
}

std::optional<std::u16string> utf16OfWellFormedUtf8(std::string_view text) {
    return utf16OfUtf8(text, Malformed::Refused);
}

}  // namespace base
