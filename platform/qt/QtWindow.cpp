#include "platform/qt/QtWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <algorithm>

#include "platform/qt/CursorFile.h"
#include "platform/qt/QtFrame.h"
#include "platform/qt/QtLabel.h"
#include "platform/qt/QtListView.h"
#include "platform/qt/QtPushButton.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtTextBox.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/WidgetSupport.h"

namespace platform::qt {
namespace {

// The window's own widget: it reports mouse moves over the background, and its closing.
class WindowWidget final : public Tracked<QWidget> {
  public:
    WindowWidget(std::function<void()> moved, std::function<void()> closing)
        : Tracked(std::move(moved)), closing_(std::move(closing)) {}

  protected:
    // Closing cannot be cancelled: the page hears of it and the window closes.
    void closeEvent(QCloseEvent* event) override {
        closing_();
        event->accept();
    }

  private:
    std::function<void()> closing_;
};

}  // namespace

QtWindow::QtWindow(QtUi& ui, const WindowLayout& layout)
    : ui_(ui), name_(layout.name), backColor_(layout.backColor), resolution_(Resolution::ofPrimaryScreen()) {
    widget_ = std::make_unique<WindowWidget>([this] { ui_.raiseFromToolkit(onMouseMove); },
                                             [this] { ui_.raiseFromToolkit(onUnload); });
    widget_->setObjectName(toQString(layout.name));
    // A fixed single border: minimize and close, no maximize, no resizing.
    widget_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                            Qt::WindowCloseButtonHint);
    widget_->setFixedSize(toPixels(layout.clientWidth, layout.clientHeight, resolution_));
    widget_->setFont(toQFont(layout.font));
    setBackColor(layout.backColor);
}

QtWindow::~QtWindow() = default;

void QtWindow::setBackColor(Color color) {
    backColor_ = color;
    paintBackground(*widget_, color);
}

std::string QtWindow::caption() const {
    return toUtf8(widget_->windowTitle());
}

void QtWindow::setCaption(std::string_view caption) {
    widget_->setWindowTitle(toQString(caption));
}

void QtWindow::show() {
    if (!shownBefore_) prepareFirstShow();
    shownBefore_ = true;
    widget_->show();
}

void QtWindow::hide() {
    widget_->hide();
}

bool QtWindow::isVisible() const {
    return widget_->isVisible();
}

void QtWindow::prepareFirstShow() {
    if (const QScreen* screen = widget_->screen()) {
        const QRect available = screen->availableGeometry();
        widget_->move(available.center() - QPoint(widget_->width() / 2, widget_->height() / 2));
    }
    // The focus waits in the first tab stop; it arrives there when the window becomes active.
    const auto first = std::find_if(tabStops_.begin(), tabStops_.end(), [this](const TabStop& stop) {
        return stop.widget->isEnabled() && stop.widget->isVisibleTo(widget_.get());
    });
    if (first != tabStops_.end()) first->widget->setFocus(Qt::TabFocusReason);
}

void QtWindow::setMouseIcon(const std::string& cursorFile) {
    customPointer_ = loadCursorFile(cursorFile);
    if (pointer_ == Pointer::Custom) setPointer(pointer_);
}

// The program's icon is the application's window icon, which the entry sets once.
void QtWindow::setProgramIcon() {
    widget_->setWindowIcon(QApplication::windowIcon());
}

void QtWindow::setPointer(Pointer pointer) {
    pointer_ = pointer;
    // Controls without a pointer of their own show the window's.
    switch (pointer) {
        case Pointer::Default:
            widget_->unsetCursor();
            break;
        case Pointer::Custom:
            widget_->setCursor(customPointer_);
            break;
        case Pointer::Hourglass:
            widget_->setCursor(Qt::WaitCursor);
            break;
    }
    for (QWidget* box : textBoxes_)
        box->setCursor(pointer == Pointer::Hourglass ? Qt::WaitCursor : Qt::IBeamCursor);
}

std::vector<Control*> QtWindow::controls() {
    std::vector<Control*> all;
    all.reserve(controls_.size());
    for (const auto& control : controls_) all.push_back(control.get());
    return all;
}

Frame& QtWindow::addFrameIn(QWidget& parent, const ControlLayout& layout) {
    return keep(std::make_unique<QtFrame>(ui_, *this, parent, layout, resolution_), layout.tabIndex);
}

Label& QtWindow::addLabelIn(QWidget& parent, const ControlLayout& layout) {
    return keep(std::make_unique<QtLabel>(ui_, parent, layout, resolution_), layout.tabIndex);
}

TextBox& QtWindow::addTextBoxIn(QWidget& parent, const ControlLayout& layout) {
    auto& box = keep(std::make_unique<QtTextBox>(ui_, parent, layout, resolution_), layout.tabIndex);
    textBoxes_.push_back(&box.widget());
    if (pointer_ == Pointer::Hourglass) box.widget().setCursor(Qt::WaitCursor);
    return box;
}

PushButton& QtWindow::addPushButtonIn(QWidget& parent, const ControlLayout& layout) {
    return keep(std::make_unique<QtPushButton>(ui_, parent, layout, resolution_), layout.tabIndex);
}

ListView& QtWindow::addListViewIn(QWidget& parent, const ControlLayout& layout) {
    return keep(std::make_unique<QtListView>(ui_, parent, layout, resolution_), layout.tabIndex);
}

template <class ControlType>
ControlType& QtWindow::keep(std::unique_ptr<ControlType> control, int tabIndex) {
    ControlType& added = *control;
    controls_.push_back(std::move(control));
    if (added.widget().focusPolicy() & Qt::TabFocus) {
        tabStops_.push_back({tabIndex, &added.widget()});
        orderTabStops();
    }
    return added;
}

// Tab moves through the controls by their tab index, in and out of frames alike.
void QtWindow::orderTabStops() {
    std::stable_sort(tabStops_.begin(), tabStops_.end(),
                     [](const TabStop& a, const TabStop& b) { return a.tabIndex < b.tabIndex; });
    for (std::size_t i = 1; i < tabStops_.size(); ++i) {
        QWidget::setTabOrder(tabStops_[i - 1].widget, tabStops_[i].widget);
    }
}

}  // namespace platform::qt
