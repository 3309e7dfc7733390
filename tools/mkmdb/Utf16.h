#pragma once

#include <string>
#include <string_view>

#include "Bytes.h"

namespace mkmdb {

// UTF-8 to UTF-16, the encoding Jet 4 keeps all text in. Throws Error on malformed UTF-8 (overlong
// forms, surrogates, truncated sequences), naming `what`.
std::u16string toUtf16(std::string_view utf8, std::string_view what);

// Appends the text as UTF-16 little-endian.
void appendUtf16Le(Bytes& to, std::u16string_view text);

}  // namespace mkmdb
