#include "platform/jet/vba/ModuleFunctions.h"

#include <map>
#include <string>

namespace platform::jet::vba {

bool ModuleFunctions::has(std::string_view name) const {
    const auto function = code_.function(name);
    if (!function) return false;
    if (function->inReportModule) return withReportModule_;
    return function->inStandardModule && !function->isPrivate;
}

std::optional<Value> ModuleFunctions::call(std::string_view name, const std::vector<Value>& args) {
    if (!has(name)) throw query::QueryError("The database's code has no function " + std::string(name) + ".");
    std::vector<Value> arguments = args;
    const CallResult result = code_.call(name, arguments);
    if (!result.completed) throw query::CodeFailure(result.stoppedAt + ": " + result.reason);
    return result.value;
}

query::ColumnType ModuleFunctions::resultType(std::string_view name) const {
    using query::ColumnType;
    static const std::map<std::string, ColumnType, std::less<>> types = {
        {"boolean", ColumnType::Boolean}, {"byte", ColumnType::Integer},     {"integer", ColumnType::Integer},
        {"long", ColumnType::Integer},    {"longlong", ColumnType::Integer}, {"single", ColumnType::Double},
        {"double", ColumnType::Double},   {"currency", ColumnType::Currency}, {"date", ColumnType::Date},
        {"string", ColumnType::Text}};
    const auto function = code_.function(name);
    if (!function) return ColumnType::Unknown;
    const auto found = types.find(function->returnType);
    return found == types.end() ? ColumnType::Unknown : found->second;
}

}  // namespace platform::jet::vba
