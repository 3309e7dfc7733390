#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "DescriptionTokens.h"
#include "Model.h"

namespace mkmdb {

class Words;

// The statements of a report's design (source, page, group, section, label, textbox, ...; see
// README.md), which follow its `report` statement up to the next statement of another kind. A report
// they do not follow gets no design.
class ReportStatements {
  public:
    explicit ReportStatements(Database& database) : database_(database) {}

    // The statements that follow belong to the report.
    void begin(const std::string& report);
    // Takes the statement when it is one of the current report's; otherwise ends the report's
    // statements and answers false. Throws Error for a statement of the report that is malformed.
    bool take(const std::vector<Token>& tokens);

  private:
    Report& design();
    ReportSection& currentSection(const std::string& what);
    void page(Words& words);
    void columns(Words& words);
    void sortLevel(Words& words, bool group);
    void section(Words& words);
    void control(const std::string& keyword, Words& words);
    ReportSection& sectionOf(SectionType type, int level);

    Database& database_;
    std::optional<std::string> report_;
    std::set<std::string> given_;                           // the statements given once per report
    std::set<std::pair<SectionType, int>> statedSections_;  // by a section statement
    std::optional<std::size_t> section_;                    // the index of the section controls go to
};

}  // namespace mkmdb
