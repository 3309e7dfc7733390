#include "RowEncoder.h"

#include <limits>

#include "Utf16.h"

namespace mkmdb {
namespace {

using jet4::JetType;

[[noreturn]] void reject(const ColumnLayout& column, const std::string& why) {
    throw Error("column \"" + column.declaration.name + "\": " + why);
}

const char* typeName(JetType type) {
    switch (type) {
        case JetType::Bool:
            return "Yes/No";
        case JetType::Byte:
            return "Byte";
        case JetType::Integer:
            return "Integer";
        case JetType::Long:
            return "Long";
        case JetType::Double:
            return "Double";
        case JetType::DateTime:
            return "Date/Time";
        case JetType::Binary:
            return "Binary";
        case JetType::Text:
            return "Text";
        case JetType::Ole:
            return "OLE";
        case JetType::Memo:
            return "Memo";
        case JetType::Numeric:
            return "Decimal";
        case JetType::StorageChunk:
            return "storage chunk";
    }
    return "?";
}

[[noreturn]] void rejectType(const ColumnLayout& column) {
    reject(column, std::string("the value does not suit a ") + typeName(column.declaration.type) + " column");
}

void writeFixed(const ColumnLayout& column, const Value& value, std::span<std::uint8_t> area) {
    const std::size_t at = column.fixedOffset;
    switch (column.declaration.type) {
        case JetType::Long:
            if (const auto* number = std::get_if<std::int32_t>(&value))
                return putU32(area, at, static_cast<std::uint32_t>(*number));
            break;
        case JetType::Integer:
            if (const auto* number = std::get_if<std::int32_t>(&value)) {
                if (*number < std::numeric_limits<std::int16_t>::min() ||
                    *number > std::numeric_limits<std::int16_t>::max())
                    reject(column, "the value does not fit an Integer column");
                return putU16(area, at, static_cast<std::uint16_t>(*number));
            }
            break;
        case JetType::Byte:
            if (const auto* number = std::get_if<std::int32_t>(&value)) {
                if (*number < 0 || *number > 255) reject(column, "the value does not fit a Byte column");
                area[at] = static_cast<std::uint8_t>(*number);
                return;
            }
            break;
        case JetType::Double:
            if (const auto* number = std::get_if<double>(&value)) return putDouble(area, at, *number);
            break;
        case JetType::DateTime:
            if (const auto* time = std::get_if<Timestamp>(&value)) return putDouble(area, at, time->days);
            break;
        case JetType::Numeric:  // the sign, then four little-endian groups of four, most significant first
            if (const auto* decimal = std::get_if<DecimalUnits>(&value)) {
                area[at] = decimal->negative ? 0x80 : 0x00;
                for (int group = 0; group < 4; ++group)
                    putU32(area, at + 1 + 4 * static_cast<std::size_t>(group),
                           static_cast<std::uint32_t>(decimal->units >> (32 * (3 - group))));
                return;
            }
            break;
        case JetType::StorageChunk:  // bytes, the rest of the column zero
            if (const auto* bytes = std::get_if<std::string>(&value)) {
                if (bytes->size() > column.declaration.length)
                    reject(column, "the value is longer than " + std::to_string(column.declaration.length) +
                                       " bytes");
                std::copy(bytes->begin(), bytes->end(), area.begin() + static_cast<std::ptrdiff_t>(at));
                return;
            }
            break;
        default:
            break;
    }
    rejectType(column);
}

// The bytes of a variable-size value.
void appendVariable(const ColumnLayout& column, const Value& value, Bytes& row) {
    if (column.declaration.type == JetType::Long) {
        const auto* number = std::get_if<std::int32_t>(&value);
        if (number == nullptr) rejectType(column);
        return appendU32(row, static_cast<std::uint32_t>(*number));
    }
    const auto* text = std::get_if<std::string>(&value);
    if (text == nullptr) rejectType(column);
    // A long value (OLE: bytes, Memo: UTF-16 text) is kept inline, after a 12-byte long-value header:
    // its length with the "in this row" flag.
    const auto appendInline = [&](const Bytes& bytes) {
        if (bytes.size() > jet4::kMaxRowSize) reject(column, "the value is too long to keep in the row");
        appendU32(row, static_cast<std::uint32_t>(bytes.size()) | 0x80000000u);
        appendU32(row, 0);
        appendU32(row, 0);
        row.insert(row.end(), bytes.begin(), bytes.end());
    };
    if (column.declaration.type == JetType::Ole) return appendInline(Bytes(text->begin(), text->end()));
    if (column.declaration.type == JetType::Binary) {
        if (text->size() > column.declaration.length)
            reject(column,
                   "the value is longer than " + std::to_string(column.declaration.length) + " bytes");
        row.insert(row.end(), text->begin(), text->end());
        return;
    }
    if (column.declaration.type != JetType::Text && column.declaration.type != JetType::Memo)
        rejectType(column);
    const auto utf16 = toUtf16(*text, "the value of column \"" + column.declaration.name + "\"");
    if (column.declaration.type == JetType::Memo) {
        Bytes bytes;
        appendUtf16Le(bytes, utf16);
        return appendInline(bytes);
    }
    if (utf16.size() * 2 > column.declaration.length)
        reject(column,
               "the text is longer than " + std::to_string(column.declaration.length / 2) + " characters");
    appendUtf16Le(row, utf16);
}

}  // namespace

Bytes encodeRow(const TableLayout& layout, std::span<const Value> values) {
    const auto& columns = layout.columns;
    if (values.size() != columns.size())
        throw Error("the row has " + std::to_string(values.size()) + " values for " +
                    std::to_string(columns.size()) + " columns");

    std::size_t fixedSize = 0;
    for (const auto& column : columns)
        if (column.fixed && column.declaration.type != JetType::Bool)
            fixedSize = std::max<std::size_t>(fixedSize, column.fixedOffset + column.declaration.length);

    Bytes row(2 + fixedSize, 0);
    putU16(row, 0, static_cast<std::uint16_t>(columns.size()));
    Bytes nullMask((columns.size() + 7) / 8, 0);
    const auto markPresent = [&](const ColumnLayout& column) {
        nullMask[column.number / 8] |= static_cast<std::uint8_t>(1 << (column.number % 8));
    };

    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto& column = columns[i];
        const auto& value = values[i];
        if (column.declaration.type == JetType::Bool) {
            const auto* flag = std::get_if<bool>(&value);
            if (flag == nullptr) rejectType(column);
            if (*flag) markPresent(column);
        } else if (column.fixed && !std::holds_alternative<Null>(value)) {
            writeFixed(column, value, std::span(row).subspan(2));
            markPresent(column);
        }
    }

    std::vector<std::uint16_t> varOffsets;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto& column = columns[i];
        if (column.fixed) continue;
        varOffsets.push_back(static_cast<std::uint16_t>(row.size()));
        if (!std::holds_alternative<Null>(values[i])) {
            appendVariable(column, values[i], row);
            markPresent(column);
        }
    }
    if (layout.varColumnCount > 0) {
        appendU16(row, static_cast<std::uint16_t>(row.size()));  // end of the data
        for (auto offset = varOffsets.rbegin(); offset != varOffsets.rend(); ++offset)
            appendU16(row, *offset);
        appendU16(row, static_cast<std::uint16_t>(varOffsets.size()));
    }
    row.insert(row.end(), nullMask.begin(), nullMask.end());
    return row;
}

}  // namespace mkmdb
