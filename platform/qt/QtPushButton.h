#pragma once

#include "platform/qt/QtControl.h"

namespace platform::qt {

class QtPushButton final : public QtControl<PushButton, ControlKind::PushButton> {
  public:
    QtPushButton(QtUi& ui, QWidget& parent, const ControlSpec& spec, const Resolution& resolution);
};

}  // namespace platform::qt
