#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Jet4.h"

namespace mkmdb {

struct ColumnDeclaration {
    std::string name;
    jet4::JetType type;
    std::uint16_t length;  // bytes: 4 for Long, 2 x characters for Text, 0 for Memo and OLE
    // Kept among the variable-size values although its type has a fixed size, as Access keeps some
    // columns of the tables it makes for itself.
    bool variable = false;
    std::uint8_t precision = 0, scale = 0;  // Decimal only
};

// Where each column of a table lives in a row: fixed-size columns at fixed offsets after the column
// count, variable-size ones (Text, Binary, Memo, OLE) one after another behind them, reached through
// the offset table at the row's end. Yes/No columns take no room: their value is the null bit.
struct ColumnLayout {
    ColumnDeclaration declaration;
    std::uint16_t number = 0;  // position in the table, from 0; also its bit in the null mask
    bool fixed = false;
    std::uint16_t fixedOffset = 0;  // fixed columns: from the start of the fixed area
    std::uint16_t varIndex = 0;     // variable columns: entry in the offset table; fixed ones: how
                                    // many variable columns precede them
};

struct TableLayout {
    std::vector<ColumnLayout> columns;
    std::uint16_t varColumnCount = 0;
};

TableLayout layOutColumns(const std::vector<ColumnDeclaration>& declarations);

bool isFixedSize(jet4::JetType type);

}  // namespace mkmdb
