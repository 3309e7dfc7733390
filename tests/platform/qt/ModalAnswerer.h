#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

// Answers the modal dialog that a step of a test opens. Every 10 ms it looks at the active modal
// widget and hands it to `answer`, which returns true once it has closed the dialog (false: not ready
// yet, ask again). A dialog after the answered one, or one still open after the deadline, is rejected
// and recorded, so that the test fails instead of hanging.
class ModalAnswerer {
  public:
    explicit ModalAnswerer(std::function<bool(QWidget&)> answer, int deadlineMs = 5000)
        : answer_(std::move(answer)), deadlineMs_(deadlineMs) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        timer_.start();
        clock_.start();
    }

    int answered() const { return answered_; }
    const std::vector<std::string>& rejected() const { return rejected_; }

  private:
    void look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        if (answered_ == 0 && clock_.elapsed() < deadlineMs_) {
            if (answer_(*modal)) ++answered_;
            return;
        }
        rejected_.push_back(modal->metaObject()->className());
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }

    std::function<bool(QWidget&)> answer_;
    int deadlineMs_;
    int answered_ = 0;
    std::vector<std::string> rejected_;
    QTimer timer_;
    QElapsedTimer clock_;
};
