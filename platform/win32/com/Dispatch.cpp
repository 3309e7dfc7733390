#include "platform/win32/com/Dispatch.h"

#include "platform/win32/WideText.h"
#include "platform/win32/com/ComFailure.h"

namespace platform::win32::com {

namespace {
// Names are looked up and members invoked in one locale, so that a localised server agrees with itself.
constexpr LCID kLocale = LOCALE_USER_DEFAULT;
}  // namespace

Dispatch::Dispatch(ComPtr<IDispatch> object) : object_(std::move(object)) {
    if (!object_) throw Failure("The automation object is missing");
}

DISPID Dispatch::memberId(std::string_view name) {
    std::string key(name);
    if (auto known = ids_.find(key); known != ids_.end()) return known->second;
    std::wstring wide = toWide(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT status = object_->GetIDsOfNames(IID_NULL, names, 1, kLocale, &id);
    if (FAILED(status)) raiseComFailure("Cannot reach " + key, status);
    ids_.emplace(std::move(key), id);
    return id;
}

ScopedVariant Dispatch::invoke(std::string_view name, WORD flags, Arguments& arguments, bool propertyPut) {
    const DISPID id = memberId(name);
    // IDispatch takes the arguments last first; the VARIANTs stay owned by `arguments`.
    std::vector<VARIANT> reversed;
    reversed.reserve(arguments.size());
    for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
        reversed.push_back(argument->get());
    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    parameters.rgvarg = reversed.data();
    parameters.cArgs = static_cast<UINT>(reversed.size());
    if (propertyPut) {
        parameters.rgdispidNamedArgs = &namedPut;
        parameters.cNamedArgs = 1;
    }
    ScopedVariant result;
    EXCEPINFO exception{};
    UINT badArgument = 0;
    const HRESULT status =
        object_->Invoke(id, IID_NULL, kLocale, flags, &parameters, propertyPut ? nullptr : result.receive(),
                        &exception, &badArgument);
    if (FAILED(status)) raiseInvokeFailure(object_.get(), status, exception);
    return result;
}

ScopedVariant Dispatch::call(std::string_view method, Arguments arguments) {
    // Some servers expose parameterless members as properties; VB asks for either.
    return invoke(method, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments, false);
}

ScopedVariant Dispatch::get(std::string_view property, Arguments arguments) {
    return invoke(property, DISPATCH_PROPERTYGET, arguments, false);
}

Dispatch Dispatch::getObject(std::string_view property, Arguments arguments) {
    return Dispatch(get(property, std::move(arguments)).asObject());
}

void Dispatch::put(std::string_view property, ScopedVariant value) {
    Arguments single = arguments(std::move(value));
    invoke(property, DISPATCH_PROPERTYPUT, single, true);
}

void Dispatch::putRef(std::string_view property, ScopedVariant value) {
    Arguments single = arguments(std::move(value));
    invoke(property, DISPATCH_PROPERTYPUTREF, single, true);
}

}  // namespace platform::win32::com
