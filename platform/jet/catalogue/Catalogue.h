#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/jet/file/JetFormat.h"

namespace platform::jet {

// One row of MSysObjects, the database's own catalogue.
struct CatalogueObject {
    std::int32_t id = 0;
    std::int32_t parentId = 0;
    std::int32_t type = 0;    // object_type
    std::uint32_t flags = 0;  // object_flag
    std::string name;
    bool hasParameters = false;  // a query that declares parameters
};

// One row of ADO's table catalogue (adSchemaTables).
struct SchemaTable {
    std::string type;  // "TABLE", "SYSTEM TABLE", "ACCESS TABLE", "LINK", "PASS-THROUGH", "VIEW"
    std::string name;
};

// The table catalogue as ADO gives it for the Jet and ACE providers: local tables, links and the
// queries that behave as views (select queries without parameters), ordered by type and then by name.
std::vector<SchemaTable> schemaTables(const std::vector<CatalogueObject>& objects);

// The names of the reports (the objects of the "Reports" container), ordered as Access's navigation
// lists them: by name, without regard to letter case.
std::vector<std::string> reportNames(const std::vector<CatalogueObject>& objects);

// Whether the catalogue holds the engine's own objects (engine_object), as every database's does: a
// catalogue without them was not read whole.
bool holdsEngineObjects(const std::vector<CatalogueObject>& objects);

// Whether every object is one Access writes: it has a name, an Id no other object has, and a type
// Access knows. Damaged pages can still read as rows, and such rows read as objects that are not.
bool holdsSoundObjects(const std::vector<CatalogueObject>& objects);

}  // namespace platform::jet
