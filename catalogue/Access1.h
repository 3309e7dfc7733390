// Access1 — the database module: connection strings, opening a database to check it, and its reports'
// names for the report list.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class FileSystem;
class ListView;
class TextBox;
class Ui;
namespace ado {
class Ado;
}
namespace access {
class Access;
}
}  // namespace platform

// Proving that the chosen database opens, and listing its reports through Access.
namespace calvenor {

// The database selection page's two fields, read at the moment of each call.
struct DatabaseFields {
    const platform::TextBox& path;
    const platform::TextBox& password;
};

// The ADO connection string for the database the fields name: the provider by the path's last five
// characters ("accdb" ignoring case: ACE; otherwise Jet), then the path and the password. A value that
// holds ";", a quote or surrounding blanks is quoted, so that it reaches the provider whole and cannot
// add properties of its own; every other value stands as typed.
std::string BuildConnectionString(const DatabaseFields& fields);
std::string BuildConnectionString(std::string_view path, std::string_view password);

// The names of the database's user tables ("TABLE" rows of the provider's table catalogue, in its
// order), opened with BuildConnectionString. No list at all when the path names nothing; a failure of
// the provider leaves with its description.
std::optional<std::vector<std::string>> GetTableNames(platform::ado::Ado& ado, platform::FileSystem& files,
                                                      std::string_view path, const DatabaseFields& fields);
std::optional<std::vector<std::string>> GetTableNames(platform::ado::Ado& ado, platform::FileSystem& files,
                                                      std::string_view path, std::string_view password);

// Clears the list and adds one checked item per report of the database, in the order Access yields
// them, from a hidden Access instance of its own that it ends. Serves the message loop before each
// report and after closing the database. A failure leaves at once, with the items added so far.
void LoadReportNames(platform::access::Access& access, platform::Ui& ui, platform::ListView& list,
                     std::string_view path, std::string_view password);

// The same walk with what happens around it left to the caller: yield runs before each report and after
// closing the database, found takes each report's name.
void ListReportNames(platform::access::Access& access, std::string_view path, std::string_view password,
                     const std::function<void()>& yield, const std::function<void(std::string)>& found);

}  // namespace calvenor
