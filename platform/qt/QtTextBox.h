#pragma once

#include "platform/qt/QtControl.h"

class QLineEdit;

namespace platform::qt {

class QtTextBox final : public QtControl<TextBox, ControlKind::TextBox> {
  public:
    QtTextBox(QtUi& ui, QWidget& parent, const ControlLayout& layout, const Resolution& resolution);

    std::string text() const override;
    void setText(std::string_view text) override;
    void setSelection(int start, int length) override;
    int selectionStart() const override;
    int selectionLength() const override;
    bool changeIsTyped() const override { return !settingText_; }
    void setFocus() override;

  private:
    void textChanged();

    QLineEdit& edit_;
    bool settingText_ = false;  // setText raises onChange itself, in its caller's hands
};

}  // namespace platform::qt
