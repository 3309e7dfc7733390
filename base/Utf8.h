#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace base {

// Texts are UTF-8 inside the program; Access files and Windows keep UTF-16. Every reading here is
// strict: a byte that does not begin a whole, shortest-form sequence of a Unicode scalar value (no
// surrogates, nothing beyond U+10FFFF) begins no character.

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

struct Utf8Character {
    char32_t value;
    std::size_t length;  // in bytes
};

// The character at the start of the text; none when the text is empty or does not begin with one.
std::optional<Utf8Character> decodeUtf8(std::string_view text);

// Whether the byte continues a character rather than beginning one.
inline bool isUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

void appendUtf8(std::string& text, char32_t character);

// UTF-8 of UTF-16LE text, every unit of it (an odd last byte is no unit); an unpaired surrogate becomes
// U+FFFD.
std::string utf8OfUtf16Le(std::span<const std::uint8_t> text);

// UTF-16 of UTF-8 text; each byte that begins no character becomes U+FFFD.
std::u16string utf16OfUtf8(std::string_view text);

// UTF-16 of UTF-8 text; none when any byte of it begins no character.
std::optional<std::u16string> utf16OfWellFormedUtf8(std::string_view text);

}  // namespace base
