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
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/jet/process/HelperProcess.h"
#include "platform/jet/process/LineProtocol.h"
#include "platform/jet/tables/CheckedTable.h"
#include "platform/jet/tables/PageFile.h"

namespace {

using platform::jet::joinFields;
using platform::jet::helper::CheckedTable;
using platform::jet::helper::PageFile;

constexpr std::size_t kMaxRows = 1'000'000;            // far beyond any real catalogue
constexpr long kTableDefinitionPageMask = 0x00FFFFFF;  // a table's Id holds its definition page

[[noreturn]] void answer(const std::string& result, int exitCode) {
    platform::jet::helper::writeResult(result);
    _exit(exitCode);  // no library clean-up: on a damaged file even that can go wrong
}

[[noreturn]] void fail(const char* reason) {
    answer(joinFields({"error", reason}), 1);
}

// A table of the catalogue, read by libmdb as checked against our own reading of its pages; a table
// that cannot be read so is damage.
std::unique_ptr<CheckedTable> openTable(MdbHandle* mdb, const PageFile& file, const char* name,
                                        std::uint32_t definitionPage) {
    auto table = CheckedTable::open(mdb, file, name, definitionPage, kMaxRows);
    if (!table) fail("damaged");
    return table;
}

// Calls row() for each of the table's rows; fails unless libmdb delivers exactly the rows our own
// reading found (deleted rows it delivers are dropped).
void fetchRows(CheckedTable& table, const std::function<void()>& row) {
    if (!table.forEachRow(row)) fail("damaged");
}

// Queries with parameter rows (Attribute 2) in MSysQueries. Its pages are checked as the catalogue's
// are; a table without those columns only costs queries their parameter mark.
std::set<std::string> parameterisedQueries(MdbHandle* mdb, const PageFile& file, long queriesTableId) {
    const auto definitionPage = static_cast<std::uint32_t>(queriesTableId & kTableDefinitionPageMask);
    const auto table = openTable(mdb, file, "MSysQueries", definitionPage);
    std::set<std::string> queries;
    if (!table->bind("Attribute") || !table->bind("ObjectId")) return queries;
    fetchRows(*table, [&] {
        if (table->text("Attribute") == "2") queries.insert(table->text("ObjectId"));
    });
    return queries;
}

[[noreturn]] void readCatalogue(const char* path) {
    auto file = PageFile::open(path);
    if (!file) fail("open");
    // libmdb opening the file reads its header alone; the catalogue's pages are checked before it reads them.
    MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb) fail("open");

    const auto objects = openTable(mdb, *file, "MSysObjects", platform::jet::page::kCatalogueDefinitionPage);
    for (const char* column : {"Id", "ParentId", "Name", "Type", "Flags"})
        if (!objects->bind(column)) fail("catalogue");

    std::string result;
    unsigned count = 0;
    long queriesTableId = 0;
    bool hasQueries = false;
    platform::jet::helper::TableBounds tables(*file);
    fetchRows(*objects, [&] {
        ++count;
        const std::string objectName = objects->text("Name"), objectType = objects->text("Type");
        const std::string objectId = objects->text("Id");
        if (objectType == "1") {
            const long tableId = std::strtol(objectId.c_str(), nullptr, 10);
            if (!tables.liesInsideFile(static_cast<std::uint32_t>(tableId & kTableDefinitionPageMask)))
                fail("damaged");
            if (objectName == "MSysQueries") queriesTableId = tableId;
        }
        if (objectType == "5") hasQueries = true;
        result += joinFields(
            {"object", objectId, objects->text("ParentId"), objectType, objects->text("Flags"), objectName});
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
