#pragma once

#include <glib.h>  // mdbtools.h includes it inside extern "C"
#include <mdbtools.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "platform/jet/tables/PageFile.h"
#include "platform/jet/tables/TableRows.h"

namespace platform::jet::helper {

// One table read with libmdb, its rows checked against our own bounds-checked reading of its pages:
// libmdb must deliver exactly the rows the pages hold. Values of columns libmdb cannot read (Access's
// type 0x11) are taken from the page bytes ourselves.
class CheckedTable {
  public:
    // Empty when the table's pages are damaged or libmdb cannot read its definition.
    static std::unique_ptr<CheckedTable> open(MdbHandle* mdb, const PageFile& file, const std::string& name,
                                              std::uint32_t definitionPage, std::size_t maxRows);

    // Binds a column for text(); false when the table has no such column.
    bool bind(const std::string& column);
    // The bound column's value in the current row, as libmdb gives it as text; empty for null.
    std::string text(const std::string& column) const;
    // The whole of a long binary or memo column's value in the current row (a bound column).
    std::vector<std::uint8_t> longValue(const std::string& column) const;
    // The current row's bytes of a column, read from its page ourselves; empty when null. Empty too
    // when the row does not hold it whole.
    std::optional<std::vector<std::uint8_t>> rawValue(const std::string& column) const;

    // The bytes of a long value (memo or long binary) whose 12-byte reference a row holds, read from
    // its pages ourselves: inline, on one page, or over a chain of pages. Empty when it leaves the file,
    // comes back on itself or is longer than maxBytes.
    std::optional<std::vector<std::uint8_t>> longValueBytes(std::span<const std::uint8_t> reference,
                                                            std::size_t maxBytes) const;

    // What the definition says of the column beyond libmdb's reading; null in a Jet 3 file.
    const ColumnFacts* facts(const MdbColumn& column) const;

    // libmdb's definition of the table: its columns, and where the current row's values lie in the page
    // libmdb holds (the columns' cur_value_start and cur_value_len).
    const MdbTableDef& definition() const { return *table_.get(); }

    // Calls row() for each row; false when libmdb delivers other rows than the pages hold.
    bool forEachRow(const std::function<void()>& row);

  private:
    struct Key {};  // lets open() alone construct one, through make_unique

  public:
    CheckedTable(Key, MdbHandle* mdb, const PageFile& file, TableRows rows)
        : file_(file), rows_(std::move(rows)) {
        std::memset(&entry_, 0, sizeof entry_);
        entry_.mdb = mdb;
    }

  private:
    MdbColumn* column(const std::string& name) const;

    struct Binding {
        std::vector<char> buffer;
        int length = 0;
    };

    const PageFile& file_;
    TableRows rows_;
    std::vector<ColumnFacts> facts_;
    MdbCatalogEntry entry_;
    std::map<std::string, Binding> bindings_;
    RowPlace place_;
    // Last, so that it is freed first: before the entry it reads and the buffers bound to its columns.
    base::Unique<MdbTableDef*, mdb_free_tabledef> table_;
};

}  // namespace platform::jet::helper
