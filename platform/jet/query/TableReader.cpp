#include "platform/jet/query/TableReader.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>

#include "base/Utf8.h"
#include "base/LittleEndian.h"
#include "platform/jet/query/DayNumbers.h"

namespace platform::jet::query {
namespace {

helper::PageFile openChecked(MdbHandle* database) {
    if (!database || !database->f || !database->f->stream) throw QueryError("The database is not open.");
    // The very file libmdb reads, whatever its path named.
    const std::string path = "/proc/self/fd/" + std::to_string(fileno(database->f->stream));
    auto file = helper::PageFile::open(path.c_str());
    if (!file) throw QueryError("The database file cannot be read.");
    return std::move(*file);
}

// Access's types libmdb 1.0 does not know: Large Number and Date/Time Extended.
constexpr int kBigInt = 0x13;
constexpr int kExtendedDate = 0x14;

ColumnType typeOf(int mdbType) {
    switch (mdbType) {
        case MDB_BOOL:
            return ColumnType::Boolean;
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
        case kBigInt:
            return ColumnType::Integer;
        case MDB_MONEY:
            return ColumnType::Currency;
        case MDB_FLOAT:
        case MDB_DOUBLE:
            return ColumnType::Double;
        case MDB_NUMERIC:
            return ColumnType::Decimal;
        case MDB_DATETIME:
        case kExtendedDate:
            return ColumnType::Date;
        case MDB_BINARY:
        case MDB_OLE:
            return ColumnType::Binary;
        default:
            return ColumnType::Text;
    }
}

using Bytes = std::span<const std::uint8_t>;

std::int64_t littleEndianInt64(Bytes bytes) {
    return static_cast<std::int64_t>(base::getU32(bytes, 0) | (static_cast<std::uint64_t>(base::getU32(bytes, 4)) << 32));
}

// A calculated column's value: 16 bytes, the length of what follows, then the value in the column's type.
Bytes calculatedValue(Bytes bytes) {
    constexpr std::size_t kLengthAt = 16, kValueAt = 20;
    if (bytes.size() < kValueAt) return {};
    return bytes.subspan(kValueAt, std::min<std::size_t>(base::getU32(bytes, kLengthAt), bytes.size() - kValueAt));
}

// Jet 4 keeps text in UTF-16LE or, after FF FE, "compressed": one byte a character, a 00 byte switching
// to and from runs of UTF-16 units.
std::string decodedText(Bytes bytes) {
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return base::utf8OfUtf16Le(bytes);
    std::vector<std::uint8_t> units;
    units.reserve(2 * bytes.size());
    bool compressed = true;
    for (std::size_t i = 2; i < bytes.size();) {
        if (bytes[i] == 0) {
            compressed = !compressed;
            ++i;
        } else if (compressed) {
            units.insert(units.end(), {bytes[i], 0});
            ++i;
        } else if (i + 1 < bytes.size()) {
            units.insert(units.end(), {bytes[i], bytes[i + 1]});
            i += 2;
        } else {
            break;
        }
    }
    return base::utf8OfUtf16Le(units);
}

// A Single as Access shows it: the shortest decimal that reads back as the same Single (0.15, not the
// 0.150000005960464 its widening to a Double holds).
double singleAsShown(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text - 1, value).ptr;
    *end = '\0';
    return std::strtod(text, nullptr);
}

// Access's form of a GUID: the first three groups little-endian, all five joined by hyphens, in braces.
std::string guidText(Bytes bytes) {
    char text[64];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", base::getU32(bytes, 0),
                  base::getU16(bytes, 4), base::getU16(bytes, 6), bytes[8], bytes[9], bytes[10], bytes[11], bytes[12],
                  bytes[13], bytes[14], bytes[15]);
    return text;
}

std::optional<std::uint64_t> digits(Bytes bytes) {
    std::uint64_t number = 0;
    for (const std::uint8_t c : bytes) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

// Date/Time Extended, in ASCII: 19 digits of days since 0001-01-01, ':', 19 digits of the time of day in
// 100 ns, ':' and the precision. The day number keeps what a Double can (about a microsecond).
Value extendedDate(Bytes bytes) {
    constexpr double kTicksPerDay = 864e9;
    if (bytes.size() < 39 || bytes[19] != ':') return {};
    const auto days = digits(bytes.first(19));
    const auto ticks = digits(bytes.subspan(20, 19));
    if (!days || !ticks || *ticks >= 864'000'000'000ULL || *days > 3'652'059) return {};
    return Date{withTime(dayNumber(1, 1, 1) + static_cast<double>(*days),
                         static_cast<double>(*ticks) / kTicksPerDay)};
}

// A Decimal's whole number, from its bytes most significant first: four little-endian bytes when their
// count is no multiple of eight, then little-endian groups of `group` bytes.
Value decimalOf(Bytes digits, std::size_t group, std::size_t scale, bool negative) {
    if (scale > 28) return {};
    unsigned __int128 number = 0;
    for (std::size_t at = 0; at < digits.size();) {
        const std::size_t size = (digits.size() - at) % group ? 4 : group;
        std::uint64_t part = 0;
        for (std::size_t i = size; i-- > 0;) part = (part << 8) | digits[at + i];
        number = (number << (8 * size)) | part;
        at += size;
    }
    // Access's Decimal holds 96 bits; more is no Decimal it wrote.
    if ((number >> 96) != 0) return {};
    const auto value = static_cast<__int128>(number);
    const auto decimal = normalizedDecimal(negative ? -value : value, static_cast<int>(scale));
    return decimal ? Value(*decimal) : Value();
}

// A calculated Decimal: the length of what follows, the scale, the sign, then the digits' bytes.
Value calculatedDecimal(Bytes bytes) {
    if (bytes.size() < 4) return {};
    const std::size_t declared = base::getU16(bytes, 0);
    const std::size_t length =
        std::min<std::size_t>((std::min(declared > 2 ? declared - 2 : 0, bytes.size() - 4) / 4) * 4, 16);
    return decimalOf(bytes.subspan(4, length), 8, bytes[2], bytes[3] != 0);
}

}  // namespace

Value storedValue(int type, std::span<const std::uint8_t> bytes, bool calculated, int scale) {
    if (calculated) bytes = calculatedValue(bytes);
    switch (type) {
        case MDB_BOOL:
            return bytes.empty() ? Value() : Value(bytes[0] != 0);
        case MDB_BYTE:
            return bytes.size() == 1 ? Value(std::int64_t{bytes[0]}) : Value();
        case MDB_INT:
            return bytes.size() == 2 ? Value(std::int64_t{static_cast<std::int16_t>(base::getU16(bytes, 0))})
                                     : Value();
        case MDB_LONGINT:
            return bytes.size() == 4 ? Value(std::int64_t{static_cast<std::int32_t>(base::getU32(bytes, 0))})
                                     : Value();
        case kBigInt:
            return bytes.size() == 8 ? Value(littleEndianInt64(bytes)) : Value();
        case MDB_MONEY:
            return bytes.size() == 8 ? Value(Currency{littleEndianInt64(bytes)}) : Value();
        case MDB_DATETIME:
            return bytes.size() == 8 ? Value(Date{base::getDouble(bytes, 0)}) : Value();
        case kExtendedDate:
            return extendedDate(bytes);
        case MDB_DOUBLE:
            return bytes.size() == 8 ? Value(base::getDouble(bytes, 0)) : Value();
        case MDB_FLOAT:
            return bytes.size() == 4 ? Value(singleAsShown(std::bit_cast<float>(base::getU32(bytes, 0)))) : Value();
        case MDB_REPID:
            return bytes.size() == 16 ? Value(guidText(bytes)) : Value();
        case MDB_NUMERIC:
            // A plain one: the sign, then the digits in four little-endian groups of four; its scale is
            // its column's.
            if (calculated) return calculatedDecimal(bytes);
            return bytes.size() == 17 && scale >= 0 ? decimalOf(bytes.subspan(1), 4, scale, bytes[0] & 0x80)
                                                    : Value();
        case MDB_TEXT:
        case MDB_MEMO:
            return bytes.empty() ? Value() : Value(decodedText(bytes));
        default:
            return bytes.empty() ? Value()
                                 : Value(Binary{std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
    }
}

TableReader::TableReader(MdbHandle* database, std::size_t maxRowsPerTable, std::size_t maxBytes)
    : database_(database), file_(openChecked(database)), maxRows_(maxRowsPerTable), maxBytes_(maxBytes) {}

struct TableReader::ColumnReading {
    const MdbColumn* column;
    const helper::ColumnFacts* facts;  // null in a Jet 3 file
    std::optional<ComplexColumn> complex;
};

void TableReader::read(const std::string& name, std::uint32_t definitionPage,
                       const std::function<void(const std::vector<Column>&)>& columns,
                       const std::function<void(std::vector<Value>&&)>& row,
                       const std::function<bool(const std::string&)>& wanted) {
    auto table = helper::CheckedTable::open(database_, file_, name, definitionPage, maxRows_);
    if (!table)
        throw QueryError("The table '" + name + "' is damaged or holds more than " +
                         std::to_string(maxRows_) + " rows.");
    const MdbTableDef& definition = table->definition();
    std::vector<Column> described;
    std::vector<ColumnReading> readings;
    for (unsigned i = 0; i < definition.num_cols; ++i) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(definition.columns, i));
        if (wanted && !wanted(column->name)) continue;
        ColumnReading reading{column, table->facts(*column), std::nullopt};
        // Other tables are read before this one's first row: libmdb keeps its place in a shared page buffer.
        if (column->col_type == MDB_COMPLEX && reading.facts && complexColumns_) {
            reading.complex = complexColumns_(reading.facts->complexId);
            if (reading.complex->hidden) continue;
        }
        // libmdb's text only where it is read: the rest comes from the row's bytes.
        if (column->col_type == MDB_BOOL || column->col_type == MDB_COMPLEX ||
            (!reading.facts && column->col_type == MDB_TEXT))
            table->bind(column->name);
        described.push_back({column->name, typeOf(column->col_type)});
        readings.push_back(std::move(reading));
    }
    columns(described);
    std::size_t dataSize = 0;
    const bool whole = table->forEachRow([&] {
        std::vector<Value> values;
        values.reserve(readings.size());
        for (const ColumnReading& reading : readings) values.push_back(valueOf(*table, reading));
        for (const Value& value : values) {
            if (value.holds<std::string>()) dataSize += value.get<std::string>().size();
            if (value.holds<Binary>()) dataSize += value.get<Binary>().bytes.size();
        }
        dataSize += values.size() * sizeof(Value);
        if (dataSize > maxBytes_)
            throw QueryError("The table '" + name + "' holds more data than can be read (" +
                             std::to_string(maxBytes_ / (1024 * 1024)) + " MB).");
        row(std::move(values));
    });
    if (!whole) throw QueryError("The table '" + name + "' is damaged.");
}

// A Jet 3 text in the file's code page, converted as libmdb converts its other texts, whatever its length.
Value TableReader::codePageText(std::span<const std::uint8_t> bytes) const {
    if (bytes.empty()) return {};
    std::vector<char> text(4 * bytes.size() + 1);
    const int length = mdb_unicode2ascii(database_, reinterpret_cast<const char*>(bytes.data()), bytes.size(),
                                         text.data(), text.size());
    return std::string(text.data(), static_cast<std::size_t>(std::max(length, 0)));
}

Value TableReader::valueOf(const helper::CheckedTable& table, const ColumnReading& reading) const {
    const MdbColumn& column = *reading.column;
    // Values are taken from the row's bytes where libmdb found them; its text only where it reads a type
    // whole and exactly.
    const int length = column.cur_value_len;
    const bool inPage = column.cur_value_start >= 0 && length >= 0 &&
                        static_cast<std::size_t>(column.cur_value_start) + static_cast<std::size_t>(length) <=
                            static_cast<std::size_t>(database_->fmt->pg_size);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(database_->pg_buf) + column.cur_value_start;
    Bytes bytes(raw, inPage ? static_cast<std::size_t>(length) : 0);
    const std::string text = table.text(column.name);
    // Long values from their pages ourselves: memos whole, beyond the size libmdb copies, and their
    // characters beyond the BMP, which libmdb converts as UCS-2.
    std::optional<std::vector<std::uint8_t>> longBytes;
    if (column.col_type == MDB_OLE || column.col_type == MDB_MEMO) {
        if (bytes.empty()) return {};
        longBytes = table.longValueBytes(bytes, maxBytes_);
        if (!longBytes)
            throw QueryError("A long value in the table '" + std::string(column.table->name) +
                             "' is damaged or larger than can be read.");
        if (column.col_type == MDB_OLE) return Binary{std::move(*longBytes)};
        bytes = *longBytes;
    }
    if (reading.facts && reading.facts->calculated()) {
        // libmdb takes a Yes/No column's value from the null mask, where a calculated one has none.
        if (column.col_type == MDB_BOOL) {
            const auto own = table.rawValue(column.name);
            return own ? storedValue(MDB_BOOL, *own, true) : Value();
        }
        return storedValue(column.col_type, bytes, true);
    }
    switch (column.col_type) {
        case MDB_BOOL:
            return text == "1" || text == "True" || text == "true" || text == "-1";
        case MDB_NUMERIC:
            return storedValue(column.col_type, bytes, false,
                               reading.facts ? reading.facts->decimalScale() : -1);
        case MDB_COMPLEX: {
            if (text.empty()) return {};
            if (!reading.complex) return text;
            const auto found = reading.complex->values.find(std::strtoll(text.c_str(), nullptr, 10));
            return found == reading.complex->values.end() ? Value() : Value(found->second);
        }
        case MDB_TEXT:
            if (!reading.facts) return text.empty() ? Value() : Value(text);  // Jet 3: the file's code page
            return storedValue(column.col_type, bytes);
        case MDB_MEMO:
            if (!reading.facts) return codePageText(bytes);
            return storedValue(column.col_type, bytes);
        default:
            return storedValue(column.col_type, bytes);
    }
}

}  // namespace platform::jet::query
