#include "platform/jet/query/TableReader.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <span>

#include "platform/jet/LittleEndian.h"
#include "platform/jet/helper/TableRows.h"

namespace platform::jet::query {
namespace {

using helper::RowPlace;
using helper::TableRows;

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

struct GFree {
    void operator()(void* p) const { g_free(p); }
};

// libmdb's structures for one table, read through its definition page rather than libmdb's catalogue.
class MdbTable {
  public:
    MdbTable(MdbHandle* database, const std::string& name, std::uint32_t definitionPage) {
        std::memset(&entry_, 0, sizeof entry_);
        entry_.mdb = database;
        std::strncpy(entry_.object_name, name.c_str(), MDB_MAX_OBJ_NAME);
        entry_.object_type = MDB_TABLE;
        entry_.table_pg = definitionPage;
        table_ = mdb_read_table(&entry_);
        if (table_ && !mdb_read_columns(table_)) {
            mdb_free_tabledef(table_);
            table_ = nullptr;
        }
        if (table_) mdb_rewind_table(table_);
    }
    ~MdbTable() {
        if (table_) mdb_free_tabledef(table_);
    }
    MdbTable(const MdbTable&) = delete;
    MdbTable& operator=(const MdbTable&) = delete;

    MdbTableDef* get() const { return table_; }

  private:
    MdbCatalogEntry entry_;
    MdbTableDef* table_ = nullptr;
};

std::int64_t littleEndianInt64(std::span<const std::uint8_t> bytes) {
    return static_cast<std::int64_t>(getU32(bytes, 0) | (static_cast<std::uint64_t>(getU32(bytes, 4)) << 32));
}

}  // namespace

TableReader::TableReader(MdbHandle* database, std::size_t maxRowsPerTable, std::size_t maxBytes)
    : database_(database), file_(openChecked(database)), maxRows_(maxRowsPerTable), maxBytes_(maxBytes) {}

void TableReader::read(const std::string& name, std::uint32_t definitionPage,
                       const std::function<void(const std::vector<Column>&)>& columns,
                       const std::function<void(std::vector<Value>&&)>& row) {
    auto checked = TableRows::read(file_, definitionPage, maxRows_);
    if (!checked)
        throw QueryError("The table '" + name + "' is damaged or holds more than " +
                         std::to_string(maxRows_) + " rows.");
    MdbTable table(database_, name, definitionPage);
    if (!table.get()) throw QueryError("The table '" + name + "' cannot be read.");
    MdbTableDef* def = table.get();
    const std::size_t count = def->num_cols;
    std::vector<Column> described;
    std::vector<std::vector<char>> buffers(count);
    std::vector<int> lengths(count);
    std::vector<MdbColumn*> mdbColumns;
    for (std::size_t i = 0; i < count; ++i) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
        mdbColumns.push_back(column);
        described.push_back({column->name, typeOf(column->col_type)});
        buffers[i].assign(static_cast<std::size_t>(database_->bind_size) + 1, '\0');
        mdb_bind_column(def, static_cast<int>(i) + 1, buffers[i].data(), &lengths[i]);
    }
    columns(described);
    std::size_t dataSize = 0;
    while (mdb_fetch_row(def)) {
        const RowPlace place{def->cur_phys_pg, static_cast<std::uint16_t>(def->cur_row - 1)};
        const auto verdict = checked->take(place);
        if (verdict == TableRows::Verdict::Drop) continue;
        if (verdict == TableRows::Verdict::Damaged) throw QueryError("The table '" + name + "' is damaged.");
        std::vector<Value> values;
        values.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            MdbColumn* column = mdbColumns[i];
            const std::string text(buffers[i].data(), strnlen(buffers[i].data(), buffers[i].size()));
            const auto* raw =
                reinterpret_cast<const std::uint8_t*>(database_->pg_buf) + column->cur_value_start;
            const int length = column->cur_value_len;
            const bool inPage =
                column->cur_value_start >= 0 && length >= 0 &&
                static_cast<std::size_t>(column->cur_value_start) + static_cast<std::size_t>(length) <=
                    static_cast<std::size_t>(database_->fmt->pg_size);
            const std::span<const std::uint8_t> bytes(raw, inPage ? static_cast<std::size_t>(length) : 0);
            Value value;
            switch (column->col_type) {
                case MDB_BOOL:
                    value = text == "1" || text == "True" || text == "true" || text == "-1";
                    break;
                case MDB_MONEY:
                    if (length == 8 && inPage) value = Currency{littleEndianInt64(bytes)};
                    break;
                case MDB_DATETIME:
                    if (length == 8 && inPage) value = Date{getDouble(bytes, 0)};
                    break;
                case MDB_DOUBLE:
                    if (length == 8 && inPage) value = getDouble(bytes, 0);
                    break;
                case MDB_FLOAT:
                    if (length == 4 && inPage)
                        value = static_cast<double>(std::bit_cast<float>(getU32(bytes, 0)));
                    break;
                case MDB_BYTE:
                case MDB_INT:
                case MDB_LONGINT:
                    if (length > 0)
                        value = static_cast<std::int64_t>(std::strtoll(text.c_str(), nullptr, 10));
                    break;
                case MDB_NUMERIC:
                    if (length > 0) value = std::strtod(text.c_str(), nullptr);
                    break;
                case MDB_OLE:
                case MDB_BINARY:
                    if (length > 0) {
                        std::size_t size = 0;
                        std::unique_ptr<void, GFree> data(column->col_type == MDB_OLE
                                                              ? mdb_ole_read_full(database_, column, &size)
                                                              : nullptr);
                        if (column->col_type == MDB_BINARY && inPage) {
                            value = Binary{std::vector<std::uint8_t>(raw, raw + length)};
                        } else if (data) {
                            const auto* start = static_cast<const std::uint8_t*>(data.get());
                            value = Binary{std::vector<std::uint8_t>(start, start + size)};
                        }
                    }
                    break;
                default:
                    if (length > 0) value = text;
                    break;
            }
            if (value.holds<std::string>()) dataSize += value.get<std::string>().size();
            if (value.holds<Binary>()) dataSize += value.get<Binary>().bytes.size();
            values.push_back(std::move(value));
        }
        dataSize += count * sizeof(Value);
        if (dataSize > maxBytes_)
            throw QueryError("The table '" + name + "' holds more data than can be read (" +
                             std::to_string(maxBytes_ / (1024 * 1024)) + " MB).");
        row(std::move(values));
    }
    if (!checked->complete()) throw QueryError("The table '" + name + "' is damaged.");
}

}  // namespace platform::jet::query
