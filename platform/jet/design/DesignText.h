#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace platform::jet::design {

// UTF-8 of UTF-16LE text; an unpaired surrogate becomes U+FFFD. Trailing NULs are dropped.
std::string utf8OfUtf16(std::span<const std::uint8_t> text);

// UTF-8 of one-byte text in the iconv character set (e.g. "CP1252"). Throws DesignError when the
// character set is unknown or the text is not valid in it.
std::string utf8OfCodePage(std::span<const std::uint8_t> text, const std::string& charset);

}  // namespace platform::jet::design
