#include "Utf16.h"

#include "Model.h"
#include "base/Utf8.h"

namespace mkmdb {

std::u16string toUtf16(std::string_view utf8, std::string_view what) {
    auto utf16 = base::utf16OfWellFormedUtf8(utf8);
    if (!utf16) throw Error(std::string(what) + " is not valid UTF-8");
    return std::move(*utf16);
}

void appendUtf16Le(Bytes& to, std::u16string_view text) {
    for (const char16_t unit : text) appendU16(to, static_cast<std::uint16_t>(unit));
}

}  // namespace mkmdb
