#pragma once

#include <optional>
#include <string>

namespace platform {

// Asks the user for a value a report's record source needs, as Access's "Enter Parameter Value" box
// does: the parameter's name as the prompt, its type as the query declares it, and the text the box
// starts with (the answer given last time, or empty). Nothing when the user cancels.
class ParameterPrompt {
  public:
    virtual ~ParameterPrompt() = default;
    virtual std::optional<std::string> ask(const std::string& name, const std::string& type,
                                           const std::string& remembered) = 0;
};

}  // namespace platform
