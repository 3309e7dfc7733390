#include "platform/jet/design/DesignText.h"

#include "base/Utf8.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/file/TextConversion.h"

namespace platform::jet::design {
namespace {

std::span<const std::uint8_t> withoutTrailingNuls(std::span<const std::uint8_t> text, std::size_t unit) {
    while (text.size() >= unit && text.back() == 0 && text[text.size() - unit] == 0)
        text = text.first(text.size() - unit);
    return text;
}

}  // namespace

std::string utf8OfUtf16(std::span<const std::uint8_t> text) {
    return base::utf8OfUtf16Le(withoutTrailingNuls(text, 2));
}

std::string utf8OfCodePage(std::span<const std::uint8_t> text, const std::string& charset) {
    text = withoutTrailingNuls(text, 1);
    const auto convert = toUtf8From(charset);
    if (!convert) throw DesignError("The character set " + charset + " is not known.");
    std::string utf8(text.size() * 4, '\0');
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
    std::size_t inLeft = text.size(), outLeft = utf8.size();
    char* out = utf8.data();
    if (::iconv(convert.get(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
        throw DesignError("The report design holds text that is not valid in " + charset + ".");
    utf8.resize(utf8.size() - outLeft);
    return utf8;
}

}  // namespace platform::jet::design
