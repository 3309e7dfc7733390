#include "Catalog.h"

#include "Bytes.h"
#include "Jet4.h"
#include "QueryRows.h"
#include "platform/jet/file/JetFormat.h"

namespace mkmdb {
namespace {

using jet4::JetType;
namespace object_type = platform::jet::object_type;
using platform::jet::kReportsContainer;
using platform::jet::object_flag::kEngineSystem;
using namespace platform::jet::engine_object;

constexpr std::uint16_t kText255 = 510;

constexpr std::int32_t asId(std::uint32_t bits) {
    return static_cast<std::int32_t>(bits);
}

// Ids of the catalogue's own objects, as Access numbers them.
constexpr std::int32_t kRootId = asId(0x0F000000);
constexpr std::int32_t kTablesId = asId(0x0F000001);
constexpr std::int32_t kDatabasesId = asId(0x0F000002);
constexpr std::int32_t kRelationshipsId = asId(0x0F000003);
constexpr std::int32_t kDatabaseDocumentId = asId(0x10000000);
constexpr std::uint32_t kFirstDocumentId = 0x80000000;

// An LvProp value with a property-name list and one property block, both empty: chunks of
// (length, type) with the names in type 0x80 and the object's own block in type 0x00.
std::string emptyPropertyBlock() {
    Bytes block{'M', 'R', '2', 0};
    appendU32(block, 6);  // the names chunk: its header only
    appendU16(block, 0x0080);
    appendU32(block, 12);  // the object's chunk: header and a block without name or properties
    appendU16(block, 0x0000);
    appendU32(block, 6);
    appendU16(block, 0);
    return std::string(block.begin(), block.end());
}

}  // namespace

const std::vector<SystemTable>& systemTables() {
    static const std::vector<SystemTable> tables{
        {std::string(kCatalogueTable),
         {{"Id", JetType::Long, 4},
          {"ParentId", JetType::Long, 4},
          {"Name", JetType::Text, kText255},
          {"Type", JetType::Integer, 2},
          {"DateCreate", JetType::DateTime, 8},
          {"DateUpdate", JetType::DateTime, 8},
          {"Owner", JetType::Binary, kText255},
          {"Flags", JetType::Long, 4},
          {"Database", JetType::Memo, 0},
          {"Connect", JetType::Memo, 0},
          {"ForeignName", JetType::Text, kText255},
          {"RmtInfoShort", JetType::Binary, kText255},
          {"RmtInfoLong", JetType::Ole, 0},
          {"Lv", JetType::Ole, 0},
          {"LvProp", JetType::Ole, 0},
          {"LvModule", JetType::Ole, 0},
          {"LvExtra", JetType::Ole, 0}}},
        {std::string(kAccessControlTable),
         {{"ObjectId", JetType::Long, 4},
          {"SID", JetType::Binary, kText255},
          {"ACM", JetType::Long, 4},
          {"FInheritable", JetType::Bool, 1}}},
        {std::string(kQueriesTable),
         {{"ObjectId", JetType::Long, 4},
          {"Attribute", JetType::Byte, 1},
          {"Order", JetType::Binary, kText255},
          {"Name1", JetType::Text, kText255},
          {"Name2", JetType::Text, kText255},
          {"Expression", JetType::Memo, 0},
          {"Flag", JetType::Integer, 2},
          {"LvExtra", JetType::Long, 4}}},
        {std::string(kRelationshipsTable),
         {{"szRelationship", JetType::Text, kText255},
          {"grbit", JetType::Long, 4},
          {"ccolumn", JetType::Long, 4},
          {"icolumn", JetType::Long, 4},
          {"szObject", JetType::Text, kText255},
          {"szColumn", JetType::Text, kText255},
          {"szReferencedObject", JetType::Text, kText255},
          {"szReferencedColumn", JetType::Text, kText255}}},
    };
    return tables;
}

std::vector<CatalogEntry> catalogEntries(const std::vector<TablePlacement>& systemTablePlacements,
                                         const std::vector<TablePlacement>& userTables,
                                         const std::vector<std::string>& reports,
                                         const std::vector<std::string>& deletedReports,
                                         const std::vector<std::string>& queries,
                                         const std::vector<LinkedTable>& links) {
    std::vector<CatalogEntry> entries{
        {kTablesId, kRootId, std::string(kTablesContainer), object_type::kContainer, kEngineSystem},
        {kDatabasesId, kRootId, std::string(kDatabasesContainer), object_type::kContainer, kEngineSystem},
        {kRelationshipsId, kRootId, std::string(kRelationshipsContainer), object_type::kContainer,
         kEngineSystem},
        {kDatabaseDocumentId, kDatabasesId, std::string(kDatabaseDocument), object_type::kDatabase,
         kEngineSystem},
    };
    for (const auto& table : systemTablePlacements)
        entries.push_back(
            {asId(table.definitionPage), kTablesId, table.name, object_type::kTable, kEngineSystem});

    std::uint32_t nextDocumentId = kFirstDocumentId;
    const auto addDocument = [&](std::int32_t parentId, const std::string& name,
                                 std::int16_t type) -> CatalogEntry& {
        entries.push_back({asId(nextDocumentId++), parentId, name, type, 0});
        return entries.back();
    };
    std::int32_t reportsId = 0;
    const std::string_view containers[] = {"DataAccessPages", "Forms",   "Modules",
                                           kReportsContainer, "Scripts", "SysRel"};
    for (const std::string_view container : containers) {
        const auto id = addDocument(kRootId, std::string(container), object_type::kContainer).id;
        if (container == kReportsContainer) reportsId = id;
    }
    addDocument(kDatabasesId, "SummaryInfo", object_type::kDocument);
    addDocument(kDatabasesId, "UserDefined", object_type::kDocument);

    for (const auto& table : userTables)
        entries.push_back(
            {asId(table.definitionPage), kTablesId, table.name, object_type::kTable, table.flags});
    for (const auto& query : queries)
        addDocument(kTablesId, query, object_type::kQuery).flags = kSelectQueryFlags;
    for (const auto& link : links) {
        CatalogEntry& entry = addDocument(kTablesId, link.name, object_type::kLink);
        entry.database = link.database;
        entry.foreignName = link.foreignName;
    }
    for (const auto& report : reports) addDocument(reportsId, report, object_type::kReport);
    for (const auto& report : deletedReports)
        addDocument(reportsId, report, object_type::kReport).deleted = true;
    return entries;
}

std::vector<Value> catalogRow(const CatalogEntry& entry, Timestamp created) {
    std::vector<Value> row(systemTables().front().columns.size(), Null{});
    row[0] = entry.id;
    row[1] = entry.parentId;
    row[2] = entry.name;
    row[3] = std::int32_t{entry.type};
    row[4] = created;
    row[5] = created;
    row[7] = static_cast<std::int32_t>(entry.flags);
    if (!entry.database.empty()) row[8] = entry.database;
    if (!entry.foreignName.empty()) row[10] = entry.foreignName;
    row[14] = emptyPropertyBlock();
    return row;
}

}  // namespace mkmdb
