#include "tests/fakes/FakeUi.h"

#include "app/Text.h"
#include "platform/Failure.h"

namespace fakes {

void FakeTextBox::setText(std::string_view text) {
    if (text == text_) return;
    text_ = text;
    selectionStart_ = selectionLength_ = 0;
    onChange();
}

void FakeTextBox::setSelection(int start, int length) {
    if (start < 0 || length < 0) throw platform::Failure{"Invalid property value", 380};
    const int size = static_cast<int>(calvenor::characterCount(text_));
    selectionStart_ = std::min(std::max(start, 0), size);
    selectionLength_ = std::min(std::max(length, 0), size - selectionStart_);
}

void FakeTextBox::type(std::string_view characters) {
    while (!characters.empty()) {
        const auto character = calvenor::firstCharacters(characters, 1);
        characters.remove_prefix(character.size());
        typing_ = true;
        try {
            setText(text_ + std::string{character});
        } catch (...) {
            typing_ = false;
            throw;
        }
        typing_ = false;
        selectionStart_ = static_cast<int>(calvenor::characterCount(text_));
    }
}

void FakeListView::add(std::string_view text) {
    if (failingItem && text == *failingItem) throw platform::Failure{"Item refused"};
    items_.push_back({std::string{text}});
}

void FakeListView::chooseMenuCommand(int position, const std::string& caption) {
    auto command = menu_.find(caption);
    if (command == menu_.end()) throw std::logic_error("no context command " + caption);
    select(position);
    command->second();
}

std::vector<std::string> FakeListView::menuCommands() const {
    std::vector<std::string> captions;
    for (const auto& [caption, event] : menu_) captions.push_back(caption);
    return captions;
}

std::vector<std::string> FakeListView::shown() const {
    std::vector<std::string> result;
    for (const auto& item : items_) result.push_back((item.checked ? "[x] " : "") + item.text);
    return result;
}

const FakeListView::Column& FakeListView::columnAt(int column) const {
    if (column < 1 || column > columnCount()) throw platform::Failure{"Index out of bounds", 35600};
    return columns_[static_cast<std::size_t>(column - 1)];
}

const FakeListView::Item& FakeListView::itemAt(int position) const {
    if (position < 1 || position > count()) throw platform::Failure{"Index out of bounds", 35600};
    const Item& item = items_[static_cast<std::size_t>(position - 1)];
    if (failingItem && item.text == *failingItem) throw platform::Failure{"Item unavailable"};
    return item;
}

void FakeWindow::setMouseIcon(const std::string& cursorFile) {
    if (refuseMouseIcons) throw platform::Failure{"Invalid picture", 481};
    mouseIcon = cursorFile;
}
std::vector<platform::Control*> FakeWindow::controls() {
    std::vector<platform::Control*> result;
    for (auto& control : controls_) result.push_back(control.get());
    return result;
}

std::unique_ptr<platform::Window> FakeUi::createWindow(const platform::WindowLayout& layout) {
    auto window = std::make_unique<FakeWindow>(layout);
    window->refuseMouseIcons = refuseMouseIcons;
    windows.push_back(window.get());
    return window;
}

FakeWindow& FakeUi::window(std::string_view name) {
    for (auto* window : windows) {
        if (window->name() == name) return *window;
    }
    throw std::logic_error("no window " + std::string{name});
}

void FakeUi::stopIfEnded() const {
    if (ended) throw platform::ProgramEnded{};
}

void FakeUi::doEvents() {
    stopIfEnded();
    ++eventRounds;
    if (duringEvents) duringEvents();
}

platform::MessageAnswer FakeUi::messageBox(std::string_view text, std::string_view caption,
                                           platform::MessageButtons buttons, platform::MessageIcon icon) {
    stopIfEnded();
    messages.push_back(
        {std::string{text}, caption.empty() ? applicationTitle_ : std::string{caption}, buttons, icon});
    if (whileMessageShows) whileMessageShows();
    if (!answers.empty()) {
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == platform::MessageButtons::Ok ? platform::MessageAnswer::Ok
                                                   : platform::MessageAnswer::No;
}

void FakeUi::showOpen(platform::Window&, platform::OpenFileDialog& dialog) {
    stopIfEnded();
    openDialogsShown.push_back(dialog);
    if (openDialogFailure) throw platform::Failure{*openDialogFailure};
    if (openDialogChoice) dialog.fileName = *openDialogChoice;
}

std::string FakeUi::browseForFolder(platform::Window&, std::string_view prompt,
                                    std::string_view startFolder) {
    stopIfEnded();
    folderChoosersShown.emplace_back(prompt, startFolder);
    if (folderChooserFailure) throw platform::Failure{*folderChooserFailure};
    return chosenFolder;
}

std::string FakeUi::inputBox(std::string_view prompt) {
    stopIfEnded();
    inputPrompts.push_back(applicationTitle_ + "|" + std::string{prompt});
    if (inputs.empty()) return {};
    auto answer = inputs.front();
    inputs.pop_front();
    return answer.value_or("");
}

}  // namespace fakes
