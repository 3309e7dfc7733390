#pragma once

#include <iconv.h>

#include <cstdint>
#include <span>
#include <string>

namespace platform::jet {

// Access files keep texts in UTF-16LE or, in Jet 3, in the file's code page; the program works in UTF-8.

void appendUtf8(std::string& text, char32_t character);

// UTF-8 of UTF-16LE text, every unit of it; an unpaired surrogate becomes U+FFFD.
std::string utf8OfUtf16Le(std::span<const std::uint8_t> text);

// An iconv conversion from the character set (e.g. "CP1252") to UTF-8, closed when the object goes;
// false when the character set is unknown.
class ToUtf8Conversion {
  public:
    explicit ToUtf8Conversion(const std::string& from) : handle_(::iconv_open("UTF-8", from.c_str())) {}
    ToUtf8Conversion(const ToUtf8Conversion&) = delete;
    ToUtf8Conversion& operator=(const ToUtf8Conversion&) = delete;
    ~ToUtf8Conversion() {
        if (*this) ::iconv_close(handle_);
    }

    explicit operator bool() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

  private:
    iconv_t handle_;
};

}  // namespace platform::jet
