#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Access.h"
#include "platform/Ado.h"
#include "platform/Failure.h"

namespace fakes {

// ADO over one pretend database: the connection strings opened, and the table catalogue it answers.
class FakeAdo : public platform::ado::Ado {
  public:
    std::unique_ptr<platform::ado::Connection> createConnection() override;

    std::vector<std::pair<std::string, std::string>> catalogue;  // TABLE_TYPE, TABLE_NAME
    std::optional<platform::Failure> createFailure;              // "ADODB.Connection" cannot be created
    std::optional<std::string> openFailure;                      // the provider's description
    std::vector<std::string> opened;                             // connection strings, in order
    std::vector<std::string> calls;                              // "open", "schema", "close", ...
};

// Access over one pretend database. Every call is logged ("create", "open PATH|EXCLUSIVE|PASSWORD",
// "allReports", "close", "quit 1", "release", ...); the call named by failAt fails.
class FakeAccess : public platform::access::Access {
  public:
    std::unique_ptr<platform::access::Application> createApplication() override;

    std::vector<std::string> reports;
    // Access's printers by device name; the first is its current printer when it starts.
    std::vector<std::string> printers{"Office Laser", "Drevmark PDF Writer"};
    // The call that fails: "create", "open", "allReports", "name REPORT", "printer", "printers",
    // "device NAME", "printer = NAME", "print REPORT on PRINTER (0,0)", "output REPORT as FORMAT to
    // FILE", "close", "quit 1".
    std::optional<std::string> failAt;
    std::vector<std::string> calls;

    void call(const std::string& what);  // logs the call; throws when it is the failing one
};

}  // namespace fakes
