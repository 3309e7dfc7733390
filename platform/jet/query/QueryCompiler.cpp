#include "platform/jet/query/QueryCompiler.h"

#include <cctype>
#include <deque>
#include <map>

#include "platform/jet/query/AccessFormat.h"
#include "base/AsciiCase.h"
#include "platform/jet/query/ExpressionTranslator.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/query/Sqlite.h"

namespace platform::jet::query {
namespace {

constexpr std::size_t kMaxCrosstabColumns = 255;  // Jet's limit on a query's columns

// A crosstab column's name for a heading's value: as text, but Yes and No as the numbers Jet keeps.
std::string headingName(const Value& value) {
    if (value.holds<bool>()) return value.get<bool>() ? "-1" : "0";
    return formatValue(value, "");
}
constexpr std::size_t kMaxLaterAliases = 10'000;
constexpr int kMaxSubqueryNesting = 20;

struct SourceInScope {
    std::string key;  // its alias, or its name
    const std::vector<Column>* columns;
};

class SelectCompiler {
  public:
    // outer: the query a sub-query stands in, whose names it may use; depth: how deep it is nested.
    SelectCompiler(const SelectQuery& query, Sources& sources, const SelectCompiler* outer = nullptr,
                   int depth = 0)
        : query_(query), sources_(sources), outer_(outer), depth_(depth) {
        if (depth_ > kMaxSubqueryNesting) throw QueryError("The query nests its sub-queries too deeply.");
    }

    CompiledQuery compile() {
        std::string from;
        for (const auto& item : query_.from) from += (from.empty() ? "" : ", ") + fromItem(*item);
        // Join conditions are translated once every source is in scope.
        from = resolveJoinConditions(from);
        std::string select = "SELECT ";
        if (query_.distinct) select += "DISTINCT ";
        std::string columns;
        CompiledQuery result;
        std::vector<Output> outputs;
        for (const SelectColumn& column : query_.columns)
            for (Output& output : selectColumn(column)) outputs.push_back(std::move(output));
        if (query_.crosstab)
            for (Output& output : crosstabColumns(*query_.crosstab, from))
                outputs.push_back(std::move(output));
        nameOutputs(outputs);
        for (const Output& output : outputs) {
            columns += (columns.empty() ? "" : ", ") + output.sql + " AS " + quoteName(output.column.name);
            result.columns.push_back(output.column);
        }
        std::string sql = select + columns + " FROM " + from;
        if (!query_.where.empty()) sql += " WHERE " + plainValue(translate(query_.where));
        std::string groupBy;
        for (std::size_t i = 0; i < query_.groupBy.size(); ++i) {
            const Translated term = translate(query_.groupBy[i]);
            groupBy += (i ? ", " : "") + term.sql + (term.type == ColumnType::Text ? " COLLATE NOCASE" : "");
        }
        if (!groupBy.empty()) sql += " GROUP BY " + groupBy;
        if (!query_.having.empty()) sql += " HAVING " + plainValue(translate(query_.having));
        result.sql = sql;
        for (const SelectQuery& part : query_.unionWith) {
            const CompiledQuery other = compileSelect(withoutOrder(part), sources_);
            if (other.columns.size() != result.columns.size())
                throw QueryError("The parts of the union select different numbers of columns.");
            for (std::size_t i = 0; i < result.columns.size(); ++i)
                if (result.columns[i].type != other.columns[i].type)
                    result.columns[i].type = ColumnType::Unknown;
            result.sql += (query_.unionAll ? " UNION ALL " : " UNION ") + other.sql;
        }
        if (!query_.orderBy.empty()) result.sql += " ORDER BY " + orderBy(result);
        // A crosstab's rows come sorted by their headings.
        if (query_.orderBy.empty() && query_.crosstab && !groupBy.empty())
            result.sql += " ORDER BY " + groupBy;
        if (query_.top) {
            if (query_.topPercent) {
                result.sql = "SELECT * FROM (" + result.sql + ") LIMIT (SELECT (count(*) * " +
                             std::to_string(*query_.top) + " + 99) / 100 FROM (" + result.sql + "))";
            } else {
                result.sql += " LIMIT " + std::to_string(*query_.top);
            }
        }
        return result;
    }

  private:
    static SelectQuery withoutOrder(SelectQuery part) {
        part.orderBy.clear();
        return part;
    }

    std::string fromItem(const FromItem& item) {
        if (item.join == FromItem::Join::None) {
            const std::string key = item.alias.empty() ? item.table : item.alias;
            for (const auto& source : scope_)
                if (base::equalIgnoringCase(source.key, key))
                    throw QueryError("The query names '" + key + "' twice in FROM.");
            if (!item.subquery.empty()) {
                if (key.empty()) throw QueryError("A sub-query in FROM has no name.");
                const SelectQuery query = parseSelect(item.subquery);
                if (query.crosstab) throw QueryError("A crosstab cannot be a sub-query.");
                const CompiledQuery& derived =
                    derived_.emplace_back(SelectCompiler(query, sources_, nullptr, depth_ + 1).compile());
                scope_.push_back({key, &derived.columns});
                return "(" + derived.sql + ") AS " + quoteName(key);
            }
            scope_.push_back({key, &sources_.columnsOf(item.table)});
            return quoteName(item.table) + " AS " + quoteName(key);
        }
        const char* kind = item.join == FromItem::Join::Inner  ? " INNER JOIN "
                           : item.join == FromItem::Join::Left ? " LEFT JOIN "
                                                               : " RIGHT JOIN ";
        std::string left = fromItem(*item.left);
        std::string right = fromItem(*item.right);
        if (item.right->join != FromItem::Join::None) right = "(" + right + ")";
        joinConditions_.push_back(item.on);
        return left + kind + right + " ON \x01" + std::to_string(joinConditions_.size() - 1) + "\x01";
    }

    std::string resolveJoinConditions(std::string from) {
        for (std::size_t i = 0; i < joinConditions_.size(); ++i) {
            const std::string marker = "\x01" + std::to_string(i) + "\x01";
            from.replace(from.find(marker), marker.size(), plainValue(translate(joinConditions_[i])));
        }
        return from;
    }

    std::optional<Translated> resolve(const std::string& qualifier, const std::string& name) const {
        for (const auto& source : scope_) {
            if (!qualifier.empty() && !base::equalIgnoringCase(source.key, qualifier)) continue;
            for (const Column& column : *source.columns)
                if (base::equalIgnoringCase(column.name, name))
                    return Translated{quoteName(source.key) + "." + quoteName(column.name), column.type};
        }
        if (qualifier.empty()) {
            for (const auto& [alias, expression] : aliases_)
                if (base::equalIgnoringCase(alias, name))
                    return Translated{"(" + expression.sql + ")", expression.type};
            if (auto later = laterAlias(name)) return later;
        }
        if (outer_)
            if (auto outer = outer_->resolve(qualifier, name)) return outer;
        if (base::equalIgnoringCase(qualifier, "Report") || base::equalIgnoringCase(qualifier, "Me"))
            if (const auto property = sources_.reportProperty(name)) return literal(*property);
        return std::nullopt;
    }

    // Jet lets a column use the alias of one selected after it ("[Qty Available]-[Qty On Hold]" before
    // "Qty On Hold" is defined); a circle of them is a name it does not know.
    std::optional<Translated> laterAlias(const std::string& name) const {
        for (const SelectColumn& column : query_.columns) {
            if (!base::equalIgnoringCase(column.alias, name)) continue;
            for (const std::string& open : resolving_)
                if (base::equalIgnoringCase(open, name)) return std::nullopt;
            // Each use translates the alias again: aliases using each other many times over stop here.
            if (++laterAliasesTranslated_ > kMaxLaterAliases)
                throw QueryError("The query's columns use each other's aliases too often.");
            resolving_.push_back(name);
            std::optional<Translated> translated;
            try {
                translated = translate(column.expression);
            } catch (...) {
                resolving_.pop_back();
                throw;
            }
            resolving_.pop_back();
            return Translated{"(" + translated->sql + ")", translated->type};
        }
        return std::nullopt;
    }

    Translated translate(const std::string& expression, const std::string& aggregateFilter = {}) const {
        return translateExpression(
            expression, {[this](const std::string& q, const std::string& n) { return resolve(q, n); },
                         [this](std::string_view sql, bool oneColumn) { return subquery(sql, oneColumn); },
                         aggregateFilter,
                         [this](const std::string& name) { return sources_.parameter(name); },
                         sources_.codeFunctions()});
    }

    Translated subquery(std::string_view sql, bool oneColumn) const {
        const SelectQuery query = parseSelect(sql);
        if (query.crosstab) throw QueryError("A crosstab cannot be a sub-query.");
        const CompiledQuery compiled = SelectCompiler(query, sources_, this, depth_ + 1).compile();
        if (oneColumn && compiled.columns.size() != 1)
            throw QueryError("A sub-query giving a value selects one column, not " +
                             std::to_string(compiled.columns.size()) + ".");
        return {"(" + compiled.sql + ")", compiled.columns.at(0).type};
    }

    struct Output {
        std::string sql;
        Column column;
        std::string source;  // for a column of a source taken as it is
    };

    // A crosstab's columns: one for each heading, in the order of the IN list or else of the values
    // the heading takes in the rows (Null's is "<>"), holding the value over that heading's rows; Null
    // where there are none.
    std::vector<Output> crosstabColumns(const Crosstab& crosstab, const std::string& from) {
        const Translated pivot = translate(crosstab.pivot);
        const std::string collate = pivot.type == ColumnType::Text ? " COLLATE NOCASE" : "";
        std::vector<std::pair<std::string, std::string>> headings;  // name, condition
        for (const std::string& written : crosstab.headings) {
            const Translated heading = translate(written);
            const std::vector<Token> tokens = tokenize(written);
            const bool text = tokens.size() == 2 && tokens[0].kind == Token::Kind::String;
            std::string name = text ? tokens[0].text : written;
            name.erase(0, name.find_first_not_of(" \t\r\n"));
            name.erase(name.find_last_not_of(" \t\r\n") + 1);
            headings.emplace_back(name, plainValue(pivot) + " = " + plainValue(heading) + collate);
        }
        if (crosstab.headings.empty()) {
            std::string sql = "SELECT " + pivot.sql + " FROM " + from;
            if (!query_.where.empty()) sql += " WHERE " + plainValue(translate(query_.where));
            sql += " GROUP BY 1" + collate + " ORDER BY 1" + collate;
            const RowSet values =
                sources_.rowsOf({sql, {{"Heading", pivot.type}}}, "the crosstab's headings");
            for (const auto& row : values.rows) {
                if (row.empty() || row[0].isNull())
                    headings.emplace_back("<>", pivot.sql + " IS NULL");
                else
                    headings.emplace_back(headingName(row[0]),
                                          pivot.sql + " = " + literal(row[0]).sql + collate);
            }
        }
        if (headings.size() + query_.columns.size() > kMaxCrosstabColumns)
            throw QueryError("The crosstab gives more than " + std::to_string(kMaxCrosstabColumns) +
                             " columns.");
        std::vector<Output> result;
        for (const auto& [name, condition] : headings) {
            const Translated value = translate(crosstab.value, condition);
            result.push_back(
                {"(CASE WHEN count(*) FILTER (WHERE " + condition + ") > 0 THEN " + value.sql + " END)",
                 {name, value.type},
                 {}});
        }
        return result;
    }

    // The column a select item gives, or all those of * and Table.*.
    std::vector<Output> selectColumn(const SelectColumn& column) {
        std::vector<Output> result;
        const std::vector<Token> tokens = tokenize(column.expression);
        const bool all = tokens.size() == 2 && tokens[0].isSymbol("*");
        const bool allOfOne = tokens.size() == 4 && tokens[1].isSymbol(".") && tokens[2].isSymbol("*");
        if (all || allOfOne) {
            bool found = false;
            for (const auto& source : scope_) {
                if (allOfOne && !base::equalIgnoringCase(source.key, tokens[0].text)) continue;
                found = true;
                for (const Column& c : *source.columns)
                    result.push_back({quoteName(source.key) + "." + quoteName(c.name), c, source.key});
            }
            if (!found)
                throw QueryError("The query selects " + column.expression + " of no source it reads.");
            return result;
        }
        const Translated translated = translate(column.expression);
        std::string name = column.alias;
        const bool plainName =
            (tokens.size() == 2 && tokens[0].kind != Token::Kind::Symbol &&
             tokens[0].kind != Token::Kind::Number && tokens[0].kind != Token::Kind::String) ||
            (tokens.size() == 4 && (tokens[1].isSymbol(".") || tokens[1].isSymbol("!")));
        std::string source;
        if (name.empty() && plainName) {
            name = tokens[tokens.size() - 2].text;
            source = tokens.size() == 4 ? tokens[0].text : sourceHolding(name);
        }
        if (name.empty()) name = "Expr" + std::to_string(1000 + unnamed_++);
        aliases_.push_back({name, translated});
        result.push_back({translated.sql, {name, translated.type}, source});
        return result;
    }

    std::string sourceHolding(const std::string& column) const {
        for (const auto& source : scope_)
            for (const Column& c : *source.columns)
                if (base::equalIgnoringCase(c.name, column)) return source.key;
        return {};
    }

    // Access names columns of the same name after their sources ("Customers.CompanyName"); SQLite
    // needs distinct names whatever happens.
    static void nameOutputs(std::vector<Output>& outputs) {
        const auto count = [&](const std::string& name) {
            std::size_t n = 0;
            for (const Output& o : outputs) n += base::equalIgnoringCase(o.column.name, name);
            return n;
        };
        std::vector<std::string> names;
        for (const Output& o : outputs)
            names.push_back(count(o.column.name) > 1 && !o.source.empty() ? o.source + "." + o.column.name
                                                                          : o.column.name);
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            std::string candidate = names[i];
            for (int n = 1;; ++n) {
                bool taken = false;
                for (std::size_t j = 0; j < i; ++j)
                    taken = taken || base::equalIgnoringCase(outputs[j].column.name, candidate);
                if (!taken) break;
                candidate = names[i] + "_" + std::to_string(n);
            }
            outputs[i].column.name = candidate;
        }
    }

    std::string orderBy(const CompiledQuery& result) const {
        std::string sql;
        for (const OrderTerm& term : query_.orderBy) {
            std::string expression;
            ColumnType type = ColumnType::Unknown;
            if (!query_.unionWith.empty()) {
                // A union sorts by its own columns: by their names, or by the column of the first part
                // that a column selects under another name.
                const std::vector<Token> tokens = tokenize(term.expression);
                const std::string& name = tokens[tokens.size() > 2 ? tokens.size() - 2 : 0].text;
                for (const Column& c : result.columns)
                    if (base::equalIgnoringCase(c.name, name)) expression = quoteName(c.name), type = c.type;
                // (Positions match the first part's columns only when none of them stands for many.)
                const bool oneEach = result.columns.size() == query_.columns.size();
                for (std::size_t i = 0; oneEach && expression.empty() && i < query_.columns.size(); ++i) {
                    const std::vector<Token> selected = tokenize(query_.columns[i].expression);
                    const bool plain =
                        selected.size() == 2 || (selected.size() == 4 && selected[1].isSymbol("."));
                    if (plain && selected[selected.size() - 2].kind != Token::Kind::Symbol &&
                        base::equalIgnoringCase(selected[selected.size() - 2].text, name) &&
                        (tokens.size() != 4 || base::equalIgnoringCase(tokens[0].text, selected[0].text)))
                        expression = quoteName(result.columns[i].name), type = result.columns[i].type;
                }
                if (expression.empty())
                    throw QueryError("The union is sorted by " + term.expression +
                                     ", which it does not select.");
            } else {
                const Translated translated = translate(term.expression);
                expression = translated.sql;
                type = translated.type;
            }
            sql += (sql.empty() ? "" : ", ") + expression +
                   (type == ColumnType::Text ? " COLLATE NOCASE" : "") + (term.descending ? " DESC" : "");
        }
        return sql;
    }

    const SelectQuery& query_;
    Sources& sources_;
    const SelectCompiler* outer_;
    int depth_;
    std::deque<CompiledQuery> derived_;  // the sub-queries in FROM, whose columns the scope points to
    mutable std::vector<std::string> resolving_;  // aliases being translated ahead of their place
    mutable std::size_t laterAliasesTranslated_ = 0;
    std::vector<SourceInScope> scope_;
    std::vector<std::string> joinConditions_;
    std::vector<std::pair<std::string, Translated>> aliases_;
    int unnamed_ = 0;
};

}  // namespace

CompiledQuery compileSelect(const SelectQuery& query, Sources& sources) {
    return SelectCompiler(query, sources).compile();
}

}  // namespace platform::jet::query
