#pragma once

#include "platform/jet/vba/Objects.h"

namespace platform::jet::vba {

// Access's built-in functions for report code: the query engine's own, so that code and queries
// compute alike. Stateless; one serves any number of interpreters.
class AccessFunctionLibrary : public FunctionLibrary {
  public:
    std::optional<Value> call(std::string_view name, const std::vector<Value>& arguments) override;
};

}  // namespace platform::jet::vba
