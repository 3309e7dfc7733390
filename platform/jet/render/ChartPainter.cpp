#include "platform/jet/render/ChartPainter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/jet/query/AccessFormat.h"
#include "platform/jet/render/FontTable.h"

namespace platform::jet::render {
namespace {

using design::ChartSettings;
using design::ChartStacking;
using design::ChartType;
using design::LegendPlace;

constexpr double kPadding = 4;      // points around the chart's parts
constexpr double kTickLength = 3;   // points
constexpr double kSwatch = 6;       // points: a legend entry's colour square
constexpr double kSmallestLegendPoints = 4;
constexpr int kMostSteps = 200;     // labels along a value axis, for a scale that asks for more
constexpr double kHeadroom = 0.05;  // of the values' range, kept above the highest, as Graph keeps it

QColor rgbColor(std::uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

bool stacked(const ChartSettings& settings) {
    return settings.type != ChartType::Pie && settings.type != ChartType::Other &&
           settings.stacking != ChartStacking::None;
}

// A value as the chart shows it: stacked to 100%, the percentage of its category's total.
double shown(const ChartSettings& settings, const ChartData& data, std::size_t series, std::size_t category) {
    const double value = data.series[series].values[category];
    if (!std::isfinite(value) || settings.stacking != ChartStacking::Percent || !stacked(settings))
        return value;
    double total = 0;
    for (const auto& each : data.series)
        if (std::isfinite(each.values[category])) total += std::abs(each.values[category]);
    return total > 0 ? 100 * value / total : 0;
}

double roundStep(double range) {
    const double raw = range / 8;  // five to ten steps
    const double magnitude = std::pow(10, std::floor(std::log10(raw)));
    const double normal = raw / magnitude;
    return (normal <= 1 ? 1 : normal <= 2 ? 2 : normal <= 5 ? 5 : 10) * magnitude;
}

// The category's value where a series' stacked value ends, and where it starts.
std::pair<double, double> stackedSpan(const ChartSettings& settings, const ChartData& data,
                                      std::size_t series, std::size_t category) {
    const double value = shown(settings, data, series, category);
    if (!stacked(settings)) return {0, value};
    double below = 0;
    for (std::size_t earlier = 0; earlier < series; ++earlier) {
        const double other = shown(settings, data, earlier, category);
        if (std::isfinite(other) && (other < 0) == (value < 0)) below += other;
    }
    return {below, below + value};
}

// scale: the control's height over the chart's own.
QFont fontOf(const design::ChartFont& chartFont, double scale) {
    QFont font(QString::fromStdString(fontStandIn(chartFont.name).family));
    font.setPointSizeF(std::clamp(chartFont.points * scale, 1.0, 72.0));
    font.setBold(chartFont.bold);
    font.setItalic(chartFont.italic);
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setKerning(false);
    return font;
}

// format: the value axis's Access format, where the chart keeps one ("Currency").
QString numberText(double value, bool percent, const std::string& format = {}) {
    if (std::abs(value) < 1e-9) value = 0;
    if (!format.empty() && !percent && format != "General")
        return QString::fromStdString(query::formatValue(query::Value(value), format));
    return QString::number(value, 'g', 12) + (percent ? "%" : "");
}

// The chart's parts in device units.
class ChartDrawing {
  public:
    ChartDrawing(QPainter& painter, const QRectF& area, const ChartSettings& settings, const ChartData& data)
        : painter_(painter),
          settings_(settings),
          data_(data),
          point_(painter.device() ? painter.device()->logicalDpiY() / 72.0 : 1.0),
          area_(area),
          fontScale_(settings.heightPoints && area.height() > 0
                         ? std::clamp(area.height() / point_ / *settings.heightPoints, 0.25, 4.0)
                         : 1.0),
          rest_(area.adjusted(kPadding * point_, kPadding * point_, -kPadding * point_, -kPadding * point_)),
          pen_(QPen(Qt::black, std::max(0.5 * point_, 0.0))) {}

    void draw() {
        if (settings_.chartFill) painter_.fillRect(area_, rgbColor(*settings_.chartFill));
        if (!settings_.title.empty()) title();
        if (settings_.legend != LegendPlace::None) legend();
        if (settings_.type == ChartType::Pie)
            pie();
        else
            axesAndSeries();
    }

  private:
    void title() {
        painter_.setFont(fontOf(settings_.titleFont, fontScale_));
        const double height = QFontMetricsF(painter_.font(), painter_.device()).height();
        painter_.setPen(Qt::black);
        painter_.drawText(QRectF(rest_.left(), rest_.top(), rest_.width(), height), Qt::AlignCenter,
                          QString::fromStdString(settings_.title));
        rest_.setTop(rest_.top() + height + kPadding * point_);
    }

    // A pie's legend names its categories, any other chart's its series.
    std::vector<std::pair<QString, QColor>> legendEntries() const {
        std::vector<std::pair<QString, QColor>> entries;
        const bool pie = settings_.type == ChartType::Pie;
        const std::size_t count = pie ? data_.categories.size() : data_.series.size();
        for (std::size_t i = 0; i < count; ++i)
            entries.emplace_back(QString::fromStdString(pie ? data_.categories[i] : data_.series[i].name),
                                 rgbColor(settings_.seriesColor(i)));
        return entries;
    }

    void legend() {
        const auto entries = legendEntries();
        if (entries.empty()) return;
        const bool across = settings_.legend == LegendPlace::Top || settings_.legend == LegendPlace::Bottom;
        QFont font = fontOf(settings_.legendFont.value_or(settings_.labelFont), fontScale_);
        // A column of more entries than the chart is high has smaller text, so that every entry shows.
        const double lines = QFontMetricsF(font, painter_.device()).height() * entries.size();
        const double room = rest_.height() - 2 * kPadding * point_;
        if (!across && lines > room && room > 0)
            font.setPointSizeF(std::max(kSmallestLegendPoints, 0.98 * font.pointSizeF() * room / lines));
        painter_.setFont(font);
        const QFontMetricsF metrics(painter_.font(), painter_.device());
        const double line = metrics.height(), swatch = kSwatch * point_, pad = kPadding * point_;
        double widest = 0;
        for (const auto& entry : entries) widest = std::max(widest, metrics.horizontalAdvance(entry.first));
        const double entryWidth = swatch + pad + widest + pad;
        QSizeF size = across
                          ? QSizeF(std::min(rest_.width(), entryWidth * entries.size() + pad), line + 2 * pad)
                          : QSizeF(std::min(rest_.width() / 2, entryWidth + pad),
                                   std::min(rest_.height(), line * entries.size() + 2 * pad));
        QRectF box(QPointF(), size);
        switch (settings_.legend) {
            case LegendPlace::Top:
                box.moveCenter({rest_.center().x(), rest_.top() + size.height() / 2});
                rest_.setTop(box.bottom() + pad);
                break;
            case LegendPlace::Bottom:
                box.moveCenter({rest_.center().x(), rest_.bottom() - size.height() / 2});
                rest_.setBottom(box.top() - pad);
                break;
            case LegendPlace::Left:
                box.moveCenter({rest_.left() + size.width() / 2, rest_.center().y()});
                rest_.setLeft(box.right() + pad);
                break;
            case LegendPlace::Corner:
                box.moveTopRight(rest_.topRight());
                rest_.setRight(box.left() - pad);
                break;
            default:
                box.moveCenter({rest_.right() - size.width() / 2, rest_.center().y()});
                rest_.setRight(box.left() - pad);
                break;
        }
        painter_.setPen(pen_);
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(box);
        painter_.save();
        painter_.setClipRect(box, Qt::IntersectClip);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const QPointF at = across ? QPointF(box.left() + pad + i * entryWidth, box.top() + pad)
                                      : QPointF(box.left() + pad, box.top() + pad + i * line);
            painter_.setBrush(entries[i].second);
            painter_.drawRect(QRectF(at.x(), at.y() + (line - swatch) / 2, swatch, swatch));
            painter_.drawText(QRectF(at.x() + swatch + pad, at.y(), widest + pad, line),
                              Qt::AlignLeft | Qt::AlignVCenter, entries[i].first);
        }
        painter_.restore();
    }

    void pie() {
        if (data_.series.empty()) return;
        const auto& values = data_.series.front().values;
        double total = 0;
        for (double value : values)
            if (std::isfinite(value) && value > 0) total += value;
        const double side = std::min(rest_.width(), rest_.height());
        if (total <= 0 || side <= 0) return;
        QRectF circle(0, 0, side, side);
        circle.moveCenter(rest_.center());
        painter_.setPen(seriesPen());
        // Graph starts at twelve o'clock and goes clockwise; Qt's angles are anticlockwise from three.
        double start = 90;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!std::isfinite(values[i]) || values[i] <= 0) continue;
            const double sweep = -360 * values[i] / total;
            painter_.setBrush(rgbColor(settings_.seriesColor(i)));
            painter_.drawPie(circle, static_cast<int>(std::lround(start * 16)),
                             static_cast<int>(std::lround(sweep * 16)));
            start += sweep;
        }
    }

    void axesAndSeries() {
        const ValueAxis axis = valueAxisOf(settings_, data_);
        const bool percent = settings_.stacking == ChartStacking::Percent && stacked(settings_);
        const bool across = settings_.type == ChartType::Bar;  // values along the horizontal axis
        painter_.setFont(fontOf(settings_.labelFont, fontScale_));
        const QFontMetricsF metrics(painter_.font(), painter_.device());
        const double line = metrics.height(), pad = kPadding * point_, tick = kTickLength * point_;
        std::vector<double> steps;
        for (int i = 0; i <= kMostSteps; ++i) {
            const double value = axis.minimum + i * axis.majorUnit;
            if (value > axis.maximum + axis.majorUnit * 1e-9) break;
            steps.push_back(value);
        }
        double widestValue = 0, widestCategory = 0;
        for (double value : steps)
            widestValue = std::max(
                widestValue, metrics.horizontalAdvance(numberText(value, percent, settings_.valueFormat)));
        for (const auto& name : data_.categories)
            widestCategory =
                std::max(widestCategory, metrics.horizontalAdvance(QString::fromStdString(name)));

        // Room for the axis titles, then for the labels beside the axes.
        QRectF plot = rest_;
        const QString valueTitle = QString::fromStdString(settings_.valueTitle);
        const QString categoryTitle = QString::fromStdString(settings_.categoryTitle);
        const QString& leftTitle = across ? categoryTitle : valueTitle;
        const QString& bottomTitle = across ? valueTitle : categoryTitle;
        const QFont titleFont = fontOf(settings_.axisTitleFont.value_or(settings_.labelFont), fontScale_);
        const double titleLine = QFontMetricsF(titleFont, painter_.device()).height();
        if (!leftTitle.isEmpty()) plot.setLeft(plot.left() + titleLine + pad);
        if (!bottomTitle.isEmpty()) plot.setBottom(plot.bottom() - titleLine - pad);
        double leftLabels = std::min(across ? widestCategory : widestValue, plot.width() * 0.4);
        plot.setLeft(plot.left() + leftLabels + tick + pad);
        plot.setBottom(plot.bottom() - line - tick);
        plot.setTop(plot.top() + line / 2);
        plot.setRight(plot.right() - (across ? widestValue / 2 : 0));
        // Category names wider than their columns stand upright below them, each column's, rather than
        // lying across every so many columns.
        const bool upright = !across && !settings_.plotArea && !data_.categories.empty() &&
                             widestCategory + pad > plot.width() / data_.categories.size();
        const double uprightRoom = upright ? std::min(widestCategory, plot.height() * 0.4) : 0;
        if (upright) plot.setBottom(plot.bottom() - uprightRoom + line);
        // Where the chart keeps its plot area, it stays there whatever the labels: a fixed scale then
        // draws the same value at the same length in every row's chart.
        if (const auto& kept = settings_.plotArea) {
            plot = QRectF(area_.left() + kept->left * area_.width(), area_.top() + kept->top * area_.height(),
                          kept->width * area_.width(), kept->height * area_.height());
            leftLabels = std::clamp(plot.left() - rest_.left() - tick - pad, 0.0, leftLabels);
        }
        if (plot.width() <= 0 || plot.height() <= 0) return;

        painter_.setPen(Qt::black);
        painter_.save();
        painter_.setFont(titleFont);
        if (!bottomTitle.isEmpty())
            painter_.drawText(QRectF(plot.left(), rest_.bottom() - titleLine, plot.width(), titleLine),
                              Qt::AlignCenter, bottomTitle);
        if (!leftTitle.isEmpty()) {
            painter_.translate(rest_.left(), plot.center().y());
            painter_.rotate(-90);
            painter_.drawText(QRectF(-plot.height() / 2, 0, plot.height(), titleLine), Qt::AlignCenter,
                              leftTitle);
        }
        painter_.restore();

        // Positions along the value axis and across the categories.
        const double valueLength = across ? plot.width() : plot.height();
        const auto valueAt = [&](double value) {
            const double fraction = (std::clamp(value, axis.minimum, axis.maximum) - axis.minimum) /
                                    (axis.maximum - axis.minimum);
            return across ? plot.left() + fraction * valueLength : plot.bottom() - fraction * valueLength;
        };
        const std::size_t categories = std::max<std::size_t>(data_.categories.size(), 1);
        const double slot = (across ? plot.height() : plot.width()) / categories;
        // The first category lies next to the value axis's origin: at the left, or at the bottom of a
        // bar chart.
        const auto slotStart = [&](std::size_t category) {
            return across ? plot.bottom() - (category + 1) * slot : plot.left() + category * slot;
        };

        if (settings_.plotFill) painter_.fillRect(plot, rgbColor(*settings_.plotFill));
        // Gridlines and value labels.
        for (double value : steps) {
            const double at = valueAt(value);
            const QString text = numberText(value, percent, settings_.valueFormat);
            painter_.setPen(pen_);
            if (settings_.valueGridlines) {
                if (across)
                    painter_.drawLine(QPointF(at, plot.top()), QPointF(at, plot.bottom()));
                else
                    painter_.drawLine(QPointF(plot.left(), at), QPointF(plot.right(), at));
            }
            if (across) {
                painter_.drawLine(QPointF(at, plot.bottom()), QPointF(at, plot.bottom() + tick));
                painter_.drawText(QRectF(at - widestValue, plot.bottom() + tick, 2 * widestValue, line),
                                  Qt::AlignHCenter | Qt::AlignTop, text);
            } else {
                painter_.drawLine(QPointF(plot.left() - tick, at), QPointF(plot.left(), at));
                painter_.drawText(
                    QRectF(plot.left() - tick - pad / 2 - leftLabels, at - line / 2, leftLabels, line),
                    Qt::AlignRight | Qt::AlignVCenter, text);
            }
        }
        // Category labels, every one where they fit, else every so many.
        const double labelRoom = across || upright ? line : widestCategory + pad;
        const std::size_t every =
            std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(labelRoom / slot)));
        for (std::size_t i = 0; i < data_.categories.size(); i += every) {
            const QString text = QString::fromStdString(data_.categories[i]);
            painter_.setPen(pen_);
            if (across)
                painter_.drawText(
                    QRectF(plot.left() - tick - pad / 2 - leftLabels, slotStart(i), leftLabels, slot),
                    Qt::AlignRight | Qt::AlignVCenter, text);
            else if (upright) {
                painter_.save();
                painter_.translate(slotStart(i) + slot / 2, plot.bottom() + tick);
                painter_.rotate(-90);
                painter_.drawText(QRectF(-uprightRoom, -line / 2, uprightRoom, line),
                                  Qt::AlignRight | Qt::AlignVCenter,
                                  metrics.elidedText(text, Qt::ElideRight, uprightRoom));
                painter_.restore();
            } else
                painter_.drawText(QRectF(slotStart(i) + slot / 2 - widestCategory, plot.bottom() + tick,
                                         2 * widestCategory, line),
                                  Qt::AlignHCenter | Qt::AlignTop, text);
        }
        if (settings_.categoryGridlines)
            for (std::size_t i = 1; i < categories; ++i) {
                const double at = across ? slotStart(i - 1) : slotStart(i);
                if (across)
                    painter_.drawLine(QPointF(plot.left(), at), QPointF(plot.right(), at));
                else
                    painter_.drawLine(QPointF(at, plot.top()), QPointF(at, plot.bottom()));
            }

        painter_.save();
        painter_.setClipRect(plot.adjusted(-pen_.widthF(), -pen_.widthF(), pen_.widthF(), pen_.widthF()),
                             Qt::IntersectClip);
        if (settings_.type == ChartType::Line || settings_.type == ChartType::Area)
            linesOrAreas(valueAt, slotStart, slot, across);
        else
            bars(valueAt, slotStart, slot, across);
        painter_.restore();

        // The axes over the series, the category axis where the value axis crosses zero.
        painter_.setPen(pen_);
        painter_.setBrush(Qt::NoBrush);
        const double zero = valueAt(0);
        if (across) {
            painter_.drawLine(QPointF(zero, plot.top()), QPointF(zero, plot.bottom()));
            painter_.drawLine(plot.bottomLeft(), plot.bottomRight());
        } else {
            painter_.drawLine(QPointF(plot.left(), zero), QPointF(plot.right(), zero));
            painter_.drawLine(plot.topLeft(), plot.bottomLeft());
        }
    }

    template <typename ValueAt, typename SlotStart>
    void bars(const ValueAt& valueAt, const SlotStart& slotStart, double slot, bool across) {
        const std::size_t count = data_.series.size();
        if (count == 0) return;
        // A group's bars overlap by the overlap and leave the gap (both in a bar's width) to the next.
        const double overlap =
            stacked(settings_) ? 1.0 : std::clamp(settings_.overlapPercent, -100, 100) / 100.0;
        const double gap = std::clamp(settings_.gapPercent, 0, 500) / 100.0;
        const double shownBars = stacked(settings_) ? 1.0 : count - (count - 1) * overlap;
        const double width = slot / (shownBars + gap);
        painter_.setPen(seriesPen());
        for (std::size_t series = 0; series < count; ++series) {
            painter_.setBrush(rgbColor(settings_.seriesColor(series)));
            const double offset = gap * width / 2 + (stacked(settings_) ? 0 : series * width * (1 - overlap));
            for (std::size_t category = 0; category < data_.categories.size(); ++category) {
                const auto [from, to] = stackedSpan(settings_, data_, series, category);
                if (!std::isfinite(to)) continue;
                // The first series lies nearest the category axis's origin, at the bottom of a bar chart's
                // group.
                const double start =
                    across ? slotStart(category) + slot - offset - width : slotStart(category) + offset;
                const double a = valueAt(from), b = valueAt(to);
                const QRectF bar =
                    across ? QRectF(QPointF(std::min(a, b), start), QPointF(std::max(a, b), start + width))
                           : QRectF(QPointF(start, std::min(a, b)), QPointF(start + width, std::max(a, b)));
                painter_.drawRect(bar);
                if (settings_.valueLabels) valueLabel(bar, data_.series[series].values[category], across);
            }
        }
    }

    QPen seriesPen() const { return settings_.seriesOutlines ? pen_ : QPen(Qt::NoPen); }

    // A bar's value beyond its end, or a point's above it.
    void valueLabel(const QRectF& mark, double value, bool across) {
        const QFontMetricsF metrics(painter_.font(), painter_.device());
        const QString text = numberText(value, false);
        const double width = metrics.horizontalAdvance(text) + kPadding * point_, line = metrics.height();
        const bool negative = value < 0;
        const QRectF at = across ? QRectF(negative ? mark.left() - width : mark.right(),
                                          mark.center().y() - line / 2, width, line)
                                 : QRectF(mark.center().x() - width / 2,
                                          negative ? mark.bottom() : mark.top() - line, width, line);
        painter_.save();
        painter_.setPen(Qt::black);
        painter_.drawText(at, Qt::AlignCenter, text);
        painter_.restore();
    }

    template <typename ValueAt, typename SlotStart>
    void linesOrAreas(const ValueAt& valueAt, const SlotStart& slotStart, double slot, bool across) {
        const bool area = settings_.type == ChartType::Area;
        // Areas are drawn from the last series back, so that stacked ones below show in front.
        for (std::size_t n = data_.series.size(); n-- > 0;) {
            const std::size_t series = area ? n : data_.series.size() - 1 - n;
            const QColor colour = rgbColor(settings_.seriesColor(series));
            QPolygonF top, base;
            for (std::size_t category = 0; category < data_.categories.size(); ++category) {
                const auto [from, to] = stackedSpan(settings_, data_, series, category);
                if (!std::isfinite(to)) continue;
                const double along = slotStart(category) + slot / 2;
                const auto point = [&](double value) {
                    return across ? QPointF(valueAt(value), along) : QPointF(along, valueAt(value));
                };
                top << point(to);
                base.prepend(point(from));
            }
            if (area) {
                painter_.setPen(seriesPen());
                painter_.setBrush(colour);
                painter_.drawPolygon(top + base);
            } else {
                painter_.setPen(QPen(colour, std::max(pen_.widthF(), 1.5 * point_)));
                painter_.drawPolyline(top);
                painter_.setBrush(colour);
                const double marker = 2.5 * point_;
                for (const QPointF& at : settings_.lineMarkers ? top : QPolygonF())
                    painter_.drawRect(QRectF(at.x() - marker, at.y() - marker, 2 * marker, 2 * marker));
                if (settings_.valueLabels)
                    for (std::size_t category = 0, shown = 0; category < data_.categories.size();
                         ++category) {
                        const auto [from, to] = stackedSpan(settings_, data_, series, category);
                        if (!std::isfinite(to)) continue;
                        const QPointF at = top[static_cast<int>(shown++)];
                        valueLabel(QRectF(at, at), data_.series[series].values[category], across);
                    }
            }
        }
    }

    QPainter& painter_;
    const ChartSettings& settings_;
    const ChartData& data_;
    double point_;  // device units in a point
    QRectF area_;
    double fontScale_;
    QRectF rest_;  // what the parts drawn so far leave
    QPen pen_;
};

}  // namespace

ValueAxis valueAxisOf(const ChartSettings& settings, const ChartData& data) {
    if (settings.stacking == ChartStacking::Percent && stacked(settings)) return {0, 100, 20};
    double low = 0, high = 0;
    for (std::size_t series = 0; series < data.series.size(); ++series)
        for (std::size_t category = 0; category < data.categories.size(); ++category) {
            const auto [from, to] = stackedSpan(settings, data, series, category);
            if (!std::isfinite(to)) continue;
            low = std::min({low, from, to});
            high = std::max({high, from, to});
        }
    const auto& fixed = settings.valueScale;
    if (fixed.minimum) low = *fixed.minimum;
    if (fixed.maximum) high = *fixed.maximum;
    if (!(high > low) || !std::isfinite(high - low)) low = 0, high = 1;
    double step = fixed.majorUnit.value_or(0);
    if (!(step > 0) || !((high - low) / step <= kMostSteps))
        step = roundStep((high - low) * (fixed.maximum ? 1 : 1 + kHeadroom));
    ValueAxis axis{low, high, step};
    if (!fixed.minimum && low < 0) axis.minimum = std::floor(low * (1 + kHeadroom) / step) * step;
    if (!fixed.maximum) axis.maximum = std::ceil((high + (high - low) * kHeadroom) / step) * step;
    if (!(axis.maximum > axis.minimum)) axis.maximum = axis.minimum + step;
    return axis;
}

void drawChart(QPainter& painter, const QRectF& area, const ChartSettings& settings, const ChartData& data) {
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    ChartDrawing(painter, area, settings, data).draw();
    painter.restore();
}

}  // namespace platform::jet::render
