#include "platform/jet/query/SavedQuery.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/jet/file/JetFormat.h"
#include "base/AsciiCase.h"
#include "platform/jet/query/RecordSource.h"

namespace platform::jet::query {
namespace {

using namespace saved_query;
enum Kind { Select = 0, CrosstabQuery = 16, Union = 128 };
enum CrosstabRole { CrosstabValue = 0, CrosstabHeading = 1, CrosstabRowHeading = 2 };

FromItem::Join joinKind(int flag) {
    switch (flag) {
        case 2:
            return FromItem::Join::Left;
        case 3:
            return FromItem::Join::Right;
        default:
            return FromItem::Join::Inner;
    }
}

FromItem::Join mirrored(FromItem::Join kind) {
    if (kind == FromItem::Join::Left) return FromItem::Join::Right;
    if (kind == FromItem::Join::Right) return FromItem::Join::Left;
    return kind;
}

// Joins name two sources each; the sources they connect grow into join trees, one per connected group,
// each joined source added to the tree that already holds its partner.
std::vector<std::shared_ptr<const FromItem>> fromItems(const std::string& queryName,
                                                       const std::vector<QueryRow>& rows) {
    std::vector<std::shared_ptr<FromItem>> trees;
    std::map<std::string, std::size_t> treeOf;  // source key -> index in trees
    std::map<std::string, std::shared_ptr<FromItem>> tables;
    std::vector<std::string> order;
    for (const QueryRow& row : rows) {
        if (row.attribute != Table) continue;
        auto table = std::make_shared<FromItem>();
        table->table = row.name1;
        table->alias = row.name2;
        table->subquery = row.expression;  // a derived table: its SQL text, named by its alias
        const std::string k = base::lowerAscii(row.name2.empty() ? row.name1 : row.name2);
        tables[k] = table;
        order.push_back(k);
    }
    const auto source = [&](const std::string& name) {
        const auto found = tables.find(base::lowerAscii(name));
        if (found == tables.end())
            throw QueryError("The query '" + queryName + "' joins '" + name +
                             "', which is not among its tables.");
        return found->second;
    };
    for (const QueryRow& row : rows) {
        if (row.attribute != Join) continue;
        const std::string a = base::lowerAscii(row.name1), b = base::lowerAscii(row.name2);
        source(row.name1), source(row.name2);
        const auto inA = treeOf.find(a), inB = treeOf.find(b);
        auto join = std::make_shared<FromItem>();
        join->on = row.expression;
        if (inA != treeOf.end() && inB != treeOf.end() && inA->second == inB->second) {
            auto& tree = trees[inA->second];
            tree->on = "(" + tree->on + ") AND (" + row.expression + ")";
            continue;
        }
        if (inA != treeOf.end() && inB != treeOf.end()) {  // two groups meet
            const std::size_t keep = inA->second, merged = inB->second;
            join->join = joinKind(row.flag);
            join->left = trees[keep];
            join->right = trees[merged];
            trees[keep] = join;
            trees[merged] = nullptr;
            for (auto& [name, index] : treeOf)
                if (index == merged) index = keep;
            continue;
        }
        if (inA == treeOf.end() && inB == treeOf.end()) {
            join->join = joinKind(row.flag);
            join->left = source(row.name1);
            join->right = source(row.name2);
            trees.push_back(join);
            treeOf[a] = treeOf[b] = trees.size() - 1;
            continue;
        }
        const bool aPlaced = inA != treeOf.end();
        const std::size_t index = aPlaced ? inA->second : inB->second;
        join->join = aPlaced ? joinKind(row.flag) : mirrored(joinKind(row.flag));
        join->left = trees[index];
        join->right = source(aPlaced ? row.name2 : row.name1);
        trees[index] = join;
        treeOf[aPlaced ? b : a] = index;
    }
    std::vector<std::shared_ptr<const FromItem>> items;
    std::vector<bool> placed(trees.size(), false);
    for (const std::string& k : order) {
        const auto inTree = treeOf.find(k);
        if (inTree == treeOf.end()) {
            items.push_back(tables[k]);
        } else if (!placed[inTree->second]) {
            placed[inTree->second] = true;
            items.push_back(trees[inTree->second]);
        }
    }
    return items;
}

}  // namespace

SelectQuery rebuildSavedQuery(const std::string& name, long objectFlags, const std::vector<QueryRow>& rows) {
    const long kind = objectFlags & 0xF0;
    if (kind != Select && kind != Union && kind != CrosstabQuery)
        throw QueryError("The query '" + name + "' is not a select query.");
    for (const QueryRow& row : rows) {
        // Access 2007 writes this row empty into every query; only a named file or connection is remote.
        if (row.attribute == RemoteDatabase && (!row.name1.empty() || !row.expression.empty()))
            throw QueryError("The query '" + name + "' reads the database " +
                             (row.name1.empty() ? row.expression : row.name1) + ", which is not read.");
    }
    int flags = 0;
    std::string top;
    for (const QueryRow& row : rows)
        if (row.attribute == Flags) flags = row.flag, top = row.name1;

    SelectQuery query;
    if (kind == Union) {
        // Its parts are SQL text in the table rows; the union keeps duplicates unless told otherwise.
        for (const QueryRow& row : rows) {
            if (row.attribute != Table) continue;
            SelectQuery part = parseSelect(row.expression);
            if (query.columns.empty())
                query = std::move(part);
            else
                query.unionWith.push_back(std::move(part));
        }
        if (query.columns.empty()) throw QueryError("The union query '" + name + "' has no parts.");
        query.unionAll = !(flags & Distinct);
    } else {
        query.distinct = flags & Distinct;
        if (flags & Top) {
            try {
                query.top = std::stoll(top);
            } catch (const std::exception&) {
                throw QueryError("The query '" + name + "' has a TOP value that is no number: '" + top +
                                 "'.");
            }
            query.topPercent = flags & Percent;
        }
        if (flags & 0x01) query.columns.push_back({"*", ""});
        if (kind == CrosstabQuery) query.crosstab.emplace();
        for (const QueryRow& row : rows) {
            // A crosstab's columns and groups say what they are: row headings, the heading, the value.
            const int role = kind == CrosstabQuery ? row.flag : CrosstabRowHeading;
            if (row.attribute == Column && role == CrosstabRowHeading)
                query.columns.push_back({row.expression, row.name1});
            if (row.attribute == Column && role == CrosstabValue)
                query.crosstab->value = row.expression, query.crosstab->valueAlias = row.name1;
            if (row.attribute == Column && role == CrosstabHeading)
                parsePivot(row.expression, *query.crosstab);
            if (row.attribute == Where) query.where = row.expression;
            if (row.attribute == GroupBy && role == CrosstabRowHeading)
                query.groupBy.push_back(row.expression);
            if (row.attribute == Having) query.having = row.expression;
        }
        if (query.crosstab && (query.crosstab->value.empty() || query.crosstab->pivot.empty()))
            throw QueryError("The crosstab query '" + name + "' lacks its value or its column heading.");
        query.from = fromItems(name, rows);
        if (query.columns.empty()) throw QueryError("The query '" + name + "' selects no columns.");
    }
    for (const QueryRow& row : rows)
        if (row.attribute == OrderBy) query.orderBy.push_back({row.expression, base::lowerAscii(row.name1) == "d"});
    return query;
}

std::vector<query::Parameter> savedQueryParameters(const std::vector<QueryRow>& rows) {
    std::vector<query::Parameter> parameters;
    for (const QueryRow& row : rows)
        if (row.attribute == saved_query::Parameter) parameters.push_back({row.name1, row.flag});
    return parameters;
}

}  // namespace platform::jet::query
