#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace calvenor::stand_in {

// The stand-in's "database file": a UTF-8 text, one "keyword: value" a line, that says what a real
// database would hold and how its server should misbehave:
//   stand-in database          the first line, as a file signature
//   password: secret           the database password (none when absent)
//   table: Customers           a user table; "table: MSysObjects | SYSTEM TABLE" gives another type
//   report: Sales by Month     a report, in the order Access lists them
//   printer: Office Laser      a printer Access offers besides the system's
//   fail: OpenReport | text    the member raises with that description
//   delay: OpenCurrentDatabase | 3000   the member answers that many milliseconds late
// A real Access file serves too (JetDatabase.h): what its catalogue and header hold, misbehaving never.
struct CatalogueEntry {
    std::wstring name;
    std::wstring type;
};

struct DatabaseDescription {
    std::wstring path;  // the file it was read from
    std::wstring password;
    std::vector<CatalogueEntry> tables;
    std::vector<std::wstring> reports;
    std::vector<std::wstring> printers;
    std::map<std::wstring, std::wstring> failures;  // member name -> description
    std::map<std::wstring, unsigned> delays;        // member name -> milliseconds
};

inline constexpr char kDescriptionSignature[] = "stand-in database";

enum class DescriptionProblem { Missing, NotADatabase };

// The description in the file, or why there is none.
struct ReadDescription {
    std::optional<DatabaseDescription> description;
    DescriptionProblem problem = DescriptionProblem::Missing;
};

ReadDescription readDescription(const std::wstring& path);
DatabaseDescription parseDescription(const std::string& text);

// Sleeps as the description says for `member`, then raises its failure if it has one. While it sleeps,
// a file named after the database with ".delaying" appended exists, so that a test knows when to look.
void conductFor(const DatabaseDescription& description, const std::wstring& member);

}  // namespace calvenor::stand_in
