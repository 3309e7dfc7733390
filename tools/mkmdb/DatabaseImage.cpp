#include "DatabaseImage.h"

#include "AccessObjects.h"
#include "Catalog.h"
#include "HeaderPage.h"
#include "Jet4.h"
#include "PageProtection.h"
#include "QueryRows.h"
#include "RowEncoder.h"
#include "TableDefinition.h"
#include "UsageMap.h"
#include "Utf16.h"
#include "Validation.h"

namespace mkmdb {
namespace {

constexpr std::uint32_t kHeaderPageNumber = 0;
constexpr std::uint32_t kFreePageMapPage = 1;
constexpr std::uint32_t kCatalogDefinitionPage = platform::jet::page::kCatalogueDefinitionPage;

std::vector<ColumnDeclaration> columnDeclarations(const Table& table) {
    std::vector<ColumnDeclaration> declarations;
    for (const auto& column : table.columns) {
        switch (column.type) {
            case ColumnType::Text:
                declarations.push_back(
                    {column.name, jet4::JetType::Text, static_cast<std::uint16_t>(2 * column.maxLength)});
                break;
            case ColumnType::Long:
                declarations.push_back({column.name, jet4::JetType::Long, 4});
                break;
            case ColumnType::Double:
                declarations.push_back({column.name, jet4::JetType::Double, 8});
                break;
            case ColumnType::DateTime:
                declarations.push_back({column.name, jet4::JetType::DateTime, 8});
                break;
            case ColumnType::YesNo:
                declarations.push_back({column.name, jet4::JetType::Bool, 1});
                break;
            case ColumnType::Decimal:
                declarations.push_back({column.name, jet4::JetType::Numeric, 17, false,
                                        static_cast<std::uint8_t>(column.precision),
                                        static_cast<std::uint8_t>(column.scale)});
                break;
        }
    }
    return declarations;
}

// One table on its way into the file.
struct PendingTable {
    std::string name;
    bool system = false;
    TableLayout layout;
    std::uint32_t definitionPage = 0;
    std::uint32_t rowCount = 0;
    std::vector<std::uint32_t> dataPages;
};

PendingTable pendingTable(const std::string& name, bool system, TableLayout layout,
                          std::uint32_t definitionPage) {
    PendingTable table;
    table.name = name;
    table.system = system;
    table.layout = std::move(layout);
    table.definitionPage = definitionPage;
    return table;
}

// Stores `count` rows, rowAt(i) giving each, those marked in `deleted` as deleted rows; answers how
// many rows the table holds.
template <typename RowAt>
std::uint32_t storeRows(FileImage& image, PendingTable& table, std::size_t count, RowAt&& rowAt,
                        const std::vector<bool>& deleted = {}) {
    DataPageWriter writer(image, table.definitionPage);
    std::uint32_t live = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const bool isDeleted = i < deleted.size() && deleted[i];
        try {
            writer.add(encodeRow(table.layout, rowAt(i)), isDeleted ? jet4::kRowDeletedByAccess : 0);
        } catch (const Error& error) {
            throw Error("table \"" + table.name + "\", row " + std::to_string(i + 1) + ": " + error.what());
        }
        if (!isDeleted) ++live;
    }
    table.dataPages = writer.pages();
    return live;
}

std::uint32_t storeRows(FileImage& image, PendingTable& table, const std::vector<std::vector<Value>>& rows,
                        const std::vector<bool>& deleted = {}) {
    return storeRows(
        image, table, rows.size(), [&](std::size_t i) -> const std::vector<Value>& { return rows[i]; },
        deleted);
}

// A user table's rows: those it holds, then those it makes, each made into one reused row.
std::uint32_t storeRows(FileImage& image, PendingTable& pending, const Table& table) {
    if (table.madeRows > 0 && !table.makeRow) throw Error("table \"" + table.name + "\" makes no rows");
    std::vector<Value> made;
    return storeRows(image, pending, table.rows.size() + table.madeRows,
                     [&](std::size_t i) -> const std::vector<Value>& {
                         if (i < table.rows.size()) return table.rows[i];
                         table.makeRow(i - table.rows.size(), made);
                         return made;
                     });
}

// Page 1 lists the pages that are free for reuse: none inside the file, all beyond its end.
void writeFreePageMap(FileImage& image) {
    constexpr std::size_t kMapRowSize = 69;
    constexpr std::uint32_t kMappedPages = (kMapRowSize - 5) * 8;
    Bytes freePages(kMapRowSize, 0);
    for (std::uint32_t page = image.pageCount(); page < kMappedPages; ++page)
        freePages[5 + page / 8] |= static_cast<std::uint8_t>(1 << (page % 8));

    auto page = image.page(kFreePageMapPage);
    page[0] = jet4::kDataPage;
    page[1] = 0x01;
    putU32(page, 4, kFreePageMapPage);
    putU16(page, jet4::kDataRowCountOffset, 2);
    std::size_t start = jet4::kPageSize;
    for (int row = 0; row < 2; ++row) {
        start -= kMapRowSize;
        if (row == 0)
            std::copy(freePages.begin(), freePages.end(), page.begin() + static_cast<std::ptrdiff_t>(start));
        putU16(page, jet4::kDataPageHeaderSize + 2 * row, static_cast<std::uint16_t>(start));
    }
    putU16(page, 2, static_cast<std::uint16_t>(start - jet4::kDataPageHeaderSize - 4));
}

}  // namespace

FileImage buildDatabaseImage(const Database& database) {
    validateDatabase(database);
    FileImage image;
    image.addPage();  // header, written last
    image.addPage();  // free-page map, written when the file's size is known

    std::vector<PendingTable> tables;
    std::vector<TablePlacement> systemPlacements, userPlacements;
    for (const auto& system : systemTables()) {
        tables.push_back(pendingTable(system.name, true, layOutColumns(system.columns), image.addPage()));
        systemPlacements.push_back({system.name, tables.back().definitionPage});
    }
    for (const auto& table : database.tables) {
        tables.push_back(
            pendingTable(table.name, false, layOutColumns(columnDeclarations(table)), image.addPage()));
        userPlacements.push_back({table.name, tables.back().definitionPage});
    }
    // Access's own storage: a table like the user's, which the catalogue marks as Access's.
    tables.push_back(pendingTable(std::string(kAccessObjectsTable), false,
                                  layOutColumns(accessObjectsColumns()), image.addPage()));
    userPlacements.push_back(
        {tables.back().name, tables.back().definitionPage, platform::jet::object_flag::kHostApplication});
    if (tables.front().definitionPage != kCatalogDefinitionPage) throw Error("internal: catalogue misplaced");

    std::vector<std::string> queryNames;
    for (const auto& query : database.queries) queryNames.push_back(query.name);
    std::vector<std::vector<Value>> catalogRows, queryRows;
    std::vector<bool> deletedRows;
    std::size_t nextQuery = 0;  // the catalogue lists the queries in the order given
    for (const auto& entry : catalogEntries(systemPlacements, userPlacements, database.reports,
                                            database.deletedReports, queryNames, database.links)) {
        catalogRows.push_back(catalogRow(entry, database.created));
        deletedRows.push_back(entry.deleted);
        if (entry.type != platform::jet::object_type::kQuery) continue;
        for (auto& row : savedQueryRows(database.queries.at(nextQuery++), entry.id))
            queryRows.push_back(std::move(row));
    }
    tables.front().rowCount = storeRows(image, tables.front(), catalogRows, deletedRows);
    for (auto& pending : tables)
        if (pending.name == platform::jet::engine_object::kQueriesTable)
            pending.rowCount = storeRows(image, pending, queryRows);
    for (std::size_t i = 0; i < database.tables.size(); ++i) {
        auto& pending = tables[systemTables().size() + i];
        pending.rowCount = storeRows(image, pending, database.tables[i]);
    }
    tables.back().rowCount = storeRows(image, tables.back(), accessObjectsRows(accessStorage(database)));

    DataPageWriter mapWriter(image, 0);
    for (auto& table : tables) {
        const auto usedPagesMap = mapWriter.add(buildUsageMap(image, table.dataPages));
        // Every page is filled as far as it goes; new rows belong on new pages.
        const auto freePagesMap = mapWriter.add(buildUsageMap(image, {}));
        writeTableDefinition(image.page(table.definitionPage), {table.name, &table.layout, table.system,
                                                                table.rowCount, usedPagesMap, freePagesMap});
    }

    writeFreePageMap(image);
    protectPages(image, database);
    return image;
}

}  // namespace mkmdb
