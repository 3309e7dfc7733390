#pragma once

#include <iconv.h>

#include <string>

#include "base/UniqueHandle.h"

namespace platform::jet {

// Access files keep texts in UTF-16LE (base/Utf8.h) or, in Jet 3, in the file's code page; the program
// works in UTF-8.

using IconvConversion = base::Unique<iconv_t, ::iconv_close>;

// An iconv conversion from the character set (e.g. "CP1252") to UTF-8; none when the character set is
// unknown (iconv_open's -1).
inline IconvConversion toUtf8From(const std::string& charset) {
    const iconv_t handle = ::iconv_open("UTF-8", charset.c_str());
    return IconvConversion{handle == reinterpret_cast<iconv_t>(-1) ? nullptr : handle};
}

}  // namespace platform::jet
