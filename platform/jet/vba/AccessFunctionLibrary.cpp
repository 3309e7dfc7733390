#include "platform/jet/vba/AccessFunctionLibrary.h"

#include "platform/jet/query/AccessFunctions.h"

namespace platform::jet::vba {

std::optional<Value> AccessFunctionLibrary::call(std::string_view name, const std::vector<Value>& arguments) {
    const query::AccessFunction* function = query::findAccessFunction(name);
    if (!function || !function->inCode) return std::nullopt;
    return (*function)(arguments);
}

}  // namespace platform::jet::vba
