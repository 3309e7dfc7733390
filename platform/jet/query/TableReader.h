#pragma once

#include <glib.h>  // mdbtools.h includes it inside extern "C"
#include <mdbtools.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/jet/helper/CheckedTable.h"
#include "platform/jet/helper/PageFile.h"
#include "platform/jet/query/ColumnType.h"
#include "platform/jet/query/RecordSource.h"

namespace platform::jet::query {

// Reads whole tables with libmdb, each first checked page by page (TableRows): libmdb must deliver
// exactly the rows our own reading found, or the table counts as damaged.
class TableReader {
  public:
    // Raises QueryError when the database's file cannot be opened for the checked reading.
    TableReader(MdbHandle* database, std::size_t maxRowsPerTable, std::size_t maxBytes);

    // Calls row() with each row's values, exact as Access keeps them, after columns() with the
    // table's columns. Raises QueryError naming the table when it is damaged, larger than the limits,
    // or of a kind libmdb cannot read.
    void read(const std::string& name, std::uint32_t definitionPage,
              const std::function<void(const std::vector<Column>&)>& columns,
              const std::function<void(std::vector<Value>&&)>& row);

  private:
    Value valueOf(const helper::CheckedTable& table, const MdbColumn& column) const;

    MdbHandle* database_;
    helper::PageFile file_;
    std::size_t maxRows_, maxBytes_;
};

}  // namespace platform::jet::query
