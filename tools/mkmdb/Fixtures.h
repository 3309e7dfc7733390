#pragma once

#include <string>
#include <vector>

#include "FileImage.h"
#include "Model.h"

// Databases that tests and benchmarks build in code.
namespace mkmdb::fixtures {

// Report names that no file name can take as they are: the characters \ / : * ? " < > |, leading and
// trailing blanks and dots, "." and "..", names Windows reserves for devices, non-ASCII text, and a
// name of the full 64 characters. All are distinct even ignoring case.
std::vector<std::string> hostileReportNames();

// The hostile names as reports, each showing its name, beside a table whose name and values are not
// ASCII.
Database hostileNamesDatabase();

// An unbound report of one label that shows the name.
Report reportShowingItsName(const std::string& name);

// `reportCount` reports named "Report 00001", ... and a table "Orders" of `rowCount` rows with a
// column of every type ("Order ID" Long, "Customer" Text, "Amount" Double, "Placed" DateTime,
// "Paid" YesNo). Row i (from 0) holds: i + 1, "Customer <i % 1000>", i * 0.25, 2020-01-01 plus
// i minutes, and whether i is odd.
Database largeDatabase(int reportCount, int rowCount);

// "Orders by Customer" over a table "Orders" of `rowCount` rows, as a business prints its orders: a
// page header with the column titles, a group per customer (header; footer with the group's Sum and
// count), the details sorted by date with formatted text boxes, an expression and a running total over
// the group, "Page x of y" in the page footer and a grand total at the end. Row i (from 0) belongs to
// customer i % (rowCount / 40), so groups hold 40 rows at any size and the rows come unsorted;
// its values follow from i alone. The rows are made as the file is written, never held all at once.
Database ordersReportDatabase(int rowCount);

// The database's file image with the catalogue's usage map replaced by one that names every page up to
// about 33 million (a thousand usage bitmap pages' worth, all one bitmap page with every bit set), as a
// damaged file can: a reader that believes it reads millions of pages.
FileImage withCatalogueMapNamingMillionsOfPages(const Database& database);

}  // namespace mkmdb::fixtures
