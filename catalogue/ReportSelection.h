#pragma once

#include <string_view>

#include "app/Text.h"

namespace platform {
class ListView;
class Ui;
}  // namespace platform

// The commands that change the report list's check marks in bulk. Each runs its numbered statements
// through the trap of the handler that calls it.
namespace calvenor {

class Trap;

// "Check All" (true) and "Uncheck All" (false): every item, whatever the list's length.
void MarkAllReports(Trap& trap, platform::ListView& list, bool checked);

enum class NameFilter { Containing, NotContaining };

// Whether a report's name contains X, or does not, letter case ignored.
class ReportNameFilter {
  public:
    ReportNameFilter(NameFilter kind, std::string_view x) : kind_(kind), search_(x) {}
    bool matches(std::string_view name) const {
        return search_.foundIn(name) == (kind_ == NameFilter::Containing);
    }

  private:
    NameFilter kind_;
    CaseInsensitiveSearch search_;
};

// Asks for X ("Enter X:"; Cancel gives the empty X), then checks every item whose name contains X, or
// does not, letter case ignored. Marks are only ever added: an item that does not match keeps its own.
void CheckReportsByName(Trap& trap, platform::Ui& ui, platform::ListView& list, NameFilter filter);

}  // namespace calvenor
