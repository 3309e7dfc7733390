#pragma once

#include <memory>
#include <set>
#include <string>

#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/query/CodeFunctions.h"
#include "platform/jet/query/Value.h"
#include "platform/jet/render/ReportEvaluator.h"
#include "platform/jet/render/ReportGrouping.h"

namespace platform::jet::render {

// A report's rows as it prints them: in the order of its sorting and grouping levels, where each group
// starts, and its control sources evaluated over them. A grouping expression it cannot evaluate groups
// nothing, and says so in omissions(). The rows are moved into their order, not copied: a caller done
// with them passes them with std::move.
class ReportRows {
  public:
    // name: the report's, which its expressions read as [Name] (as its other properties) where no field
    // or control has that name. code: the database's functions its groupings and controls may call.
    ReportRows(const design::ReportDesign& design, query::RowSet rows, const std::string& name = {},
               query::CodeFunctions* code = nullptr);
    ReportRows(const ReportRows&) = delete;
    ReportRows& operator=(const ReportRows&) = delete;

    const Grouping& grouping() const { return grouping_; }
    ReportEvaluator& evaluator() { return *evaluator_; }
    const std::set<std::string>& omissions() const { return omissions_; }

  private:
    query::RowSet ordered_;
    Grouping grouping_;
    std::unique_ptr<ReportEvaluator> evaluator_;  // over ordered_
    std::set<std::string> omissions_;
};

}  // namespace platform::jet::render
