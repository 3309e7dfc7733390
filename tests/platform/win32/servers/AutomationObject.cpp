#include "tests/platform/win32/servers/AutomationObject.h"

#include <oleauto.h>

namespace calvenor::stand_in {

namespace {

long live = 0;
ULONGLONG lastCall = 0;
std::function<void()>& lastObjectGone() {
    static std::function<void()> action;
    return action;
}

const VARIANT& dereferenced(const VARIANT& value) {
    if (V_VT(&value) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&value)) return *V_VARIANTREF(&value);
    return value;
}

[[noreturn]] void typeMismatch() {
    throw ServerError{L"Type mismatch", DISP_E_TYPEMISMATCH};
}

}  // namespace

Call::Call(const DISPPARAMS& parameters, WORD flags) : flags_(flags) {
    // The caller puts the arguments last first, and the assigned value of a put as the one named one.
    UINT named = parameters.cNamedArgs;
    for (UINT index = 0; index < named && index < parameters.cArgs; ++index)
        if (parameters.rgdispidNamedArgs[index] == DISPID_PROPERTYPUT) assigned_ = &parameters.rgvarg[index];
    for (UINT index = parameters.cArgs; index > named; --index)
        positional_.push_back(&parameters.rgvarg[index - 1]);
}

bool Call::given(std::size_t index) const {
    if (index >= positional_.size()) return false;
    const VARIANT& value = dereferenced(*positional_[index]);
    return !(V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND);
}

void Call::requireOmittedOr(std::size_t index, VARTYPE type) const {
    if (!given(index)) return;
    const VARTYPE actual = V_VT(&value(index));
    const bool number = type == VT_I4 && actual == VT_I2;
    if (actual != type && !number) typeMismatch();
}

const VARIANT& Call::required(std::size_t index) const {
    if (!given(index)) throw ServerError{L"Argument not optional", DISP_E_PARAMNOTFOUND};
    return dereferenced(*positional_[index]);
}

const VARIANT& Call::value(std::size_t index) const {
    return required(index);
}

const VARIANT& Call::assigned() const {
    if (!assigned_) throw ServerError{L"Argument not optional", DISP_E_PARAMNOTFOUND};
    return dereferenced(*assigned_);
}

VARIANT Call::converted(std::size_t index, VARTYPE type) const {
    VARIANT copy;
    VariantInit(&copy);
    if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(&required(index)), 0, type))) typeMismatch();
    return copy;
}

std::wstring Call::text(std::size_t index) const {
    VARIANT copy = converted(index, VT_BSTR);
    std::wstring text(V_BSTR(&copy), SysStringLen(V_BSTR(&copy)));
    VariantClear(&copy);
    return text;
}

long Call::number(std::size_t index) const {
    VARIANT copy = converted(index, VT_I4);
    return V_I4(&copy);
}

bool Call::boolean(std::size_t index) const {
    const VARIANT& value = required(index);
    if (V_VT(&value) != VT_BOOL) typeMismatch();
    return V_BOOL(&value) == VARIANT_TRUE;
}

void answerText(VARIANT* result, std::wstring_view text) {
    if (!result) return;
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void answerNumber(VARIANT* result, long value) {
    if (!result) return;
    V_VT(result) = VT_I4;
    V_I4(result) = value;
}

void answerBool(VARIANT* result, bool value) {
    if (!result) return;
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void answerNull(VARIANT* result) {
    if (result) V_VT(result) = VT_NULL;
}

void answerObject(VARIANT* result, ComPtr<AutomationObject> object) {
    if (!result) return;
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = object.get();
    object.get()->AddRef();  // the caller's reference; ours goes with `object`
}

ComPtr<AutomationObject> AutomationObject::create(std::wstring source, Conduct conduct) {
    auto object = std::make_shared<AutomationObject>(Private{}, std::move(source), std::move(conduct));
    object->self_ = object;
    object->references_ = 1;
    return ComPtr<AutomationObject>::adopt(object.get());
}

AutomationObject::AutomationObject(Private, std::wstring source, Conduct conduct)
    : source_(std::move(source)), conduct_(std::move(conduct)) {
    ++live;
    lastCall = GetTickCount64();
}

AutomationObject::~AutomationObject() {
    if (--live == 0 && lastObjectGone()) lastObjectGone()();
}

AutomationObject& AutomationObject::define(std::wstring name, Member member) {
    members_.emplace_back(std::move(name), std::move(member));
    return *this;
}

HRESULT AutomationObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AutomationObject::AddRef() {
    return static_cast<ULONG>(++references_);
}

ULONG AutomationObject::Release() {
    const long left = --references_;
    if (left == 0) {
        auto last = std::move(self_);  // the object ends with this statement's scope; nothing after it
        return 0;
    }
    return static_cast<ULONG>(left);
}

HRESULT AutomationObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT AutomationObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    HRESULT status = S_OK;
    for (UINT index = 0; index < count; ++index) {
        ids[index] = DISPID_UNKNOWN;
        for (std::size_t member = 0; member < members_.size(); ++member)
            if (_wcsicmp(members_[member].first.c_str(), names[index]) == 0)
                ids[index] = static_cast<DISPID>(member + 1);
        if (ids[index] == DISPID_UNKNOWN) status = DISP_E_UNKNOWNNAME;
    }
    return status;
}

HRESULT AutomationObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                 EXCEPINFO* error, UINT*) {
    if (id < 1 || static_cast<std::size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
    if (!parameters) return E_INVALIDARG;
    lastCall = GetTickCount64();
    if (result) VariantInit(result);
    // Keeps the object alive through a member that releases the caller's last reference.
    ComPtr<AutomationObject> keep = ComPtr<AutomationObject>::retain(this);
    const auto& [name, member] = members_[static_cast<std::size_t>(id) - 1];
    try {
        Call call(*parameters, flags);
        if (conduct_) conduct_(name);
        member(call, result);
        return S_OK;
    } catch (const ServerError& failure) {
        if (result) VariantClear(result);
        if (!error) return failure.code;
        *error = EXCEPINFO{};
        error->scode = failure.code;
        error->bstrSource = SysAllocString(source_.c_str());
        error->bstrDescription = SysAllocString(failure.description.c_str());
        return DISP_E_EXCEPTION;
    } catch (...) {
        if (result) VariantClear(result);
        return E_UNEXPECTED;
    }
}

long liveObjects() {
    return live;
}

void onLastObjectGone(std::function<void()> action) {
    lastObjectGone() = std::move(action);
}

ULONGLONG lastActivity() {
    return lastCall;
}

std::wstring textProperty(IDispatch* object, const wchar_t* name) {
    if (!object) typeMismatch();
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) typeMismatch();
    DISPPARAMS none{};
    VARIANT value;
    VariantInit(&value);
    if (FAILED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, nullptr,
                              nullptr)) ||
        V_VT(&value) != VT_BSTR) {
        VariantClear(&value);
        typeMismatch();
    }
    std::wstring text(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
    VariantClear(&value);
    return text;
}

}  // namespace calvenor::stand_in
