#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "platform/win32/com/ComPtr.h"

namespace platform::win32::com {

// Creates the automation object a backend drives; the seam where tests hand in objects of their own.
using ObjectFactory = std::function<ComPtr<IDispatch>()>;

// Creates a new object, in or out of process, from a programmatic identifier ("ADODB.Connection") or a
// class identifier in braces. Raises Failure with the system's description and the HRESULT as number.
ComPtr<IDispatch> createObject(std::string_view progIdOrClassId);

// A factory that creates the named class each time it is asked.
ObjectFactory factoryOf(std::string progIdOrClassId);

}  // namespace platform::win32::com
