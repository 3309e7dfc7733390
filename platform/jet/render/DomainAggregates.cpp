#include "platform/jet/render/DomainAggregates.h"

#include "base/AsciiCase.h"
#include "platform/jet/vba/Values.h"

namespace platform::jet::render {
namespace {

constexpr long kQueryError = 2471;  // Access's "the expression you entered as a query parameter produced this error"
constexpr std::size_t kMostKeptValues = 2'000'000;

std::string textOf(const query::Value& value) {
    if (value.isNull()) return {};
    return vba::toText(vba::Variant(value));
}

}  // namespace

std::optional<std::string> domainQuery(std::string_view function, const std::string& expression,
                                       const std::string& domain, const std::string& criteria) {
    static const std::map<std::string, std::string, std::less<>> aggregates = {
        {"dlookup", ""},     {"dcount", "Count"}, {"dsum", "Sum"},     {"davg", "Avg"},
        {"dmin", "Min"},     {"dmax", "Max"},     {"dfirst", "First"}, {"dlast", "Last"}};
    const auto found = aggregates.find(base::lowerAscii(function));
    if (found == aggregates.end()) return std::nullopt;
    // A table or query by name, bracketed or not.
    std::string name = domain;
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
    if (name.empty() || name.find_first_of("[]") != std::string::npos)
        throw vba::RuntimeError{kQueryError, "The domain \"" + domain + "\" names no table or query."};
    const std::string value = found->second.empty() ? expression : found->second + "(" + expression + ")";
    // DLookup takes the first record that matches, in the order the table or query gives them.
    std::string sql = std::string("SELECT ") + (found->second.empty() ? "TOP 1 " : "") + value + " FROM [" + name + "]";
    if (criteria.find_first_not_of(" \t\r\n") != std::string::npos) sql += " WHERE (" + criteria + ")";
    return sql;
}

std::optional<query::Value> DomainAggregates::aggregate(std::string_view function, const query::Value& expression,
                                                        const query::Value& domain, const query::Value& criteria) {
    const std::string what = textOf(expression);
    if (what.empty()) throw vba::RuntimeError{kQueryError, std::string(function) + " is given no expression."};
    const auto sql = domainQuery(function, what, textOf(domain), textOf(criteria));
    if (!sql) return std::nullopt;
    const query::RowSet answer = rows(*sql);
    if (answer.rows.empty() || answer.rows[0].empty()) return query::Value();
    return answer.rows[0][0];
}

query::RowSet DomainAggregates::rows(const std::string& source) {
    if (const auto kept = kept_.find(source); kept != kept_.end()) return kept->second;
    query::RowSet answer;
    try {
        answer = source_.rows(source);
    } catch (const vba::RuntimeError&) {
        throw;
    } catch (const std::exception& error) {
        throw vba::RuntimeError{kQueryError, error.what()};
    }
    const std::size_t values = answer.rows.size() * std::max<std::size_t>(answer.columns.size(), 1);
    if (keptValues_ + values <= kMostKeptValues) {
        keptValues_ += values;
        kept_.emplace(source, answer);
    }
    return answer;
}

}  // namespace platform::jet::render
