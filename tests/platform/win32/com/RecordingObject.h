#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace calvenor::test {

// An in-process IDispatch of the test's own. Every call lands in a shared log as one line,
// "<label>.<kind> <Member>(<arguments>)", arguments in declaration order: "text:Sales", "long:3",
// "bool:true", "missing", "object:<label>". A member answers with what its Reply says (Empty when it
// has none). The test owns the object: AddRef/Release only count, so a test can check that every
// reference handed out came back.
class RecordingObject : public IDispatch, public ISupportErrorInfo {
  public:
    using Reply =
        std::function<HRESULT(const std::vector<VARIANT>& arguments, VARIANT* result, EXCEPINFO* error)>;

    RecordingObject(std::string label, std::vector<std::string>& log);
    RecordingObject(const RecordingObject&) = delete;
    RecordingObject& operator=(const RecordingObject&) = delete;
    virtual ~RecordingObject();

    void reply(const std::string& member, Reply answer) { replies_[member] = std::move(answer); }
    void unknownMember(const std::string& member) { unknown_.push_back(member); }
    // Says through ISupportErrorInfo that its failures leave an IErrorInfo.
    void supportErrorInfo() { supportsErrorInfo_ = true; }

    const std::string& label() const { return label_; }
    long references() const { return references_; }
    int lookups(const std::string& member) const;
    const std::vector<LCID>& locales() const { return locales_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* error, UINT* badArgument) override;

  private:
    HRESULT lookUp(LPOLESTR* names, UINT count, LCID locale, DISPID* ids);
    HRESULT record(DISPID id, LCID locale, WORD flags, const DISPPARAMS& call, VARIANT* result,
                   EXCEPINFO* error);
    std::string describe(const VARIANT& value) const;

    std::string label_;
    std::vector<std::string>& log_;
    std::map<std::string, Reply> replies_;
    std::vector<std::string> unknown_;
    std::vector<std::string> members_;  // DISPID n is members_[n - 1]
    std::map<std::string, int> lookups_;
    std::vector<LCID> locales_;
    long references_ = 0;
    bool supportsErrorInfo_ = false;
};

// Replies for the usual cases.
RecordingObject::Reply returnsText(const std::string& text);
RecordingObject::Reply returnsNumber(long value);
RecordingObject::Reply returnsBool(bool value);
RecordingObject::Reply returnsNull();
RecordingObject::Reply returnsObject(RecordingObject& object);
// Item(i) of a collection: the i-th object.
RecordingObject::Reply returnsItem(std::vector<RecordingObject*> items);
// DISP_E_EXCEPTION with the description and scode given; deferred to pfnDeferredFillIn when asked.
RecordingObject::Reply raises(const std::string& description, SCODE code, bool deferred = false);
// A failure that leaves its description in the thread's IErrorInfo, as ATL servers do.
RecordingObject::Reply failsWithErrorInfo(const std::string& description, HRESULT status);
// One answer per call, in turn, the last repeated (EOF: false, false, true).
RecordingObject::Reply inTurn(std::vector<RecordingObject::Reply> answers);

}  // namespace calvenor::test
