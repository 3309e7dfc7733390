#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "platform/win32/WideText.h"
#include "platform/win32/ui/WinPage.h"

namespace platform::win32::ui {

// The parts of Control that every child window implements the same way.
template <typename Interface>
class WinControl : public Interface, public ChildControl {
  public:
    WinControl(Page& page, const ControlLayout& layout)
        : page_(page), layout_(layout), backColor_(layout.backColor) {}

    std::string_view name() const override { return layout_.name; }
    ControlKind kind() const override { return layout_.kind; }
    Color backColor() const override { return backColor_; }
    void setBackColor(Color color) override {
        backColor_ = color;
        InvalidateRect(handle(), nullptr, TRUE);
    }
    platform::Control& control() override { return *this; }

  protected:
    // Creates the window, gives it its caption and registers it with the page.
    void create(const wchar_t* className, DWORD style, POINT origin) {
        HWND created = page_.createChild(className, style, layout_, origin);
        SetWindowTextW(created, toWide(layout_.caption).c_str());
        attach(created, page_);
        page_.add(*this, layout_);
    }

    Page& page_;
    ControlLayout layout_;

  private:
    Color backColor_;
};

class WinLabel : public WinControl<Label> {
  public:
    WinLabel(Page& page, const ControlLayout& layout, POINT origin);
};

class WinPushButton : public WinControl<PushButton> {
  public:
    WinPushButton(Page& page, const ControlLayout& layout, POINT origin);
    void command(WORD code) override;
};

class WinTextBox : public WinControl<TextBox> {
  public:
    WinTextBox(Page& page, const ControlLayout& layout, POINT origin);

    std::string text() const override;
    void setText(std::string_view text) override;
    void setSelection(int start, int length) override;
    int selectionStart() const override;
    int selectionLength() const override;
    bool changeIsTyped() const override { return !settingText_; }
    void setFocus() override;
    void command(WORD code) override;

  private:
    bool settingText_ = false;
    std::exception_ptr changeFailure_;  // of onChange while setText runs
};

// Adds controls to the page at an origin in twips: the page's own at (0, 0), a frame's at the frame's
// place, so that a frame's contents sit inside it while staying children of the page window.
class ControlMaker : public Container {
  public:
    ControlMaker(Page& page, POINT origin, std::vector<Control*>& everyControl)
        : page_(page), origin_(origin), everyControl_(everyControl) {}

    Frame& addFrame(const ControlLayout& layout) override;
    Label& addLabel(const ControlLayout& layout) override;
    TextBox& addTextBox(const ControlLayout& layout) override;
    PushButton& addPushButton(const ControlLayout& layout) override;
    ListView& addListView(const ControlLayout& layout) override;

  private:
    template <typename Made, typename... Arguments>
    Made& make(Arguments&&... arguments);

    Page& page_;
    POINT origin_;
    std::vector<Control*>& everyControl_;
    std::vector<std::unique_ptr<Control>> owned_;
};

class WinFrame : public WinControl<Frame> {
  public:
    WinFrame(Page& page, const ControlLayout& layout, POINT origin, std::vector<Control*>& everyControl);

    Frame& addFrame(const ControlLayout& layout) override { return contents_.addFrame(layout); }
    Label& addLabel(const ControlLayout& layout) override { return contents_.addLabel(layout); }
    TextBox& addTextBox(const ControlLayout& layout) override { return contents_.addTextBox(layout); }
    PushButton& addPushButton(const ControlLayout& layout) override {
        return contents_.addPushButton(layout);
    }
    ListView& addListView(const ControlLayout& layout) override { return contents_.addListView(layout); }

  private:
    ControlMaker contents_;
};

}  // namespace platform::win32::ui
