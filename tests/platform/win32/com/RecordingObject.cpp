#include "tests/platform/win32/com/RecordingObject.h"

#include <algorithm>
#include <memory>

#include "platform/win32/WideText.h"

namespace calvenor::test {

using platform::win32::toUtf8;
using platform::win32::toWide;

namespace {
// Every recorder the process made, to name the objects passed as arguments.
std::vector<RecordingObject*>& everyRecorder() {
    static std::vector<RecordingObject*> recorders;
    return recorders;
}
}  // namespace

RecordingObject::RecordingObject(std::string label, std::vector<std::string>& log)
    : label_(std::move(label)), log_(log) {
    everyRecorder().push_back(this);
}

RecordingObject::~RecordingObject() {
    std::erase(everyRecorder(), this);
}

int RecordingObject::lookups(const std::string& member) const {
    const auto found = lookups_.find(member);
    return found == lookups_.end() ? 0 : found->second;
}

HRESULT RecordingObject::QueryInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    if (supportsErrorInfo_ && IsEqualIID(iid, IID_ISupportErrorInfo)) {
        *object = static_cast<ISupportErrorInfo*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT RecordingObject::InterfaceSupportsErrorInfo(REFIID iid) {
    return supportsErrorInfo_ && IsEqualIID(iid, IID_IDispatch) ? S_OK : S_FALSE;
}

HRESULT RecordingObject::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT RecordingObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
    try {
        return lookUp(names, count, locale, ids);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT RecordingObject::lookUp(LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
    locales_.push_back(locale);
    for (UINT index = 0; index < count; ++index) {
        const std::string name = toUtf8(names[index]);
        ++lookups_[name];
        for (const auto& unknown : unknown_)
            if (unknown == name) {
                ids[index] = DISPID_UNKNOWN;
                return DISP_E_UNKNOWNNAME;
            }
        members_.push_back(name);
        ids[index] = static_cast<DISPID>(members_.size());
    }
    return S_OK;
}

std::string RecordingObject::describe(const VARIANT& value) const {
    switch (value.vt) {
        case VT_BSTR:
            return "text:" + toUtf8({value.bstrVal, SysStringLen(value.bstrVal)});
        case VT_I4:
            return "long:" + std::to_string(value.lVal);
        case VT_BOOL:
            return value.boolVal == VARIANT_TRUE    ? "bool:true"
                   : value.boolVal == VARIANT_FALSE ? "bool:false"
                                                    : "bool:" + std::to_string(value.boolVal);
        case VT_ERROR:
            return value.scode == DISP_E_PARAMNOTFOUND ? "missing" : "error:" + std::to_string(value.scode);
        case VT_DISPATCH:
            for (auto* recorder : everyRecorder())
                if (static_cast<IDispatch*>(recorder) == value.pdispVal) return "object:" + recorder->label();
            return "object:?";
        default:
            return "vt:" + std::to_string(value.vt);
    }
}

HRESULT RecordingObject::Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* parameters,
                                VARIANT* result, EXCEPINFO* error, UINT*) {
    // No exception may cross back into COM.
    try {
        return record(id, locale, flags, *parameters, result, error);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT RecordingObject::record(DISPID id, LCID locale, WORD flags, const DISPPARAMS& call, VARIANT* result,
                                EXCEPINFO* error) {
    const DISPPARAMS* parameters = &call;
    locales_.push_back(locale);
    if (id < 1 || static_cast<size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
    const std::string& member = members_[static_cast<size_t>(id) - 1];
    std::string kind = flags == (DISPATCH_METHOD | DISPATCH_PROPERTYGET) ? "call"
                       : flags == DISPATCH_PROPERTYGET                   ? "get"
                       : flags == DISPATCH_PROPERTYPUT                   ? "put"
                       : flags == DISPATCH_PROPERTYPUTREF                ? "putref"
                                                                         : "flags:" + std::to_string(flags);
    const bool putting = flags == DISPATCH_PROPERTYPUT || flags == DISPATCH_PROPERTYPUTREF;
    const bool namedPut =
        parameters->cNamedArgs == 1 && parameters->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
    if (putting != namedPut) kind += "(named:" + std::to_string(parameters->cNamedArgs) + ")";
    // rgvarg holds the arguments last first.
    std::vector<VARIANT> arguments(parameters->rgvarg, parameters->rgvarg + parameters->cArgs);
    std::reverse(arguments.begin(), arguments.end());
    std::string line = label_ + "." + kind + " " + member + "(";
    for (size_t index = 0; index < arguments.size(); ++index)
        line += (index ? ", " : "") + describe(arguments[index]);
    log_.push_back(line + ")");
    const auto answer = replies_.find(member);
    if (answer == replies_.end()) return S_OK;
    VARIANT ignored;
    VariantInit(&ignored);
    const HRESULT status = answer->second(arguments, result ? result : &ignored, error);
    VariantClear(&ignored);
    return status;
}

RecordingObject::Reply returnsText(const std::string& text) {
    return [text](const std::vector<VARIANT>&, VARIANT* result, EXCEPINFO*) {
        const std::wstring wide = toWide(text);
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        return S_OK;
    };
}

RecordingObject::Reply returnsNumber(long value) {
    return [value](const std::vector<VARIANT>&, VARIANT* result, EXCEPINFO*) {
        result->vt = VT_I4;
        result->lVal = value;
        return S_OK;
    };
}

RecordingObject::Reply returnsBool(bool value) {
    return [value](const std::vector<VARIANT>&, VARIANT* result, EXCEPINFO*) {
        result->vt = VT_BOOL;
        result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    };
}

RecordingObject::Reply returnsNull() {
    return [](const std::vector<VARIANT>&, VARIANT* result, EXCEPINFO*) {
        result->vt = VT_NULL;
        return S_OK;
    };
}

RecordingObject::Reply returnsObject(RecordingObject& object) {
    return [&object](const std::vector<VARIANT>&, VARIANT* result, EXCEPINFO*) {
        result->vt = VT_DISPATCH;
        return object.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&result->pdispVal));
    };
}

RecordingObject::Reply returnsItem(std::vector<RecordingObject*> items) {
    return [items](const std::vector<VARIANT>& arguments, VARIANT* result, EXCEPINFO*) -> HRESULT {
        if (arguments.size() != 1 || arguments[0].vt != VT_I4 || arguments[0].lVal < 0 ||
            static_cast<size_t>(arguments[0].lVal) >= items.size())
            return DISP_E_BADINDEX;
        result->vt = VT_DISPATCH;
        return items[static_cast<size_t>(arguments[0].lVal)]->QueryInterface(
            IID_IDispatch, reinterpret_cast<void**>(&result->pdispVal));
    };
}

namespace {
std::wstring& deferredDescription() {
    static std::wstring description;
    return description;
}
HRESULT STDMETHODCALLTYPE fillInDescription(EXCEPINFO* error) {
    error->bstrDescription = SysAllocString(deferredDescription().c_str());
    return S_OK;
}
}  // namespace

RecordingObject::Reply raises(const std::string& description, SCODE code, bool deferred) {
    return [description, code, deferred](const std::vector<VARIANT>&, VARIANT*, EXCEPINFO* error) {
        error->scode = code;
        error->bstrSource = SysAllocString(L"Recorder");
        if (deferred) {
            deferredDescription() = toWide(description);
            error->pfnDeferredFillIn = fillInDescription;
        } else {
            error->bstrDescription = SysAllocString(toWide(description).c_str());
        }
        return DISP_E_EXCEPTION;
    };
}

RecordingObject::Reply failsWithErrorInfo(const std::string& description, HRESULT status) {
    return [description, status](const std::vector<VARIANT>&, VARIANT*, EXCEPINFO*) {
        ICreateErrorInfo* creator = nullptr;
        if (FAILED(CreateErrorInfo(&creator))) return E_UNEXPECTED;
        std::wstring wide = toWide(description);
        creator->SetDescription(wide.data());
        IErrorInfo* info = nullptr;
        creator->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
        SetErrorInfo(0, info);
        info->Release();
        creator->Release();
        return status;
    };
}

RecordingObject::Reply inTurn(std::vector<RecordingObject::Reply> answers) {
    auto next = std::make_shared<size_t>(0);
    return [answers, next](const std::vector<VARIANT>& arguments, VARIANT* result, EXCEPINFO* error) {
        const size_t index = std::min(*next, answers.size() - 1);
        ++*next;
        return answers[index](arguments, result, error);
    };
}

}  // namespace calvenor::test
