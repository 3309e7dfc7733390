#pragma once

#include <QMouseEvent>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>

// The small pieces every widget of a page shares.
namespace platform::qt {

// Creates a widget inside its parent; Qt's object tree owns and deletes it with the parent.
template <class Widget, class... Args>
Widget& createChild(QWidget& parent, Args&&... args) {
    auto child = std::make_unique<Widget>(std::forward<Args>(args)...);
    child->setParent(&parent);
    return *child.release();
}

// A widget that reports every mouse move over it, button held or not, and keeps the move to itself:
// moving over a label must not count as moving over the frame that holds it.
template <class Widget>
class Tracked : public Widget {
  public:
    explicit Tracked(std::function<void()> moved) : moved_(std::move(moved)) { this->setMouseTracking(true); }

  protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        Widget::mouseMoveEvent(event);
        reportMove(event);
    }
    void reportMove(QMouseEvent* event) {
        event->accept();
        moved_();
    }

  private:
    std::function<void()> moved_;
};

}  // namespace platform::qt
