#pragma once

// Runs small programs for the tests: a module's text, one procedure called, its result or where it
// stopped as text.

#include <string>
#include <vector>

#include "platform/jet/vba/Interpreter.h"
#include "platform/jet/vba/Parser.h"
#include "platform/jet/vba/Values.h"

namespace platform::jet::vba::testing {

// A few of Access's functions, as the query engine's library answers them.
class SmallLibrary : public FunctionLibrary {
  public:
    std::vector<std::string> called;
    std::optional<Value> call(std::string_view name, const std::vector<Value>& arguments) override {
        called.emplace_back(name);
        if (name == "ucase" && arguments.size() == 1) {
            std::string text = toText(Variant(arguments[0]));
            for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            return Value(text);
        }
        if (name == "space" && arguments.size() == 1)
            return Value(std::string(static_cast<std::size_t>(toDouble(Variant(arguments[0]))), ' '));
        if (name == "left" && arguments.size() == 2)
            return Value(toText(Variant(arguments[0])).substr(0, static_cast<std::size_t>(toDouble(Variant(arguments[1])))));
        return std::nullopt;
    }
};

inline std::string shown(const CallResult& result) {
    if (!result.found) return "(no procedure)";
    if (!result.completed) return result.stoppedAt + ": " + result.reason;
    if (result.value.isNull()) return "Null";
    return toText(Variant(result.value));
}

inline std::vector<Module> modulesOf(const std::string& name, const std::string& source) {
    std::vector<Module> modules;
    modules.push_back(parseModule(name, source));
    return modules;
}

}  // namespace platform::jet::vba::testing
