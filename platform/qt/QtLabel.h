#pragma once

#include "platform/qt/QtControl.h"

namespace platform::qt {

class QtLabel final : public QtControl<Label, ControlKind::Label> {
  public:
    QtLabel(QtUi& ui, QWidget& parent, const ControlLayout& layout, const Resolution& resolution);
};

}  // namespace platform::qt
