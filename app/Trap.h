#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace calvenor {

class ErrorReport;

// The error trap of a user-facing handler. The handler runs each numbered statement through it; a
// statement that fails, or any procedure it calls that fails, is reported with the handler's location
// and the statement's number, and the handler goes on with its next statement. The failed statement
// is neither retried nor completed; what it had done stays done.
//
//     Trap trap{"in Ostrevan2021/08/31.Form1.PushButton5_Click ", report};
//     trap.step(108, [&] { ui.showOpen(window, dialog); });
//     if (trap.test(110, [&] { return !dialog.fileName.empty(); })) trap.step(112, ...);
//
// Loops: a failing loop head is reported and the loop then makes no pass. Going on into the body with
// a position that was never set would only address an item that does not exist and fail again in every
// statement of the body; making no pass is what such a run comes to, without the string of reports.
class Trap {
  public:
    Trap(std::string_view location, ErrorReport& report) : location_(location), report_(report) {}
    Trap(const Trap&) = delete;
    Trap& operator=(const Trap&) = delete;

    // Runs one statement; reports its failure. Answers whether it completed.
    bool step(int number, const std::function<void()>& statement);

    // A conditional's test: its answer, or true when the test itself failed, because the handler then
    // goes on with the first statement of the "then" part.
    bool test(int number, const std::function<bool()>& condition);

    // A counted loop's head: the number of passes, 0 when the bound cannot be read.
    int passes(int number, const std::function<int()>& bound);

    const std::string& location() const { return location_; }

  private:
    std::string location_;
    ErrorReport& report_;
};

}  // namespace calvenor
