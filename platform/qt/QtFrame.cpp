#include "platform/qt/QtFrame.h"

#include <QGroupBox>
#include <QPainter>
#include <algorithm>

#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtWindow.h"
#include "platform/qt/WidgetSupport.h"

namespace platform::qt {
namespace {

// A frame drawn as forms draw theirs: an etched line around the whole area, broken at the top-left by
// the caption, and inside it nothing but the frame's own background. (Qt's group boxes shade their
// inside and set the caption above the line, which leaves the white labels in a grey box.)
class FrameWidget final : public Tracked<QGroupBox> {
  public:
    using Tracked::Tracked;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter{this};
        const QFontMetrics metrics{font()};
        const QRect line = rect().adjusted(0, metrics.height() / 2, -2, -2);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(line);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(line.translated(1, 1));

        if (title().isEmpty()) return;
        constexpr int kCaptionLeft = 8;
        constexpr int kGap = 2;
        const int width = metrics.horizontalAdvance(title(), Qt::TextShowMnemonic);
        const QRect caption{kCaptionLeft, 0, std::min(width, this->width() - kCaptionLeft - kGap),
                            metrics.height()};
        painter.fillRect(caption.adjusted(-kGap, 0, kGap, 0), palette().brush(QPalette::Window));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine,
                         title());
    }
};

}  // namespace

QtFrame::QtFrame(QtUi& ui, QtWindow& window, QWidget& parent, const ControlLayout& layout,
                 const Resolution& resolution)
    : QtControl(ui, layout, createChild<FrameWidget>(parent, [this] { ui_.raiseFromToolkit(onMouseMove); }),
                resolution),
      window_(window) {
    static_cast<QGroupBox&>(widget()).setTitle(toQString(layout.caption));
}

Frame& QtFrame::addFrame(const ControlLayout& layout) {
    return window_.addFrameIn(widget(), layout);
}
Label& QtFrame::addLabel(const ControlLayout& layout) {
    return window_.addLabelIn(widget(), layout);
}
TextBox& QtFrame::addTextBox(const ControlLayout& layout) {
    return window_.addTextBoxIn(widget(), layout);
}
PushButton& QtFrame::addPushButton(const ControlLayout& layout) {
    return window_.addPushButtonIn(widget(), layout);
}
ListView& QtFrame::addListView(const ControlLayout& layout) {
    return window_.addListViewIn(widget(), layout);
}

}  // namespace platform::qt
