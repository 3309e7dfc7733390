#pragma once

#include <string>
#include <utility>

#include "platform/jet/design/ReportDesignReader.h"
#include "platform/jet/query/Parameters.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/render/ReportSource.h"
#include "platform/jet/tables/ReportStorage.h"

namespace platform::jet::helper {

// The reports of an open database, for a report and its subreports: designs from the file's report
// storage, rows from the record sources read through libmdb.
class DatabaseReports : public render::ReportSource {
  public:
    // jet3Charset: the character set of an Access 97 file's texts (HelperProcess's jet3Charset).
    // parameters: the values record sources are given for what they ask.
    DatabaseReports(MdbHandle* mdb, ReportStorage& storage, std::string jet3Charset,
                    query::ParameterValues parameters = {})
        : mdb_(mdb),
          storage_(storage),
          jet3Charset_(std::move(jet3Charset)),
          parameters_(std::move(parameters)) {}

    design::ReportDesign design(const std::string& report) override {
        return design::decodeReportDesign(storage_.designBlob(report), jet3Charset_);
    }
    design::ReportDesign formDesign(const std::string& form) override {
        return design::decodeReportDesign(storage_.designBlob(form, design::DesignKind::Form), jet3Charset_);
    }
    std::optional<design::Macro> macro(const std::string& name) override {
        return storage_.macro(name, jet3Charset_);
    }
    std::vector<design::CodeModule> modules() override { return storage_.modules(); }
    query::RowSet rows(const std::string& recordSource) override {
        query::RowSet rows = query::readRecordSource(mdb_, recordSource, {}, parameters_);
        if (parameters_.empty()) return rows;
        return query::withParameterColumns(std::move(rows), query::recordSourceParameters(mdb_, recordSource),
                                           parameters_);
    }

  private:
    MdbHandle* mdb_;
    ReportStorage& storage_;
    std::string jet3Charset_;
    query::ParameterValues parameters_;
};

}  // namespace platform::jet::helper
