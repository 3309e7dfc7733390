#pragma once

// Runs report code: the procedures of a report's module and of the database's standard modules, called
// by name as the report's events and expressions need them. Module variables live as long as the
// interpreter (the whole report); Static locals too.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/jet/vba/Objects.h"
#include "platform/jet/vba/Syntax.h"

namespace platform::jet::vba {

// Bounds no report's code reaches; past them a call stops rather than hang or exhaust the process.
struct RunLimits {
    std::uint64_t statementsPerCall = 2'000'000;
    // All the calls of one interpreter (one report run): code that loops within each of many events
    // stops once this is spent, every later call at once, instead of running until the print job is killed.
    std::uint64_t statementsPerRun = 50'000'000;
    int maxCallDepth = 64;
    int maxNesting = 600;  // blocks and expressions being evaluated at once: the stack they take
    std::size_t maxArrayElements = 1'000'000;
    std::size_t maxTextBytes = 16u * 1024 * 1024;
    std::size_t bytesPerCall = 512u * 1024 * 1024;  // text and arrays made by one call, all told
};

struct Services {
    ReportHost* report = nullptr;       // Me; none for code run outside a report
    DomainFunctions* domain = nullptr;  // DLookup and the like
    FunctionLibrary* functions = nullptr;
    DatabaseRows* database = nullptr;   // CurrentDb, DBEngine and CurrentProject; none: they stop the code
};

// A Function as expressions see it: where it is and what it declares.
struct FunctionInfo {
    bool inStandardModule = false;  // else in a class module: the report's own or another
    bool inReportModule = false;
    bool isPrivate = false;
    std::string returnType;  // lower case, "variant" when none is declared
};

struct CallResult {
    bool found = false;      // the procedure exists
    bool completed = false;  // it ran to its end (or Exit)
    Value value;             // a function's result
    // When it stopped: `Detail_Format stops at "Set db = CurrentDb()" (line 12)`, and why.
    std::string stoppedAt;
    std::string reason;
};

class Interpreter {
  public:
    // The report's own module is the one named "Report_..."; its code reaches the report's members
    // without "Me.".
    Interpreter(std::vector<Module> modules, Services services, RunLimits limits = {});
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    bool hasProcedure(std::string_view name) const;
    // The Function of that name (a Sub is none), the report's own before the others.
    std::optional<FunctionInfo> function(std::string_view name) const;
    // Calls a procedure by name. Arguments passed ByRef (an event's Cancel) come back changed.
    CallResult call(std::string_view procedure, std::vector<Value>& arguments);
    CallResult call(std::string_view procedure);

    // An expression as macros and property sheets write it (a leading "=" allowed), evaluated where the
    // report's own code runs: its controls and properties by name ([Counter], [HiddenPageBreak].[Visible],
    // [Reports]![R]![C]), Yes, No, On and Off, the modules' functions. A name that is none of those stops
    // it. Not completed, with the reason, when it cannot be evaluated.
    CallResult evaluate(std::string_view expression);
    // Sets what the target names ([PageTotal], [HiddenPageBreak].[Visible]) to the value, as a macro's
    // SetValue does.
    CallResult assign(std::string_view target, const Value& value);
    // Notes what a macro did that the report cannot show, among the code's own notes.
    void note(std::string text);

    // What the code did that the report cannot show: MsgBox answered with its default button, calls
    // reaching outside the report skipped, procedures stopped, parts of modules not read.
    const std::vector<std::string>& notes() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace platform::jet::vba
