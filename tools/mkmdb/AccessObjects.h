#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "Bytes.h"
#include "Model.h"
#include "TableLayout.h"

// Where an Access 2000-format file keeps what is Access's own rather than the engine's (report designs
// above all): one OLE compound file, split over the rows of the table MSysAccessObjects.
namespace mkmdb {

inline constexpr std::string_view kAccessObjectsTable{"MSysAccessObjects"};

// Its columns as Access defines them: Data, a fixed 3,992-byte chunk, and ID, a Long that Access keeps
// among the variable-size values.
std::vector<ColumnDeclaration> accessObjectsColumns();

// The compound file: the reports' designs (Reports/<n>/Blob, with Reports/\x03DirData naming each
// folder's report), the database's own entries Access keeps beside them, and the empty storages of the
// other kinds of objects. Reports are numbered in catalogue order; one without a design has no folder.
Bytes accessStorage(const Database& database);

// The table's rows for the compound file: ID 0 holds its format (5) and length, IDs from 1 on the file
// itself in chunks, the last one padded with zeros.
std::vector<std::vector<Value>> accessObjectsRows(std::span<const std::uint8_t> storage);

}  // namespace mkmdb
