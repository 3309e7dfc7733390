#include "platform/jet/render/ReportGrouping.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "base/AsciiCase.h"
#include "platform/jet/query/DayNumbers.h"

namespace platform::jet::render {
namespace {

using design::GroupOn;
using query::Value;

constexpr double kLastDay = 2958466.0;  // day numbers of dates lie within +-9999-12-31's

std::optional<double> numberOf(const Value& value) {
    if (value.holds<bool>()) return value.get<bool>() ? -1.0 : 0.0;
    if (value.holds<std::int64_t>()) return static_cast<double>(value.get<std::int64_t>());
    if (value.holds<double>()) return value.get<double>();
    if (value.holds<query::Currency>())
        return static_cast<double>(value.get<query::Currency>().tenThousandths) / 10000.0;
    if (value.holds<query::Decimal>()) return query::decimalAsDouble(value.get<query::Decimal>());
    if (value.holds<query::Date>()) return value.get<query::Date>().days;
    return std::nullopt;
}

}  // namespace

int compareValues(const Value& a, const Value& b) {
    if (a.isNull() || b.isNull()) return (a.isNull() ? 0 : 1) - (b.isNull() ? 0 : 1);
    const auto x = numberOf(a), y = numberOf(b);
    if (x && y) return *x < *y ? -1 : (*x > *y ? 1 : 0);
    if (a.holds<std::string>() && b.holds<std::string>()) {
        const std::string p = base::lowerAscii(a.get<std::string>()),
                          q = base::lowerAscii(b.get<std::string>());
        return p < q ? -1 : (p > q ? 1 : 0);
    }
    return x ? -1 : (y ? 1 : 0);  // numbers before text
}

Value groupKey(const Value& value, const design::GroupLevel& level) {
    if (value.isNull()) return value;
    const int interval = std::max(1, level.groupInterval);
    if (level.groupOn == GroupOn::Prefix && value.holds<std::string>())
        return base::lowerAscii(value.get<std::string>().substr(0, static_cast<std::size_t>(interval)));
    const auto number = numberOf(value);
    if (!number || level.groupOn == GroupOn::EachValue) return value;
    // Numbers past the range of whole buckets (and of dates, for the date groupings) group by value.
    constexpr double kLargestBucket = 9.0e18;
    if (!(std::fabs(*number) < (level.groupOn == GroupOn::Interval ? kLargestBucket : kLastDay)))
        return value;
    const auto bucket = [&](double amount) {
        return static_cast<std::int64_t>(std::floor(amount / interval));
    };
    if (level.groupOn == GroupOn::Interval) return bucket(*number);
    const query::CivilTime time = query::civilTime(*number);
    switch (level.groupOn) {
        case GroupOn::Year:
            return bucket(time.year);
        case GroupOn::Quarter:
            return static_cast<std::int64_t>(time.year * 4 + (time.month - 1) / 3) / interval;
        case GroupOn::Month:
            return static_cast<std::int64_t>(time.year * 12 + time.month - 1) / interval;
        case GroupOn::Week:
            return bucket(std::floor(*number - (time.weekday - 1)) / 7.0);
        case GroupOn::Day:
            return bucket(std::floor(*number));
        case GroupOn::Hour:
            return bucket(std::floor(*number * 24.0));
        case GroupOn::Minute:
            return bucket(std::floor(*number * 1440.0));
        default:
            return value;
    }
}

Grouping groupRows(const std::vector<design::GroupLevel>& levels,
                   const std::vector<std::vector<Value>>& keys) {
    Grouping grouping;
    const std::size_t rows = keys.empty() ? 0 : keys[0].size();
    grouping.order.resize(rows);
    std::iota(grouping.order.begin(), grouping.order.end(), 0);
    std::stable_sort(grouping.order.begin(), grouping.order.end(), [&](std::size_t a, std::size_t b) {
        for (std::size_t level = 0; level < levels.size() && level < keys.size(); ++level) {
            const int order = compareValues(keys[level][a], keys[level][b]);
            if (order != 0) return levels[level].descending ? order > 0 : order < 0;
        }
        return false;
    });
    grouping.starts.resize(levels.size());
    for (std::size_t position = 0; position < rows; ++position) {
        // A group starts where its key or an outer one changes.
        bool changed = position == 0;
        for (std::size_t level = 0; level < levels.size() && level < keys.size(); ++level) {
            changed = changed || compareValues(keys[level][grouping.order[position]],
                                               keys[level][grouping.order[position - 1]]) != 0;
            if (changed) grouping.starts[level].push_back(position);
        }
    }
    return grouping;
}

}  // namespace platform::jet::render
