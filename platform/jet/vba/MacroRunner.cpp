#include "platform/jet/vba/MacroRunner.h"

#include <cstddef>

#include "platform/jet/vba/Values.h"

namespace platform::jet::vba {
namespace {

using design::MacroRow;
namespace action = design::macro_action;

constexpr std::string_view kSameCondition = "...";

// An argument box's text is itself, unless it starts with "=": then it is an expression.
bool isExpression(const std::string& argument) {
    return !argument.empty() && argument[0] == '=';
}

const std::string& argumentOf(const MacroRow& row, std::size_t index) {
    static const std::string none;
    return index < row.arguments.size() ? row.arguments[index] : none;
}

}  // namespace

MacroReference macroReference(std::string_view eventText) {
    const std::size_t dot = eventText.find('.');
    if (dot == std::string_view::npos) return {std::string(eventText), {}};
    return {std::string(eventText.substr(0, dot)), std::string(eventText.substr(dot + 1))};
}

MacroRun MacroRunner::run(const design::Macro& macro, std::string_view name, const std::string& label) {
    MacroRun result;
    const auto rows = design::macroRows(macro, name);
    if (rows.empty()) {
        result.found = name.empty();  // a whole macro without rows runs nothing
        result.completed = result.found;
        return result;
    }
    result.found = true;
    bool holds = true;  // the last condition, for "..."
    for (const MacroRow& row : rows) {
        const std::string actionName = design::macroActionName(row.action);
        const auto stop = [&](const std::string& reason) {
            result.stoppedAt = label + " stops at row " + std::to_string(row.row) +
                               (actionName.empty() ? std::string() : " (" + actionName + ")");
            result.reason = reason;
            code_.note(result.stoppedAt + ": " + reason);
            return result;
        };
        if (row.condition != kSameCondition) {
            holds = true;
            if (!row.condition.empty()) {
                const CallResult tested = code_.evaluate(row.condition);
                if (!tested.completed) return stop("its condition " + row.condition + ": " + tested.reason);
                try {
                    holds = !tested.value.isNull() && toBool(Variant(tested.value));
                } catch (const RuntimeError& error) {
                    return stop("its condition " + row.condition + ": " + error.description);
                }
            }
        }
        if (!holds) continue;
        switch (row.action) {
            case action::kNone:
            case action::kBeep:
            case action::kEcho:
                break;
            case action::kSetValue: {
                const CallResult evaluated = code_.evaluate(argumentOf(row, 1));
                if (!evaluated.completed) return stop(evaluated.reason);
                const CallResult assigned = code_.assign(argumentOf(row, 0), evaluated.value);
                if (!assigned.completed) return stop(assigned.reason);
                break;
            }
            case action::kCancelEvent:
                result.cancel = true;
                break;
            case action::kRunCode: {
                const CallResult called = code_.evaluate(argumentOf(row, 0));
                if (!called.completed) return stop(called.reason);
                break;
            }
            case action::kMsgBox: {
                std::string message = argumentOf(row, 0);
                if (isExpression(message)) {
                    const CallResult shown = code_.evaluate(message);
                    try {
                        if (shown.completed) message = shown.value.isNull() ? "Null" : toText(Variant(shown.value));
                    } catch (const RuntimeError&) {  // shown as written
                    }
                }
                code_.note(label + ": MsgBox \"" + message + "\" answered OK");
                break;
            }
            case action::kStopMacro:
                result.completed = true;
                return result;
            default:
                code_.note(label + ": the macro action " + actionName + " does not run when a report is saved");
                break;
        }
    }
    result.completed = true;
    return result;
}

}  // namespace platform::jet::vba
