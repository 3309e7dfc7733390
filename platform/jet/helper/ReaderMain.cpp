// calvenor-jet: reads the catalogue of one database file with libmdb and answers in lines on the
// result descriptor. It runs as a child of the program because libmdb can crash, loop or print on a
// damaged file; whatever it does here cannot harm the program. Before libmdb reads a table, our own
// bounds-checked reading of its pages finds its rows (TableRows): a damaged structure is answered at
// once, and libmdb must then deliver exactly those rows, or the file counts as damaged.
//
//   calvenor-jet catalogue PATH
//   -> object  ID  PARENTID  TYPE  FLAGS  NAME     one per MSysObjects row, in physical order
//      parameters  OBJECTID                        one per query that declares parameters
//      end  COUNT                                  COUNT object lines came before
//   or error  REASON                              "open": not a database libmdb reads; else damage

#include <glib.h>  // mdbtools.h includes it inside extern "C"
#include <mdbtools.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/jet/LineProtocol.h"
#include "platform/jet/helper/HelperProcess.h"
#include "platform/jet/helper/PageFile.h"
#include "platform/jet/helper/TableRows.h"

namespace {

using platform::jet::joinFields;
using platform::jet::helper::PageFile;
using platform::jet::helper::RowPlace;
using platform::jet::helper::TableRows;

constexpr std::size_t kMaxRows = 1'000'000;            // far beyond any real catalogue
constexpr long kTableDefinitionPageMask = 0x00FFFFFF;  // a table's Id holds its definition page

[[noreturn]] void answer(const std::string& result, int exitCode) {
    platform::jet::helper::writeResult(result);
    _exit(exitCode);  // no library clean-up: on a damaged file even that can go wrong
}

[[noreturn]] void fail(const char* reason) {
    answer(joinFields({"error", reason}), 1);
}

// A table read through its definition page, without libmdb's own catalogue.
class Table {
  public:
    Table(MdbHandle* mdb, const char* name, unsigned long definitionPage) {
        std::memset(&entry_, 0, sizeof entry_);
        entry_.mdb = mdb;
        std::strncpy(entry_.object_name, name, MDB_MAX_OBJ_NAME);
        entry_.object_type = MDB_TABLE;
        entry_.table_pg = definitionPage;
        table_ = mdb_read_table(&entry_);
        if (table_ && !mdb_read_columns(table_)) table_ = nullptr;
        if (table_) mdb_rewind_table(table_);
    }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    explicit operator bool() const { return table_ != nullptr; }

    // The column's text of the current row; false when the table has no such column.
    bool bind(const char* column, std::vector<char>& buffer, int& length) {
        buffer.assign(table_->entry->mdb->bind_size + 1, '\0');
        return mdb_bind_column_by_name(table_, const_cast<gchar*>(column), buffer.data(), &length) >= 0;
    }
    bool next() { return mdb_fetch_row(table_) != 0; }
    // Where the row next() just read lies.
    RowPlace place() const { return {table_->cur_phys_pg, static_cast<std::uint16_t>(table_->cur_row - 1)}; }

  private:
    MdbCatalogEntry entry_;
    MdbTableDef* table_ = nullptr;  // left to the process's end, as the handle is
};

std::string text(const std::vector<char>& buffer, int length) {
    if (length <= 0) return {};
    return std::string(buffer.data(), strnlen(buffer.data(), std::min<std::size_t>(length, buffer.size())));
}

// The table's rows as checked against our own reading of its pages, found beforehand.
TableRows checkedRows(const PageFile& file, std::uint32_t definitionPage) {
    auto rows = TableRows::read(file, definitionPage, kMaxRows);
    if (!rows) fail("damaged");
    return std::move(*rows);
}

// Fetches the table's rows with libmdb, calling row() for each of them; fails unless libmdb delivers
// exactly the rows our own reading found (deleted rows it delivers are dropped here).
template <typename Row>
void fetchRows(Table& table, TableRows& rows, Row row) {
    while (table.next()) {
        switch (rows.take(table.place())) {
            case TableRows::Verdict::Keep:
                row();
                break;
            case TableRows::Verdict::Drop:
                break;
            case TableRows::Verdict::Damaged:
                fail("damaged");
        }
    }
    if (!rows.complete()) fail("damaged");
}

// Queries with parameter rows (Attribute 2) in MSysQueries. Its pages are checked as the catalogue's
// are; a table without those columns only costs queries their parameter mark.
std::set<std::string> parameterisedQueries(MdbHandle* mdb, const PageFile& file, long queriesTableId) {
    const auto definitionPage = static_cast<std::uint32_t>(queriesTableId & kTableDefinitionPageMask);
    TableRows rows = checkedRows(file, definitionPage);
    std::set<std::string> queries;
    Table table(mdb, "MSysQueries", definitionPage);
    if (!table) return queries;
    std::vector<char> attribute, objectId;
    int attributeLength = 0, objectIdLength = 0;
    if (!table.bind("Attribute", attribute, attributeLength) ||
        !table.bind("ObjectId", objectId, objectIdLength))
        return queries;
    fetchRows(table, rows, [&] {
        if (text(attribute, attributeLength) == "2") queries.insert(text(objectId, objectIdLength));
    });
    return queries;
}

[[noreturn]] void readCatalogue(const char* path) {
    auto file = PageFile::open(path);
    if (!file) fail("open");
    TableRows rows = checkedRows(*file, platform::jet::page::kCatalogueDefinitionPage);
    MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb) fail("open");

    Table objects(mdb, "MSysObjects", platform::jet::page::kCatalogueDefinitionPage);
    if (!objects) fail("catalogue");
    std::vector<char> id, parentId, name, type, flags;
    int idLength = 0, parentIdLength = 0, nameLength = 0, typeLength = 0, flagsLength = 0;
    if (!objects.bind("Id", id, idLength) || !objects.bind("ParentId", parentId, parentIdLength) ||
        !objects.bind("Name", name, nameLength) || !objects.bind("Type", type, typeLength) ||
        !objects.bind("Flags", flags, flagsLength))
        fail("catalogue");

    std::string result;
    unsigned count = 0;
    long queriesTableId = 0;
    bool hasQueries = false;
    platform::jet::helper::TableBounds tables(*file);
    fetchRows(objects, rows, [&] {
        ++count;
        std::string objectName = text(name, nameLength), objectType = text(type, typeLength);
        std::string objectId = text(id, idLength);
        if (objectType == "1") {
            const long tableId = std::strtol(objectId.c_str(), nullptr, 10);
            if (!tables.liesInsideFile(static_cast<std::uint32_t>(tableId & kTableDefinitionPageMask)))
                fail("damaged");
            if (objectName == "MSysQueries") queriesTableId = tableId;
        }
        if (objectType == "5") hasQueries = true;
        result += joinFields({"object", objectId, text(parentId, parentIdLength), objectType,
                              text(flags, flagsLength), objectName});
    });
    if (hasQueries && queriesTableId > 0)
        for (const auto& query : parameterisedQueries(mdb, *file, queriesTableId))
            result += joinFields({"parameters", query});
    result += joinFields({"end", std::to_string(count)});
    answer(result, 0);
}

}  // namespace

int main(int argc, char** argv) {
    platform::jet::helper::prepareHelperProcess();
    if (argc == 3 && std::strcmp(argv[1], "catalogue") == 0) readCatalogue(argv[2]);
    fail("usage");
}
