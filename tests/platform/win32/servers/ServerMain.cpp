// The stand-in Access: a local server program, as Access is, that COM starts with "-Embedding" to serve
// one instance, and that ends when that instance is released. An instance whose client vanished without
// releasing it ends after a minute without calls.
#include <windows.h>

#include <string>

#include "tests/platform/win32/servers/AccessStandIn.h"
#include "tests/platform/win32/servers/ClassFactory.h"
#include "tests/platform/win32/servers/StandInClasses.h"

namespace {

constexpr ULONGLONG kAbandonedAfterMs = 60'000;

int serve(const CLSID& classId) {
    calvenor::stand_in::ClassFactory factory(calvenor::stand_in::createAccessApplication);
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
    // Started by hand rather than by COM: nothing to serve.
    if (!commandLine || std::wstring(commandLine).find(L"Embedding") == std::wstring::npos) return 2;
    CLSID classId{};
    if (FAILED(CLSIDFromString(calvenor::stand_in::kAccessClass, &classId))) return 2;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    const int result = serve(classId);
    CoUninitialize();
    return result;
}
