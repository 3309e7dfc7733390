#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/com/ComPtr.h"

namespace platform::win32::com {

// A VARIANT of our own, cleared when the owner goes. Move-only.
class ScopedVariant {
  public:
    ScopedVariant() { VariantInit(&value_); }
    ScopedVariant(ScopedVariant&& other) noexcept;
    ScopedVariant& operator=(ScopedVariant&& other) noexcept;
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&value_); }

    static ScopedVariant text(std::string_view utf8);
    static ScopedVariant number(long value);
    static ScopedVariant boolean(bool value);  // VARIANT_TRUE, not 1: servers compare with -1
    static ScopedVariant object(const ComPtr<IDispatch>& object);
    // An optional argument left out: the server uses its default.
    static ScopedVariant missing();

    const VARIANT& get() const { return value_; }
    VARTYPE type() const { return value_.vt; }
    // For an out-parameter: clears the value held so far.
    VARIANT* receive();

    // The value as text; Null and Empty read as "". Raises Failure when it has no text form.
    std::string asText() const;
    bool asBool() const;
    long asNumber() const;
    // The object the value holds; raises Failure when it holds none.
    ComPtr<IDispatch> asObject() const;

  private:
    VARIANT converted(VARTYPE type) const;

    VARIANT value_;
};

}  // namespace platform::win32::com
