#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace calvenor {

class ErrorReport;

// A run of numbered statements, as every trapped handler and the export run are written. Each statement
// runs through step; one that fails, or any procedure it calls that fails, is told with its number and
// the description of the failure, and the run goes on with its next statement. The failed statement is
// neither retried nor completed; what it had done stays done. Only the telling differs: the handler's
// error report (Trap), the page that saves the reports, the command line's stream.
//
//     Trap trap{handlerLocation("Form1", "PushButton5_Click"), report};
//     trap.step(108, [&] { ui.showOpen(window, dialog); });
//     if (trap.test(110, [&] { return !dialog.fileName.empty(); })) trap.step(112, ...);
//
// Loops: a failing loop head is told and the loop then makes no pass. Going on into the body with a
// position that was never set would only address an item that does not exist and fail again in every
// statement of the body; making no pass is what such a run comes to, without the string of reports.
class NumberedSteps {
  public:
    virtual ~NumberedSteps() = default;

    // Runs one statement; tells its failure. Answers whether it completed.
    bool step(int number, const std::function<void()>& statement);

    // A conditional's test: its answer, or true when the test itself failed, because the run then
    // goes on with the first statement of the "then" part.
    bool test(int number, const std::function<bool()>& condition);

    // A counted loop's head: the number of passes, 0 when the bound cannot be read.
    int passes(int number, const std::function<int()>& bound);

    // Tells that the statement numbered so failed.
    virtual void failed(int number, const std::string& description) = 0;
};

// The error trap of a user-facing handler: a failure shows the error report with the handler's
// location and the statement's number.
class Trap : public NumberedSteps {
  public:
    Trap(std::string_view location, ErrorReport& report) : location_(location), report_(report) {}
    Trap(const Trap&) = delete;
    Trap& operator=(const Trap&) = delete;

    void failed(int number, const std::string& description) override;

  private:
    std::string location_;
    ErrorReport& report_;
};

// What every handler's location is made of: the project the handlers belong to and its date.
inline constexpr std::string_view kProjectName = "Ostrevan";
inline constexpr std::string_view kProjectDate = "2021/08/31";

template <std::size_t Length>
struct HandlerLocation {
    char text[Length]{};
    constexpr operator std::string_view() const { return {text, Length}; }
};

// A handler's location as the error report quotes it, "in Ostrevan2021/08/31.Form2.PushButton3_Click ".
// The compiler puts it together, so that each handler still carries a fixed text.
template <std::size_t FormSize, std::size_t HandlerSize>
consteval auto handlerLocation(const char (&form)[FormSize], const char (&handler)[HandlerSize]) {
    const std::string_view pieces[] = {
        "in ", kProjectName, kProjectDate, ".", {form, FormSize - 1}, ".", {handler, HandlerSize - 1}, " "};
    HandlerLocation<kProjectName.size() + kProjectDate.size() + FormSize + HandlerSize + 4> location;
    std::size_t at = 0;
    for (const std::string_view piece : pieces)
        for (const char c : piece) location.text[at++] = c;
    return location;
}

}  // namespace calvenor
