#include "tests/platform/qt/PageLayoutCheck.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "tests/platform/qt/QtPrinting.h"

namespace layout_check {
namespace {

QColor colorOf(Fill fill) {
    switch (fill) {
        case Fill::White:
            return QColor(Qt::white);
        case Fill::ButtonFace:
            return QApplication::palette().color(QPalette::Active, QPalette::Button);
        case Fill::TextField:
            return QApplication::palette().color(QPalette::Active, QPalette::Base);
    }
    return {};
}

// A point of the widget where nothing but its background is painted: off its caption, its text and its
// border, and clear of the controls it holds.
QPoint backgroundPoint(const QWidget& widget, Kind kind) {
    const int w = widget.width(), h = widget.height();
    switch (kind) {
        case Kind::Frame:
            return {5, h - 6};  // inside the etched line, left of the contents
        case Kind::Label:
            return {w - 1, h - 1};  // below and right of the last character
        case Kind::TextBox:
            return {w - 5, h / 2};  // right of a short text, inside the border
        case Kind::PushButton:
            return {6, h / 2};  // left of the centred caption, inside the border
        case Kind::ListView: {
            const auto& view = static_cast<const QAbstractItemView&>(widget);
            const QWidget& rows = *view.viewport();
            return rows.mapTo(&widget, QPoint(rows.width() - 4, rows.height() - 4));  // below the last row
        }
    }
    return {};
}

QString captionOf(const QWidget& widget, Kind kind) {
    if (kind == Kind::Frame) return static_cast<const QGroupBox&>(widget).title();
    if (kind == Kind::Label) return static_cast<const QLabel&>(widget).text();
    if (kind == Kind::PushButton) return static_cast<const QPushButton&>(widget).text();
    return {};
}

// The caption's room: what is left of the widget beside its border, its frame's caption gap, or the
// margins of a push button.
int captionRoom(const QWidget& widget, Kind kind) {
    if (kind == Kind::Frame) return widget.width() - 8 - 2;
    if (kind == Kind::PushButton) return widget.width() - 2 * 4;
    return widget.width();
}

void expectFont(const QWidget& widget, double points, bool bold) {
    const QFontInfo font{widget.font()};
    EXPECT_TRUE(font.family() == "Liberation Sans" || font.family() == "Arial")
        << font.family().toStdString();
    EXPECT_DOUBLE_EQ(widget.font().pointSizeF(), points);
    EXPECT_EQ(font.bold(), bold);
}

bool takesFocus(Kind kind) {
    return kind == Kind::TextBox || kind == Kind::PushButton || kind == Kind::ListView;
}

}  // namespace

void expectLayout(QWidget& window, const Window& expected, const std::vector<Control>& controls) {
    SCOPED_TRACE(expected.name);
    ASSERT_EQ(window.objectName(), expected.name);
    EXPECT_EQ(window.size(), expected.client);
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "the user cannot resize it";
    EXPECT_EQ(window.windowTitle(), expected.caption);
    expectFont(window, expected.points, expected.bold);

    QApplication::processEvents();
    const QImage painted = window.grab().toImage();
    EXPECT_EQ(painted.pixelColor(2, 2), colorOf(expected.fill)) << "window background";

    for (const Control& row : controls) {
        SCOPED_TRACE(row.name);
        auto* widget = window.findChild<QWidget*>(QString::fromLatin1(row.name));
        ASSERT_NE(widget, nullptr);
        ASSERT_NE(widget->parentWidget(), nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), row.container);
        EXPECT_EQ(widget->geometry(), row.place);
        EXPECT_TRUE(widget->isVisibleTo(&window));
        if (row.kind != Kind::TextBox && row.kind != Kind::ListView) {
            const QString caption = captionOf(*widget, row.kind);
            EXPECT_EQ(caption, row.caption);
            EXPECT_LE(widget->fontMetrics().horizontalAdvance(caption, Qt::TextShowMnemonic),
                      captionRoom(*widget, row.kind))
                << "the caption is clipped";
        }
        expectFont(*widget, row.points, row.bold);
        const QPoint sample = widget->mapTo(&window, backgroundPoint(*widget, row.kind));
        EXPECT_EQ(painted.pixelColor(sample), colorOf(row.fill))
            << "background at " << sample.x() << "," << sample.y() << " of the window";
    }

    std::vector<Control> stops;
    std::copy_if(controls.begin(), controls.end(), std::back_inserter(stops),
                 [](const Control& row) { return takesFocus(row.kind); });
    std::stable_sort(stops.begin(), stops.end(),
                     [](const Control& a, const Control& b) { return a.tabIndex < b.tabIndex; });
    ASSERT_FALSE(stops.empty());
    std::vector<std::string> order;
    for (const Control& stop : stops) order.emplace_back(stop.name);
    // From the first tab stop, once round: the walk ends where it began.
    auto* first = window.findChild<QWidget*>(QString::fromLatin1(stops.front().name));
    first->setFocus(Qt::TabFocusReason);
    std::vector<std::string> walked = tabWalk(int(stops.size()));
    std::rotate(walked.rbegin(), walked.rbegin() + 1, walked.rend());
    EXPECT_EQ(walked, order) << "tab order";
}

std::vector<std::string> tabWalk(int presses) {
    std::vector<std::string> names;
    for (int i = 0; i < presses; ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr) break;
        QTest::keyClick(focus, Qt::Key_Tab);
        names.push_back(QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString()
                                                    : std::string{});
    }
    return names;
}

}  // namespace layout_check
