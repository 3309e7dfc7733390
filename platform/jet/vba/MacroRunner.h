#pragma once

// Runs Access macros on a report's events: a named macro, one macro of a group, or one embedded in the
// design, through the report's Interpreter, so that macros and event procedures see the same report.

#include <string>
#include <string_view>

#include "platform/jet/design/Macro.h"
#include "platform/jet/vba/Interpreter.h"

namespace platform::jet::vba {

// What an event property naming a macro says: "Group.Name" runs the macro Name of the group, "Macro" the
// whole macro. Access's object names hold no ".", so the first one splits them.
struct MacroReference {
    std::string macro;
    std::string name;  // empty: the whole macro
};
MacroReference macroReference(std::string_view eventText);

struct MacroRun {
    bool found = false;      // the macro has a row of that name (always, for a whole macro)
    bool completed = false;  // it ran to its end, the next macro of its group or StopMacro
    bool cancel = false;     // CancelEvent ran: the event's Cancel comes back set
    // When an action or a condition failed: `Sales Totals by Amount.Show Break stops at row 6 (SetValue)`,
    // and why. Access stops a macro there too.
    std::string stoppedAt;
    std::string reason;
};

class MacroRunner {
  public:
    explicit MacroRunner(Interpreter& code) : code_(code) {}

    // Runs the macro's rows: all of them when name is empty (as far as a group's next named macro), else
    // those from the row of that name to the next named row. label names it in notes and stops.
    // Conditions hold when true (not Null); "..." repeats the condition above. SetValue, CancelEvent,
    // RunCode and StopMacro run; MsgBox is answered OK and noted; Beep and Echo do nothing on paper; any
    // other action is noted by name and skipped.
    MacroRun run(const design::Macro& macro, std::string_view name, const std::string& label);

  private:
    Interpreter& code_;
};

}  // namespace platform::jet::vba
