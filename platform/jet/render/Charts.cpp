#include "platform/jet/render/Charts.h"

#include <cmath>
#include <limits>
#include <tuple>

#include "platform/jet/design/DesignError.h"
#include "platform/jet/query/AccessFormat.h"
#include "base/AsciiCase.h"
#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/query/SqlLexer.h"
#include "platform/jet/render/ControlText.h"
#include "platform/jet/render/SubreportLink.h"

namespace platform::jet::render {
namespace {

using query::Token;

// Graph's data sheet holds at most 4,000 rows and 255 series: a chart shows no more of its rows.
constexpr std::size_t kMostCategories = 4000, kMostSeries = 255;

std::string bracketed(const std::string& name) {
    if (name.find_first_of("[]") != std::string::npos)
        throw query::QueryError("the name " + name + " cannot be bracketed");
    return "[" + name + "]";
}

double numberOf(const query::Value& value) {
    if (value.holds<std::int64_t>()) return static_cast<double>(value.get<std::int64_t>());
    if (value.holds<double>()) return value.get<double>();
    if (value.holds<query::Currency>()) return value.get<query::Currency>().tenThousandths / 10000.0;
    if (value.holds<query::Decimal>()) return query::decimalAsDouble(value.get<query::Decimal>());
    if (value.holds<bool>()) return value.get<bool>() ? -1 : 0;
    return std::numeric_limits<double>::quiet_NaN();
}

bool hasColumns(const query::RowSet& rows, const std::vector<std::string>& fields) {
    for (const auto& field : fields) {
        bool found = false;
        for (const auto& column : rows.columns)
            found = found || base::lowerAscii(column) == base::lowerAscii(field);
        if (!found) return false;
    }
    return true;
}

// A PivotTable's member: numbers and date parts first, by value; then texts, ignoring case; blanks last.
struct Member {
    std::tuple<int, double, std::string> key;
    std::string label;
    bool operator<(const Member& other) const { return key < other.key; }
};

std::string dateLabel(int month, int day, const char* format) {
    return query::formatValue(query::Value(query::Date{query::dayNumber(2000, month, day)}), format);
}

Member memberOf(const query::Value& value, design::PivotDateGroup group) {
    using design::PivotDateGroup;
    if (value.isNull() || (value.holds<std::string>() && value.get<std::string>().empty()))
        return {{2, 0, ""}, "(Blank)"};
    if (group == PivotDateGroup::None) {
        if (value.holds<std::string>())
            return {{1, 0, base::lowerAscii(value.get<std::string>())}, value.get<std::string>()};
        const double number = value.holds<query::Date>() ? value.get<query::Date>().days : numberOf(value);
        if (std::isnan(number)) return {{1, 0, controlText(value, "", 255)}, controlText(value, "", 255)};
        return {{0, number, ""}, controlText(value, "", 255)};
    }
    if (!value.holds<query::Date>()) return {{2, 0, ""}, "(Blank)"};
    const query::CivilTime time = query::civilTime(value.get<query::Date>().days);
    const auto part = [](int number, std::string label) { return Member{{0, number, ""}, std::move(label)}; };
    const auto twoDigits = [](int number) { return (number < 10 ? "0" : "") + std::to_string(number); };
    switch (group) {
        case PivotDateGroup::Years:
            return part(time.year, std::to_string(time.year));
        case PivotDateGroup::Quarters:
            return part((time.month + 2) / 3, "Qtr" + std::to_string((time.month + 2) / 3));
        case PivotDateGroup::Months:
            return part(time.month, dateLabel(time.month, 1, "mmm"));
        case PivotDateGroup::Weeks:
            return part(base::weekOfYear(time), "Week " + std::to_string(base::weekOfYear(time)));
        case PivotDateGroup::Days:
            return part(time.month * 100 + time.day, dateLabel(time.month, time.day, "dd-mmm"));
        case PivotDateGroup::Hours:
            return part(time.hour, twoDigits(time.hour));
        case PivotDateGroup::Minutes:
            return part(time.minute, twoDigits(time.minute));
        default:
            return part(time.second, twoDigits(time.second));
    }
}

std::size_t columnOf(const query::RowSet& rows, const std::string& field) {
    for (std::size_t i = 0; i < rows.columns.size(); ++i)
        if (base::lowerAscii(rows.columns[i]) == base::lowerAscii(field)) return i;
    throw query::QueryError("there is no field named " + field);
}

// The members of a row on an axis's fields, outermost first.
using Members = std::vector<Member>;

Members membersOf(const std::vector<query::Value>& row, const std::vector<std::size_t>& columns,
                  const std::vector<design::PivotAxisField>& fields) {
    Members members;
    for (std::size_t i = 0; i < columns.size(); ++i)
        members.push_back(
            memberOf(columns[i] < row.size() ? row[columns[i]] : query::Value(), fields[i].group));
    return members;
}

std::string labelOf(const Members& members) {
    std::string label;
    for (const auto& member : members) label += (label.empty() ? "" : " ") + member.label;
    return label;
}

// What a cell of the PivotTable gathers of a total's values.
struct Aggregate {
    double sum = 0, low = std::numeric_limits<double>::infinity(), high = -low;
    std::size_t count = 0, numbers = 0;

    void add(const query::Value& value) {
        if (value.isNull()) return;
        ++count;
        const double number = value.holds<query::Date>() ? value.get<query::Date>().days : numberOf(value);
        if (std::isnan(number)) return;
        ++numbers;
        sum += number;
        low = std::min(low, number);
        high = std::max(high, number);
    }
    double result(design::PivotAggregate aggregate) const {
        constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
        switch (aggregate) {
            case design::PivotAggregate::Count:
                return static_cast<double>(count);
            case design::PivotAggregate::Min:
                return numbers ? low : kNone;
            case design::PivotAggregate::Max:
                return numbers ? high : kNone;
            case design::PivotAggregate::Average:
                return numbers ? sum / numbers : kNone;
            default:
                return numbers ? sum : kNone;
        }
    }
};

}  // namespace

ChartData pivotChartData(const design::PivotChart& chart, const query::RowSet& rows, bool* cut) {
    std::vector<std::size_t> categoryColumns, seriesColumns, totalColumns;
    for (const auto& field : chart.categories) categoryColumns.push_back(columnOf(rows, field.field));
    for (const auto& field : chart.series) seriesColumns.push_back(columnOf(rows, field.field));
    for (const auto& total : chart.totals) totalColumns.push_back(columnOf(rows, total.field));

    std::map<Members, std::size_t> categories, series;  // each to its place in first-seen order
    std::map<std::pair<std::size_t, std::size_t>, std::vector<Aggregate>> cells;
    for (const auto& row : rows.rows) {
        const Members category = membersOf(row, categoryColumns, chart.categories);
        const Members seriesMembers = membersOf(row, seriesColumns, chart.series);
        const std::size_t c = categories.emplace(category, categories.size()).first->second;
        const std::size_t s = series.emplace(seriesMembers, series.size()).first->second;
        auto& cell = cells[{c, s}];
        cell.resize(totalColumns.size());
        for (std::size_t t = 0; t < totalColumns.size(); ++t)
            cell[t].add(totalColumns[t] < row.size() ? row[totalColumns[t]] : query::Value());
    }

    // The members in order, each with its place among the cells.
    ChartData data;
    bool over = false;
    std::vector<std::size_t> categoryPlaces;
    for (const auto& [members, place] : categories) {
        if (data.categories.size() == kMostCategories) {
            over = true;
            break;
        }
        data.categories.push_back(labelOf(members));
        categoryPlaces.push_back(place);
    }
    for (const auto& [members, place] : series)
        for (std::size_t t = 0; t < chart.totals.size(); ++t) {
            if (data.series.size() == kMostSeries) {
                over = true;
                break;
            }
            std::string name = labelOf(members);
            if (name.empty() || chart.totals.size() > 1)
                name += (name.empty() ? "" : " ") + chart.totals[t].caption;
            ChartData::Series shown{std::move(name), {}};
            for (std::size_t category : categoryPlaces) {
                const auto cell = cells.find({category, place});
                shown.values.push_back(cell == cells.end()
                                           ? std::numeric_limits<double>::quiet_NaN()
                                           : cell->second[t].result(chart.totals[t].aggregate));
            }
            data.series.push_back(std::move(shown));
        }
    if (cut) *cut = over;
    return data;
}

void drawPivotChart(QPainter& painter, const QRectF& area, const std::string& form,
                    const design::PivotChart& chart, const query::RowSet& rows,
                    std::set<std::string>& omissions) {
    bool cut = false;
    ChartData data;
    try {
        data = pivotChartData(chart, rows, &cut);
    } catch (const query::QueryError& error) {
        omissions.insert("the PivotChart " + form + " (" + error.what() + ")");
        return;
    }
    for (const auto& approximation : chart.approximations)
        omissions.insert("the PivotChart " + form + ": " + approximation);
    if (chart.settings.type == design::ChartType::Pie && data.series.size() > 1)
        omissions.insert("the PivotChart " + form + ": its pies past the first");
    if (chart.settings.type == design::ChartType::Pie && chart.settings.valueLabels)
        omissions.insert("the labels of pie slices");
    if (cut)
        omissions.insert("the PivotChart " + form + ": its categories past the " +
                         std::to_string(kMostCategories) + "th and series past the " +
                         std::to_string(kMostSeries) + "th");
    drawChart(painter, area, chart.settings, data);
}

std::string withLinkColumns(const std::string& rowSource, const std::vector<std::string>& fields) {
    if (fields.empty()) return rowSource;
    std::string columns;
    for (const auto& field : fields) columns += bracketed(field) + ", ";
    const std::vector<Token> tokens = query::tokenize(rowSource);
    const bool sql = tokens.front().isWord("select") || tokens.front().isWord("transform");
    if (!sql) return "SELECT " + columns + bracketed(rowSource) + ".* FROM " + bracketed(rowSource);

    // The fields go first in the outer SELECT's list and, where it groups, in its GROUP BY.
    std::string result = rowSource;
    std::size_t selectAt = std::string::npos, groupAt = std::string::npos;
    int depth = 0;
    for (std::size_t i = 0; i < tokens.size() && tokens[i].kind != Token::Kind::End; ++i) {
        const Token& token = tokens[i];
        if (token.isSymbol("(")) ++depth;
        if (token.isSymbol(")")) --depth;
        if (depth != 0) continue;
        if (token.isWord("union")) throw query::QueryError("a union's rows cannot be linked");
        if (token.isWord("select") && selectAt == std::string::npos) {
            std::size_t next = i + 1;
            while (tokens[next].isWord("distinct") || tokens[next].isWord("distinctrow") ||
                   tokens[next].isWord("all"))
                ++next;
            if (tokens[next].isWord("top")) {
                next = std::min(next + 2, tokens.size() - 1);  // past the count, not past the End
                if (tokens[next].isWord("percent")) ++next;
            }
            selectAt = tokens[next].offset;
        }
        if (token.isWord("group") && tokens[i + 1].isWord("by") && groupAt == std::string::npos)
            groupAt = tokens[i + 2].offset;
    }
    if (selectAt == std::string::npos) throw query::QueryError("its row source selects nothing");
    if (groupAt != std::string::npos) result.insert(groupAt, columns);
    result.insert(selectAt, columns);
    return result;
}

ChartData chartDataOf(const query::RowSet& rows) {
    ChartData data;
    const std::size_t columns = std::min(rows.columns.size(), kMostSeries + 1);
    for (std::size_t column = 1; column < columns; ++column)
        data.series.push_back({rows.columns[column], {}});
    for (const auto& row : rows.rows) {
        if (data.categories.size() == kMostCategories) break;
        data.categories.push_back(row.empty() ? std::string() : controlText(row.front(), "", 255));
        for (std::size_t column = 1; column < columns; ++column)
            data.series[column - 1].values.push_back(
                column < row.size() ? numberOf(row[column]) : std::numeric_limits<double>::quiet_NaN());
    }
    return data;
}

const Charts::Chart& Charts::chartOf(const design::Control& control) {
    if (auto known = charts_.find(&control); known != charts_.end()) return known->second;
    Chart chart;
    try {
        chart.settings = design::readChartObject(control.picture);
    } catch (const design::DesignError& error) {
        chart.unreadSettings = error.what();
    }
    const std::vector<std::string> children = linkFieldNames(control.linkChildFields);
    try {
        if (base::lowerAscii(control.rowSourceType) != "table/query" && !control.rowSourceType.empty())
            throw query::QueryError("its row source type " + control.rowSourceType + " is not drawn");
        if (control.rowSource.empty()) throw query::QueryError("it has no row source");
        chart.rows = source_.rows(control.rowSource);
        if (!hasColumns(chart.rows, children)) {
            chart.rows = source_.rows(withLinkColumns(control.rowSource, children));
            chart.linkColumns = children.size();
        }
    } catch (const std::exception& error) {
        chart.failure = "the chart " + control.name + ", whose rows cannot be read (" + error.what() + ")";
    }
    return charts_.emplace(&control, std::move(chart)).first->second;
}

void Charts::draw(const design::Control& control, QPainter& painter, const QRectF& area, const Link& link,
                  std::set<std::string>& omissions) {
    const Chart& chart = chartOf(control);
    if (!chart.failure.empty()) {
        omissions.insert(chart.failure);
        return;
    }
    query::RowSet linked;
    try {
        linked = link(chart.rows);
    } catch (const query::QueryError& error) {
        omissions.insert("the chart " + control.name + " (" + error.what() + ")");
        return;
    }
    // The link fields added to the row source are not the chart's.
    linked.columns.erase(linked.columns.begin(), linked.columns.begin() + chart.linkColumns);
    for (auto& row : linked.rows)
        row.erase(row.begin(), row.begin() + std::min(chart.linkColumns, row.size()));

    design::ChartSettings settings = chart.settings;
    if (!chart.unreadSettings.empty()) {
        settings = {};
        omissions.insert("the chart " + control.name + ", drawn as a column chart of its rows (" +
                         chart.unreadSettings + ")");
    } else if (settings.type == design::ChartType::Other) {
        omissions.insert("charts of types drawn as column charts (scatter, radar, surface, bubble)");
        settings.type = design::ChartType::Column;
    }
    if (settings.threeD) omissions.insert("3-D charts, drawn flat");
    if (settings.valueLabels && settings.type == design::ChartType::Pie)
        omissions.insert("the labels of pie slices");
    if (linked.rows.size() > kMostCategories)
        omissions.insert("the rows of charts past the " + std::to_string(kMostCategories) + "th");
    drawChart(painter, area, settings, chartDataOf(linked));
}

}  // namespace platform::jet::render
