#pragma once

#include <string>
#include <string_view>

namespace calvenor::batch {

// A report's name as one line of text: a backslash becomes \\, a tab \t, a carriage return \r and a
// line feed \n; everything else stays as it is, so that names read back unambiguously.
std::string printableName(std::string_view name);

}  // namespace calvenor::batch
