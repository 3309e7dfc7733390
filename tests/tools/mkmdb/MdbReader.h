#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Reads files back through libmdb (mdbtools), the independent judge of what the writer produces.
namespace mkmdb::testing {

// A table's rows as libmdb renders them: numbers with "%ld" / "%.16g", dates as
// "YYYY-MM-DD HH:MM:SS", Yes/No as "1"/"0"; a null cell is nullopt.
using Rows = std::vector<std::vector<std::optional<std::string>>>;

struct TableContents {
    std::vector<std::string> columnNames;
    Rows rows;
};

// Throws std::runtime_error when libmdb cannot open the file or find the table.
TableContents readTable(const std::filesystem::path& file, const std::string& table);

// The rows of MSysObjects, in the order they are stored.
struct CatalogRow {
    std::int32_t id = 0;
    std::int32_t parentId = 0;
    std::string name;
    int type = 0;
    std::uint32_t flags = 0;
};
std::vector<CatalogRow> readCatalog(const std::filesystem::path& file);

// Report names as the program lists them: rows of type -32764 under the container named "Reports".
std::vector<std::string> reportNames(const std::vector<CatalogRow>& catalog);

}  // namespace mkmdb::testing
