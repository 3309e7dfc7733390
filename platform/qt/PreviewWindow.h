#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/PreviewDrawing.h"

class QLabel;
class QPushButton;
class QScrollArea;
class QSocketNotifier;
class QSpinBox;

namespace platform::qt {

class PageView;

// The pages of one report as its helper draws them: page navigation (first, previous, the page number,
// next, last; PgUp, PgDn, Home, End), zoom (the whole page, the page's width, its printed size; Ctrl
// with the wheel), and a line saying how the drawing turned out. The pages arrive while the window
// answers the user; Escape closes it, and closing ends its helper.
class PreviewWindow final : public QWidget {
  public:
    enum class Zoom { FitPage, FitWidth, Custom };

    PreviewWindow(std::unique_ptr<PreviewDrawing> drawing, const std::string& report, int dotsPerInch);
    ~PreviewWindow() override;

    int pageCount() const { return static_cast<int>(pages_.size()); }
    int currentPage() const { return current_; }  // from 1; 0 before the first has come
    bool finished() const { return finished_; }   // every page has come, or the drawing failed
    QString outcome() const;                      // the line saying how the drawing turned out
    // The zoom as a share of the printed size (1: as printed, on a screen of its stated resolution).
    double scale() const;

    void showPage(int page);  // kept within the pages that have come
    void setZoom(Zoom zoom, double custom = 1.0);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void readPages();
    void updateControls();
    void layOutPage();

    std::unique_ptr<PreviewDrawing> drawing_;
    QSocketNotifier* notifier_ = nullptr;
    int dotsPerInch_;
    std::vector<PreviewDrawing::Page> pages_;  // compressed, unpacked only when shown
    QImage shown_;                             // the current page's picture
    int current_ = 0;
    bool finished_ = false;
    QString outcome_;
    Zoom zoom_ = Zoom::FitPage;
    double custom_ = 1.0;

    QPushButton* first_;
    QPushButton* previous_;
    QSpinBox* pageNumber_;
    QLabel* pageTotal_;
    QPushButton* next_;
    QPushButton* last_;
    QPushButton* fitPage_;
    QPushButton* fitWidth_;
    QPushButton* actualSize_;
    QLabel* status_;
    QScrollArea* area_;
    PageView* view_;
};

}  // namespace platform::qt
