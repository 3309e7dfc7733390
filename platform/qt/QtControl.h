#pragma once

#include <QPalette>
#include <QWidget>
#include <string>

#include "platform/Ui.h"
#include "platform/qt/QtLook.h"

namespace platform::qt {

class QtUi;

// What every control of a page has: its name, its kind, its widget and its background colour.
template <class Interface, ControlKind Kind>
class QtControl : public Interface {
  public:
    std::string_view name() const override { return name_; }
    ControlKind kind() const override { return Kind; }
    Color backColor() const override { return backColor_; }
    void setBackColor(Color color) override {
        backColor_ = color;
        paintBackground(widget_, color, backgroundRole_);
    }

    QWidget& widget() const { return widget_; }

  protected:
    // The widget belongs to Qt's object tree (its container's widget) and dies before this object.
    QtControl(QtUi& ui, const ControlLayout& layout, QWidget& widget, const Resolution& resolution,
              QPalette::ColorRole backgroundRole = QPalette::Window)
        : ui_(ui), name_(layout.name), widget_(widget), backgroundRole_(backgroundRole) {
        widget.setObjectName(QString::fromUtf8(layout.name.data(), qsizetype(layout.name.size())));
        widget.setGeometry(toPixels(layout.rect, resolution));
        widget.setFont(toQFont(layout.font));
        setBackColor(layout.backColor);
    }

    QtUi& ui_;

  private:
    std::string name_;
    QWidget& widget_;
    QPalette::ColorRole backgroundRole_;
    Color backColor_ = 0;
};

}  // namespace platform::qt
