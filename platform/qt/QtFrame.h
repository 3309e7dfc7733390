#pragma once

#include "platform/qt/QtControl.h"

namespace platform::qt {

class QtWindow;

// A group frame. Its contents are controls of its window, placed inside the frame's widget, measured
// from the frame's top-left corner as the form designer measured them.
class QtFrame final : public QtControl<Frame, ControlKind::Frame> {
  public:
    QtFrame(QtUi& ui, QtWindow& window, QWidget& parent, const ControlLayout& layout,
            const Resolution& resolution);

    Frame& addFrame(const ControlLayout& layout) override;
    Label& addLabel(const ControlLayout& layout) override;
    TextBox& addTextBox(const ControlLayout& layout) override;
    PushButton& addPushButton(const ControlLayout& layout) override;
    ListView& addListView(const ControlLayout& layout) override;

  private:
    QtWindow& window_;
};

}  // namespace platform::qt
