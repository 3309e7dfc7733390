#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "TableLayout.h"

namespace mkmdb {

struct TableDefinition {
    std::string_view name;  // for messages only: the catalogue holds the name
    const TableLayout* layout = nullptr;
    bool system = false;
    std::uint32_t rowCount = 0;
    std::uint32_t usedPagesMap = 0;  // page/row reference of the map of the table's data pages
    std::uint32_t freePagesMap = 0;  // page/row reference of the map of its pages with room left
};

// Writes a table definition page: header, column descriptors, column names, no indexes. Throws Error
// when the definition does not fit one page.
void writeTableDefinition(std::span<std::uint8_t> page, const TableDefinition& definition);

}  // namespace mkmdb
