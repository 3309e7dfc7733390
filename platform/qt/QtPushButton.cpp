#include "platform/qt/QtPushButton.h"

#include <QPushButton>

#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/WidgetSupport.h"

namespace platform::qt {

QtPushButton::QtPushButton(QtUi& ui, QWidget& parent, const ControlLayout& layout,
                           const Resolution& resolution)
    : QtControl(ui, layout,
                createChild<Tracked<QPushButton>>(parent, [this] { ui_.raiseFromToolkit(onMouseMove); }),
                resolution, QPalette::Button) {
    auto& button = static_cast<QPushButton&>(widget());
    button.setText(toQString(layout.caption));
    // Enter presses the button that has the focus, as Space does.
    button.setAutoDefault(true);
    QObject::connect(&button, &QPushButton::clicked, &button, [this] { ui_.raiseFromToolkit(onClick); });
}

}  // namespace platform::qt
