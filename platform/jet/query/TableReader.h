#pragma once

#include <glib.h>  // mdbtools.h includes it inside extern "C"
#include <mdbtools.h>

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "platform/jet/query/ColumnType.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/tables/CheckedTable.h"
#include "platform/jet/tables/PageFile.h"

namespace platform::jet::query {

// What a multi-value, attachment or version history column shows in place of the key its rows hold.
struct ComplexColumn {
    bool hidden = false;  // a memo's version history, never a column of its own in Access
    std::map<std::int64_t, std::string> values;  // by key: the values as Access lists them, "a, b"
};
// The complex column of a key in MSysComplexColumns.
using ComplexColumns = std::function<ComplexColumn(std::uint32_t complexId)>;

// A value of the type (libmdb's numbering, and Access's 0x13 Large Number and 0x14 Date/Time Extended)
// from the bytes a row holds for it; a calculated column's value is behind a header of its own. Text is
// Jet 4's (UTF-16LE or compressed); a plain Decimal's scale is its column's.
// Null for bytes that hold no value of the type.
Value storedValue(int type, std::span<const std::uint8_t> bytes, bool calculated = false, int scale = -1);

// Reads whole tables with libmdb, each first checked page by page (TableRows): libmdb must deliver
// exactly the rows our own reading found, or the table counts as damaged.
class TableReader {
  public:
    // Raises QueryError when the database's file cannot be opened for the checked reading.
    TableReader(MdbHandle* database, std::size_t maxRowsPerTable, std::size_t maxBytes);

    // Calls row() with each row's values, exact as Access keeps them, after columns() with the
    // table's columns: those wanted, or all. Raises QueryError naming the table when it is damaged,
    // larger than the limits, or of a kind libmdb cannot read.
    void read(const std::string& name, std::uint32_t definitionPage,
              const std::function<void(const std::vector<Column>&)>& columns,
              const std::function<void(std::vector<Value>&&)>& row,
              const std::function<bool(const std::string&)>& wanted = {});

    // How the values of complex columns are found; without it such a column holds its keys.
    void readComplexColumnsWith(ComplexColumns complexColumns) {
        complexColumns_ = std::move(complexColumns);
    }

  private:
    struct ColumnReading;
    Value valueOf(const helper::CheckedTable& table, const ColumnReading& reading) const;
    Value codePageText(std::span<const std::uint8_t> bytes) const;

    MdbHandle* database_;
    helper::PageFile file_;
    std::size_t maxRows_, maxBytes_;
    ComplexColumns complexColumns_;
};

}  // namespace platform::jet::query
