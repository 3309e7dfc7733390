#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>

#include "platform/Ui.h"

// How the layout's colours, fonts and twips measures look in Qt.
namespace platform::qt {

// 0x00BBGGRR as forms store it; a system colour takes the application palette's matching role.
QColor toQColor(Color color);
QFont toQFont(const Font& font);

// The screen's logical resolution, horizontally and vertically: the scale of every twips measure.
struct Resolution {
    double dotsPerInchX = 96;
    double dotsPerInchY = 96;
    static Resolution ofPrimaryScreen();
};

QRect toPixels(const TwipsRect& rect, const Resolution& resolution);
QSize toPixels(int widthTwips, int heightTwips, const Resolution& resolution);

// Gives the widget's background the colour: the palette role the widget fills its background with
// (Window for most widgets, Base for text boxes, Button for push buttons).
void paintBackground(QWidget& widget, Color color, QPalette::ColorRole role = QPalette::Window);

}  // namespace platform::qt
