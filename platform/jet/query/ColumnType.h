#pragma once

#include <string>

namespace platform::jet::query {

// What a column holds, remembered beside SQLite, which stores currency as whole ten-thousandths,
// Decimals as Decimal.h says, dates as day numbers and Booleans as -1 and 0 (Access's True and False).
enum class ColumnType { Unknown, Boolean, Integer, Double, Currency, Date, Text, Binary, Decimal };

struct Column {
    std::string name;
    ColumnType type = ColumnType::Unknown;
    // A table's key: whole numbers, each once, kept as SQLite's row number, so that a range of it is
    // found without reading the whole table.
    bool key = false;
};

}  // namespace platform::jet::query
