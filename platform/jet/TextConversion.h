#pragma once

#include <iconv.h>

#include <string>

namespace platform::jet {

// Access files keep texts in UTF-16LE (base/Utf8.h) or, in Jet 3, in the file's code page; the program
// works in UTF-8.

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
