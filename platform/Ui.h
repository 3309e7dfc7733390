#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An event of a control. The page sets the handler; the backend raises it when the toolkit reports
// the event.
class Event {
  public:
    Event& operator=(std::function<void()> handler) {
        handler_ = std::move(handler);
        return *this;
    }
    void operator()() const {
        if (handler_) handler_();
    }

  private:
    std::function<void()> handler_;
};

// A colour as forms store it: 0x00BBGGRR, or 0x80000000 | index for one of the system's colours.
using Color = std::uint32_t;
inline constexpr Color kWhite = 0x00FFFFFF;
inline constexpr Color kButtonFace = 0x8000000F;        // the system's button-face colour, COLOR_BTNFACE
inline constexpr Color kWindowBackground = 0x80000005;  // the system's colour for text boxes, COLOR_WINDOW
inline constexpr bool isSystemColor(Color c) {
    return (c & 0x80000000u) != 0;
}

// The pointer style of a window, by the numbers forms use.
enum class Pointer { Default = 0, Hourglass = 11, Custom = 99 };

struct Font {
    std::string_view face;
    double points;
    bool bold;
};

// A control's place in twips, relative to its container.
struct TwipsRect {
    int left, top, width, height;
};

enum class ControlKind { Window, Frame, Label, TextBox, PushButton, ListView };

// One row of a page's layout table.
struct ControlLayout {
    std::string_view name;
    ControlKind kind;
    std::string_view caption;
    TwipsRect rect;
    int tabIndex;
    Font font;
    Color backColor;
    bool password = false;  // a text box that shows "*" for every character
};

struct WindowLayout {
    std::string_view name;
    int clientWidth, clientHeight;  // twips
    Font font;
    Color backColor;
};

class Control {
  public:
    virtual ~Control() = default;
    virtual std::string_view name() const = 0;
    virtual ControlKind kind() const = 0;
    virtual Color backColor() const = 0;
    virtual void setBackColor(Color color) = 0;

    Event onMouseMove;
};

class TextBox : public Control {
  public:
    virtual std::string text() const = 0;
    // Raises onChange, as typing does, whenever the text differs from before.
    virtual void setText(std::string_view text) = 0;
    // Start and length count characters, not bytes.
    virtual void setSelection(int start, int length) = 0;
    virtual int selectionStart() const = 0;
    virtual int selectionLength() const = 0;
    // Asked during onChange: whether the user made the change (typing, pasting) rather than the program.
    virtual bool changeIsTyped() const = 0;
    // SetFocus: the keyboard's input goes to the box, which raises onGotFocus as a click into it does.
    virtual void setFocus() = 0;

    Event onChange;
    Event onGotFocus;
};

class PushButton : public Control {
  public:
    Event onClick;
};

class Label : public Control {};

// A check-box list in details view: column headers, and items addressed by position from 1 to the
// item count, each with its text and its check mark. Lists of any length: positions are not 16-bit.
class ListView : public Control {
  public:
    // ColumnHeaders.Add with only its text; default alignment and width.
    virtual void addColumn(std::string_view text) = 0;
    virtual int columnCount() const = 0;
    virtual std::string columnText(int column) const = 0;    // column from 1
    virtual void setColumnWidth(int column, int twips) = 0;  // column from 1
    virtual int columnWidth(int column) const = 0;           // twips

    // ListItems: Clear, Add with only its text (an unchecked item at the end), Count, Item(i).
    virtual void clear() = 0;
    virtual void add(std::string_view text) = 0;
    virtual int count() const = 0;
    // Fail with "Index out of bounds" for a position outside 1 to count().
    virtual std::string itemText(int position) const = 0;
    virtual bool checked(int position) const = 0;
    virtual void setChecked(int position, bool checked) = 0;

    // The item the user selected last, from 1; 0 when none is.
    virtual int selectedItem() const = 0;
    // Adds a command to the context menu the list shows over its items; the item under the pointer is
    // selected before the menu opens, and choosing the command raises its event.
    virtual Event& addMenuCommand(std::string_view caption) = 0;

    // An item double-clicked, after it was selected; a double click on its check box only marks it.
    Event onDoubleClick;
};

class Frame;

// A control that holds others: the window itself and its frames. The container owns what it adds.
class Container {
  public:
    virtual ~Container() = default;
    virtual Frame& addFrame(const ControlLayout& layout) = 0;
    virtual Label& addLabel(const ControlLayout& layout) = 0;
    virtual TextBox& addTextBox(const ControlLayout& layout) = 0;
    virtual PushButton& addPushButton(const ControlLayout& layout) = 0;
    virtual ListView& addListView(const ControlLayout& layout) = 0;
};

class Frame : public Control, public Container {};

// A top-level window: a page of the wizard. Closing it raises onUnload.
class Window : public Control, public Container {
  public:
    virtual std::string caption() const = 0;
    virtual void setCaption(std::string_view caption) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
    virtual Pointer pointer() const = 0;
    virtual void setPointer(Pointer pointer) = 0;
    // Loads a cursor file (.cur) as the picture of the Custom pointer; fails when it is no cursor.
    virtual void setMouseIcon(const std::string& cursorFile) = 0;
    // The program's own application icon (32, 48, 128 and 256 pixels) as the window's icon.
    virtual void setProgramIcon() = 0;
    // Every control on the window, frames' contents included, in the order they were added.
    virtual std::vector<Control*> controls() = 0;

    Event onUnload;
};

// Thrown by the calls that wait for the user or the message loop (doEvents, message boxes, dialogs) once
// the program has ended, so that the handler that was running stops there. Traps let it through; the
// backend's event dispatch absorbs it.
struct ProgramEnded {};

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Exclamation };
enum class MessageAnswer { Ok, Yes, No };

// The open-file dialog's properties, set before showOpen as a page sets them on its dialog control.
struct OpenFileDialog {
    std::string fileName;  // the chosen full path after showOpen; left alone on Cancel
    std::uint32_t flags = 0;
    std::string dialogTitle;
    // "description|pattern|description|pattern|...", the first entry preselected
    std::string filter;
};

class Ui {
  public:
    virtual ~Ui() = default;
    virtual std::unique_ptr<Window> createWindow(const WindowLayout& layout) = 0;

    // The name the platform shows for the program; also the caption of every message box that
    // names none of its own.
    virtual void setApplicationTitle(std::string_view title) = 0;
    virtual std::string applicationTitle() const = 0;

    // Modal; an empty caption shows the application title.
    virtual MessageAnswer messageBox(std::string_view text, std::string_view caption, MessageButtons buttons,
                                     MessageIcon icon) = 0;
    virtual void showOpen(Window& owner, OpenFileDialog& dialog) = 0;
    // The standard input box: the prompt, an empty edit field, OK and Cancel, the application title as
    // its caption. The typed text on OK (Enter), the empty text on Cancel (Escape, closing it).
    virtual std::string inputBox(std::string_view prompt) = 0;
    // The folder chooser: the prompt above the folders, the start folder selected when it exists (when
    // it is empty or gone, the top of the folders, or where the platform has none to show, the Desktop or
    // else home). The chosen folder's full path, exactly as the platform names it; the empty text on
    // Cancel.
    virtual std::string browseForFolder(Window& owner, std::string_view prompt,
                                        std::string_view startFolder) = 0;

    // Processes the pending window messages, so windows repaint during long loops.
    virtual void doEvents() = 0;
    // Ends the program at once: every window closes, no further handler runs, and a running handler
    // stops at its next waiting call (ProgramEnded).
    virtual void endProgram() = 0;
};

}  // namespace platform
