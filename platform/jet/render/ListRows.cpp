#include "platform/jet/render/ListRows.h"

#include <algorithm>
#include <stdexcept>

#include "base/AsciiCase.h"
#include "platform/jet/render/ReportGrouping.h"
#include "platform/jet/render/ReportSource.h"

namespace platform::jet::render {
namespace {

constexpr int kDefaultColumnWidth = 1440;        // twips
constexpr std::size_t kMostListValues = 65'535;  // Access's longest RowSource holds fewer
constexpr int kMostColumns = 255;

int columnsOf(const design::Control& control) {
    return std::clamp(control.columnCount, 1, kMostColumns);
}

}  // namespace

query::RowSet valueListRows(const std::string& list, int columnCount) {
    std::vector<query::Value> values;
    std::string item;
    bool quoted = false, wasQuoted = false;
    const auto finish = [&] {
        // Unquoted items lose the spaces around them; quoted ones keep what the quotes hold.
        if (!wasQuoted) {
            const auto first = item.find_first_not_of(' ');
            item = first == std::string::npos ? ""
                                              : item.substr(first, item.find_last_not_of(' ') - first + 1);
        }
        if (values.size() < kMostListValues) values.emplace_back(item);
        item.clear();
        wasQuoted = false;
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        const char c = list[i];
        if (c == '"') {
            if (quoted && i + 1 < list.size() && list[i + 1] == '"') {
                item += '"';  // a doubled quote inside quotes
                ++i;
            } else {
                quoted = !quoted;
                wasQuoted = true;
            }
        } else if (c == ';' && !quoted) {
            finish();
        } else {
            item += c;
        }
    }
    if (!item.empty() || wasQuoted || !values.empty()) finish();

    query::RowSet rows;
    const auto columns = static_cast<std::size_t>(std::clamp(columnCount, 1, kMostColumns));
    for (std::size_t column = 0; column < columns; ++column)
        rows.columns.push_back("Column" + std::to_string(column));
    for (std::size_t at = 0; at < values.size(); at += columns) {
        std::vector<query::Value> row(columns);
        for (std::size_t column = 0; column < columns && at + column < values.size(); ++column)
            row[column] = values[at + column];
        rows.rows.push_back(std::move(row));
    }
    return rows;
}

const query::RowSet& ListRows::rowsOf(const design::Control& control) {
    const std::string kind = base::lowerAscii(control.rowSourceType);
    // A value list's rows depend on its columns, and its first row is the heads where they are shown.
    const bool valueList = kind == "value list";
    const std::string shape =
        valueList ? std::to_string(control.columnCount) + (control.columnHeads ? " heads" : "") : "";
    auto [entry, fresh] = read_.try_emplace({kind + ' ' + shape, control.rowSource});
    Read& read = entry->second;
    if (fresh) {
        try {
            if (valueList) {
                read.rows = valueListRows(control.rowSource, control.columnCount);
                if (control.columnHeads && !read.rows.rows.empty()) {
                    const auto& heads = read.rows.rows.front();
                    for (std::size_t column = 0; column < read.rows.columns.size(); ++column)
                        read.rows.columns[column] =
                            heads[column].holds<std::string>() ? heads[column].get<std::string>() : "";
                    read.rows.rows.erase(read.rows.rows.begin());
                }
            }
            else if (!kind.empty() && kind != "table/query")
                read.failure = "a row source of the kind " + control.rowSourceType + " is not read";
            else if (control.rowSource.empty())
                ;  // no rows: the box shows its value alone
            else if (!source_)
                read.failure = "its row source cannot be read here";
            else
                read.rows = source_->rows(control.rowSource);
        } catch (const std::exception& error) {
            read.failure = error.what();
        }
    }
    if (!read.failure.empty()) throw std::runtime_error(read.failure);
    return read.rows;
}

std::vector<int> columnWidthsOf(const design::Control& control) {
    const int columns = columnsOf(control);
    std::vector<int> widths(static_cast<std::size_t>(columns), -1);
    std::size_t column = 0;
    std::string entry;
    const auto take = [&] {
        if (column < widths.size() && !entry.empty() &&
            entry.find_first_not_of("0123456789") == std::string::npos && entry.size() <= 6)
            widths[column] = std::stoi(entry);
        ++column;
        entry.clear();
    };
    for (const char c : control.columnWidths) {
        if (c == ';')
            take();
        else
            entry += c;
    }
    if (!control.columnWidths.empty()) take();
    for (int& width : widths)
        if (width < 0) width = kDefaultColumnWidth;
    return widths;
}

std::size_t boundColumn(const design::Control& control) {
    return static_cast<std::size_t>(std::clamp(control.boundColumn, 1, kMostColumns) - 1);
}

std::size_t shownColumn(const design::Control& control) {
    const std::vector<int> widths = columnWidthsOf(control);
    const auto shown = std::find_if(widths.begin(), widths.end(), [](int width) { return width > 0; });
    return shown == widths.end() ? boundColumn(control) : static_cast<std::size_t>(shown - widths.begin());
}

namespace {

// The row whose bound column holds the value; none for Null or a value no row holds.
const std::vector<query::Value>* rowHolding(const design::Control& control, const query::RowSet& rows,
                                            const query::Value& value) {
    if (value.isNull()) return nullptr;
    const std::size_t bound = boundColumn(control);
    for (const auto& row : rows.rows)
        if (bound < row.size() && !row[bound].isNull() && compareValues(row[bound], value) == 0) return &row;
    return nullptr;
}

}  // namespace

query::Value comboText(const design::Control& control, const query::RowSet& rows, const query::Value& value) {
    const std::size_t column = shownColumn(control);
    const auto* row = rowHolding(control, rows, value);
    return row && column < row->size() ? (*row)[column] : value;
}

query::Value columnOfRow(const design::Control& control, const query::RowSet& rows, const query::Value& value,
                         std::size_t column) {
    const auto* row = rowHolding(control, rows, value);
    return row && column < row->size() ? (*row)[column] : query::Value();
}

}  // namespace platform::jet::render
