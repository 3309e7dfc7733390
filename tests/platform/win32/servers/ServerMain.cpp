// The stand-in automation server: a local server program that COM starts with "-Embedding" to serve one
// instance of Access or of an ADO connection, and that ends when that instance is released. An instance
// whose client vanished without releasing it ends after a minute without calls.
#include <windows.h>

#include <cwchar>
#include <string>

#include "tests/platform/win32/servers/AccessStandIn.h"
#include "tests/platform/win32/servers/AdoStandIn.h"
#include "tests/platform/win32/servers/StandInClasses.h"

namespace {

using calvenor::stand_in::AutomationObject;
using calvenor::stand_in::ComPtr;

constexpr ULONGLONG kAbandonedAfterMs = 60'000;

// Lives for the whole program, so reference counts are only a formality.
class Factory final : public IClassFactory {
  public:
    explicit Factory(bool access) : access_(access) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        try {
            ComPtr<AutomationObject> instance = access_ ? calvenor::stand_in::createAccessApplication()
                                                        : calvenor::stand_in::createAdoConnection();
            return instance->QueryInterface(iid, object);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  private:
    bool access_;
};

// Serves one instance: ends when it is gone, or when nobody calls it any more.
int serve(const CLSID& classId, bool access) {
    Factory factory(access);
    DWORD registration = 0;
    if (FAILED(
            CoRegisterClassObject(classId, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &registration)))
        return 3;
    calvenor::stand_in::onLastObjectGone([] { PostQuitMessage(0); });
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 1000, nullptr);
    const ULONGLONG started = GetTickCount64();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) {
            const ULONGLONG since =
                calvenor::stand_in::liveObjects() ? calvenor::stand_in::lastActivity() : started;
            if (GetTickCount64() - since > kAbandonedAfterMs) break;
        }
        DispatchMessageW(&message);
    }
    KillTimer(nullptr, watchdog);
    CoRevokeClassObject(registration);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    const std::wstring arguments = commandLine ? commandLine : L"";
    const bool access = arguments.starts_with(calvenor::stand_in::kServeAccess);
    const bool ado = arguments.starts_with(calvenor::stand_in::kServeAdo);
    // Started by hand rather than by COM: nothing to serve.
    if ((!access && !ado) || arguments.find(L"Embedding") == std::wstring::npos) return 2;
    CLSID classId{};
    if (FAILED(CLSIDFromString(access ? calvenor::stand_in::kAccessClass : calvenor::stand_in::kAdoClass,
                               &classId)))
        return 2;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    const int result = serve(classId, access);
    CoUninitialize();
    return result;
}
