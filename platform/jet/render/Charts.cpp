#include "platform/jet/render/Charts.h"

#include <cmath>
#include <limits>

#include "platform/jet/design/DesignError.h"
#include "platform/jet/query/AsciiCase.h"
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
            found = found || query::lowerAscii(column) == query::lowerAscii(field);
        if (!found) return false;
    }
    return true;
}

}  // namespace

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
        if (query::lowerAscii(control.rowSourceType) != "table/query" && !control.rowSourceType.empty())
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
