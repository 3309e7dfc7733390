#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Model.h"
#include "TableLayout.h"

// The catalogue of a new database: the engine's own tables and the rows of MSysObjects, which name
// every table, container and document. Access files hold the same containers ("Tables", "Forms",
// "Reports", ...); a report is a document of type -32764 whose ParentId is the Id of "Reports"; a saved
// query is an object of type 5 under "Tables", numbered as documents are.
namespace mkmdb {

struct SystemTable {
    std::string name;
    std::vector<ColumnDeclaration> columns;
};

// MSysObjects, MSysACEs, MSysQueries, MSysRelationships, in that order; MSysObjects' definition must
// be on page 2, where readers look for it.
const std::vector<SystemTable>& systemTables();

struct CatalogEntry {
    std::int32_t id = 0;
    std::int32_t parentId = 0;
    std::string name;
    std::int16_t type = 0;
    std::uint32_t flags = 0;
    bool deleted = false;  // a row Access marked deleted
    std::string database{}, foreignName{};  // a linked table's
};

struct TablePlacement {
    std::string name;
    std::uint32_t definitionPage = 0;  // a table's Id is the page of its definition
    std::uint32_t flags = 0;           // of a user table: MSysObjects' flags (Access's own tables)
};

std::vector<CatalogEntry> catalogEntries(const std::vector<TablePlacement>& systemTablePlacements,
                                         const std::vector<TablePlacement>& userTables,
                                         const std::vector<std::string>& reports,
                                         const std::vector<std::string>& deletedReports = {},
                                         const std::vector<std::string>& queries = {},
                                         const std::vector<LinkedTable>& links = {});

// An entry as a row of MSysObjects (its columns in systemTables()[0] order). Every entry gets an empty
// property block: readers that look up an object's properties misread a missing one.
std::vector<Value> catalogRow(const CatalogEntry& entry, Timestamp created);

}  // namespace mkmdb
