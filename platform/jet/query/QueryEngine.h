#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/jet/query/AccessFunctions.h"
#include "platform/jet/query/Parameters.h"
#include "platform/jet/query/QueryCompiler.h"
#include "platform/jet/query/Sqlite.h"
#include "platform/jet/query/Value.h"

namespace platform::jet::query {

// An in-memory SQLite database holding the tables and saved queries a record source needs, loaded on
// first use, with Access's functions, within the limits: memory, steps per query, rows.
class QueryEngine : public Sources {
  public:
    // Called for a name not loaded yet; it loads a table (beginTable, insertRow, endTable) or a
    // query (addQuery) of that name, or raises QueryError.
    using Loader = std::function<void(QueryEngine&, const std::string& name)>;

    QueryEngine(const QueryLimits& limits, Loader loader);
    ~QueryEngine() override;
    QueryEngine(const QueryEngine&) = delete;
    QueryEngine& operator=(const QueryEngine&) = delete;

    void beginTable(const std::string& name, const std::vector<Column>& columns);
    void insertRow(const std::vector<Value>& row);
    void endTable();

    void addQuery(const std::string& name, const SelectQuery& query);

    // The rows of the query; description names it in messages ("the query 'X'").
    RowSet select(const SelectQuery& query, const std::string& description);

    const std::vector<Column>& columnsOf(const std::string& name) override;
    RowSet rowsOf(const CompiledQuery& query, const std::string& description) override;

    // The report's properties its expressions may read as [Report].[Name] (Filter, FilterOn).
    void setReportProperties(std::map<std::string, Value> properties);
    std::optional<Value> reportProperty(const std::string& name) const override;

    // The values parameters are given; a query asking for one not given is compiled with Null in its
    // place, and select raises QueryError naming every one missing.
    void setParameterValues(ParameterValues values) { parameterValues_ = std::move(values); }
    // Parameters a PARAMETERS clause or a saved query declares, with their types: asked for even when
    // no expression uses them, as Access asks.
    void declareParameters(const std::vector<Parameter>& declared);
    // The parameters asked for so far, in the order Access asks: each once, declared ones first.
    std::vector<Parameter> parametersAsked() const;
    // The parameters the query asks for, found by compiling it, not running it.
    std::vector<Parameter> parametersOf(const SelectQuery& query, const std::string& description);
    std::optional<Translated> parameter(const std::string& name) override;

    // The database's code, called for functions Access has none of: its run-time errors fail the query
    // (CodeFailure). Null: none. Must outlive the engine's queries.
    void setCodeFunctions(CodeFunctions* code) { codeCalls_.code = code; }
    const CodeFunctions* codeFunctions() const override { return codeCalls_.code; }

  private:
    CompiledQuery compile(const SelectQuery& query, const std::string& description);
    void execute(const std::string& sql, const std::string& description);
    SqliteStatement prepare(const std::string& sql, const std::string& description);
    [[noreturn]] void fail(int code, const std::string& description);

    // SQLite's memory limit, which is the whole process's: set while the engine lives.
    class HeapLimit {
      public:
        explicit HeapLimit(sqlite3_int64 limit) : previous_(sqlite3_hard_heap_limit64(limit)) {}
        ~HeapLimit() { sqlite3_hard_heap_limit64(previous_); }
        HeapLimit(const HeapLimit&) = delete;
        HeapLimit& operator=(const HeapLimit&) = delete;

      private:
        sqlite3_int64 previous_;
    };

    QueryLimits limits_;
    Loader loader_;
    HeapLimit heapLimit_;
    SqliteDatabase database_;
    std::uint64_t stepsLeft_ = 0;
    std::map<std::string, std::vector<Column>> loaded_;  // by lower-case name
    std::map<std::string, Value> reportProperties_;      // by lower-case name
    std::set<std::string> loading_;
    ParameterValues parameterValues_;
    std::vector<Parameter> declared_;
    std::vector<Parameter> undeclared_;  // each use by the query compiled last, the views it uses included
    std::map<std::string, std::vector<Parameter>> viewParameters_;  // what each view's query used
    std::string tableName_;
    std::vector<Column> tableColumns_;
    SqliteStatement insert_;
    CodeCalls codeCalls_;
    std::size_t tableRows_ = 0;
};

}  // namespace platform::jet::query
