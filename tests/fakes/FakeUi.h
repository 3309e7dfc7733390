#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/Ui.h"

namespace fakes {

// Controls that hold their state in memory and raise their events as the real toolkits do: setting
// a text box's text from code raises its change event, as typing does.
template <class Interface>
class FakeControl : public Interface {
  public:
    explicit FakeControl(const platform::ControlLayout& layout)
        : layout_(layout), backColor_(layout.backColor) {}

    std::string_view name() const override { return layout_.name; }
    platform::ControlKind kind() const override { return layout_.kind; }
    platform::Color backColor() const override { return backColor_; }
    void setBackColor(platform::Color color) override { backColor_ = color; }

    const platform::ControlLayout& layout() const { return layout_; }

  protected:
    platform::ControlLayout layout_;
    platform::Color backColor_;
};

class FakeTextBox : public FakeControl<platform::TextBox> {
  public:
    using FakeControl::FakeControl;
    std::string text() const override { return text_; }
    void setText(std::string_view text) override;
    void setSelection(int start, int length) override;
    int selectionStart() const override { return selectionStart_; }
    int selectionLength() const override { return selectionLength_; }
    bool changeIsTyped() const override { return typing_; }
    void setFocus() override { focus(); }
    bool focused() const { return focused_; }  // whether the box was given the focus

    // What the user does.
    void type(std::string_view characters);  // one change per character, at the end of the text, as typed
    void focus() {
        focused_ = true;
        onGotFocus();
    }

  private:
    std::string text_;
    int selectionStart_ = 0, selectionLength_ = 0;
    bool typing_ = false;
    bool focused_ = false;
};

class FakeLabel : public FakeControl<platform::Label> {
  public:
    using FakeControl::FakeControl;
};

class FakePushButton : public FakeControl<platform::PushButton> {
  public:
    using FakeControl::FakeControl;
    void click() { onClick(); }
};

class FakeListView : public FakeControl<platform::ListView> {
  public:
    using FakeControl::FakeControl;
    void addColumn(std::string_view text) override { columns_.push_back({std::string{text}, 0}); }
    int columnCount() const override { return static_cast<int>(columns_.size()); }
    std::string columnText(int column) const override { return columnAt(column).text; }
    void setColumnWidth(int column, int twips) override { columnAt(column).width = twips; }
    int columnWidth(int column) const override { return columnAt(column).width; }

    void clear() override { items_.clear(); }
    void add(std::string_view text) override;
    int count() const override { return static_cast<int>(items_.size()); }
    std::string itemText(int position) const override { return itemAt(position).text; }
    bool checked(int position) const override { return itemAt(position).checked; }
    void setChecked(int position, bool checked) override { itemAt(position).checked = checked; }
    int selectedItem() const override { return selected_; }
    platform::Event& addMenuCommand(std::string_view caption) override { return menu_[std::string{caption}]; }

    // What the user does: selects an item (0: none), double-clicks it, or chooses a context command
    // over it; choosing one the list does not offer fails the test.
    void select(int position) { selected_ = position; }
    void doubleClick(int position) {
        select(position);
        onDoubleClick();
    }
    void chooseMenuCommand(int position, const std::string& caption);
    std::vector<std::string> menuCommands() const;

    // The items as "text" or "[x] text", for comparing a whole list at once.
    std::vector<std::string> shown() const;
    // The item whose text this is fails every call that reads or marks it; an item named so is
    // refused by add.
    std::optional<std::string> failingItem;

  private:
    struct Column {
        std::string text;
        int width;
    };
    struct Item {
        std::string text;
        bool checked = false;
    };
    const Column& columnAt(int column) const;
    Column& columnAt(int column) { return const_cast<Column&>(std::as_const(*this).columnAt(column)); }
    const Item& itemAt(int position) const;
    Item& itemAt(int position) { return const_cast<Item&>(std::as_const(*this).itemAt(position)); }

    std::vector<Column> columns_;
    std::vector<Item> items_;
    int selected_ = 0;
    std::map<std::string, platform::Event> menu_;
};

// Adds controls to the window's one list: a frame's contents are the window's controls too.
template <class Base>
class FakeContainer : public Base {
  public:
    template <class... BaseArguments>
    explicit FakeContainer(std::vector<std::unique_ptr<platform::Control>>& all, BaseArguments&&... arguments)
        : Base(std::forward<BaseArguments>(arguments)...), all_(all) {}

    platform::Frame& addFrame(const platform::ControlLayout& layout) override;
    platform::Label& addLabel(const platform::ControlLayout& layout) override {
        return add<FakeLabel>(layout);
    }
    platform::TextBox& addTextBox(const platform::ControlLayout& layout) override {
        return add<FakeTextBox>(layout);
    }
    platform::PushButton& addPushButton(const platform::ControlLayout& layout) override {
        return add<FakePushButton>(layout);
    }
    platform::ListView& addListView(const platform::ControlLayout& layout) override {
        return add<FakeListView>(layout);
    }

  private:
    template <class Fake, class... Arguments>
    Fake& add(Arguments&&... arguments) {
        auto control = std::make_unique<Fake>(std::forward<Arguments>(arguments)...);
        Fake& result = *control;
        all_.push_back(std::move(control));
        return result;
    }

    std::vector<std::unique_ptr<platform::Control>>& all_;
};

class FakeFrame : public FakeContainer<FakeControl<platform::Frame>> {
  public:
    using FakeContainer::FakeContainer;
};

template <class Base>
platform::Frame& FakeContainer<Base>::addFrame(const platform::ControlLayout& layout) {
    return add<FakeFrame>(all_, layout);
}

class FakeWindow : public FakeContainer<platform::Window> {
  public:
    explicit FakeWindow(const platform::WindowLayout& layout)
        : FakeContainer(controls_), layout_(layout), backColor_(layout.backColor) {}

    std::string_view name() const override { return layout_.name; }
    platform::ControlKind kind() const override { return platform::ControlKind::Window; }
    platform::Color backColor() const override { return backColor_; }
    void setBackColor(platform::Color color) override { backColor_ = color; }

    std::string caption() const override { return caption_; }
    void setCaption(std::string_view caption) override { caption_ = caption; }
    void show() override { visible_ = true; }
    void hide() override { visible_ = false; }
    bool isVisible() const override { return visible_; }
    platform::Pointer pointer() const override { return pointer_; }
    void setPointer(platform::Pointer pointer) override { pointer_ = pointer; }
    void setMouseIcon(const std::string& cursorFile) override;
    void setProgramIcon() override { hasProgramIcon = true; }
    std::vector<platform::Control*> controls() override;

    // Finds a control by name and kind; throws when absent, which fails the test.
    template <class Fake>
    Fake& find(std::string_view name) {
        for (auto& control : controls_) {
            if (control->name() == name) {
                if (auto* fake = dynamic_cast<Fake*>(control.get())) return *fake;
            }
        }
        throw std::logic_error("no control " + std::string{name});
    }
    FakeTextBox& textBox(std::string_view name) { return find<FakeTextBox>(name); }
    FakePushButton& button(std::string_view name) { return find<FakePushButton>(name); }
    FakeListView& listView(std::string_view name) { return find<FakeListView>(name); }

    void close() { onUnload(); }

    std::string mouseIcon;  // the cursor file last loaded
    bool hasProgramIcon = false;
    bool refuseMouseIcons = false;  // loading a cursor file fails while set

  private:
    std::vector<std::unique_ptr<platform::Control>> controls_;
    platform::WindowLayout layout_;
    platform::Color backColor_;
    std::string caption_;
    bool visible_ = false;
    platform::Pointer pointer_ = platform::Pointer::Default;
};

class FakeUi : public platform::Ui {
  public:
    struct Message {
        std::string text, caption;
        platform::MessageButtons buttons;
        platform::MessageIcon icon;
    };

    std::unique_ptr<platform::Window> createWindow(const platform::WindowLayout& layout) override;
    void setApplicationTitle(std::string_view title) override { applicationTitle_ = title; }
    std::string applicationTitle() const override { return applicationTitle_; }
    platform::MessageAnswer messageBox(std::string_view text, std::string_view caption,
                                       platform::MessageButtons buttons, platform::MessageIcon icon) override;
    void showOpen(platform::Window& owner, platform::OpenFileDialog& dialog) override;
    std::string inputBox(std::string_view prompt) override;
    std::string browseForFolder(platform::Window& owner, std::string_view prompt,
                                std::string_view startFolder) override;
    void doEvents() override;
    void endProgram() override { ended = true; }

    // The windows created so far, in order; the ui keeps no ownership.
    std::vector<FakeWindow*> windows;
    FakeWindow& window(std::string_view name);

    std::vector<Message> messages;
    std::function<void()> whileMessageShows;      // what is looked at while a message box is up
    std::deque<platform::MessageAnswer> answers;  // given in turn; Ok (or No) when none is left

    // What the open dialog does: picks a path, is cancelled (nullopt), or fails to open (failure set).
    std::optional<std::string> openDialogChoice;
    std::optional<std::string> openDialogFailure;
    std::vector<platform::OpenFileDialog> openDialogsShown;  // the properties at each showOpen

    // What the input box answers in turn (nullopt: Cancel); Cancel when none is left.
    std::deque<std::optional<std::string>> inputs;
    std::vector<std::string> inputPrompts;  // with the caption: "caption|prompt"

    // What the folder chooser answers (empty: Cancel), and the prompt and start folder of each showing.
    std::string chosenFolder;
    std::optional<std::string> folderChooserFailure;
    std::vector<std::pair<std::string, std::string>> folderChoosersShown;

    int eventRounds = 0;
    std::function<void()> duringEvents;  // what the user does while the message loop is served
    bool ended = false;
    bool refuseMouseIcons = false;  // windows created while set fail to load cursor files

  private:
    void stopIfEnded() const;

    std::string applicationTitle_;  // empty, as a platform's is until the program sets it
};

}  // namespace fakes
