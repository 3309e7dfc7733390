#pragma once

#include <QElapsedTimer>
#include <optional>
#include <string>

#include "platform/ParameterPrompt.h"
#include "platform/Ui.h"

namespace platform::qt {

// The Linux edition's windows and dialogs, over Qt Widgets, and the box asking for a report's parameter
// values. A QApplication must exist first.
class QtUi final : public Ui, public ParameterPrompt {
  public:
    QtUi() = default;
    QtUi(const QtUi&) = delete;
    QtUi& operator=(const QtUi&) = delete;

    std::unique_ptr<Window> createWindow(const WindowLayout& layout) override;

    void setApplicationTitle(std::string_view title) override;
    std::string applicationTitle() const override;

    MessageAnswer messageBox(std::string_view text, std::string_view caption, MessageButtons buttons,
                             MessageIcon icon) override;
    void showOpen(Window& owner, OpenFileDialog& dialog) override;
    std::string inputBox(std::string_view prompt) override;
    // "Enter Parameter Value": the name as the prompt, the remembered answer as the starting text.
    std::optional<std::string> ask(const std::string& name, const std::string& type,
                                   const std::string& remembered) override;
    std::string browseForFolder(Window& owner, std::string_view prompt,
                                std::string_view startFolder) override;

    void doEvents() override;
    void endProgram() override;

    // While the program waits for something outside it (a report being drawn), its windows are
    // painted again, and nothing else happens: no input is read, so no second command starts inside
    // the first.
    void keepPainted() const;

    // Whether endProgram has run: the entry then must not start (or go on with) the event loop.
    bool programEnded() const { return ended_; }

    // Raises an event that the user caused through the toolkit. Once the program has ended no handler
    // runs. A failure that no handler trapped is shown and ends the program, as an untrapped run-time
    // error does; it must not unwind through Qt's event delivery.
    void raiseFromToolkit(const Event& event);
    // Raises an event that a call of the program caused (setting a text, say): failures go back to
    // the caller, whose trap reports them.
    void raiseFromCall(const Event& event);

  private:
    void stopIfEnded() const;
    std::optional<std::string> askForText(const QString& caption, const QString& prompt,
                                          const QString& start);
    // The caption of a dialog that names none of its own.
    QString defaultCaption() const;

    std::string applicationTitle_;
    bool ended_ = false;
    QElapsedTimer sinceEventsProcessed_;
};

}  // namespace platform::qt
