#include "platform/jet/render/ReportEvaluator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "base/AsciiCase.h"
#include "platform/jet/query/SelectQuery.h"
#include "platform/jet/query/SqlLexer.h"
#include "platform/jet/render/DocumentInfo.h"

namespace platform::jet::render {
namespace {

using query::Column;
using query::ColumnType;
using query::QueryError;
using query::Value;

constexpr char kTable[] = "Calvenor Report Rows";
constexpr char kNullRow[] = "Calvenor Null Row";  // the same columns, one row of Nulls
constexpr char kPosition[] = "Calvenor Row Position";
constexpr int kMaxControlDepth = 8;                  // controls naming each other in a circle stop here
constexpr std::size_t kLongestExpression = 1 << 16;  // characters; Access allows 2,048 in one source

ColumnType typeOf(const Value& value) {
    if (value.holds<bool>()) return ColumnType::Boolean;
    if (value.holds<std::int64_t>()) return ColumnType::Integer;
    if (value.holds<double>()) return ColumnType::Double;
    if (value.holds<query::Currency>()) return ColumnType::Currency;
    if (value.holds<query::Decimal>()) return ColumnType::Decimal;
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
    if (value.holds<double>() || value.holds<query::Decimal>()) return SumKind::Real;
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
            return value.holds<double>() ? value.get<double>()
                                         : query::decimalAsDouble(value.get<query::Decimal>());
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

// Whether the token is a name for the engine to look up, rather than a function, an operator or a constant.
bool isName(const std::vector<query::Token>& tokens, std::size_t i) {
    static const std::set<std::string> keywords{"and",     "or",  "not", "mod", "like", "is",
                                                "between", "in",  "xor", "eqv", "imp",  "true",
                                                "false",   "yes", "no",  "null"};
    const query::Token& token = tokens[i];
    return token.kind == query::Token::Kind::BracketedName ||
           (token.kind == query::Token::Kind::Word && !tokens[i + 1].isSymbol("(") &&
            !keywords.count(base::lowerAscii(token.text)));
}

// Whether the name is part of a qualified one (Forms!X, [Report].[Filter]), the engine's to judge.
bool isQualified(const std::vector<query::Token>& tokens, std::size_t i) {
    return (i > 0 && (tokens[i - 1].isSymbol(".") || tokens[i - 1].isSymbol("!"))) ||
           tokens[i + 1].isSymbol(".") || tokens[i + 1].isSymbol("!");
}

// The n of "Box.Column(n)" starting at token i; none where the tokens say anything else.
std::optional<std::size_t> boxColumnAt(const std::vector<query::Token>& tokens, std::size_t i) {
    constexpr std::size_t kMostColumns = 255;
    if (i + 6 >= tokens.size() || (i > 0 && (tokens[i - 1].isSymbol(".") || tokens[i - 1].isSymbol("!"))))
        return std::nullopt;
    const auto kind = tokens[i].kind;
    if ((kind != query::Token::Kind::Word && kind != query::Token::Kind::BracketedName) ||
        !tokens[i + 1].isSymbol(".") || tokens[i + 2].kind != query::Token::Kind::Word ||
        base::lowerAscii(tokens[i + 2].text) != "column" || !tokens[i + 3].isSymbol("(") ||
        tokens[i + 4].kind != query::Token::Kind::Number || !tokens[i + 5].isSymbol(")"))
        return std::nullopt;
    const std::string& digits = tokens[i + 4].text;
    if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const auto column = static_cast<std::size_t>(std::stoul(digits));
    return column < kMostColumns ? std::optional(column) : std::nullopt;
}

std::string bracketed(const std::string& name) {
    return "[" + name + "]";
}

}  // namespace

std::string literalOf(const Value& value) {
    const auto number = [](double amount) {
        if (!std::isfinite(amount)) throw QueryError("A value is not a number that can be used further.");
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", amount);
        std::string literal = text;
        if (literal.find_first_of(".e") == std::string::npos) literal += ".0";  // stays a Double
        return amount < 0 ? "(" + literal + ")" : literal;
    };
    if (value.isNull()) return "Null";
    if (value.holds<bool>()) return value.get<bool>() ? "True" : "False";
    if (value.holds<std::int64_t>()) {
        const std::int64_t whole = value.get<std::int64_t>();
        return whole < 0 ? "(" + std::to_string(whole) + ")" : std::to_string(whole);
    }
    if (value.holds<double>()) return number(value.get<double>());
    if (value.holds<query::Currency>()) {
        const std::int64_t amount = value.get<query::Currency>().tenThousandths;
        const std::uint64_t magnitude = amount < 0 ? 0 - static_cast<std::uint64_t>(amount) : amount;
        char digits[16];
        std::snprintf(digits, sizeof digits, "%04llu", static_cast<unsigned long long>(magnitude % 10'000));
        return std::string("CCur(") + (amount < 0 ? "-" : "") + std::to_string(magnitude / 10'000) + "." +
               digits + ")";
    }
    if (value.holds<query::Date>()) return "CDate(" + number(value.get<query::Date>().days) + ")";
    if (value.holds<query::Decimal>()) {
        const std::string text = query::decimalText(value.get<query::Decimal>());
        return "CDec(" + (text[0] == '-' ? "(" + text + ")" : text) + ")";
    }
    if (value.holds<std::string>()) {
        std::string quoted = "\"";
        for (char c : value.get<std::string>()) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        return quoted + "\"";
    }
    throw QueryError("A picture or other binary value cannot be used in an expression.");
}

namespace {}  // namespace

ReportEvaluator::ReportEvaluator(const query::RowSet& rows, std::map<std::string, NamedControl> controls,
                                 std::vector<std::vector<std::size_t>> groupStarts)
    : rows_(rows), groupStarts_(std::move(groupStarts)) {
    for (auto& [name, control] : controls) controls_[base::lowerAscii(name)] = std::move(control);
    engine_ = std::make_unique<query::QueryEngine>(
        query::QueryLimits{}, [this](query::QueryEngine& engine, const std::string& name) {
            if (name != kTable && name != kNullRow) throw QueryError("There is no table '" + name + "'.");
            engine.beginTable(name, columnsOf(rows_));
            if (name == kNullRow) {
                engine.insertRow(std::vector<Value>(rows_.columns.size() + 1));
                engine.endTable();
                return;
            }
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
    const std::string wanted = base::lowerAscii(name);
    int qualified = -1;
    for (std::size_t i = 0; i < rows_.columns.size(); ++i) {
        const std::string column = base::lowerAscii(rows_.columns[i]);
        if (column == wanted) return static_cast<int>(i);
        // "SELECT T.*, *" names T's columns "T.Name"; the report still reads them as "Name".
        if (qualified < 0 && column.size() > wanted.size() + 1 && column.ends_with(wanted) &&
            column[column.size() - wanted.size() - 1] == '.')
            qualified = static_cast<int>(i);
    }
    return qualified;
}

std::optional<RowScope> ReportEvaluator::homeScope(const NamedControl& control, const RowScope& scope) const {
    if (rows_.rows.empty()) return std::nullopt;
    const std::size_t last = rows_.rows.size() - 1;
    RowScope home;
    switch (control.section) {
        case design::SectionKind::ReportHeader:
        case design::SectionKind::ReportFooter:
            home = {0, last, control.section == design::SectionKind::ReportHeader ? 0 : last};
            break;
        case design::SectionKind::GroupHeader:
        case design::SectionKind::GroupFooter: {
            if (control.groupLevel < 0 || static_cast<std::size_t>(control.groupLevel) >= groupStarts_.size())
                return std::nullopt;
            const auto& starts = groupStarts_[static_cast<std::size_t>(control.groupLevel)];
            const auto after = std::upper_bound(starts.begin(), starts.end(), std::min(scope.current, last));
            if (after == starts.begin()) return std::nullopt;
            const std::size_t first = *std::prev(after), end = after != starts.end() ? *after - 1 : last;
            home = {first, end, control.section == design::SectionKind::GroupHeader ? first : end};
            break;
        }
        default:
            return std::nullopt;  // a detail's or a page section's control: its source over the scope
    }
    if (home.first == scope.first && home.last == scope.last && home.current == scope.current)
        return std::nullopt;
    return home;
}

std::string ReportEvaluator::unknownNameIn(const std::string& source, std::set<std::string>& seen) const {
    if (!source.starts_with('=')) return columnIndex(source) >= 0 ? std::string() : source;
    std::vector<query::Token> tokens;
    try {
        tokens = query::tokenize(source.substr(1));
    } catch (const QueryError&) {
        return {};
    }
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        const query::Token& token = tokens[i];
        const std::string lower = base::lowerAscii(token.text);
        if (!isName(tokens, i) || isQualified(tokens, i) || columnIndex(token.text) >= 0 || lower == "page" ||
            lower == "pages")
            continue;
        const auto control = controls_.find(lower);
        if (control == controls_.end()) return token.text;
        // Each control once: controls naming each other many times over would take forever.
        if (!seen.insert(lower).second) continue;
        if (std::string inner = unknownNameIn(control->second.source, seen); !inner.empty()) return inner;
    }
    return {};
}

void ReportEvaluator::rethrowFailure(const std::string& source, const QueryError& error) const {
    if (dynamic_cast<const UnknownNameError*>(&error)) throw;
    std::set<std::string> seen;
    const std::string unknown = unknownNameIn(source, seen);
    if (!unknown.empty()) throw UnknownNameError("There is no field or control named " + unknown + ".");
    throw;
}

std::string ReportEvaluator::valueAtHome(const std::string& name, const NamedControl& control,
                                         const RowScope& home, const PageNumbers& pages, int depth,
                                         bool& scoped) {
    const auto key = std::make_tuple(name, home.first, home.last, home.current);
    Value value;
    if (auto known = homeCache_.find(key); known != homeCache_.end()) {
        value = known->second;
    } else {
        bool numbered = false;
        const std::string expression = expressionOf(control.source, home, pages, depth, numbered);
        value = evaluate(expression, home, !numbered);
        if (numbered)
            scoped = true;
        else
            homeCache_.emplace(key, value);
    }
    // A group's value is another in each group; the whole report's holds for every row.
    if (home.first != 0 || home.last + 1 != rows_.rows.size()) scoped = true;
    return literalOf(value);
}

// The source as one expression over the table's columns: page numbers written in, other controls'
// names replaced by their sources or their values where they print.
std::string ReportEvaluator::expressionOf(const std::string& source, const RowScope& scope,
                                          const PageNumbers& pages, int depth, bool& scoped) {
    if (depth > kMaxControlDepth) throw QueryError("The controls' sources refer to each other in a circle.");
    const bool gaveNothing = rows_.columns.empty() && rows_.rows.empty();  // not even its fields' names
    if (!source.starts_with('=')) {
        const int index = columnIndex(source);
        if (index < 0 && gaveNothing) return "Null";
        return bracketed(index >= 0 ? rows_.columns[static_cast<std::size_t>(index)] : source);
    }
    const std::string text = source.substr(1);
    const std::vector<query::Token> tokens = query::tokenize(text);
    std::string result;
    std::size_t copied = 0;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        const query::Token& token = tokens[i];
        if (const auto column = boxColumnAt(tokens, i)) {
            const std::string name = base::lowerAscii(token.text);
            if (const auto box = controls_.find(name); box != controls_.end() && box->second.box) {
                const Value value = boxColumn(token.text, box->second, *column, scope, pages, depth + 1);
                result += text.substr(copied, token.offset - copied) + literalOf(value) + " ";
                copied = tokens[i + 6].offset;
                scoped = true;  // the value of the scope's current row
                i += 5;
                continue;
            }
        }
        if (!isName(tokens, i) || isQualified(tokens, i)) continue;
        const std::string name = base::lowerAscii(token.text);
        std::string replacement;
        const int index = columnIndex(token.text);
        const auto control = controls_.find(name);
        // A column, else a control, else a column written with its table.
        if (index >= 0 && base::lowerAscii(rows_.columns[static_cast<std::size_t>(index)]) == name) {
            continue;
        } else if (name == "page" || name == "pages") {
            replacement = std::to_string(name == "page" ? pages.page : pages.pages);
            scoped = true;
        } else if (control != controls_.end()) {
            if (control->second.source.empty()) continue;
            if (const auto home = homeScope(control->second, scope))
                replacement = valueAtHome(name, control->second, *home, pages, depth + 1, scoped);
            else
                replacement =
                    "(" + expressionOf(control->second.source, scope, pages, depth + 1, scoped) + ")";
        } else if (index >= 0) {
            replacement = bracketed(rows_.columns[static_cast<std::size_t>(index)]);
        } else if (gaveNothing) {
            replacement = "Null";
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

Value ReportEvaluator::boxColumn(const std::string& name, const NamedControl& box, std::size_t column,
                                 const RowScope& scope, const PageNumbers& pages, int depth) {
    if (!lists_) throw QueryError("the rows of " + name + " are not read here");
    const RowScope row{scope.current, scope.current, scope.current};
    bool scoped = false;
    const std::string expression = expressionOf(box.source, row, pages, depth, scoped);
    const Value value = box.source.empty() ? Value() : evaluate(expression, row, !scoped);
    try {
        return columnOfRow(*box.box, lists_->rowsOf(*box.box), value, column);
    } catch (const QueryError&) {
        throw;
    } catch (const std::exception& error) {
        throw QueryError(std::string("the rows of ") + name + " cannot be read (" + error.what() + ")");
    }
}

query::RowSet ReportEvaluator::select(const std::string& expression, const std::string& where,
                                      const char* tableName) {
    query::SelectQuery query;
    query.columns.push_back({expression, "Value"});
    auto table = std::make_shared<query::FromItem>();
    table->table = tableName;
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
        result = select(expression, "", kTable);
    } catch (const query::CodeFailure&) {
        failedInCode_.insert(expression);
        throw;
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
    try {
        bool scoped = false;
        const std::string expression = expressionOf(source, scope, pages, 0, scoped);
        // With the page's numbers or a group's values written in it is another expression on every page
        // or in every group: its values for all rows, kept, would be a copy of the rows' worth for each.
        return evaluate(expression, scope, !scoped);
    } catch (const QueryError& error) {
        rethrowFailure(source, error);
    }
}

query::Value ReportEvaluator::evaluate(const std::string& expression, const RowScope& scope,
                                       bool keptPerRow) {
    if (keptPerRow && scope.first == scope.last && scope.current == scope.first && !failedInCode_.count(expression)) {
        try {
            const auto& values = perRow(expression);
            if (!values.empty()) return scope.current < values.size() ? values[scope.current] : Value();
        } catch (const query::CodeFailure&) {
            // Only some rows may fail: this one is worked out alone below.
        }
    }
    if (rows_.rows.empty()) {
        // Aggregates are over no rows; anything else (Now(), the page numbers) as over one row of Nulls.
        query::RowSet result = select(expression, "", kTable);
        if (result.rows.empty()) result = select(expression, "", kNullRow);
        return result.rows.empty() || result.rows[0].empty() ? Value() : result.rows[0][0];
    }
    const std::string position = bracketed(kPosition);
    query::RowSet result = select(
        expression,
        position + " Between " + std::to_string(scope.first) + " And " + std::to_string(scope.last), kTable);
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
    bool scoped = false;
    const std::string expression = expressionOf(source, scope, pages, 0, scoped);
    // One holding a group's values is written out again for each unit, with that unit's group's: the
    // sums of every unit then hold for every scope (of this page).
    const auto key = std::make_tuple(
        scoped ? source + '\n' + std::to_string(pages.page) + '/' + std::to_string(pages.pages) : expression,
        groupLevel, overGroup, atEnd);
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
            const RowScope unit{starts[i], last, atEnd ? last : starts[i]};
            bool again = false;
            sum = addedValues(sum, scoped ? evaluate(expressionOf(source, unit, pages, 0, again), unit, false)
                                          : evaluate(expression, unit));
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

const char* errorShown(const query::QueryError& error) {
    return dynamic_cast<const UnknownNameError*>(&error) ? "#Name?" : "#Error";
}

std::string notEvaluated(const std::string& what, const query::QueryError& error) {
    // The engine's "The expression X cannot be computed. Why." names an expression the omission names.
    std::string reason = error.what();
    constexpr std::string_view kComputed = " cannot be computed. ";
    if (const std::size_t at = reason.find(kComputed);
        reason.starts_with("The expression ") && at != std::string::npos)
        reason.erase(0, at + kComputed.size());
    return kNotEvaluated + what + " (" + plainReason(reason) + ")";
}

}  // namespace platform::jet::render
