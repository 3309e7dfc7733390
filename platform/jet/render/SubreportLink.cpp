#include "platform/jet/render/SubreportLink.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "base/AsciiCase.h"
#include "platform/jet/render/ReportGrouping.h"

namespace platform::jet::render {
namespace {

using query::Value;

std::string trimmed(const std::string& text, const char* strip) {
    const std::size_t first = text.find_first_not_of(strip);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(strip) - first + 1);
}

// Text that holds a number, as that number: Jet converts text to compare it with a number.
std::optional<double> numberIn(const std::string& text) {
    const std::string digits = trimmed(text, " ");
    double number = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, number);
    if (digits.empty() || error != std::errc() || stop != end) return std::nullopt;
    return number;
}

}  // namespace

std::vector<std::string> linkFieldNames(const std::string& list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        std::string name = trimmed(list.substr(start, end - start), " \t");
        if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
            name = name.substr(1, name.size() - 2);
        if (!name.empty()) names.push_back(std::move(name));
        start = end + 1;
    }
    return names;
}

bool linkedValuesMatch(const Value& child, const Value& master) {
    if (child.isNull() || master.isNull() || child.holds<query::Binary>() || master.holds<query::Binary>())
        return false;
    const bool childText = child.holds<std::string>(), masterText = master.holds<std::string>();
    if (childText != masterText) {
        const auto number = numberIn(childText ? child.get<std::string>() : master.get<std::string>());
        return number && compareValues(Value(*number), childText ? master : child) == 0;
    }
    return compareValues(child, master) == 0;
}

query::RowSet linkedRows(const query::RowSet& rows, const std::vector<std::string>& childFields,
                         const std::vector<Value>& masterValues) {
    std::vector<std::size_t> columns;
    for (const auto& field : childFields) {
        std::size_t index = 0;
        while (index < rows.columns.size() &&
               base::lowerAscii(rows.columns[index]) != base::lowerAscii(field))
            ++index;
        if (index == rows.columns.size())
            throw query::QueryError("The subreport's rows have no field '" + field + "' to link.");
        columns.push_back(index);
    }
    query::RowSet linked;
    linked.columns = rows.columns;
    for (const auto& row : rows.rows) {
        bool matches = true;
        for (std::size_t i = 0; i < columns.size() && i < masterValues.size() && matches; ++i)
            matches = columns[i] < row.size() && linkedValuesMatch(row[columns[i]], masterValues[i]);
        if (matches) linked.rows.push_back(row);
    }
    return linked;
}

}  // namespace platform::jet::render
