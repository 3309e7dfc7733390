#pragma once

#include "platform/qt/QtControl.h"

namespace platform::qt {

class QtPushButton final : public QtControl<PushButton, ControlKind::PushButton> {
  public:
    QtPushButton(QtUi& ui, QWidget& parent, const ControlLayout& layout, const Resolution& resolution);
};

}  // namespace platform::qt
