#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32::com {

// A BSTR of our own, freed when the owner goes. Move-only.
class ScopedBstr {
  public:
    ScopedBstr() = default;
    explicit ScopedBstr(std::string_view utf8);
    ScopedBstr(ScopedBstr&& other) noexcept;
    ScopedBstr& operator=(ScopedBstr&& other) noexcept;
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { reset(); }

    BSTR get() const { return text_; }
    // For an out-parameter: frees the string held so far.
    BSTR* receive();
    // Hands the string to a caller who frees it (a VARIANT, say).
    BSTR release();
    void reset();

    std::string utf8() const;

  private:
    BSTR text_ = nullptr;
};

}  // namespace platform::win32::com
