#pragma once

#include <QCursor>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "platform/qt/QtLook.h"

namespace platform::qt {

class QtUi;

// A page's top-level window: a fixed-size client area measured in twips, centred when first shown.
class QtWindow final : public Window {
  public:
    QtWindow(QtUi& ui, const WindowLayout& layout);
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    std::string_view name() const override { return name_; }
    ControlKind kind() const override { return ControlKind::Window; }
    Color backColor() const override { return backColor_; }
    void setBackColor(Color color) override;

    Frame& addFrame(const ControlLayout& layout) override { return addFrameIn(*widget_, layout); }
    Label& addLabel(const ControlLayout& layout) override { return addLabelIn(*widget_, layout); }
    TextBox& addTextBox(const ControlLayout& layout) override { return addTextBoxIn(*widget_, layout); }
    PushButton& addPushButton(const ControlLayout& layout) override {
        return addPushButtonIn(*widget_, layout);
    }
    ListView& addListView(const ControlLayout& layout) override { return addListViewIn(*widget_, layout); }

    std::string caption() const override;
    void setCaption(std::string_view caption) override;
    void show() override;
    void hide() override;
    bool isVisible() const override;
    Pointer pointer() const override { return pointer_; }
    void setPointer(Pointer pointer) override;
    void setMouseIcon(const std::string& cursorFile) override;
    void setProgramIcon() override;
    std::vector<Control*> controls() override;

    // A control of this window inside one of its widgets: the frames place their contents this way.
    Frame& addFrameIn(QWidget& parent, const ControlLayout& layout);
    Label& addLabelIn(QWidget& parent, const ControlLayout& layout);
    TextBox& addTextBoxIn(QWidget& parent, const ControlLayout& layout);
    PushButton& addPushButtonIn(QWidget& parent, const ControlLayout& layout);
    ListView& addListViewIn(QWidget& parent, const ControlLayout& layout);

    QWidget& widget() const { return *widget_; }

  private:
    template <class ControlType>
    ControlType& keep(std::unique_ptr<ControlType> control, int tabIndex);
    void orderTabStops();
    void prepareFirstShow();

    struct TabStop {
        int tabIndex;
        QWidget* widget;  // owned by the window's widget
    };

    QtUi& ui_;
    std::string name_;
    Color backColor_;
    Resolution resolution_;
    Pointer pointer_ = Pointer::Default;
    QCursor customPointer_{Qt::ArrowCursor};  // the arrow while no picture has been set
    bool shownBefore_ = false;
    std::vector<TabStop> tabStops_;
    std::vector<QWidget*> textBoxes_;  // they keep their I-beam except under the hourglass
    // The controls outlive their widgets, which Qt deletes with the window's widget: declared first.
    std::vector<std::unique_ptr<Control>> controls_;
    std::unique_ptr<QWidget> widget_;
};

}  // namespace platform::qt
