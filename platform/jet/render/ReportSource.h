#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/jet/design/CodeModule.h"
#include "platform/jet/design/Macro.h"
#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/query/Value.h"

namespace platform::jet::render {

// Where a report's subreports come from: the other reports' designs and record sources of the same
// database. Each raises an exception saying why when it cannot read what is asked.
// The rows of a report without a record source: Access prints its sections once, as over one row
// holding no fields.
inline query::RowSet unboundRows() {
    query::RowSet rows;
    rows.rows.emplace_back();
    return rows;
}

class ReportSource {
  public:
    virtual ~ReportSource() = default;
    virtual design::ReportDesign design(const std::string& report) = 0;
    // A form's design, for a subreport control showing a form; a source without forms has none.
    virtual design::ReportDesign formDesign(const std::string& form) {
        throw std::runtime_error("The database has no form named " + form + ".");
    }
    virtual query::RowSet rows(const std::string& recordSource) = 0;
    // A named macro or macro group an event names; none when the source has no macro so named.
    virtual std::optional<design::Macro> macro(const std::string& name) {
        (void)name;
        return std::nullopt;
    }
    // The database's Visual Basic modules, read once; none when it has no code.
    virtual std::vector<design::CodeModule> modules() { return {}; }
    // The database file's path as the user gave it, made absolute; none where it is not known.
    virtual std::optional<std::string> databasePath() { return std::nullopt; }
    // Whether the run was given values for the form's controls, as if its dialog had been filled in.
    virtual bool formOpen(const std::string& form) {
        (void)form;
        return false;
    }
    // What the run was given for a dialog's control that code reads (Forms![Dialog]![Control]), as the
    // parameter box answered the same reference; none when it was not given.
    virtual std::optional<std::string> formValue(const std::string& form, const std::string& control) {
        (void)form;
        (void)control;
        return std::nullopt;
    }
};

}  // namespace platform::jet::render
