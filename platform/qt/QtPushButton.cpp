#include "platform/qt/QtPushButton.h"

#include <QPainter>
#include <QPushButton>

#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/WidgetSupport.h"

namespace platform::qt {
namespace {

// A push button drawn flat, as the pages' skinned buttons are: its back colour edge to edge inside a
// thin line, the caption centred in the button-text colour. (Qt's styles shade the face with a
// gradient, which turns a white button grey.) A pressed button darkens; the one with the focus shows
// it in its line.
class PushButtonWidget final : public Tracked<QPushButton> {
  public:
    using Tracked::Tracked;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter{this};
        const QColor face = palette().color(QPalette::Button);
        painter.fillRect(rect(), isDown() ? face.darker(115) : face);

        const bool focused = hasFocus();
        painter.setPen(QPen(palette().color(focused ? QPalette::Highlight : QPalette::Mid), focused ? 2 : 1));
        painter.drawRect(focused ? QRectF(rect()).adjusted(1, 1, -1, -1)
                                 : QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));

        painter.setPen(
            palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine, text());
    }
};

}  // namespace

QtPushButton::QtPushButton(QtUi& ui, QWidget& parent, const ControlLayout& layout,
                           const Resolution& resolution)
    : QtControl(ui, layout,
                createChild<PushButtonWidget>(parent, [this] { ui_.raiseFromToolkit(onMouseMove); }),
                resolution, QPalette::Button) {
    auto& button = static_cast<QPushButton&>(widget());
    button.setText(toQString(layout.caption));
    // Enter presses the button that has the focus, as Space does.
    button.setAutoDefault(true);
    QObject::connect(&button, &QPushButton::clicked, &button, [this] { ui_.raiseFromToolkit(onClick); });
}

}  // namespace platform::qt
