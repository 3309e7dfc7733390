#include "platform/qt/QtTextBox.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>

#include "platform/Failure.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/WidgetSupport.h"

namespace platform::qt {
namespace {

// A line edit that says when it receives the focus in the page's sense: by Tab, by a click or from the
// program, and once when its window first shows with the focus in it. Coming back to a window that was
// left for another program, a menu or a message box is not a new arrival.
class LineEdit final : public Tracked<QLineEdit> {
  public:
    LineEdit(std::function<void()> moved, std::function<void()> gotFocus)
        : Tracked(std::move(moved)), gotFocus_(std::move(gotFocus)) {}

  protected:
    void focusInEvent(QFocusEvent* event) override {
        Tracked::focusInEvent(event);
        const bool returning = hadFocus_;
        hadFocus_ = true;
        const auto reason = event->reason();
        if (returning && (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)) return;
        if (reason == Qt::MouseFocusReason) {
            // The click that brought the focus goes on to place the caret, which would drop a selection
            // the handler makes now: the event waits until the press has been handled.
            focusClickPending_ = true;
            QTimer::singleShot(0, this, [this] { raiseFocusOfClick(); });
            return;
        }
        gotFocus_();
    }

    void mousePressEvent(QMouseEvent* event) override {
        Tracked::mousePressEvent(event);
        if (focusClickPending_) {
            focusClickHeld_ = (event->buttons() & Qt::LeftButton) != 0;
            raiseFocusOfClick();
        }
    }

    // While the button of that click stays down, a small slip of the mouse must not turn the handler's
    // selection into a drag selection.
    void mouseMoveEvent(QMouseEvent* event) override {
        if (focusClickHeld_ && (event->buttons() & Qt::LeftButton)) {
            reportMove(event);
            return;
        }
        Tracked::mouseMoveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        Tracked::mouseReleaseEvent(event);
        focusClickHeld_ = false;
    }

  private:
    void raiseFocusOfClick() {
        if (!focusClickPending_) return;
        focusClickPending_ = false;
        if (hasFocus()) gotFocus_();
    }

    std::function<void()> gotFocus_;
    bool hadFocus_ = false;
    bool focusClickPending_ = false;
    bool focusClickHeld_ = false;
};

}  // namespace

QtTextBox::QtTextBox(QtUi& ui, QWidget& parent, const ControlLayout& layout, const Resolution& resolution)
    : QtControl(ui, layout,
                createChild<LineEdit>(
                    parent, [this] { ui_.raiseFromToolkit(onMouseMove); },
                    [this] { ui_.raiseFromToolkit(onGotFocus); }),
                resolution, QPalette::Base),
      edit_(static_cast<QLineEdit&>(widget())) {
    if (layout.password) {
        edit_.setEchoMode(QLineEdit::Password);
        edit_.setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
    }
    // Typing, pasting, undoing: every change the user makes.
    QObject::connect(&edit_, &QLineEdit::textChanged, &edit_, [this] { textChanged(); });
}

void QtTextBox::textChanged() {
    if (!settingText_) ui_.raiseFromToolkit(onChange);
}

std::string QtTextBox::text() const {
    return toUtf8(edit_.text());
}

void QtTextBox::setText(std::string_view text) {
    const QString before = edit_.text();
    const QString after = toQString(text);
    if (after == before) return;  // no change: no event, and the caret and selection stay
    {
        const QScopedValueRollback<bool> quiet{settingText_, true};
        edit_.setText(after);
    }
    // The start of a long path stays in view, as in a box whose text was set from code on Windows.
    edit_.setCursorPosition(0);
    if (edit_.text() != before) {
        const QScopedValueRollback<bool> fromCode{settingText_, true};
        ui_.raiseFromCall(onChange);
    }
}

void QtTextBox::setSelection(int start, int length) {
    if (start < 0 || length < 0) throw Failure("Invalid property value", 380);
    // Past the end, both stop at the end of the text.
    const QString content = edit_.text();
    const int count = characterCount(content);
    const int first = std::min(start, count);
    const int from = utf16Offset(content, first);
    const int to = utf16Offset(content, first + std::min(length, count - first));
    if (to == from) {
        edit_.deselect();
        edit_.setCursorPosition(from);
    } else {
        edit_.setSelection(from, to - from);
    }
}

void QtTextBox::setFocus() {
    edit_.setFocus(Qt::OtherFocusReason);
}

int QtTextBox::selectionStart() const {
    const int utf16 = edit_.hasSelectedText() ? edit_.selectionStart() : edit_.cursorPosition();
    return characterPosition(edit_.text(), utf16);
}

int QtTextBox::selectionLength() const {
    if (!edit_.hasSelectedText()) return 0;
    const QString content = edit_.text();
    return characterPosition(content, edit_.selectionEnd()) -
           characterPosition(content, edit_.selectionStart());
}

}  // namespace platform::qt
