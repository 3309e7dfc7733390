#include "Validation.h"

#include <algorithm>
#include <set>
#include <string>

#include "AccessObjects.h"
#include "Catalog.h"
#include "ReportValidation.h"
#include "Utf16.h"
#include "base/AsciiCase.h"
#include "platform/jet/file/crypto/EncryptionInfo.h"

namespace mkmdb {

namespace {

constexpr std::size_t kMaxColumns = 255;
constexpr double kLastDay = 2958465.99999;  // 9999-12-31 23:59:59

void checkName(const std::string& name, const std::string& what) {
    const auto utf16 = toUtf16(name, what);
    if (utf16.empty()) throw Error(what + " is empty");
    if (utf16.size() > static_cast<std::size_t>(kMaxObjectNameLength))
        throw Error(what + " is longer than " + std::to_string(kMaxObjectNameLength) + " characters");
    for (const char16_t c : utf16)
        if (c < 0x20 || c == 0x7F) throw Error(what + " holds a control character");
}

// Remembers names seen so far and rejects a second one that Access would take for the same.
class NameSet {
  public:
    explicit NameSet(std::string kind) : kind_(std::move(kind)) {}
    void add(const std::string& name) {
        if (!folded_.insert(base::lowerAscii(name)).second)
            throw Error("there are two " + kind_ + " named \"" + name + "\"");
    }

  private:
    std::string kind_;
    std::set<std::string> folded_;
};

void checkTable(const Table& table) {
    const std::string what = "table \"" + table.name + "\"";
    if (table.columns.empty()) throw Error(what + " has no columns");
    if (table.columns.size() > kMaxColumns)
        throw Error(what + " has more than " + std::to_string(kMaxColumns) + " columns");
    NameSet columnNames("columns in " + what);
    for (const auto& column : table.columns) {
        const std::string columnWhat = "a column name in " + what;
        checkName(column.name, columnWhat);
        columnNames.add(column.name);
        if (column.type == ColumnType::Text && (column.maxLength < 1 || column.maxLength > 255))
            throw Error("column \"" + column.name + "\" in " + what +
                        ": a Text column holds 1 to 255 characters");
    }
}

// A query must say what it reads and gives, and join only what it reads; the names it reads must be
// tables or other queries of the file, as Access only saves such a query.
void checkQuery(const Query& query, const std::set<std::string>& tablesAndQueries) {
    const std::string what = "query \"" + query.name + "\"";
    if (query.sources.empty()) throw Error(what + " reads no table or query");
    if (query.columns.empty()) throw Error(what + " has no columns");
    NameSet sourceNames("sources in " + what);
    for (const auto& source : query.sources) {
        if (!tablesAndQueries.contains(base::lowerAscii(source.name)))
            throw Error(what + " reads \"" + source.name + "\", which is no table or query");
        if (base::equalIgnoringCase(source.name, query.name)) throw Error(what + " reads itself");
        if (!source.alias.empty()) checkName(source.alias, "an alias in " + what);
        sourceNames.add(source.alias.empty() ? source.name : source.alias);
    }
    for (const auto& join : query.joins) {
        for (const auto* side : {&join.left, &join.right}) {
            const bool known =
                std::any_of(query.sources.begin(), query.sources.end(), [&](const auto& source) {
                    return base::equalIgnoringCase(source.alias.empty() ? source.name : source.alias, *side);
                });
            if (!known) throw Error(what + " joins \"" + *side + "\", which it does not read");
        }
        if (join.on.empty()) throw Error(what + " joins \"" + join.left + "\" without a condition");
    }
    for (const auto& column : query.columns)
        if (column.expression.empty()) throw Error(what + " has an empty column");
    if (query.top < 0) throw Error(what + ": TOP takes a number above 0");
    if (query.topPercent && (query.top < 1 || query.top > 100))
        throw Error(what + ": TOP ... PERCENT takes a number from 1 to 100");
}

}  // namespace

void validateDatabase(const Database& database) {
    NameSet tableNames("tables");
    for (const auto& system : systemTables()) tableNames.add(system.name);
    tableNames.add(std::string(kAccessObjectsTable));
    for (const auto& table : database.tables) {
        checkName(table.name, "a table name");
        tableNames.add(table.name);
        checkTable(table);
    }
    std::set<std::string> tablesAndQueries;
    for (const auto& table : database.tables) tablesAndQueries.insert(base::lowerAscii(table.name));
    for (const auto& query : database.queries) {
        checkName(query.name, "a query name");
        tableNames.add(query.name);  // tables and queries share one set of names
        tablesAndQueries.insert(base::lowerAscii(query.name));
    }
    for (const auto& query : database.queries) checkQuery(query, tablesAndQueries);
    NameSet reportNames("reports");
    for (const auto* reports : {&database.reports, &database.deletedReports}) {
        for (const auto& report : *reports) {
            checkName(report, "a report name");
            reportNames.add(report);
        }
    }
    validateReportDesigns(database);
    const auto password = toUtf16(database.password, "the password");
    if (password.size() > static_cast<std::size_t>(kMaxPasswordLength))
        throw Error("the password is longer than " + std::to_string(kMaxPasswordLength) + " characters");
    for (const char16_t c : password)
        if (c < 0x20 || c == 0x7F) throw Error("the password holds a control character");
    const bool office =
        database.encryption != Encryption::None && database.encryption != Encryption::JetEncoding;
    if (office && password.empty()) throw Error("an encrypted database needs a password");
    if (database.spinCount > platform::jet::crypto::kMaxSpinCount)
        throw Error("the spin count is larger than Office allows");
    if (!(database.created.days >= 0 && database.created.days <= kLastDay))
        throw Error("the creation date lies outside 1899-12-30 to 9999-12-31");
}

}  // namespace mkmdb
