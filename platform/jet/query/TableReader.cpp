#include "platform/jet/query/TableReader.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>

#include "platform/jet/LittleEndian.h"

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

ColumnType typeOf(int mdbType) {
    switch (mdbType) {
        case MDB_BOOL:
            return ColumnType::Boolean;
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
            return ColumnType::Integer;
        case MDB_MONEY:
            return ColumnType::Currency;
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_NUMERIC:  // kept as a Double: no report in sight needs more than 15 digits
            return ColumnType::Double;
        case MDB_DATETIME:
            return ColumnType::Date;
        case MDB_BINARY:
        case MDB_OLE:
            return ColumnType::Binary;
        default:
            return ColumnType::Text;
    }
}

std::int64_t littleEndianInt64(std::span<const std::uint8_t> bytes) {
    return static_cast<std::int64_t>(getU32(bytes, 0) | (static_cast<std::uint64_t>(getU32(bytes, 4)) << 32));
}

}  // namespace

TableReader::TableReader(MdbHandle* database, std::size_t maxRowsPerTable, std::size_t maxBytes)
    : database_(database), file_(openChecked(database)), maxRows_(maxRowsPerTable), maxBytes_(maxBytes) {}

void TableReader::read(const std::string& name, std::uint32_t definitionPage,
                       const std::function<void(const std::vector<Column>&)>& columns,
                       const std::function<void(std::vector<Value>&&)>& row) {
    auto table = helper::CheckedTable::open(database_, file_, name, definitionPage, maxRows_);
    if (!table)
        throw QueryError("The table '" + name + "' is damaged or holds more than " +
                         std::to_string(maxRows_) + " rows.");
    const MdbTableDef& definition = table->definition();
    std::vector<Column> described;
    std::vector<const MdbColumn*> mdbColumns;
    for (unsigned i = 0; i < definition.num_cols; ++i) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(definition.columns, i));
        mdbColumns.push_back(column);
        described.push_back({column->name, typeOf(column->col_type)});
        table->bind(column->name);
    }
    columns(described);
    std::size_t dataSize = 0;
    const bool whole = table->forEachRow([&] {
        std::vector<Value> values(mdbColumns.size());
        // Long binary values last: libmdb reads them from other pages, through the page buffer the
        // other values are taken from.
        for (const bool longBinary : {false, true})
            for (std::size_t i = 0; i < mdbColumns.size(); ++i)
                if ((mdbColumns[i]->col_type == MDB_OLE) == longBinary)
                    values[i] = valueOf(*table, *mdbColumns[i]);
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

Value TableReader::valueOf(const helper::CheckedTable& table, const MdbColumn& column) const {
    const std::string text = table.text(column.name);
    // Numbers libmdb would print are taken from the row's bytes, exact, where libmdb found them.
    const int length = column.cur_value_len;
    const bool inPage = column.cur_value_start >= 0 && length >= 0 &&
                        static_cast<std::size_t>(column.cur_value_start) + static_cast<std::size_t>(length) <=
                            static_cast<std::size_t>(database_->fmt->pg_size);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(database_->pg_buf) + column.cur_value_start;
    const std::span<const std::uint8_t> bytes(raw, inPage ? static_cast<std::size_t>(length) : 0);
    switch (column.col_type) {
        case MDB_BOOL:
            return text == "1" || text == "True" || text == "true" || text == "-1";
        case MDB_MONEY:
            return bytes.size() == 8 ? Value(Currency{littleEndianInt64(bytes)}) : Value();
        case MDB_DATETIME:
            return bytes.size() == 8 ? Value(Date{getDouble(bytes, 0)}) : Value();
        case MDB_DOUBLE:
            return bytes.size() == 8 ? Value(getDouble(bytes, 0)) : Value();
        case MDB_FLOAT:
            return bytes.size() == 4 ? Value(static_cast<double>(std::bit_cast<float>(getU32(bytes, 0))))
                                     : Value();
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
            return text.empty() ? Value()
                                : Value(static_cast<std::int64_t>(std::strtoll(text.c_str(), nullptr, 10)));
        case MDB_NUMERIC:
            return text.empty() ? Value() : Value(std::strtod(text.c_str(), nullptr));
        case MDB_BINARY:
            return bytes.empty() ? Value()
                                 : Value(Binary{std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
        case MDB_OLE: {
            auto data = table.longValue(column.name);
            return data.empty() ? Value() : Value(Binary{std::move(data)});
        }
        default:
            return text.empty() ? Value() : Value(text);
    }
}

}  // namespace platform::jet::query
