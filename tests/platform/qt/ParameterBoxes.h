#pragma once

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <optional>
#include <string>
#include <vector>

#include "tests/platform/qt/Keyboard.h"

// Answers each box in turn as a user does, recording what it showed ("caption: prompt = starting text"):
// the text typed over the starting one and Enter, keeping the starting text with Enter when the answer is
// empty, or Escape when there is no answer. A box beyond the script is cancelled and recorded too.
class Boxes {
  public:
    explicit Boxes(std::vector<std::optional<QString>> answers) : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        timer_.start(10);
    }
    std::vector<std::string> shown;

  private:
    void look() {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        auto* edit = box != nullptr ? box->findChild<QLineEdit*>() : nullptr;
        if (edit == nullptr || box == answered_ || !edit->hasFocus()) return;
        answered_ = box;
        shown.push_back(
            (box->windowTitle() + ": " + box->labelText() + " = " + box->textValue()).toStdString());
        const std::optional<QString> answer = next_ < answers_.size() ? answers_[next_++] : std::nullopt;
        if (!answer) return QTest::keyClick(edit, Qt::Key_Escape);
        if (!answer->isEmpty()) {
            edit->selectAll();
            typeText(*edit, *answer);
        }
        QTest::keyClick(edit, Qt::Key_Return);
    }

    std::vector<std::optional<QString>> answers_;
    std::size_t next_ = 0;
    QPointer<QInputDialog> answered_;
    QTimer timer_;
};
