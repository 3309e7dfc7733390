#pragma once

#include <windows.h>

#include <chrono>
#include <exception>
#include <string>

#include "platform/Ui.h"

namespace platform::win32::ui {

// The Windows edition's windows and dialogs, over user32 and the common dialogs. Lives on the thread
// that runs the message loop, in a single-threaded COM apartment (the folder chooser needs one).
class WinUi final : public Ui {
  public:
    WinUi() = default;
    WinUi(const WinUi&) = delete;
    WinUi& operator=(const WinUi&) = delete;

    std::unique_ptr<Window> createWindow(const WindowLayout& layout) override;

    void setApplicationTitle(std::string_view title) override;
    std::string applicationTitle() const override;

    MessageAnswer messageBox(std::string_view text, std::string_view caption, MessageButtons buttons,
                             MessageIcon icon) override;
    void showOpen(Window& owner, OpenFileDialog& dialog) override;
    std::string inputBox(std::string_view prompt) override;
    std::string browseForFolder(Window& owner, std::string_view prompt,
                                std::string_view startFolder) override;

    void doEvents() override;
    void endProgram() override;

    // The message loop, until the program ends. Returns the program's exit code.
    int run();
    // Whether endProgram has run: the entry then must not start (or go on with) the message loop.
    bool programEnded() const { return ended_; }

  private:
    // A failure that no handler trapped: shown as a run-time error, and the program ends.
    void reportUntrapped(const std::exception_ptr& failure);
    // Serves one message; false when it was the loop's end.
    bool dispatch(MSG& message);
    void stopIfEnded() const;

    std::string applicationTitle_;  // also the caption of every dialog that names none of its own
    bool ended_ = false;
    std::chrono::steady_clock::time_point eventsProcessed_{};
};

}  // namespace platform::win32::ui
