#include "platform/qt/QtLook.h"

#include <QApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include "platform/Twips.h"
#include "platform/qt/QtText.h"

namespace platform::qt {
namespace {

// The system colours forms use, by their index (the low bits of 0x800000nn).
QPalette::ColorRole systemColorRole(Color color) {
    switch (color & 0xFFu) {
        case 4:
            return QPalette::Window;  // menu background
        case 5:
            return QPalette::Base;  // text box background
        case 6:
            return QPalette::Dark;  // window frame
        case 7:
            return QPalette::Text;  // menu text
        case 8:
            return QPalette::WindowText;  // window text
        case 13:
            return QPalette::Highlight;  // selected items
        case 14:
            return QPalette::HighlightedText;  // selected text
        case 15:
            return QPalette::Button;  // button face
        case 16:
            return QPalette::Mid;  // button shadow
        case 17:
            return QPalette::PlaceholderText;  // grey text
        case 18:
            return QPalette::ButtonText;  // button text
        case 20:
            return QPalette::Light;  // button highlight
        case 21:
            return QPalette::Shadow;  // 3-D dark shadow
        case 24:
            return QPalette::ToolTipBase;  // tooltip background
        case 23:
            return QPalette::ToolTipText;  // tooltip text
        default:
            return QPalette::Window;
    }
}

}  // namespace

QColor toQColor(Color color) {
    if (isSystemColor(color)) return QApplication::palette().color(QPalette::Active, systemColorRole(color));
    return QColor(int(color & 0xFFu), int((color >> 8) & 0xFFu), int((color >> 16) & 0xFFu));
}

QFont toQFont(const Font& font) {
    QFont result{toQString(font.face)};
    result.setPointSizeF(font.points);
    result.setBold(font.bold);
    // Whole-pixel glyph advances, as the layouts were measured on Windows: "Password (if required):"
    // is 130 pixels there and here, where unhinted advances make it 130.55 and push it over its label.
    result.setHintingPreference(QFont::PreferFullHinting);
    return result;
}

Resolution Resolution::ofPrimaryScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {};
    return {screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()};
}

QRect toPixels(const TwipsRect& rect, const Resolution& resolution) {
    return QRect(twipsToPixels(rect.left, resolution.dotsPerInchX),
                 twipsToPixels(rect.top, resolution.dotsPerInchY),
                 twipsToPixels(rect.width, resolution.dotsPerInchX),
                 twipsToPixels(rect.height, resolution.dotsPerInchY));
}

QSize toPixels(int widthTwips, int heightTwips, const Resolution& resolution) {
    return QSize(twipsToPixels(widthTwips, resolution.dotsPerInchX),
                 twipsToPixels(heightTwips, resolution.dotsPerInchY));
}

void paintBackground(QWidget& widget, Color color, QPalette::ColorRole role) {
    QPalette palette = widget.palette();
    palette.setColor(role, toQColor(color));
    widget.setPalette(palette);
    if (role == QPalette::Window) widget.setAutoFillBackground(true);
}

}  // namespace platform::qt
