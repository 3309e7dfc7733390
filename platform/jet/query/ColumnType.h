#pragma once

#include <string>

namespace platform::jet::query {

// What a column holds, remembered beside SQLite, which stores currency as whole ten-thousandths,
// dates as day numbers and Booleans as -1 and 0 (Access's True and False).
enum class ColumnType { Unknown, Boolean, Integer, Double, Currency, Date, Text, Binary };

struct Column {
    std::string name;
    ColumnType type = ColumnType::Unknown;
};

}  // namespace platform::jet::query
