#pragma once

#include <QPainter>
#include <QRectF>
#include <string>
#include <vector>

#include "platform/jet/design/ChartObject.h"

namespace platform::jet::render {

// What a chart shows: its row source's first column names the categories, each further column is a
// series of values over them (NaN where a value is Null or not a number).
struct ChartData {
    struct Series {
        std::string name;
        std::vector<double> values;  // one per category
    };
    std::vector<std::string> categories;
    std::vector<Series> series;
};

// The value axis as drawn: its ends and the step between its labels.
struct ValueAxis {
    double minimum = 0, maximum = 1, majorUnit = 1;
};

// The scale's fixed ends and step where the chart keeps them, else ones that hold the values (their
// sums where stacked, 0 to 100 where stacked to 100%) on round numbers.
ValueAxis valueAxisOf(const design::ChartSettings& settings, const ChartData& data);

// Draws the chart in the area as vector shapes and text: its title, axes with their labels, titles and
// gridlines, the series as the chart's type draws them, and its legend. Charts of other types (scatter,
// radar, ...) are drawn as columns, 3-D ones flat.
void drawChart(QPainter& painter, const QRectF& area, const design::ChartSettings& settings,
               const ChartData& data);

}  // namespace platform::jet::render
