#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win32/com/ComPtr.h"

namespace calvenor::stand_in {

using platform::win32::com::ComPtr;

// A failure as the caller's EXCEPINFO carries it: the server's own text and its number.
struct ServerError {
    std::wstring description;
    HRESULT code;
};

// One call as a member sees it: arguments counted in the order the member declares them.
class Call {
  public:
    Call(const DISPPARAMS& parameters, WORD flags);

    bool isPut() const { return (flags_ & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
    std::size_t count() const { return positional_.size(); }
    // Present, and not the VT_ERROR/DISP_E_PARAMNOTFOUND that stands for an omitted optional argument.
    bool given(std::size_t index) const;
    // An optional argument is either omitted the standard way or of `type`; anything else, an omission
    // marked any other way included, is a type mismatch.
    void requireOmittedOr(std::size_t index, VARTYPE type) const;
    std::wstring text(std::size_t index) const;
    long number(std::size_t index) const;
    bool boolean(std::size_t index) const;  // only a real VT_BOOL: servers compare with VARIANT_TRUE
    const VARIANT& value(std::size_t index) const;
    // The value assigned by a property put.
    const VARIANT& assigned() const;

  private:
    const VARIANT& required(std::size_t index) const;
    VARIANT converted(std::size_t index, VARTYPE type) const;

    WORD flags_;
    std::vector<const VARIANT*> positional_;
    const VARIANT* assigned_ = nullptr;
};

void answerText(VARIANT* result, std::wstring_view text);
void answerNumber(VARIANT* result, long value);
void answerBool(VARIANT* result, bool value);
void answerNull(VARIANT* result);

// An IDispatch whose members are functions given by name; names are looked up without regard to case,
// as Visual Basic does. Failures thrown as ServerError reach the caller as DISP_E_EXCEPTION with the
// description, under the object's source name. Counted as a live object of the server while referenced.
class AutomationObject final : public IDispatch {
  public:
    using Member = std::function<void(Call& call, VARIANT* result)>;
    // Runs before every member with the member's name: where injected delays and failures happen.
    using Conduct = std::function<void(const std::wstring& member)>;

    // A new object; the pointer returned holds its one reference.
    static ComPtr<AutomationObject> create(std::wstring source, Conduct conduct = {});

    AutomationObject& define(std::wstring name, Member member);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* error, UINT* badArgument) override;

    struct Private {};  // only create() makes objects, so that every one is owned by its references
    AutomationObject(Private, std::wstring source, Conduct conduct);
    ~AutomationObject();

  private:
    std::wstring source_;
    Conduct conduct_;
    std::vector<std::pair<std::wstring, Member>> members_;  // DISPID n is members_[n - 1]
    long references_ = 0;
    std::shared_ptr<AutomationObject> self_;  // held while COM holds references
};

// Hands an object to the caller as the result; the caller gets the reference.
void answerObject(VARIANT* result, ComPtr<AutomationObject> object);

// Objects alive in this process; the server ends when the last one goes.
long liveObjects();
// Called whenever the count of live objects reaches zero.
void onLastObjectGone(std::function<void()> action);
// GetTickCount64 at the start of the last call any object received (or at the first object's creation).
ULONGLONG lastActivity();

// Reads a text property of any automation object, ours or another's.
std::wstring textProperty(IDispatch* object, const wchar_t* name);

}  // namespace calvenor::stand_in
