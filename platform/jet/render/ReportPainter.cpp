#include "platform/jet/render/ReportPainter.h"

#include <QFont>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "platform/jet/render/ControlText.h"
#include "platform/jet/render/FontTable.h"
#include "platform/jet/render/Picture.h"
#include "platform/jet/render/Subreports.h"

namespace platform::jet::render {
namespace {

using design::Control;
using design::ControlKind;

constexpr int kTextInset = 15;       // twips between a control's edge and its text, as Access leaves
constexpr int kDefaultFontSize = 8;  // points, for a design that names none
constexpr int kHairline = 10;        // twips: a border of width 0 is a hairline
constexpr int kTwipsPerPoint = 20;
constexpr double kTwipsPerPrinterDot = 1440.0 / 600;  // code's DrawWidth counts a printer's dots
constexpr int kDefaultTextWidth = 1440;  // twips: Access's text box prototype
constexpr QRgb kButtonFace = 0xF0F0F0, kButtonShadow = 0xA0A0A0;  // Windows' button colours
// Twips a section may grow to: far more than pages of text, little enough that sums of it stay in an int.
constexpr int kTallestGrowth = std::numeric_limits<int>::max() / 64;

bool isNumeric(const query::Value& value) {
    return value.holds<std::int64_t>() || value.holds<double>() || value.holds<query::Currency>() ||
           value.holds<query::Decimal>() || value.holds<query::Date>();
}

bool isTrue(const query::Value& value) {
    if (value.holds<bool>()) return value.get<bool>();
    if (value.holds<std::int64_t>()) return value.get<std::int64_t>() != 0;
    if (value.holds<double>()) return value.get<double>() != 0;
    return false;
}

// Access's line styles: solid, dashes, short dashes, dots, sparse dots, dash dot, dash dot dot; kept
// apart in BorderLineStyle by Access 97, after "transparent" in BorderStyle by later versions.
Qt::PenStyle penStyleOf(const Control& control) {
    switch (control.borderLineStyle != 0 ? control.borderLineStyle : std::max(0, control.borderStyle - 1)) {
        case 1:
        case 2:
            return Qt::DashLine;
        case 3:
        case 4:
            return Qt::DotLine;
        case 5:
            return Qt::DashDotLine;
        case 6:
            return Qt::DashDotDotLine;
        default:
            return Qt::SolidLine;
    }
}

// The text with its format's fill character repeated where "*x" stood, until the text fills the width.
QString filledOut(const query::FormattedValue& formatted, const QFontMetrics& metrics, double width) {
    const QString before = QString::fromStdString(formatted.text.substr(0, formatted.fillAt));
    const QString after = QString::fromStdString(formatted.text.substr(formatted.fillAt));
    const QString fill = QString::fromStdString(formatted.fill);
    const double fillWidth = metrics.horizontalAdvance(fill);
    if (fillWidth <= 0) return before + after;
    const double room = width - metrics.horizontalAdvance(before + after);
    return before + fill.repeated(std::clamp(static_cast<int>(room / fillWidth), 0, 10000)) + after;
}

const char* omissionOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::ObjectFrame:
            return "images and objects";
        case ControlKind::Tab:
        case ControlKind::Page:
            return "tab controls";
        case ControlKind::Other:
            return "controls of unknown kinds";
        default:
            return nullptr;
    }
}

using Span = std::pair<int, int>;  // twips from a section's top: first line, end

// The parts of the spans that none of the covers covers, merged.
std::vector<Span> uncovered(std::vector<Span> spans, const std::vector<Span>& covers) {
    for (const Span& cover : covers) {
        std::vector<Span> rest;
        for (const Span& span : spans) {
            if (cover.second <= span.first || cover.first >= span.second || cover.first >= cover.second) {
                rest.push_back(span);
                continue;
            }
            if (span.first < cover.first) rest.emplace_back(span.first, cover.first);
            if (cover.second < span.second) rest.emplace_back(cover.second, span.second);
        }
        spans = std::move(rest);
    }
    std::sort(spans.begin(), spans.end());
    std::vector<Span> merged;
    for (const Span& span : spans) {
        if (!merged.empty() && span.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, span.second);
        else
            merged.push_back(span);
    }
    return merged;
}

// How much of the spans lies above the line.
int lengthAbove(const std::vector<Span>& spans, int line) {
    int length = 0;
    for (const auto& [first, end] : spans) length += std::max(0, std::min(end, line) - first);
    return length;
}

}  // namespace

QColor colorOf(std::uint32_t colorRef, const QColor& fallback) {
    if (colorRef & 0xFF000000u) return fallback;
    return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
                  static_cast<int>((colorRef >> 16) & 0xFF));
}

ReportPainter::ReportPainter(QPainter& painter, double devicePerTwip, QPointF origin, int printableWidth,
                             ReportEvaluator& evaluator)
    : painter_(painter),
      scale_(devicePerTwip),
      origin_(origin),
      printableWidth_(printableWidth),
      evaluator_(evaluator) {
    evaluator_.setListRows(lists_);
}

QRectF ReportPainter::areaOf(const Control& control, int top, int height) const {
    int width = control.width;
    // A text control the design gives no size kept its prototype's: a line of its font, an inch wide.
    if (control.kind == ControlKind::TextBox || control.kind == ControlKind::Label) {
        const int fontSize = control.font.size > 0 ? control.font.size : kDefaultFontSize;
        if (height <= 0) height = fontSize * kTwipsPerPoint * 6 / 5 + 2 * kTextInset;
        if (width <= 0) width = kDefaultTextWidth;
    }
    return QRectF(origin_.x() + control.left * scale_, origin_.y() + top * scale_, width * scale_,
                  height * scale_);
}

void ReportPainter::drawPage(const PlannedPage& page, const PageNumbers& numbers, int across,
                             int pagesAcross) {
    // A strip further right is the page moved left under the printable area, cut at its edges.
    const int stripLeft = std::clamp(across, 0, kMostPagesAcross) * printableWidth_;
    painter_.save();
    if (pagesAcross > 1) {
        painter_.setClipRect(QRectF(origin_.x(), origin_.y(), printableWidth_ * scale_, 1e9),
                             Qt::IntersectClip);
        painter_.translate(-stripLeft * scale_, 0);
    }
    for (const Band& band : page.bands) {
        const design::Section& section = *band.section;
        const int width = band.width > 0 ? band.width : printableWidth_ + stripLeft - band.left;
        const QRectF bandArea(origin_.x() + band.left * scale_, origin_.y() + band.top * scale_,
                              width * scale_, band.height * scale_);
        const QColor back = colorOf(section.backColor, Qt::white);
        if (back != Qt::white) painter_.fillRect(bandArea, back);
        const SectionLayout layout = layOut(section, band.scope);
        // A part of a section shows the section's controls moved up by what earlier pages showed.
        painter_.save();
        const bool part = band.offset > 0 || band.height < layout.height;
        if (part) painter_.setClipRect(bandArea, Qt::IntersectClip);
        painter_.translate(band.left * scale_, 0);
        for (const PlacedControl& placed : layout.controls) {
            // A control wholly in another part of the section is not drawn here at all: clipped away,
            // its text would still be found, copied and read aloud on this page.
            if (part && (placed.top + std::max(placed.height, 1) <= band.offset ||
                         placed.top >= band.offset + band.height))
                continue;
            // Nor one wholly on another sheet of a wide page.
            const int left = band.left + placed.control->left;
            if (pagesAcross > 1 && (left >= stripLeft + printableWidth_ ||
                                    left + std::max(placed.control->width, 1) <= stripLeft))
                continue;
            drawControl(placed, band.top - band.offset, band, numbers);
        }
        if (band.figures) drawFigures(*band.figures, band.top - band.offset);
        painter_.restore();
    }
    drawFigures(page.figures, 0);
    painter_.restore();
}

void ReportPainter::drawFigures(const CodeFigures& figures, int top) {
    for (const CodeFigure& figure : figures) {
        const QColor color = colorOf(figure.color, Qt::black);
        const double width = std::max<double>(kHairline, std::clamp(figure.drawWidth, 1, 1000) * kTwipsPerPrinterDot);
        painter_.setPen(QPen(color, width * scale_));
        painter_.setBrush(Qt::NoBrush);
        const QPointF from(origin_.x() + figure.x1 * scale_, origin_.y() + (top + figure.y1) * scale_);
        const QPointF to(origin_.x() + figure.x2 * scale_, origin_.y() + (top + figure.y2) * scale_);
        switch (figure.kind) {
        case CodeFigure::Kind::Line: painter_.drawLine(from, to); break;
        case CodeFigure::Kind::Box: painter_.drawRect(QRectF(from, to).normalized()); break;
        case CodeFigure::Kind::FilledBox: painter_.fillRect(QRectF(from, to).normalized(), color); break;
        case CodeFigure::Kind::Point: painter_.drawPoint(from); break;
        case CodeFigure::Kind::Circle: {
            // The aspect is height over width; the radius is the longer of the two half-axes.
            const double aspect = std::isfinite(figure.aspect) ? std::clamp(figure.aspect, 1e-3, 1e3) : 1;
            const double rx = (aspect > 1 ? figure.x2 / aspect : figure.x2) * scale_;
            const double ry = (aspect > 1 ? figure.x2 : figure.x2 * aspect) * scale_;
            const QRectF box(from.x() - rx, from.y() - ry, 2 * rx, 2 * ry);
            if (!figure.start && !figure.end) {
                painter_.drawEllipse(box);
                break;
            }
            // Arcs run counterclockwise from start to end, in radians; Qt counts sixteenths of a degree. Code
            // may pass any number of turns, which an int of sixteenths cannot hold.
            const auto sixteenths = [](double radians) {
                if (!std::isfinite(radians)) return 0;
                return static_cast<int>(std::fmod(std::fabs(radians), 2 * M_PI) * 180 / M_PI * 16);
            };
            const int start = sixteenths(figure.start.value_or(0));
            int span = sixteenths(figure.end.value_or(2 * M_PI)) - start;
            if (span <= 0) span += 360 * 16;
            painter_.drawArc(box, start, span);
            break;
        }
        case CodeFigure::Kind::Text: {
            Control text;
            text.font.name = figure.fontName;
            // Access's sizes run to 127 points; beyond them the default, as for a design naming none.
            if (figure.fontSize >= 1 && figure.fontSize <= 127)
                text.font.size = static_cast<int>(std::lround(figure.fontSize));
            text.font.weight = figure.bold ? 700 : 400;
            text.font.italic = figure.italic;
            setFontOf(text);
            painter_.drawText(QPointF(from.x(), from.y() + painter_.fontMetrics().ascent()),
                              QString::fromStdString(figure.text));
            break;
        }
        }
    }
}

void ReportPainter::drawControl(const PlacedControl& placed, int bandTop, const Band& band,
                                const PageNumbers& numbers) {
    const Control& control = *placed.control;
    if (!control.visible || (placed.height == 0 && control.height > 0)) return;  // hidden or shrunk away
    if (const char* omission = omissionOf(control.kind)) {
        omissions_.insert(omission);
        return;
    }
    const QRectF area = areaOf(control, bandTop + placed.top, placed.height);
    const QColor border = colorOf(control.borderColor, Qt::black);
    const double penWidth =
        std::max(control.borderWidth, 0) == 0 ? kHairline * scale_ : control.borderWidth * 20 * scale_;
    const auto outline = [&](bool always, const QRectF* shape = nullptr) {
        if (!always && control.borderStyle == 0) return;
        painter_.setPen(QPen(border, penWidth, penStyleOf(control)));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(shape ? *shape : area);
    };
    const auto background = [&] {
        if (control.backStyle != 0) painter_.fillRect(area, colorOf(control.backColor, Qt::white));
    };

    switch (control.kind) {
        case ControlKind::Line:
            if (control.borderStyle == 0) break;
            painter_.setPen(QPen(border, penWidth, penStyleOf(control)));
            if (control.lineSlant)
                painter_.drawLine(area.bottomLeft(), area.topRight());
            else
                painter_.drawLine(area.topLeft(), area.bottomRight());
            break;
        case ControlKind::Rectangle:
            background();
            outline(false);
            break;
        case ControlKind::Label:
            background();
            outline(false);
            drawText(control, area, control.caption, false);
            break;
        case ControlKind::CommandButton:
        case ControlKind::ToggleButton:
            drawButton(control, area);
            break;
        case ControlKind::TextBox: {
            background();
            outline(false);
            const auto value = valueOf(control, band, numbers);
            if (!value) {
                drawText(control, area, errorShown_, false);
                break;
            }
            drawText(control, area, formattedControlText(*value, control.format, control.decimalPlaces),
                     isNumeric(*value));
            break;
        }
        case ControlKind::ComboBox: {
            // Printed as a text box showing the row its value selects, in the first column shown.
            background();
            outline(false);
            auto value = valueOf(control, band, numbers);
            if (!value) {
                drawText(control, area, errorShown_, false);
                break;
            }
            // One showing its bound column shows its value, its rows unread.
            if (shownColumn(control) != boundColumn(control))
                if (const query::RowSet* rows = rowsOf(control)) value = comboText(control, *rows, *value);
            drawText(control, area, formattedControlText(*value, control.format, control.decimalPlaces),
                     isNumeric(*value));
            break;
        }
        case ControlKind::ListBox:
            background();
            drawList(control, area);
            outline(false);
            break;
        case ControlKind::CheckBox:
        case ControlKind::OptionButton: {
            const query::Value value = valueOf(control, band, numbers).value_or(query::Value());
            const double side = std::min(area.width(), area.height());
            const QRectF box(area.left(), area.top(), side, side);
            painter_.setPen(QPen(Qt::black, kHairline * scale_));
            painter_.setBrush(Qt::NoBrush);
            // An option button is a circle, a dot in it when it is on.
            if (control.kind == ControlKind::OptionButton) {
                painter_.drawEllipse(box);
                if (isTrue(value)) {
                    painter_.setBrush(Qt::black);
                    painter_.drawEllipse(box.adjusted(side * 0.3, side * 0.3, -side * 0.3, -side * 0.3));
                }
                break;
            }
            painter_.drawRect(box);
            if (isTrue(value)) {
                const QRectF mark = box.adjusted(side * 0.2, side * 0.2, -side * 0.2, -side * 0.2);
                painter_.drawLine(mark.topLeft(), mark.bottomRight());
                painter_.drawLine(mark.bottomLeft(), mark.topRight());
            }
            break;
        }
        case ControlKind::OptionGroup:
            background();
            outline(false);
            break;
        case ControlKind::Subreport: {
            if (!subreports_) {
                omissions_.insert("subreports");
                break;
            }
            const int height = subreports_->draw(
                control, {painter_, scale_, evaluator_, band.scope, numbers, omissions_}, area.topLeft());
            const QRectF drawn(area.topLeft(), QSizeF(area.width(), height * scale_));
            if (height > 0) outline(false, &drawn);  // one shrunk away shows nothing
            break;
        }
        case ControlKind::Chart:
            if (subreports_)
                subreports_->drawChart(control, {painter_, scale_, evaluator_, band.scope, numbers, omissions_}, area);
            else
                omissions_.insert("charts");
            outline(false);
            break;
        case ControlKind::Image:
        case ControlKind::BoundObjectFrame:
            background();
            drawPicture(control, area, band, numbers);
            outline(false);
            break;
        default:
            break;  // page breaks: the layout keeps to sections
    }
}

void ReportPainter::drawButton(const Control& control, const QRectF& area) {
    // A raised face, lit from the top left (a button's own colours are not read).
    painter_.fillRect(area, QColor(kButtonFace));
    const double edge = kHairline * scale_;
    painter_.setBrush(Qt::NoBrush);
    painter_.setPen(QPen(Qt::white, edge));
    painter_.drawLine(area.topLeft(), area.topRight());
    painter_.drawLine(area.topLeft(), area.bottomLeft());
    painter_.setPen(QPen(QColor(kButtonShadow), edge));
    painter_.drawLine(area.bottomLeft(), area.bottomRight());
    painter_.drawLine(area.topRight(), area.bottomRight());
    // The caption centred, without the "&" marking its access key ("&&" prints one "&").
    std::string caption;
    for (std::size_t i = 0; i < control.caption.size(); ++i) {
        if (control.caption[i] != '&') {
            caption += control.caption[i];
        } else if (i + 1 < control.caption.size() && control.caption[i + 1] == '&') {
            caption += '&';
            ++i;
        }
    }
    Control centred = control;
    if (centred.textAlign == design::TextAlign::General) centred.textAlign = design::TextAlign::Center;
    setFontOf(control);
    const double line = painter_.fontMetrics().height();
    drawText(centred, QRectF(area.left(), area.center().y() - line / 2, area.width(), line), caption, false);
}

const query::RowSet* ReportPainter::rowsOf(const Control& control) {
    try {
        return &lists_->rowsOf(control);
    } catch (const std::exception& error) {
        const std::string box = control.kind == ControlKind::ListBox ? "list box " : "combo box ";
        omissions_.insert("the rows of the " + box + control.name + " (" + error.what() + ")");
        return nullptr;
    }
}

void ReportPainter::drawList(const Control& control, const QRectF& area) {
    const query::RowSet* rows = rowsOf(control);
    if (!rows) return;
    setFontOf(control);
    const double line = painter_.fontMetrics().height();
    const std::vector<int> widths = columnWidthsOf(control);
    const auto drawLine = [&](double top, const auto& cellText) {
        double left = area.left();
        for (std::size_t column = 0; column < widths.size() && left < area.right(); ++column) {
            if (widths[column] <= 0) continue;
            const double right = std::min(area.right(), left + widths[column] * scale_);
            const auto [text, number] = cellText(column);
            drawText(control, QRectF(left, top, right - left, line), text, number);
            left = right;
        }
    };
    double top = area.top();
    if (control.columnHeads) {
        drawLine(top, [&](std::size_t column) {
            return std::pair(column < rows->columns.size() ? rows->columns[column] : std::string(), false);
        });
        top += line;
    }
    for (const auto& row : rows->rows) {
        if (top + line > area.bottom() + 1) break;  // the rows a list box has room for
        drawLine(top, [&](std::size_t column) {
            const query::Value value = column < row.size() ? row[column] : query::Value();
            return std::pair(controlText(value, control.format, control.decimalPlaces), isNumeric(value));
        });
        top += line;
    }
}

void ReportPainter::drawPicture(const Control& control, const QRectF& area, const Band& band,
                                const PageNumbers& numbers) {
    std::vector<std::uint8_t> bound;
    if (control.kind == ControlKind::BoundObjectFrame) {
        const auto value = valueOf(control, band, numbers);
        if (value && value->holds<query::Binary>()) bound = value->get<query::Binary>().bytes;
    }
    const std::vector<std::uint8_t>& bytes = control.kind == ControlKind::Image ? control.picture : bound;
    if (bytes.empty()) return;  // a field without an object, an image without a picture
    const QImage image = control.kind == ControlKind::Image ? pictureOf(control) : decodePicture(bytes);
    if (image.isNull()) {
        omissions_.insert("images in formats it cannot draw");
        return;
    }
    // A bound frame has no alignment of its own: a clipped object shows its top left, a zoomed one is
    // centred.
    const int alignment = control.kind == ControlKind::Image ? control.pictureAlignment
                          : control.sizeMode == 3            ? 2
                                                             : 0;
    painter_.save();
    painter_.setClipRect(area, Qt::IntersectClip);
    painter_.setRenderHint(QPainter::LosslessImageRendering);  // bitmaps of few colours, not photographs
    painter_.drawImage(pictureArea(naturalSize(image) * scale_, area, control.sizeMode, alignment), image);
    painter_.restore();
}

const QImage& ReportPainter::pictureOf(const Control& control) {
    auto cached = pictures_->find(control.picture);
    if (cached == pictures_->end())
        cached = pictures_->emplace(control.picture, decodePicture(control.picture)).first;
    return cached->second;
}

query::Value controlValue(ReportEvaluator& evaluator, const Control& control, const design::Section& section,
                          const RowScope& scope, const PageNumbers& numbers) {
    // A running sum runs over a detail's rows or a group section's groups; elsewhere it is the value.
    const design::SectionKind kind = section.kind;
    if (control.runningSum != 0 &&
        (kind == design::SectionKind::Detail || kind == design::SectionKind::GroupHeader ||
         kind == design::SectionKind::GroupFooter))
        return evaluator.runningSum(control.controlSource, scope,
                                    kind == design::SectionKind::Detail ? -1 : section.groupLevel,
                                    control.runningSum == 1, numbers);
    return evaluator.value(control.controlSource, scope, numbers);
}

std::optional<query::Value> ReportPainter::valueOf(const Control& control, const Band& band,
                                                   const PageNumbers& numbers) {
    try {
        return controlValue(evaluator_, control, *band.section, band.scope, numbers);
    } catch (const query::QueryError& error) {
        errorShown_ = errorShown(error);
        const bool shown = control.kind == ControlKind::TextBox || control.kind == ControlKind::ComboBox;
        omissions_.insert(
            notEvaluated("the control " + control.name + (shown ? ", shown as " + errorShown_ : ""), error));
        return std::nullopt;
    }
}

void ReportPainter::setFontOf(const Control& control) {
    QFont font(QString::fromStdString(fontStandIn(control.font.name).family));
    font.setPointSizeF(control.font.size > 0 ? control.font.size : kDefaultFontSize);
    if (control.font.weight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(control.font.weight, 100, 900)));
    font.setItalic(control.font.italic);
    font.setUnderline(control.font.underline);
    // Access (GDI) draws neither ligatures nor kerning. Shaped text would also carry ligature glyphs
    // into the document, whose text layer then gives back other characters than it shows.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setKerning(false);
    painter_.setFont(font);
}

int ReportPainter::textHeight(const Control& control, const std::string& text) {
    if (text.empty()) return 0;
    setFontOf(control);
    const QRectF area =
        areaOf(control, 0, control.height).adjusted(kTextInset * scale_, 0, -kTextInset * scale_, 0);
    const QRectF used = painter_.fontMetrics().boundingRect(area.toRect(), Qt::AlignTop | Qt::TextWordWrap,
                                                            QString::fromStdString(text));
    return static_cast<int>(std::min<double>(used.height() / scale_, kTallestGrowth)) + 1;
}

ReportPainter::SectionLayout ReportPainter::layOut(const design::Section& section, const RowScope& scope) {
    const Band band{&section, 0, scope, section.height};
    SectionLayout layout;
    const auto collect = [&](const auto& self, const Control& control) -> void {
        const int needed =
            control.visible ? std::clamp(neededHeight(control, band), 0, kTallestGrowth) : control.height;
        layout.controls.push_back({&control, control.top, needed});
        for (const Control& child : control.children) self(self, child);
    };
    for (const Control& control : section.controls) collect(collect, control);

    // The lines shrunk controls give back, unless another control prints on them.
    std::vector<Span> freed, printing;
    for (const PlacedControl& placed : layout.controls) {
        const int top = placed.control->top, height = std::max(placed.control->height, 0);
        if (placed.height < height) freed.emplace_back(top + placed.height, top + height);
        printing.emplace_back(top, top + std::min(placed.height, height));
    }
    freed = uncovered(std::move(freed), printing);

    // A control moves down by the growth of the controls above it (starting higher, ending where it
    // starts or higher), theirs including what moved them.
    std::vector<std::size_t> byTop(layout.controls.size());
    for (std::size_t i = 0; i < byTop.size(); ++i) byTop[i] = i;
    std::stable_sort(byTop.begin(), byTop.end(), [&](std::size_t a, std::size_t b) {
        return layout.controls[a].control->top < layout.controls[b].control->top;
    });
    std::vector<int> pushedDown(byTop.size(), 0);
    // Only the controls that grew or moved move others: the rest are passed over, so that a section of
    // many controls lays out in time.
    std::vector<std::size_t> moving;
    int growth = 0;
    for (std::size_t k = 0; k < byTop.size(); ++k) {
        PlacedControl& placed = layout.controls[byTop[k]];
        const Control& control = *placed.control;
        int down = 0;
        for (std::size_t above : moving) {
            const PlacedControl& other = layout.controls[byTop[above]];
            if (other.control->top < control.top && other.control->top + other.control->height <= control.top)
                down = std::max(down, pushedDown[above] + std::max(0, other.height - other.control->height));
        }
        pushedDown[k] = std::min(down, kTallestGrowth);
        if (pushedDown[k] > 0 || placed.height > control.height) moving.push_back(k);
        placed.top = control.top + pushedDown[k] - lengthAbove(freed, control.top);
        growth = std::max(growth, pushedDown[k] + std::max(0, placed.height - control.height));
    }
    layout.height = std::max(0, section.height + growth - lengthAbove(freed, section.height));
    return layout;
}

SectionExtent ReportPainter::measure(const design::Section& section, const RowScope& scope) {
    const SectionLayout layout = layOut(section, scope);
    SectionExtent extent;
    extent.height = layout.height;
    for (const PlacedControl& placed : layout.controls)
        addControl(*placed.control, placed.top, placed.height, extent);
    return extent;
}

int ReportPainter::neededHeight(const Control& control, const Band& band) {
    if (control.kind == ControlKind::Subreport && subreports_)
        return subreports_->height(control, {painter_, scale_, evaluator_, band.scope, {}, omissions_});
    if (control.kind != ControlKind::TextBox) return control.height;
    const bool grows = control.canGrow && band.section->canGrow;
    const bool shrinks = control.canShrink && band.section->canShrink;
    if (!grows && !shrinks) return control.height;
    const auto value = valueOf(control, band, {});
    if (!value) return control.height;
    const std::string text = controlText(*value, control.format, control.decimalPlaces);
    if (text.empty()) return shrinks ? 0 : control.height;
    return grows ? std::max(control.height, textHeight(control, text)) : control.height;
}

void ReportPainter::drawText(const Control& control, const QRectF& area, const std::string& text,
                             bool number) {
    query::FormattedValue plain;
    plain.text = text;
    drawText(control, area, plain, number);
}

void ReportPainter::drawText(const Control& control, const QRectF& area, const query::FormattedValue& formatted,
                             bool number) {
    if (formatted.text.empty() && formatted.fill.empty()) return;
    setFontOf(control);
    painter_.setPen(formatted.color ? QColor::fromRgb(static_cast<QRgb>(*formatted.color))
                                    : colorOf(control.foreColor, Qt::black));

    int horizontal = Qt::AlignLeft;
    switch (control.textAlign) {
        case design::TextAlign::General:
            horizontal = number && !formatted.leftAligned ? Qt::AlignRight : Qt::AlignLeft;
            break;
        case design::TextAlign::Left:
            horizontal = Qt::AlignLeft;
            break;
        case design::TextAlign::Center:
            horizontal = Qt::AlignHCenter;
            break;
        case design::TextAlign::Right:
            horizontal = Qt::AlignRight;
            break;
        case design::TextAlign::Distribute:
            horizontal = Qt::AlignJustify;
            break;
    }
    const double inset = kTextInset * scale_;
    const QRectF textArea = area.adjusted(inset, 0, -inset, 0);
    painter_.save();
    painter_.setClipRect(area, Qt::IntersectClip);
    // Text wraps only in a control with room for a second line: in a one-line control Access's
    // narrower measuring keeps the whole text on its line, where wrapping would lose the last word.
    const bool roomForTwoLines = area.height() >= 1.8 * painter_.fontMetrics().height();
    // A look-alike face wider than the font the label was sized for is narrowed to the room the
    // design gave the text, as the original would have fitted it.
    QRectF drawnArea = textArea;
    QString shown = formatted.fill.empty() ? QString::fromStdString(formatted.text)
                                           : filledOut(formatted, painter_.fontMetrics(), textArea.width());
    const bool sameWidths = fontStandIn(control.font.name).sameWidths;
    // A number or date wider than its box prints as # signs filling it, as Access shows it, not cut;
    // in a look-alike face of other widths it is narrowed as text is, its own width not known.
    if (number && sameWidths && painter_.fontMetrics().horizontalAdvance(shown) > textArea.width()) {
        const double sign = painter_.fontMetrics().horizontalAdvance(QLatin1Char('#'));
        shown = QString(sign > 0 ? static_cast<int>(std::max(0.0, textArea.width()) / sign) : 0, '#');
    }
    if (!roomForTwoLines && !sameWidths && textArea.width() > 0) {
        const double width = painter_.fontMetrics().horizontalAdvance(shown);
        if (width > textArea.width()) {
            const double narrowing = std::max(0.5, textArea.width() / width);
            painter_.translate(textArea.left(), 0);
            painter_.scale(narrowing, 1);
            drawnArea = QRectF(0, textArea.top(), textArea.width() / narrowing, textArea.height());
        }
    }
    painter_.drawText(drawnArea, horizontal | Qt::AlignTop | (roomForTwoLines ? Qt::TextWordWrap : 0), shown);
    painter_.restore();
}

}  // namespace platform::jet::render
