#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "platform/win32/ui/WinControls.h"
#include "platform/win32/ui/WinPage.h"

namespace platform::win32::ui {

// A page of the wizard as a top-level window: fixed single border, caption, minimize box, client area
// from the layout's twips at the window's dots per inch.
class WinWindow : public Window {
  public:
    WinWindow(const WindowLayout& layout, FailureHandler onFailure);
    ~WinWindow() override;
    WinWindow(const WinWindow&) = delete;
    WinWindow& operator=(const WinWindow&) = delete;

    HWND handle() const { return page_->window(); }

    std::string_view name() const override { return layout_.name; }
    ControlKind kind() const override { return ControlKind::Window; }
    Color backColor() const override { return backColor_; }
    void setBackColor(Color color) override;

    Frame& addFrame(const ControlLayout& layout) override { return controls_->addFrame(layout); }
    Label& addLabel(const ControlLayout& layout) override { return controls_->addLabel(layout); }
    TextBox& addTextBox(const ControlLayout& layout) override { return controls_->addTextBox(layout); }
    PushButton& addPushButton(const ControlLayout& layout) override {
        return controls_->addPushButton(layout);
    }
    ListView& addListView(const ControlLayout& layout) override { return controls_->addListView(layout); }

    std::string caption() const override;
    void setCaption(std::string_view caption) override;
    void show() override;
    void hide() override;
    bool isVisible() const override;
    Pointer pointer() const override { return pointer_; }
    void setPointer(Pointer pointer) override;
    void setMouseIcon(const std::string& cursorFile) override;
    void setProgramIcon() override;
    std::vector<Control*> controls() override { return everyControl_; }

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool setCursor(HWND over, WORD hitTest);
    void mouseMoved(POINT at);

    WindowLayout layout_;
    Color backColor_;
    Pointer pointer_ = Pointer::Default;
    bool shownBefore_ = false;
    UniqueCursor customCursor_;
    UniqueIcon smallIcon_, bigIcon_;
    // Destroyed in reverse: the window first (its handle is reset in the destructor), then the controls
    // its children call back into, then the fonts and brushes they drew with.
    std::optional<Page> page_;
    std::vector<Control*> everyControl_;
    std::optional<ControlMaker> controls_;
    UniqueWindow window_;
};

// The message loop's keyboard step: Tab, Shift+Tab, Space and Enter among a page's controls. True when
// the message was handled and must not be dispatched.
bool translateWindowMessage(MSG& message);

}  // namespace platform::win32::ui
