#include "platform/win32/com/ScopedBstr.h"

#include <utility>

#include "platform/Failure.h"
#include "platform/win32/WideText.h"

namespace platform::win32::com {

ScopedBstr::ScopedBstr(std::string_view utf8) {
    const std::wstring wide = toWide(utf8);
    text_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!text_) throw Failure("Out of memory");
}

ScopedBstr::ScopedBstr(ScopedBstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}

ScopedBstr& ScopedBstr::operator=(ScopedBstr&& other) noexcept {
    if (this != &other) {
        reset();
        text_ = std::exchange(other.text_, nullptr);
    }
    return *this;
}

BSTR* ScopedBstr::receive() {
    reset();
    return &text_;
}

BSTR ScopedBstr::release() {
    return std::exchange(text_, nullptr);
}

void ScopedBstr::reset() {
    if (BSTR old = std::exchange(text_, nullptr)) SysFreeString(old);
}

std::string ScopedBstr::utf8() const {
    return text_ ? toUtf8({text_, SysStringLen(text_)}) : std::string();
}

}  // namespace platform::win32::com
