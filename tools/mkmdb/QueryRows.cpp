#include "QueryRows.h"

#include <map>
#include <string>

#include "platform/jet/file/JetFormat.h"

namespace mkmdb {
namespace {

namespace sq = platform::jet::saved_query;
using sq::Attribute;

constexpr std::int32_t kSelectType = 1;

Value textOrNull(const std::string& text) {
    return text.empty() ? Value{Null{}} : Value{text};
}

// One query's rows, each kind of part counted on in the Order column as Access counts it.
class Rows {
  public:
    explicit Rows(std::int32_t objectId) : objectId_(objectId) {}

    void add(Attribute attribute, Value name1, Value name2, Value expression, Value flag) {
        const std::uint32_t order = ++counts_[attribute];
        // Big-endian, so that the bytes sort as the numbers do.
        const std::string orderBytes{static_cast<char>(order >> 24), static_cast<char>(order >> 16),
                                     static_cast<char>(order >> 8), static_cast<char>(order)};
        rows_.push_back({objectId_, static_cast<std::int32_t>(attribute), orderBytes, std::move(name1),
                         std::move(name2), std::move(expression), std::move(flag), Null{}});
    }

    std::vector<std::vector<Value>> take() { return std::move(rows_); }

  private:
    std::int32_t objectId_;
    std::map<Attribute, std::uint32_t> counts_;
    std::vector<std::vector<Value>> rows_;
};

}  // namespace

std::vector<std::vector<Value>> savedQueryRows(const Query& query, std::int32_t objectId) {
    Rows rows(objectId);
    rows.add(sq::Start, Null{}, Null{}, Null{}, std::int32_t{0});
    rows.add(sq::End, Null{}, Null{}, Null{}, Null{});
    rows.add(sq::Type, Null{}, Null{}, Null{}, kSelectType);
    const std::int32_t flags = (query.distinct ? sq::Distinct : 0) | (query.top > 0 ? sq::Top : 0) |
                               (query.topPercent ? sq::Percent : 0);
    rows.add(sq::Flags, query.top > 0 ? Value{std::to_string(query.top)} : Value{Null{}}, Null{}, Null{},
             flags);
    for (const auto& source : query.sources)
        rows.add(sq::Table, source.name, textOrNull(source.alias), Null{}, Null{});
    for (const auto& column : query.columns)
        rows.add(sq::Column, textOrNull(column.alias), Null{}, column.expression, std::int32_t{0});
    for (const auto& join : query.joins)
        rows.add(sq::Join, join.left, join.right, join.on, static_cast<std::int32_t>(join.kind));
    if (!query.where.empty()) rows.add(sq::Where, Null{}, Null{}, query.where, Null{});
    for (const auto& group : query.groupBy) rows.add(sq::GroupBy, Null{}, Null{}, group, std::int32_t{0});
    if (!query.having.empty()) rows.add(sq::Having, Null{}, Null{}, query.having, Null{});
    for (const auto& order : query.orderBy)
        rows.add(sq::OrderBy, order.descending ? Value{std::string("D")} : Value{Null{}}, Null{},
                 order.expression, Null{});
    return rows.take();
}

}  // namespace mkmdb
