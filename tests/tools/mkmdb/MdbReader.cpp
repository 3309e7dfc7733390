#include "MdbReader.h"

// clang-format off
#include <glib.h>
#include <mdbtools.h>
// clang-format on

#include <memory>
#include <stdexcept>

namespace mkmdb::testing {
namespace {

struct CloseHandle {
    void operator()(MdbHandle* handle) const { mdb_close(handle); }
};
using Handle = std::unique_ptr<MdbHandle, CloseHandle>;

struct FreeTable {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TablePointer = std::unique_ptr<MdbTableDef, FreeTable>;

Handle open(const std::filesystem::path& file) {
    Handle handle(mdb_open(std::filesystem::absolute(file).c_str(), MDB_NOFLAGS));
    if (!handle) throw std::runtime_error("libmdb cannot open " + file.string());
    mdb_set_date_fmt(handle.get(), "%Y-%m-%d %H:%M:%S");
    return handle;
}

TablePointer openTable(MdbHandle* handle, const std::string& name) {
    std::string mutableName = name;
    TablePointer table(mdb_read_table_by_name(handle, mutableName.data(), MDB_TABLE));
    if (!table) throw std::runtime_error("libmdb finds no table " + name);
    mdb_read_columns(table.get());
    mdb_rewind_table(table.get());
    return table;
}

}  // namespace

TableContents readTable(const std::filesystem::path& file, const std::string& tableName) {
    const auto handle = open(file);
    const auto table = openTable(handle.get(), tableName);
    const auto columnCount = table->num_cols;
    std::vector<std::string> buffers(columnCount, std::string(handle->bind_size, '\0'));
    std::vector<int> lengths(columnCount, 0);
    TableContents contents;
    for (unsigned i = 0; i < columnCount; ++i) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        contents.columnNames.emplace_back(column->name);
        mdb_bind_column(table.get(), static_cast<int>(i + 1), buffers[i].data(), &lengths[i]);
    }
    while (mdb_fetch_row(table.get())) {
        std::vector<std::optional<std::string>> row;
        for (unsigned i = 0; i < columnCount; ++i) {
            const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            // libmdb leaves no other trace of a null than an empty value; Yes/No is never null.
            if (column->col_type != MDB_BOOL && column->cur_value_len == 0)
                row.emplace_back(std::nullopt);
            else
                row.emplace_back(buffers[i].c_str());
        }
        contents.rows.push_back(std::move(row));
    }
    return contents;
}

std::vector<CatalogRow> readCatalog(const std::filesystem::path& file) {
    const auto handle = open(file);
    mdb_read_catalog(handle.get(), MDB_ANY);
    const auto table = openTable(handle.get(), "MSysObjects");
    const auto size = handle->bind_size;
    std::string id(size, '\0'), parentId(size, '\0'), name(size, '\0'), type(size, '\0'), flags(size, '\0');
    const auto bind = [&](const char* column, std::string& buffer) {
        std::string columnName = column;
        if (mdb_bind_column_by_name(table.get(), columnName.data(), buffer.data(), nullptr) < 0)
            throw std::runtime_error(std::string("MSysObjects has no column ") + column);
    };
    bind("Id", id);
    bind("ParentId", parentId);
    bind("Name", name);
    bind("Type", type);
    bind("Flags", flags);
    std::vector<CatalogRow> rows;
    while (mdb_fetch_row(table.get())) {
        rows.push_back({static_cast<std::int32_t>(std::stol(id.c_str())),
                        static_cast<std::int32_t>(std::stol(parentId.c_str())), name.c_str(),
                        std::stoi(type.c_str()), static_cast<std::uint32_t>(std::stol(flags.c_str()))});
    }
    return rows;
}

std::vector<std::string> reportNames(const std::vector<CatalogRow>& catalog) {
    std::optional<std::int32_t> reportsId;
    for (const auto& row : catalog)
        if (row.type == 3 && row.name == "Reports") reportsId = row.id;
    std::vector<std::string> names;
    for (const auto& row : catalog)
        if (reportsId && row.type == -32764 && row.parentId == *reportsId) names.push_back(row.name);
    return names;
}

}  // namespace mkmdb::testing
