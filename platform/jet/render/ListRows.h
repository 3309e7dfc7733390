#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/query/Value.h"

namespace platform::jet::render {

class ReportSource;

// The rows list and combo boxes show: their row source's, a table, saved query or SQL read through the
// report's source as record sources are, or the values of a value list; each read once.
class ListRows {
  public:
    explicit ListRows(ReportSource* source) : source_(source) {}

    // The control's rows; raises an exception saying why when they cannot be read (a row source of a
    // kind not read, a query that fails, no source to read it from).
    const query::RowSet& rowsOf(const design::Control& control);

  private:
    struct Read {
        query::RowSet rows;
        std::string failure;
    };
    ReportSource* source_;
    std::map<std::pair<std::string, std::string>, Read> read_;
};

// The values of a value list ("a";b;"c;d"), ColumnCount to a row.
query::RowSet valueListRows(const std::string& list, int columnCount);

// Each column's width in twips from ColumnWidths ("0;1440"); a column it leaves out, or leaves empty,
// is an inch wide, Access's default.
std::vector<int> columnWidthsOf(const design::Control& control);

// The column, from 0, a combo box shows: the first whose width is not 0, else its bound column.
std::size_t shownColumn(const design::Control& control);
std::size_t boundColumn(const design::Control& control);

// What a combo box prints: the column it shows of the row whose bound column holds the value; the
// value itself when no row holds it.
query::Value comboText(const design::Control& control, const query::RowSet& rows, const query::Value& value);

// What the box's Column(column) reads (column from 0): that column of the row whose bound column holds
// the value; Null when no row holds it or the rows have no such column.
query::Value columnOfRow(const design::Control& control, const query::RowSet& rows, const query::Value& value,
                         std::size_t column);

}  // namespace platform::jet::render
