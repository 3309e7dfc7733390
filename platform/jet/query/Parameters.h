#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/jet/query/ParameterKey.h"
#include "platform/jet/query/Value.h"

namespace platform::jet::query {

// A value a record source asks for before it gives rows: its name as the query writes it, and the
// type its PARAMETERS clause (or the saved query's parameter rows) declares, as Jet's data type
// number; 0 when it is only a name no column has (Access asks for it all the same).
struct Parameter {
    std::string name;
    int type = 0;
};

// The type as Access's table design names it ("Date/Time", "Text", "Long Integer", ...).
std::string parameterTypeName(int type);

// Texts given for parameters, found by parameterKey.
class ParameterValues {
  public:
    void set(std::string_view name, std::string text) { values_[parameterKey(name)] = std::move(text); }
    const std::string* find(std::string_view name) const {
        const auto found = values_.find(parameterKey(name));
        return found == values_.end() ? nullptr : &found->second;
    }
    bool empty() const { return values_.empty(); }
    // Whether a value is given for a name under this one ("Forms!Dialog" for "Forms!Dialog!Start").
    bool anyUnder(std::string_view name) const {
        const std::string prefix = parameterKey(name) + "!";
        const auto at = values_.lower_bound(prefix);
        return at != values_.end() && at->first.starts_with(prefix);
    }

  private:
    std::map<std::string, std::string> values_;
};

// The database file's FullName, Name or Path (the member in any case) as CurrentProject gives them: the
// path, its file name, its folder without a separator at its end; none for another member. Inline:
// report code, which has only this engine's headers, answers CurrentProject with it too.
inline std::optional<std::string> databaseFileMember(std::string_view member, const std::string& path) {
    const std::string n = base::lowerAscii(member);
    if (n == "fullname") return path;
    if (n == "name") return std::filesystem::path(path).filename().string();
    if (n == "path") return std::filesystem::path(path).parent_path().string();
    return std::nullopt;
}

// Sets the references expressions name the database file by (CurrentProject.FullName, .Name, .Path,
// with or without Application., and CurrentDb.Name) to the file's, unless the run gave one a value.
void addDatabaseFileReferences(ParameterValues& values, const std::string& path);
bool isDatabaseFileReference(std::string_view name);

// The text given for the parameter as Jet converts it to its declared type: dates as the current region
// writes them (day first where its short date is), or between #; numbers with either decimal point;
// Yes/No as True, False, Yes, No, On, Off or a number; text for undeclared and text types. Raises
// QueryError naming the parameter when the text is no value of its type.
Value parameterValue(const Parameter& parameter, const std::string& text);

// The rows with a column for each parameter asked for by a plain name ([Beginning Date], not
// Forms!X!Y) that has a value and no column of its own: Access's report expressions read a record
// source's parameters as they read its fields.
RowSet withParameterColumns(RowSet rows, const std::vector<Parameter>& asked, const ParameterValues& values);

// The PARAMETERS clause SQL text starts with ("PARAMETERS [From] DateTime, [To] Text (255); SELECT ..."):
// its declarations, and sql left at the text after its semicolon. None, and sql as it was, without
// one. Raises QueryError for a clause that cannot be read.
std::vector<Parameter> takeParametersClause(std::string_view& sql);

}  // namespace platform::jet::query
