#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "platform/jet/query/CodeFunctions.h"
#include "platform/jet/vba/Interpreter.h"

namespace platform::jet::vba {

// The database's code as the query engine calls it: the Public functions of its standard modules,
// and for a report's control sources the functions of the report's own module too. A function that
// stops (a run-time error it does not handle, a statement the interpreter does not know) raises
// query::CodeFailure saying where, which Access shows as #Error.
class ModuleFunctions : public query::CodeFunctions {
  public:
    explicit ModuleFunctions(Interpreter& code, bool withReportModule = false)
        : code_(code), withReportModule_(withReportModule) {}

    bool has(std::string_view name) const override;
    std::optional<Value> call(std::string_view name, const std::vector<Value>& args) override;
    query::ColumnType resultType(std::string_view name) const override;

  private:
    Interpreter& code_;
    bool withReportModule_;
};

}  // namespace platform::jet::vba
