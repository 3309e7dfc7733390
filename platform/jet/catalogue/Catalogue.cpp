#include "platform/jet/catalogue/Catalogue.h"

#include <algorithm>
#include <array>
#include <optional>

#include "base/AsciiCase.h"

namespace platform::jet {
namespace {

constexpr std::uint32_t kQueryKindMask = 0xF0;  // 0 select, 0x10 crosstab, 0x20 delete, ...

// The types of object Access and its engine write. The engine's: table, database, container, ODBC
// link, query, link, relationship, and 9 and 10, accepted for kinds of its own that none of our files
// shows. Access's: form, macro, report, module, user, database document (SummaryInfo, UserDefined,
// ...), data access page.
constexpr std::array<std::int32_t, 16> kObjectTypes{
    1,      2,      3,      4,      5,      6,      8,      9, 10,  // the engine's
    -32768, -32766, -32764, -32761, -32758, -32757, -32756,         // Access's documents
};

std::optional<std::string> tableTypeOf(const CatalogueObject& object) {
    switch (object.type) {
        case object_type::kTable:
            if (object.flags & object_flag::kEngineSystem) return "SYSTEM TABLE";
            if (object.flags & object_flag::kHostApplication) return "ACCESS TABLE";
            return "TABLE";  // hidden user tables too
        case object_type::kLink:
            return "LINK";
        case object_type::kOdbcLink:
            return "PASS-THROUGH";
        case object_type::kQuery:
            if ((object.flags & kQueryKindMask) == 0 && !object.hasParameters) return "VIEW";
            return std::nullopt;  // action and parameter queries are procedures, not tables
        default:
            return std::nullopt;
    }
}

}  // namespace

std::vector<SchemaTable> schemaTables(const std::vector<CatalogueObject>& objects) {
    std::vector<SchemaTable> tables;
    for (const auto& object : objects)
        if (auto type = tableTypeOf(object)) tables.push_back({*type, object.name});
    std::stable_sort(tables.begin(), tables.end(), [](const SchemaTable& a, const SchemaTable& b) {
        if (a.type != b.type) return a.type < b.type;
        return base::precedesIgnoringCase(a.name, b.name);
    });
    return tables;
}

bool holdsEngineObjects(const std::vector<CatalogueObject>& objects) {
    using namespace engine_object;
    const auto find = [&](std::int16_t type, std::string_view name,
                          std::optional<std::int32_t> parentId) -> const CatalogueObject* {
        auto found = std::find_if(objects.begin(), objects.end(), [&](const CatalogueObject& object) {
            return object.type == type && object.name == name && (!parentId || object.parentId == *parentId);
        });
        return found == objects.end() ? nullptr : &*found;
    };
    const auto* tables = find(object_type::kContainer, kTablesContainer, std::nullopt);
    if (!tables) return false;
    const auto* databases = find(object_type::kContainer, kDatabasesContainer, tables->parentId);
    const auto* catalogue = find(object_type::kTable, kCatalogueTable, tables->id);
    if (!databases || !find(object_type::kContainer, kRelationshipsContainer, tables->parentId) ||
        !find(object_type::kDatabase, kDatabaseDocument, databases->id) || !catalogue ||
        static_cast<std::uint32_t>(catalogue->id) != page::kCatalogueDefinitionPage)
        return false;
    for (const auto name : {kAccessControlTable, kQueriesTable, kRelationshipsTable})
        if (!find(object_type::kTable, name, tables->id)) return false;
    return true;
}

bool holdsSoundObjects(const std::vector<CatalogueObject>& objects) {
    std::vector<std::int32_t> ids;
    ids.reserve(objects.size());
    for (const auto& object : objects) {
        if (object.name.empty() ||
            std::find(kObjectTypes.begin(), kObjectTypes.end(), object.type) == kObjectTypes.end())
            return false;
        ids.push_back(object.id);
    }
    std::sort(ids.begin(), ids.end());
    return std::adjacent_find(ids.begin(), ids.end()) == ids.end();
}

std::vector<std::string> reportNames(const std::vector<CatalogueObject>& objects) {
    std::vector<std::int32_t> containers;
    for (const auto& object : objects)
        if (object.type == object_type::kContainer && object.name == kReportsContainer)
            containers.push_back(object.id);
    std::vector<std::string> names;
    for (const auto& object : objects)
        if (object.type == object_type::kReport &&
            std::find(containers.begin(), containers.end(), object.parentId) != containers.end())
            names.push_back(object.name);
    std::stable_sort(names.begin(), names.end(), base::precedesIgnoringCase);
    return names;
}

}  // namespace platform::jet
