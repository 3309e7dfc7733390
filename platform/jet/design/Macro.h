#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/AsciiCase.h"

// A macro as Access stores it, named (a macro or a group of them) or embedded in a design's event: the
// rows of its design grid, blank rows left out. One binary layout in every version: one-byte text in
// Access 97, UTF-16LE after.
namespace platform::jet::design {

// Macro actions by the numbers the rows keep.
namespace macro_action {
inline constexpr int kNone = 0;  // a row holding only a comment (or a name, a condition)
inline constexpr int kApplyFilter = 3, kBeep = 4, kCancelEvent = 5, kClose = 6, kEcho = 9, kGoToControl = 13,
                     kGoToRecord = 15, kMoveSize = 21, kMsgBox = 22, kOpenForm = 23, kPrintOut = 26,
                     kRequery = 28, kSelectObject = 29, kRunCode = 33, kRunMacro = 34, kRunSql = 35,
                     kSetValue = 40, kShowAllRecords = 43, kStopMacro = 45, kOpenReport = 46,
                     kRunMenuCommand = 58, kClearMacroError = 72, kOnError = 73, kSetTempVar = 76,
                     kSetDisplayedCategories = 79;
}  // namespace macro_action

// The action's name as Access's macro designer shows it; "action N" for a number not known here. Inline,
// so that report code running macros needs no more of the design library than these headers.
inline std::string macroActionName(int action) {
    using namespace macro_action;
    struct Named {
        int action;
        const char* name;
    };
    static constexpr Named kNames[] = {
        {kNone, ""},
        {kApplyFilter, "ApplyFilter"},
        {kBeep, "Beep"},
        {kCancelEvent, "CancelEvent"},
        {kClose, "Close"},
        {kEcho, "Echo"},
        {kGoToControl, "GoToControl"},
        {kGoToRecord, "GoToRecord"},
        {kMoveSize, "MoveSize"},
        {kMsgBox, "MsgBox"},
        {kOpenForm, "OpenForm"},
        {kPrintOut, "PrintOut"},
        {kRequery, "Requery"},
        {kSelectObject, "SelectObject"},
        {kRunCode, "RunCode"},
        {kRunMacro, "RunMacro"},
        {kRunSql, "RunSQL"},
        {kSetValue, "SetValue"},
        {kShowAllRecords, "ShowAllRecords"},
        {kStopMacro, "StopMacro"},
        {kOpenReport, "OpenReport"},
        {kRunMenuCommand, "RunMenuCommand"},
        {kClearMacroError, "ClearMacroError"},
        {kOnError, "OnError"},
        {kSetTempVar, "SetTempVar"},
        {kSetDisplayedCategories, "SetDisplayedCategories"},
    };
    for (const auto& named : kNames)
        if (named.action == action) return named.name;
    return "action " + std::to_string(action);
}

struct MacroRow {
    int action = 0;  // a macro_action
    int row = 0;     // its row in the design grid, from 1
    std::string name, condition, comment;
    // By position, as the action's argument boxes stand; an empty box is an empty text. Trailing empty
    // boxes are left out.
    std::vector<std::string> arguments;
};

struct Macro {
    std::vector<MacroRow> rows;
};

// The rows an event naming the macro runs: with no name, from the first row to the next named one (a
// group run whole runs its first macro, a macro without names all of it); with a name, from the row
// so named (letter case ignored) to the next named row. Empty when no row has the name.
inline std::span<const MacroRow> macroRows(const Macro& macro, std::string_view name) {
    std::size_t first = 0;
    if (!name.empty()) {
        while (first < macro.rows.size() && !base::equalIgnoringCase(macro.rows[first].name, name)) ++first;
        if (first == macro.rows.size()) return {};
    }
    std::size_t end = first + 1;
    while (end < macro.rows.size() && macro.rows[end].name.empty()) ++end;
    return std::span(macro.rows).subspan(first, std::min(end, macro.rows.size()) - first);
}

// Reads a stored macro: utf16 for Access 2000 and later, else one-byte text in the character set (an
// iconv name). Every offset is checked; a damaged macro throws DesignError saying where.
Macro parseMacro(std::span<const std::uint8_t> bytes, bool utf16, const std::string& charset = "CP1252");

}  // namespace platform::jet::design
