#include "platform/qt/PreviewWindow.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSocketNotifier>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

constexpr int kMargin = 12;  // pixels of grey around the page
constexpr double kLeastScale = 0.1, kMostScale = 8.0;
constexpr double kWheelStep = 1.25;

}  // namespace

// The current page, scaled to the zoom, on a grey ground; the scaled picture is made once per size.
class PageView final : public QWidget {
  public:
    void setPicture(const QImage* picture) {
        picture_ = picture;
        scaled_ = QPixmap();
        update();
    }
    void pictureChanged() {
        scaled_ = QPixmap();
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0x80, 0x80, 0x80));
        if (!picture_ || picture_->isNull()) return;
        const QRect page = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
        const QSize pixels = page.size() * devicePixelRatioF();
        if (scaled_.isNull() || scaled_.size() != pixels) {
            scaled_ =
                QPixmap::fromImage(picture_->scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            scaled_.setDevicePixelRatio(devicePixelRatioF());
        }
        painter.fillRect(page.translated(3, 3), QColor(0x40, 0x40, 0x40));  // its shadow
        painter.drawPixmap(page.topLeft(), scaled_);
    }

  private:
    const QImage* picture_ = nullptr;
    QPixmap scaled_;
};

PreviewWindow::PreviewWindow(std::unique_ptr<PreviewDrawing> drawing, const std::string& report,
                             int dotsPerInch)
    : QWidget(nullptr, Qt::Window), drawing_(std::move(drawing)), dotsPerInch_(dotsPerInch) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(toQString(report) + " - Preview");
    const auto button = [this](const char* caption, const char* tip) {
        auto* made = new QPushButton(QString::fromUtf8(caption), this);
        made->setToolTip(QString::fromUtf8(tip));
        made->setFocusPolicy(Qt::NoFocus);
        made->setAutoDefault(false);
        return made;
    };
    first_ = button("|<", "First page (Home)");
    previous_ = button("<", "Previous page (Page Up)");
    pageNumber_ = new QSpinBox(this);
    pageNumber_->setRange(0, 0);
    pageNumber_->setKeyboardTracking(false);
    pageNumber_->setMinimumWidth(pageNumber_->fontMetrics().horizontalAdvance("000000") + 24);
    pageTotal_ = new QLabel(this);
    next_ = button(">", "Next page (Page Down)");
    last_ = button(">|", "Last page (End)");
    fitPage_ = button("Fit Page", "The whole page");
    fitWidth_ = button("Fit Width", "The page's width");
    actualSize_ = button("100%", "The page at its printed size (Ctrl with the wheel zooms)");
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    area_ = new QScrollArea(this);
    view_ = new PageView;
    area_->setWidget(view_);
    area_->setAlignment(Qt::AlignCenter);
    area_->setBackgroundRole(QPalette::Dark);
    area_->viewport()->installEventFilter(this);

    auto* tools = new QHBoxLayout;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{first_, previous_, pageNumber_, pageTotal_, next_, last_})
        tools->addWidget(widget);
    tools->addSpacing(24);
    for (QWidget* widget : {fitPage_, fitWidth_, actualSize_}) tools->addWidget(widget);
    tools->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(status_);
    layout->addWidget(area_, 1);

    connect(first_, &QPushButton::clicked, this, [this] { showPage(1); });
    connect(previous_, &QPushButton::clicked, this, [this] { showPage(current_ - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { showPage(current_ + 1); });
    connect(last_, &QPushButton::clicked, this, [this] { showPage(pageCount()); });
    connect(pageNumber_, &QSpinBox::valueChanged, this, [this](int page) {
        if (page != current_) showPage(page);
    });
    connect(fitPage_, &QPushButton::clicked, this, [this] { setZoom(Zoom::FitPage); });
    connect(fitWidth_, &QPushButton::clicked, this, [this] { setZoom(Zoom::FitWidth); });
    connect(actualSize_, &QPushButton::clicked, this, [this] { setZoom(Zoom::Custom, 1.0); });
    const auto shortcut = [this](QKeySequence keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    shortcut(Qt::Key_PageUp, [this] { showPage(current_ - 1); });
    shortcut(Qt::Key_PageDown, [this] { showPage(current_ + 1); });
    shortcut(Qt::Key_Home, [this] { showPage(1); });
    shortcut(Qt::Key_End, [this] { showPage(pageCount()); });
    shortcut(Qt::Key_Escape, [this] { close(); });

    outcome_ = "Drawing the report...";
    notifier_ = new QSocketNotifier(drawing_->descriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readPages(); });
    // A page's width at its printed size, and most of the screen's height.
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(std::min(900, screen.width() * 9 / 10), std::min(1000, screen.height() * 9 / 10));
    area_->setFocus();
    updateControls();
}

PreviewWindow::~PreviewWindow() {
    delete notifier_;  // before the drawing closes the descriptor it watches
}

QString PreviewWindow::outcome() const {
    return outcome_;
}

double PreviewWindow::scale() const {
    if (shown_.isNull()) return custom_;
    const double screenDpi = logicalDpiX();
    const QSizeF printed = QSizeF(shown_.size()) * (screenDpi / dotsPerInch_);
    const QSizeF room = QSizeF(area_->viewport()->size()) - QSizeF(2 * kMargin, 2 * kMargin);
    double scale = custom_;
    if (zoom_ == Zoom::FitWidth) scale = room.width() / printed.width();
    if (zoom_ == Zoom::FitPage)
        scale = std::min(room.width() / printed.width(), room.height() / printed.height());
    return std::clamp(scale, kLeastScale, kMostScale);
}

void PreviewWindow::setZoom(Zoom zoom, double custom) {
    zoom_ = zoom;
    custom_ = std::clamp(custom, kLeastScale, kMostScale);
    layOutPage();
}

void PreviewWindow::showPage(int page) {
    page = std::clamp(page, pageCount() > 0 ? 1 : 0, pageCount());
    if (page == 0 || page == current_) return updateControls();
    // An empty page when the helper drew it and the program cannot read it.
    const QImage picture = unpackPage(pages_[std::size_t(page - 1)]);
    const bool firstShown = shown_.isNull();
    shown_ = picture.isNull() ? QImage(1, 1, QImage::Format_RGB32) : picture;
    if (picture.isNull()) shown_.fill(Qt::white);
    current_ = page;
    view_->setPicture(&shown_);
    layOutPage();
    if (!firstShown) area_->verticalScrollBar()->setValue(0);
    updateControls();
}

void PreviewWindow::readPages() {
    auto news = drawing_->read();
    for (auto& page : news.pages) pages_.push_back(std::move(page));
    if (news.finished || news.failure) {
        finished_ = true;
        notifier_->setEnabled(false);
        const QString pages = QString::number(pageCount()) + (pageCount() == 1 ? " page" : " pages");
        if (news.failure)
            outcome_ = toQString(*news.failure);
        else if (news.note.empty())
            outcome_ = "Drawn as the report is saved: " + pages + ".";
        else
            outcome_ = "Drawn as the report is saved, " + pages +
                       ", as an approximation of the Access report: " + toQString(news.note);
    } else if (pageCount() > 0) {
        outcome_ = "Drawing the report... " + QString::number(pageCount()) + " pages so far.";
    }
    if (current_ == 0 && pageCount() > 0) showPage(1);
    updateControls();
}

void PreviewWindow::updateControls() {
    const QSignalBlocker quiet(pageNumber_);
    pageNumber_->setRange(pageCount() > 0 ? 1 : 0, pageCount());
    pageNumber_->setValue(current_);
    pageTotal_->setText("of " + QString::number(pageCount()) + (finished_ ? "" : "+"));
    first_->setEnabled(current_ > 1);
    previous_->setEnabled(current_ > 1);
    next_->setEnabled(current_ < pageCount());
    last_->setEnabled(current_ < pageCount());
    status_->setText(outcome_);
}

void PreviewWindow::layOutPage() {
    if (shown_.isNull()) return;
    const double factor = scale() * logicalDpiX() / dotsPerInch_;
    view_->setFixedSize(int(std::lround(shown_.width() * factor)) + 2 * kMargin,
                        int(std::lround(shown_.height() * factor)) + 2 * kMargin);
    view_->pictureChanged();
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    // The room for the page changes with the window and with the lines above it.
    if (watched == area_->viewport() && event->type() == QEvent::Resize && zoom_ != Zoom::Custom)
        layOutPage();
    if (watched == area_->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int steps = wheel->angleDelta().y() / 120;
            if (steps != 0) setZoom(Zoom::Custom, scale() * std::pow(kWheelStep, steps));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace platform::qt
