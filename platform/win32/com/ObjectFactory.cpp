#include "platform/win32/com/ObjectFactory.h"

#include <utility>

#include "platform/win32/WideText.h"
#include "platform/win32/com/ComFailure.h"

namespace platform::win32::com {

ComPtr<IDispatch> createObject(std::string_view progIdOrClassId) {
    const std::string name(progIdOrClassId);
    const std::wstring wide = toWide(progIdOrClassId);
    CLSID classId{};
    const HRESULT found = wide.starts_with(L'{') ? CLSIDFromString(wide.c_str(), &classId)
                                                 : CLSIDFromProgID(wide.c_str(), &classId);
    if (FAILED(found)) raiseComFailure("Cannot find the class " + name, found);
    ComPtr<IDispatch> object;
    const HRESULT created =
        CoCreateInstance(classId, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid());
    if (FAILED(created)) raiseComFailure("Cannot create " + name, created);
    return object;
}

ObjectFactory factoryOf(std::string progIdOrClassId) {
    return [name = std::move(progIdOrClassId)] { return createObject(name); };
}

}  // namespace platform::win32::com
