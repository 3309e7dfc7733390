#include "catalogue/ReportSelection.h"

#include <string>

#include "app/Trap.h"
#include "platform/Ui.h"

namespace calvenor {

void MarkAllReports(Trap& trap, platform::ListView& list, bool checked) {
    const int count = trap.passes(100, [&] { return list.count(); });
    for (int i = 1; i <= count; ++i) trap.step(102, [&] { list.setChecked(i, checked); });
}

void CheckReportsByName(Trap& trap, platform::Ui& ui, platform::ListView& list, NameFilter filter) {
    std::string x;
    trap.step(100, [&] { x = ui.inputBox("Enter X:"); });
    const ReportNameFilter nameFilter{filter, x};
    const int count = trap.passes(102, [&] { return list.count(); });
    for (int i = 1; i <= count; ++i) {
        const bool matches = trap.test(104, [&] { return nameFilter.matches(list.itemText(i)); });
        if (matches) trap.step(106, [&] { list.setChecked(i, true); });
    }
}

}  // namespace calvenor
