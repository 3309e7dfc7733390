#pragma once

#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/jet/design/ReportDesignReader.h"
#include "platform/jet/query/Parameters.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/render/DomainAggregates.h"
#include "platform/jet/render/ReportSource.h"
#include "platform/jet/tables/ReportStorage.h"
#include "platform/jet/vba/AccessFunctionLibrary.h"
#include "platform/jet/vba/Interpreter.h"
#include "platform/jet/vba/ModuleFunctions.h"
#include "platform/jet/vba/Parser.h"

namespace platform::jet::helper {

// The reports of an open database, for a report and its subreports: designs from the file's report
// storage, rows from the record sources read through libmdb, their queries calling the Public functions
// of the database's standard modules.
class DatabaseReports : public render::ReportSource {
  public:
    // jet3Charset: the character set of an Access 97 file's texts (HelperProcess's jet3Charset).
    // parameters: the values record sources are given for what they ask; path: the database file's,
    // which expressions naming it (CurrentProject.FullName, ...) read as given values.
    DatabaseReports(MdbHandle* mdb, ReportStorage& storage, std::string jet3Charset,
                    query::ParameterValues parameters = {}, std::optional<std::string> path = {})
        : mdb_(mdb),
          storage_(storage),
          jet3Charset_(std::move(jet3Charset)),
          parameters_(std::move(parameters)),
          path_(std::move(path)) {
        if (path_) query::addDatabaseFileReferences(parameters_, *path_);
    }

    std::optional<std::string> databasePath() override { return path_; }
    bool formOpen(const std::string& form) override { return parameters_.anyUnder("[Forms]![" + form + "]"); }

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
    std::optional<std::string> formValue(const std::string& form, const std::string& control) override {
        const std::string* text = parameters_.find("[Forms]![" + form + "]![" + control + "]");
        return text ? std::optional<std::string>(*text) : std::nullopt;
    }
    query::RowSet rows(const std::string& recordSource) override {
        query::RowSet rows = query::readRecordSource(mdb_, recordSource, {}, parameters_, code());
        if (parameters_.empty()) return rows;
        return query::withParameterColumns(std::move(rows), parameters(recordSource), parameters_);
    }

    // The parameters the record source asks for, compiled with the database's functions.
    std::vector<query::Parameter> parameters(const std::string& recordSource) {
        auto asked = query::recordSourceParameters(mdb_, recordSource, {}, code());
        if (path_)  // the file's own references are never asked of the user
            std::erase_if(asked,
                          [](const query::Parameter& p) { return query::isDatabaseFileReference(p.name); });
        return asked;
    }

  private:
    // The standard modules' code as queries call it, made at the first record source read: its own
    // interpreter, whose module variables are not the report's events'. None when the database has no
    // code or its project cannot be read (its functions are then unknown to the queries).
    query::CodeFunctions* code() {
        if (codeRead_) return functions_.get();
        codeRead_ = true;
        std::vector<vba::Module> standard;
        try {
            for (const design::CodeModule& module : storage_.modules())
                if (module.standard) standard.push_back(vba::parseModule(module.name, module.source));
        } catch (const std::exception&) {
            return nullptr;
        }
        if (standard.empty()) return nullptr;
        domain_ = std::make_unique<render::DomainAggregates>(*this);
        vba::Services services;
        services.domain = domain_.get();
        services.database = domain_.get();
        services.functions = &library_;
        // Record sources of every report this reads share these functions: each call keeps its own bound,
        // and no one report's budget for its whole run applies across them.
        vba::RunLimits limits;
        limits.statementsPerRun = std::numeric_limits<std::uint64_t>::max();
        interpreter_ = std::make_unique<vba::Interpreter>(std::move(standard), services, limits);
        functions_ = std::make_unique<vba::ModuleFunctions>(*interpreter_);
        return functions_.get();
    }

    MdbHandle* mdb_;
    ReportStorage& storage_;
    std::string jet3Charset_;
    query::ParameterValues parameters_;
    std::optional<std::string> path_;
    bool codeRead_ = false;
    vba::AccessFunctionLibrary library_;
    std::unique_ptr<render::DomainAggregates> domain_;
    std::unique_ptr<vba::Interpreter> interpreter_;
    std::unique_ptr<vba::ModuleFunctions> functions_;
};

}  // namespace platform::jet::helper
