#include "platform/jet/render/ReportEvaluator.h"

#include <algorithm>

#include "platform/jet/query/AsciiCase.h"
#include "platform/jet/query/SelectQuery.h"
#include "platform/jet/query/SqlLexer.h"

namespace platform::jet::render {
namespace {

using query::Column;
using query::ColumnType;
using query::QueryError;
using query::Value;

constexpr char kTable[] = "Calvenor Report Rows";
constexpr char kPosition[] = "Calvenor Row Position";
constexpr int kMaxControlDepth = 8;                  // controls naming each other in a circle stop here
constexpr std::size_t kLongestExpression = 1 << 16;  // characters; Access allows 2,048 in one source

ColumnType typeOf(const Value& value) {
    if (value.holds<bool>()) return ColumnType::Boolean;
    if (value.holds<std::int64_t>()) return ColumnType::Integer;
    if (value.holds<double>()) return ColumnType::Double;
    if (value.holds<query::Currency>()) return ColumnType::Currency;
    if (value.holds<query::Date>()) return ColumnType::Date;
    if (value.holds<std::string>()) return ColumnType::Text;
    if (value.holds<query::Binary>()) return ColumnType::Binary;
    return ColumnType::Unknown;
}

// The columns' types, from each column's first value that is not Null.
std::vector<Column> columnsOf(const query::RowSet& rows) {
    std::vector<Column> columns;
    for (std::size_t i = 0; i < rows.columns.size(); ++i) {
        Column column{rows.columns[i], ColumnType::Unknown};
        for (const auto& row : rows.rows)
            if (i < row.size() && !row[i].isNull()) {
                column.type = typeOf(row[i]);
                break;
            }
        columns.push_back(column);
    }
    // The key: a band's rows, a range of positions, are found without reading them all.
    columns.push_back({kPosition, ColumnType::Integer, true});
    return columns;
}

// How a running sum adds a value, from the narrowest to the widest kind: a sum takes the wider kind of
// its two values (whole numbers and money stay exact; a date stays a date).
enum class SumKind { Whole, Money, Real, Day };

SumKind sumKindOf(const Value& value) {
    if (value.holds<bool>() || value.holds<std::int64_t>()) return SumKind::Whole;
    if (value.holds<query::Currency>()) return SumKind::Money;
    if (value.holds<double>()) return SumKind::Real;
    if (value.holds<query::Date>()) return SumKind::Day;
    throw QueryError("A running sum adds up numbers only.");
}

std::int64_t wholeOf(const Value& value) {
    if (value.holds<bool>()) return value.get<bool>() ? -1 : 0;  // Access's True
    return value.get<std::int64_t>();
}

double realOf(const Value& value) {
    switch (sumKindOf(value)) {
        case SumKind::Whole:
            return static_cast<double>(wholeOf(value));
        case SumKind::Money:
            return static_cast<double>(value.get<query::Currency>().tenThousandths) / 1e4;
        case SumKind::Real:
            return value.get<double>();
        case SumKind::Day:
            return value.get<query::Date>().days;
    }
    return 0;
}

// The running sum so far plus the value; Null adds nothing.
Value addedValues(const Value& sum, const Value& value) {
    if (value.isNull()) return sum;
    const Value base = sum.isNull() ? Value(std::int64_t{0}) : sum;
    const SumKind kind = std::max(sumKindOf(base), sumKindOf(value));
    std::int64_t exact = 0;
    if (kind == SumKind::Whole && !__builtin_add_overflow(wholeOf(base), wholeOf(value), &exact))
        return Value(exact);
    std::int64_t left = 0, right = 0;
    const auto tenThousandths = [](const Value& v, std::int64_t& out) {
        if (v.holds<query::Currency>()) return (out = v.get<query::Currency>().tenThousandths), true;
        return !__builtin_mul_overflow(wholeOf(v), 10'000, &out);
    };
    if (kind == SumKind::Money && tenThousandths(base, left) && tenThousandths(value, right) &&
        !__builtin_add_overflow(left, right, &exact))
        return Value(query::Currency{exact});
    const double total = realOf(base) + realOf(value);
    return kind == SumKind::Day ? Value(query::Date{total}) : Value(total);
}

std::string bracketed(const std::string& name) {
    return "[" + name + "]";
}

}  // namespace

ReportEvaluator::ReportEvaluator(const query::RowSet& rows, std::map<std::string, std::string> controlSources,
                                 std::vector<std::vector<std::size_t>> groupStarts)
    : rows_(rows), groupStarts_(std::move(groupStarts)) {
    for (auto& [name, source] : controlSources) controlSources_[query::lowerAscii(name)] = std::move(source);
    engine_ = std::make_unique<query::QueryEngine>(
        query::QueryLimits{}, [this](query::QueryEngine& engine, const std::string& name) {
            if (name != kTable) throw QueryError("There is no table '" + name + "'.");
            engine.beginTable(kTable, columnsOf(rows_));
            for (std::size_t i = 0; i < rows_.rows.size(); ++i) {
                std::vector<Value> row = rows_.rows[i];
                row.resize(rows_.columns.size());
                row.emplace_back(static_cast<std::int64_t>(i));
                engine.insertRow(row);
            }
            engine.endTable();
        });
}

ReportEvaluator::~ReportEvaluator() = default;

int ReportEvaluator::columnIndex(const std::string& name) const {
    for (std::size_t i = 0; i < rows_.columns.size(); ++i)
        if (query::lowerAscii(rows_.columns[i]) == query::lowerAscii(name)) return static_cast<int>(i);
    return -1;
}

// The source as one expression over the table's columns: page numbers written in, other controls'
// names replaced by their own sources.
std::string ReportEvaluator::expressionOf(const std::string& source, const PageNumbers& pages, int depth,
                                          bool& numbered) const {
    if (depth > kMaxControlDepth) throw QueryError("The controls' sources refer to each other in a circle.");
    if (!source.starts_with('=')) return bracketed(source);
    const std::string text = source.substr(1);
    const std::vector<query::Token> tokens = query::tokenize(text);
    std::string result;
    std::size_t copied = 0;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        const query::Token& token = tokens[i];
        const bool isName = token.kind == query::Token::Kind::BracketedName ||
                            (token.kind == query::Token::Kind::Word && !tokens[i + 1].isSymbol("("));
        const bool qualified = (i > 0 && (tokens[i - 1].isSymbol(".") || tokens[i - 1].isSymbol("!"))) ||
                               tokens[i + 1].isSymbol(".") || tokens[i + 1].isSymbol("!");
        if (!isName || qualified || columnIndex(token.text) >= 0) continue;
        const std::string name = query::lowerAscii(token.text);
        std::string replacement;
        if (name == "page" || name == "pages") {
            replacement = std::to_string(name == "page" ? pages.page : pages.pages);
            numbered = true;
        } else if (auto control = controlSources_.find(name); control != controlSources_.end()) {
            if (control->second.empty()) continue;
            replacement = "(" + expressionOf(control->second, pages, depth + 1, numbered) + ")";
        } else {
            continue;
        }
        result += text.substr(copied, token.offset - copied) + replacement + " ";
        copied = tokens[i + 1].offset;
        // Controls naming each other many times over would multiply their sources past any use.
        if (result.size() > kLongestExpression)
            throw QueryError("The controls' sources make too long an expression.");
    }
    return result + text.substr(copied);
}

query::RowSet ReportEvaluator::select(const std::string& expression, const std::string& where) {
    query::SelectQuery query;
    query.columns.push_back({expression, "Value"});
    auto table = std::make_shared<query::FromItem>();
    table->table = kTable;
    query.from.push_back(table);
    query.where = where;
    return engine_->select(query, "the expression " + expression);
}

const std::vector<Value>& ReportEvaluator::perRow(const std::string& expression) {
    auto cached = perRowCache_.find(expression);
    if (cached != perRowCache_.end()) return cached->second;
    if (auto failed = perRowFailures_.find(expression); failed != perRowFailures_.end())
        throw QueryError(failed->second);
    query::RowSet result;
    try {
        result = select(expression, "");
    } catch (const QueryError& error) {
        perRowFailures_.emplace(expression, error.what());
        throw;
    }
    std::vector<Value> values;
    // An aggregate gives one row for all: it has no value per row.
    if (result.rows.size() == rows_.rows.size())
        for (auto& row : result.rows) values.push_back(row.empty() ? Value() : std::move(row[0]));
    return perRowCache_.emplace(expression, std::move(values)).first->second;
}

query::Value ReportEvaluator::value(const std::string& source, const RowScope& scope,
                                    const PageNumbers& pages) {
    if (source.empty()) return {};
    if (!source.starts_with('=')) {
        if (const int index = columnIndex(source); index >= 0)
            return scope.current < rows_.rows.size() &&
                           static_cast<std::size_t>(index) < rows_.rows[scope.current].size()
                       ? rows_.rows[scope.current][static_cast<std::size_t>(index)]
                       : Value();
    }
    bool numbered = false;
    const std::string expression = expressionOf(source, pages, 0, numbered);
    // With the page's numbers written in it is another expression on every page: its values for all
    // rows, kept, would be a copy of the rows' worth for each page.
    return evaluate(expression, scope, !numbered);
}

query::Value ReportEvaluator::evaluate(const std::string& expression, const RowScope& scope,
                                       bool keptPerRow) {
    if (keptPerRow && scope.first == scope.last && scope.current == scope.first) {
        const auto& values = perRow(expression);
        if (!values.empty()) return scope.current < values.size() ? values[scope.current] : Value();
    }
    if (rows_.rows.empty()) {
        query::RowSet result = select(expression, "");
        return result.rows.empty() || result.rows[0].empty() ? Value() : result.rows[0][0];
    }
    const std::string position = bracketed(kPosition);
    query::RowSet result = select(expression, position + " Between " + std::to_string(scope.first) + " And " +
                                                  std::to_string(scope.last));
    if (result.rows.empty() || result.rows[0].empty()) return {};
    // Without an aggregate each row has its own value: the current row's counts.
    const std::size_t at =
        result.rows.size() > 1 && scope.current >= scope.first ? scope.current - scope.first : 0;
    return at < result.rows.size() ? result.rows[at][0] : result.rows[0][0];
}

const std::vector<std::size_t>& ReportEvaluator::unitStarts(int groupLevel) {
    if (groupLevel >= 0 && static_cast<std::size_t>(groupLevel) < groupStarts_.size())
        return groupStarts_[static_cast<std::size_t>(groupLevel)];
    if (everyRow_.size() != rows_.rows.size()) {
        everyRow_.resize(rows_.rows.size());
        for (std::size_t i = 0; i < everyRow_.size(); ++i) everyRow_[i] = i;
    }
    return everyRow_;
}

query::Value ReportEvaluator::runningSum(const std::string& source, const RowScope& scope, int groupLevel,
                                         bool overGroup, const PageNumbers& pages) {
    if (source.empty() || rows_.rows.empty()) return {};
    const std::vector<std::size_t>& starts = unitStarts(groupLevel);
    if (starts.empty()) return {};
    // A group header's values are read at its first row, a footer's at its last, as the band's are.
    const bool atEnd = scope.current != scope.first;
    bool numbered = false;
    const std::string expression = expressionOf(source, pages, 0, numbered);
    const auto key = std::make_tuple(expression, groupLevel, overGroup, atEnd);
    auto cached = runningCache_.find(key);
    if (cached == runningCache_.end()) {
        // The level whose groups start the sum again: the one enclosing the units, if over a group.
        const int enclosing = groupLevel < 0 ? static_cast<int>(groupStarts_.size()) - 1 : groupLevel - 1;
        std::vector<std::size_t> restarts{0};
        if (overGroup && enclosing >= 0 && static_cast<std::size_t>(enclosing) < groupStarts_.size())
            restarts = groupStarts_[static_cast<std::size_t>(enclosing)];
        std::vector<Value> sums;
        Value sum;
        for (std::size_t i = 0; i < starts.size(); ++i) {
            if (std::binary_search(restarts.begin(), restarts.end(), starts[i])) sum = Value();
            const std::size_t last = i + 1 < starts.size() ? starts[i + 1] - 1 : rows_.rows.size() - 1;
            sum = addedValues(sum, evaluate(expression, {starts[i], last, atEnd ? last : starts[i]}));
            sums.push_back(sum);
        }
        cached = runningCache_.emplace(key, std::move(sums)).first;
    }
    const auto unit = std::upper_bound(starts.begin(), starts.end(), scope.first) - starts.begin() - 1;
    return unit >= 0 ? cached->second[static_cast<std::size_t>(unit)] : Value();
}

std::vector<Value> ReportEvaluator::column(const std::string& source) {
    std::vector<Value> values;
    values.reserve(rows_.rows.size());
    for (std::size_t i = 0; i < rows_.rows.size(); ++i) values.push_back(value(source, {i, i, i}, {}));
    return values;
}

}  // namespace platform::jet::render
