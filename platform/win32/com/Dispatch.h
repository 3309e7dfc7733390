#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win32/com/ComPtr.h"
#include "platform/win32/com/ScopedVariant.h"

namespace platform::win32::com {

using Arguments = std::vector<ScopedVariant>;

// Arguments in the order the member declares them: arguments(ScopedVariant::text("a"), ...).
template <class... Values>
Arguments arguments(Values&&... values) {
    Arguments list;
    list.reserve(sizeof...(values));
    (list.push_back(std::forward<Values>(values)), ...);
    return list;
}

// Late binding to an automation object: members called by name, their DISPIDs looked up once. Every
// failure raises platform::Failure with the server's description. Move-only.
class Dispatch {
  public:
    explicit Dispatch(ComPtr<IDispatch> object);

    ScopedVariant call(std::string_view method, Arguments arguments = {});
    ScopedVariant get(std::string_view property, Arguments arguments = {});
    // A property that holds an object (a collection, a member of one).
    Dispatch getObject(std::string_view property, Arguments arguments = {});
    void put(std::string_view property, ScopedVariant value);
    // Sets an object-valued property to the object itself (VB's "Set x.Printer = p").
    void putRef(std::string_view property, ScopedVariant value);

    // Members reached by their dispatch ids, for servers documented only by their numbers.
    ScopedVariant callMember(DISPID member, Arguments arguments = {});
    ScopedVariant getMember(DISPID member);
    void putMember(DISPID member, ScopedVariant value);

    const ComPtr<IDispatch>& object() const { return object_; }

  private:
    DISPID memberId(std::string_view name);
    ScopedVariant invoke(DISPID member, WORD flags, Arguments& arguments, bool propertyPut);

    ComPtr<IDispatch> object_;
    std::unordered_map<std::string, DISPID> ids_;
};

}  // namespace platform::win32::com
