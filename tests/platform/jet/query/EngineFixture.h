#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/query/QueryEngine.h"
#include "platform/jet/query/SelectQuery.h"

namespace query_tests {

using namespace platform::jet::query;

// Small tables that a query engine loads on demand, as it would a database's.
struct TestTables {
    std::map<std::string, std::pair<std::vector<Column>, std::vector<std::vector<Value>>>> tables;
    std::map<std::string, std::string> queries;  // saved queries as SQL text

    QueryEngine::Loader loader() const {
        return [this](QueryEngine& engine, const std::string& name) {
            if (const auto query = queries.find(name); query != queries.end())
                return engine.addQuery(name, parseSelect(query->second));
            const auto table = tables.find(name);
            if (table == tables.end()) return;
            engine.beginTable(name, table->second.first);
            for (const auto& row : table->second.second) engine.insertRow(row);
            engine.endTable();
        };
    }
};

inline Value day(int year, int month, int dayOfMonth) {
    return Date{dayNumber(year, month, dayOfMonth)};
}

inline Value money(std::int64_t tenThousandths) {
    return Currency{tenThousandths};
}

inline Value text(const char* s) {
    return std::string(s);
}

inline Value whole(std::int64_t n) {
    return n;
}

// Items: a bit of every kind of value, Null included; Categories: names differing from Items' in case.
inline TestTables sampleTables() {
    TestTables t;
    t.tables["Items"] = {
        {{"ID", ColumnType::Integer},
         {"Name", ColumnType::Text},
         {"Price", ColumnType::Currency},
         {"Sold", ColumnType::Date},
         {"Active", ColumnType::Boolean},
         {"Ratio", ColumnType::Double},
         {"Category", ColumnType::Text}},
        {
            {whole(1), text("Apple"), money(15000), day(1996, 7, 4), true, 0.5, text("Fruit")},
            {whole(2), text("banana"), money(2500), day(1997, 1, 15), false, 2.5, text("fruit")},
            {whole(3), text("Cherry"), money(100000), Value(), true, 3.5, text("Stone")},
            {whole(4), text("[odd]*"), Value(), day(1997, 12, 31), false, -1.5, Value()},
        }};
    t.tables["Categories"] = {{{"Category", ColumnType::Text}, {"Label", ColumnType::Text}},
                              {{text("Fruit"), text("Fruits")}, {text("Stone"), text("Stone fruits")}}};
    return t;
}

// The rows as text, one string per row with the values' display texts joined by '|'.
inline std::vector<std::string> rowTexts(const RowSet& rows) {
    std::vector<std::string> result;
    for (const auto& row : rows.rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + displayText(row[i]);
        result.push_back(line);
    }
    return result;
}

class EngineTest : public ::testing::Test {
  protected:
    RowSet run(const std::string& sql, const QueryLimits& limits = {}) {
        QueryEngine engine(limits, tables_.loader());
        return engine.select(parseSelect(sql), "the test query");
    }

    TestTables tables_ = sampleTables();
};

}  // namespace query_tests
