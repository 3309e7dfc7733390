// Access1 — the database module (see Access1.h).
#include "catalogue/Access1.h"

#include <memory>

#include "app/ShellUtilities.h"
#include "app/Text.h"
#include "platform/Access.h"
#include "platform/Ado.h"
#include "platform/Ui.h"

namespace calvenor {
namespace {

constexpr char kAceProvider[] = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=";
constexpr char kJetProvider[] = "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=";
constexpr char kPasswordProperty[] = ";JET OLEDB:Database Password=";

// The blanks a connection string's parser strips from around a value.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A value as the connection string must carry it: unchanged, unless the parser would cut it at a ";",
// take a quote for its own, or strip its blanks; then in double quotes, a quote inside doubled.
std::string connectionValue(std::string_view value) {
    const bool needsQuotes = value.find_first_of(";\"'") != std::string_view::npos ||
                             (!value.empty() && (isBlank(value.front()) || isBlank(value.back())));
    if (!needsQuotes) return std::string{value};
    std::string quoted = "\"";
    for (char c : value) quoted += c == '"' ? std::string{"\"\""} : std::string{c};
    return quoted + '"';
}

// The provider by the path's last five characters, whatever they are: "Sales.ACCDB" and "salesaccdb"
// are ACE files, "Sales.accde" a Jet one.
const char* providerPrefix(std::string_view path) {
    const std::size_t characters = characterCount(path);
    const std::string_view lastFive =
        characters <= 5 ? path : path.substr(firstCharacters(path, characters - 5).size());
    return lowerCase(lastFive) == "accdb" ? kAceProvider : kJetProvider;
}

// The user tables of the database the connection string opens.
std::vector<std::string> listUserTables(platform::ado::Ado& ado, const std::string& connectionString) {
    auto connection = ado.createConnection();
    connection->open(connectionString);
    auto tables = connection->openSchema(platform::ado::kSchemaTables);
    std::vector<std::string> names;
    while (!tables->eof()) {
        if (tables->field("TABLE_TYPE") == "TABLE") names.push_back(tables->field("TABLE_NAME"));
        tables->moveNext();
    }
    tables->close();
    connection->close();
    return names;
}

}  // namespace

std::string BuildConnectionString(const DatabaseFields& fields) {
    const std::string path = fields.path.text();
    const std::string password = fields.password.text();
    return BuildConnectionString(path, password);
}

std::string BuildConnectionString(std::string_view path, std::string_view password) {
    return providerPrefix(path) + connectionValue(path) + kPasswordProperty + connectionValue(password);
}

std::optional<std::vector<std::string>> GetTableNames(platform::ado::Ado& ado, platform::FileSystem& files,
                                                      std::string_view path, const DatabaseFields& fields) {
    if (!FileExists(files, path)) return std::nullopt;
    return listUserTables(ado, BuildConnectionString(fields));
}

std::optional<std::vector<std::string>> GetTableNames(platform::ado::Ado& ado, platform::FileSystem& files,
                                                      std::string_view path, std::string_view password) {
    if (!FileExists(files, path)) return std::nullopt;
    return listUserTables(ado, BuildConnectionString(path, password));
}

void LoadReportNames(platform::access::Access& access, platform::Ui& ui, platform::ListView& list,
                     std::string_view path, std::string_view password) {
    list.clear();
    ListReportNames(
        access, path, password, [&] { ui.doEvents(); },
        [&](std::string name) {
            list.add(name);
            list.setChecked(list.count(), true);
        });
}

void ListReportNames(platform::access::Access& access, std::string_view path, std::string_view password,
                     const std::function<void()>& yield, const std::function<void(std::string)>& found) {
    auto application = access.createApplication();
    application->openCurrentDatabase(path, false, password);
    for (const auto& report : application->allReports()) {
        yield();
        found(report->name());
    }
    application->closeCurrentDatabase();
    yield();
    application->quit(platform::access::QuitOption::SaveAll);
}

}  // namespace calvenor
