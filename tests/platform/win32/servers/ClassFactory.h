#pragma once

#include <windows.h>

#include "tests/platform/win32/servers/AutomationObject.h"

namespace calvenor::stand_in {

// Makes new instances of one stand-in class. Lives as long as its module, so its own reference count
// is a formality.
class ClassFactory final : public IClassFactory {
  public:
    using Create = ComPtr<AutomationObject> (*)();
    explicit ClassFactory(Create create) : create_(create) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  private:
    Create create_;
};

}  // namespace calvenor::stand_in
