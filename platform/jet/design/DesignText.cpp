#include "platform/jet/design/DesignText.h"

#include <iconv.h>

#include "platform/jet/design/DesignError.h"

namespace platform::jet::design {
namespace {

void appendUtf8(std::string& to, char32_t c) {
    if (c < 0x80) {
        to += static_cast<char>(c);
    } else if (c < 0x800) {
        to += static_cast<char>(0xC0 | (c >> 6));
        to += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        to += static_cast<char>(0xE0 | (c >> 12));
        to += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        to += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        to += static_cast<char>(0xF0 | (c >> 18));
        to += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        to += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        to += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::span<const std::uint8_t> withoutTrailingNuls(std::span<const std::uint8_t> text, std::size_t unit) {
    while (text.size() >= unit && text.back() == 0 && text[text.size() - unit] == 0)
        text = text.first(text.size() - unit);
    return text;
}

class ScopedIconv {
  public:
    explicit ScopedIconv(const std::string& from) : handle_(::iconv_open("UTF-8", from.c_str())) {}
    ~ScopedIconv() {
        if (valid()) ::iconv_close(handle_);
    }
    ScopedIconv(const ScopedIconv&) = delete;
    ScopedIconv& operator=(const ScopedIconv&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

  private:
    iconv_t handle_;
};

}  // namespace

std::string utf8OfUtf16(std::span<const std::uint8_t> text) {
    constexpr char32_t kReplacement = 0xFFFD;
    text = withoutTrailingNuls(text, 2);
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
        } else if (unit >= 0xD800 && unit < 0xE000) {
            appendUtf8(utf8, kReplacement);
        } else {
            appendUtf8(utf8, unit);
        }
    }
    return utf8;
}

std::string utf8OfCodePage(std::span<const std::uint8_t> text, const std::string& charset) {
    text = withoutTrailingNuls(text, 1);
    ScopedIconv convert(charset);
    if (!convert.valid()) throw DesignError("The character set " + charset + " is not known.");
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
