#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

// A value a report's record source (or a subreport's) asks for before it gives rows, as Access asks for
// it in its "Enter Parameter Value" box: its name as the query writes it, and its type as the table
// design names it ("Date/Time", "Text", "Value" where nothing declares one).
struct ReportParameter {
    std::string name;
    std::string type;
};

// Where the program reads the reports itself (absent where Access prints them, and asks for the values
// itself): the parameters the reports ask for, and the values they are given.
class ReportParameters {
  public:
    virtual ~ReportParameters() = default;
    // The values, by name (letter case and brackets aside, Forms!X!Y as [Forms]![X]![Y]), that every
    // report drawn from now on is given. A report asking for one not among them is drawn without rows.
    virtual void giveValues(std::vector<std::pair<std::string, std::string>> values) = 0;
    // What each of the reports of the database asks for, each name once, in the order Access asks.
    // Raises Failure when the database cannot be opened; a report whose parameters cannot be worked
    // out has the reason (problem) instead.
    struct Listed {
        std::vector<ReportParameter> parameters;
        std::string problem;
    };
    virtual std::vector<Listed> listParameters(const std::string& database, const std::string& password,
                                               const std::vector<std::string>& reports) = 0;
};

}  // namespace platform
