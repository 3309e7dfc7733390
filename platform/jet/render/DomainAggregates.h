#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/jet/render/ReportSource.h"
#include "platform/jet/vba/Objects.h"

namespace platform::jet::render {

// Report code's questions to its database, answered by the report source's queries: DLookup, DCount,
// DSum, DAvg, DMin, DMax, DFirst and DLast with their criteria as Access computes them (Null where no
// record matches, DCount 0), and the rows DAO's recordsets read. A question the database cannot answer
// (no such table, criteria that do not read) is the code's run-time error, which it may trap. Answers
// are kept for the report run: the database does not change while it prints.
class DomainAggregates : public vba::DomainFunctions, public vba::DatabaseRows {
  public:
    explicit DomainAggregates(ReportSource& source) : source_(source) {}

    std::optional<query::Value> aggregate(std::string_view function, const query::Value& expression,
                                          const query::Value& domain, const query::Value& criteria) override;
    query::RowSet rows(const std::string& source) override;
    std::optional<std::string> filePath() override { return source_.databasePath(); }
    bool formOpen(const std::string& form) override { return source_.formOpen(form); }

  private:
    ReportSource& source_;
    std::map<std::string, query::RowSet> kept_;  // by source
    std::size_t keptValues_ = 0;
};

// The SQL text a domain function asks (DSum("[Qty]", "Orders", "[ID] > 5") asks
// "SELECT Sum([Qty]) FROM [Orders] WHERE ([ID] > 5)"); none for a function that is no domain function.
std::optional<std::string> domainQuery(std::string_view function, const std::string& expression,
                                       const std::string& domain, const std::string& criteria);

}  // namespace platform::jet::render
