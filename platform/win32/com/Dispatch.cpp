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

ScopedVariant Dispatch::invoke(DISPID member, WORD flags, Arguments& arguments, bool propertyPut) {
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
        object_->Invoke(member, IID_NULL, kLocale, flags, &parameters,
                        propertyPut ? nullptr : result.receive(), &exception, &badArgument);
    if (FAILED(status)) raiseInvokeFailure(object_.get(), status, exception);
    return result;
}

ScopedVariant Dispatch::call(std::string_view method, Arguments arguments) {
    return callMember(memberId(method), std::move(arguments));
}

ScopedVariant Dispatch::get(std::string_view property, Arguments arguments) {
    return invoke(memberId(property), DISPATCH_PROPERTYGET, arguments, false);
}

Dispatch Dispatch::getObject(std::string_view property, Arguments arguments) {
    return Dispatch(get(property, std::move(arguments)).asObject());
}

void Dispatch::put(std::string_view property, ScopedVariant value) {
    putMember(memberId(property), std::move(value));
}

void Dispatch::putRef(std::string_view property, ScopedVariant value) {
    Arguments single = arguments(std::move(value));
    invoke(memberId(property), DISPATCH_PROPERTYPUTREF, single, true);
}

ScopedVariant Dispatch::callMember(DISPID member, Arguments arguments) {
    // Some servers expose parameterless members as properties; VB asks for either.
    return invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments, false);
}

ScopedVariant Dispatch::getMember(DISPID member) {
    Arguments none;
    return invoke(member, DISPATCH_PROPERTYGET, none, false);
}

void Dispatch::putMember(DISPID member, ScopedVariant value) {
    Arguments single = arguments(std::move(value));
    invoke(member, DISPATCH_PROPERTYPUT, single, true);
}

}  // namespace platform::win32::com
