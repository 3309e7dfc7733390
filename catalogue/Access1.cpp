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

}  // namespace

std::string BuildConnectionString(const DatabaseFields& fields) {
    const std::string path = fields.path.text();
    const std::string password = fields.password.text();
    return providerPrefix(path) + connectionValue(path) + kPasswordProperty + connectionValue(password);
}

std::optional<std::vector<std::string>> GetTableNames(platform::ado::Ado& ado, platform::FileSystem& files,
                                                      std::string_view path, const DatabaseFields& fields) {
    if (!FileExists(files, path)) return std::nullopt;
    auto connection = ado.createConnection();
    connection->open(BuildConnectionString(fields));
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

void LoadReportNames(platform::access::Access& access, platform::Ui& ui, platform::ListView& list,
                     std::string_view path, std::string_view password) {
    list.clear();
    auto application = access.createApplication();
    application->openCurrentDatabase(path, false, password);
    for (const auto& report : application->allReports()) {
        ui.doEvents();
        list.add(report->name());
        list.setChecked(list.count(), true);
    }
    application->closeCurrentDatabase();
    ui.doEvents();
    application->quit(platform::access::QuitOption::SaveAll);
}

}  // namespace calvenor
