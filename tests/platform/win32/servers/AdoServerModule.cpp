// The stand-in ADO as an in-process server, as ADO is: the DLL's two standard entries.
#include <windows.h>

#include "tests/platform/win32/servers/AdoStandIn.h"
#include "tests/platform/win32/servers/ClassFactory.h"
#include "tests/platform/win32/servers/StandInClasses.h"

namespace {
calvenor::stand_in::ClassFactory connections(calvenor::stand_in::createAdoConnection);
}  // namespace

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    CLSID ours{};
    if (FAILED(CLSIDFromString(calvenor::stand_in::kAdoClass, &ours)) || !IsEqualCLSID(classId, ours))
        return CLASS_E_CLASSNOTAVAILABLE;
    return connections.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
    return calvenor::stand_in::liveObjects() == 0 ? S_OK : S_FALSE;
}
