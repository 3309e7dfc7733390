#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <string>
#include <vector>

class QWidget;

// Checks a page's real window against what its layout table says: every control's place in pixels at
// 96 dpi (15 twips to the pixel), its caption, its font, the colour it is painted in, and the order Tab
// walks. The expectations are written out by each test from the table, never read back from the page.
namespace layout_check {

enum class Kind { Frame, Label, TextBox, PushButton, ListView };

// The colours a page's areas are painted in.
enum class Fill {
    White,       // 00FFFFFF
    ButtonFace,  // the system's button face: the palette's Button colour
    TextField,   // the system's colour for text boxes and lists: the palette's Base colour
};

struct Control {
    const char* name;
    Kind kind;
    const char* container;  // the window's or a frame's name
    QRect place;            // in the container, in pixels
    QString caption;        // labels, frames and push buttons
    double points;
    bool bold;
    Fill fill;
    int tabIndex;
};

struct Window {
    const char* name;
    QSize client;  // pixels
    QString caption;
    double points;
    bool bold;
    Fill fill;
};

// One failure per row and property that differs. Focus moves: Tab is pressed once per control that
// takes the focus, from the first of them, and the walk must follow the tab indices.
void expectLayout(QWidget& window, const Window& expected, const std::vector<Control>& controls);

// The names of the widgets the focus visits with `presses` presses of Tab from where it is now.
std::vector<std::string> tabWalk(int presses);

}  // namespace layout_check
