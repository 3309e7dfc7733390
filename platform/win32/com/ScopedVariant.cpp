#include "platform/win32/com/ScopedVariant.h"

#include <cstring>

#include "platform/win32/WideText.h"
#include "platform/win32/com/ComFailure.h"
#include "platform/win32/com/ScopedBstr.h"

namespace platform::win32::com {

ScopedVariant::ScopedVariant(ScopedVariant&& other) noexcept {
    std::memcpy(&value_, &other.value_, sizeof value_);
    VariantInit(&other.value_);
}

ScopedVariant& ScopedVariant::operator=(ScopedVariant&& other) noexcept {
    if (this != &other) {
        VariantClear(&value_);
        std::memcpy(&value_, &other.value_, sizeof value_);
        VariantInit(&other.value_);
    }
    return *this;
}

ScopedVariant ScopedVariant::text(std::string_view utf8) {
    ScopedBstr text(utf8);
    ScopedVariant variant;
    variant.value_.vt = VT_BSTR;
    variant.value_.bstrVal = text.release();
    return variant;
}

ScopedVariant ScopedVariant::number(long value) {
    ScopedVariant variant;
    variant.value_.vt = VT_I4;
    variant.value_.lVal = value;
    return variant;
}

ScopedVariant ScopedVariant::boolean(bool value) {
    ScopedVariant variant;
    variant.value_.vt = VT_BOOL;
    variant.value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return variant;
}

ScopedVariant ScopedVariant::object(const ComPtr<IDispatch>& object) {
    ScopedVariant variant;
    variant.value_.vt = VT_DISPATCH;
    variant.value_.pdispVal = object.get();
    if (object) object->AddRef();
    return variant;
}

ScopedVariant ScopedVariant::missing() {
    ScopedVariant variant;
    variant.value_.vt = VT_ERROR;
    variant.value_.scode = DISP_E_PARAMNOTFOUND;
    return variant;
}

VARIANT* ScopedVariant::receive() {
    VariantClear(&value_);
    return &value_;
}

VARIANT ScopedVariant::converted(VARTYPE type) const {
    VARIANT result;
    VariantInit(&result);
    // VariantChangeType only reads its source, though its signature does not say so.
    const HRESULT status = VariantChangeType(&result, const_cast<VARIANT*>(&value_), 0, type);
    if (FAILED(status)) raiseComFailure("Cannot read the value", status);
    return result;
}

std::string ScopedVariant::asText() const {
    if (value_.vt == VT_NULL || value_.vt == VT_EMPTY) return {};
    ScopedVariant text;
    *text.receive() = converted(VT_BSTR);
    return toUtf8({text.value_.bstrVal, SysStringLen(text.value_.bstrVal)});
}

bool ScopedVariant::asBool() const {
    return converted(VT_BOOL).boolVal != VARIANT_FALSE;
}

long ScopedVariant::asNumber() const {
    return converted(VT_I4).lVal;
}

ComPtr<IDispatch> ScopedVariant::asObject() const {
    if (value_.vt == VT_DISPATCH && value_.pdispVal) return ComPtr<IDispatch>::retain(value_.pdispVal);
    if (value_.vt == VT_UNKNOWN && value_.punkVal) {
        auto object = ComPtr<IUnknown>::retain(value_.punkVal).tryQuery<IDispatch>(IID_IDispatch);
        if (object) return object;
    }
    throw Failure("The automation server answered without an object");
}

}  // namespace platform::win32::com
