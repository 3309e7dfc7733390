#pragma once

#include <span>

#include "Bytes.h"
#include "Model.h"
#include "TableLayout.h"

namespace mkmdb {

// Encodes one row as Jet 4 stores it: column count, fixed-size values, variable-size values, the end
// of the data, the variable columns' offsets (last first), their count, and the null mask (one bit
// per column, set when the value is present). Throws Error naming the column when a value does not
// fit its column.
Bytes encodeRow(const TableLayout& layout, std::span<const Value> values);

}  // namespace mkmdb
