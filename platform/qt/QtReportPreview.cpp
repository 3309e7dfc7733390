#include "platform/qt/QtReportPreview.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "platform/Failure.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/process/RendererProtocol.h"
#include "platform/qt/PreviewWindow.h"

namespace platform::qt {
namespace {

// Pictures at the screen's resolution: sharp at the printed size, and quick to draw and keep for a report
// of thousands of pages.
int pictureDotsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double screenDpi = screen ? screen->logicalDotsPerInch() * screen->devicePixelRatio() : 96.0;
    return std::clamp(static_cast<int>(std::lround(screenDpi)), jet::kLeastPreviewDpi, jet::kMostPreviewDpi);
}

}  // namespace

QtReportPreview::QtReportPreview(jet::JetAccess& access, jet::EngineOptions options)
    : access_(access), options_(std::move(options)) {}

QtReportPreview::~QtReportPreview() {
    for (const auto& window : windows_) delete window.data();  // each ends its helper
}

void QtReportPreview::preview(const std::string& database, const std::string& password,
                              const std::string& report) {
    auto drawing = std::make_unique<PreviewDrawing>(options_, database, password);
    PreviewDrawing::Values needed;
    try {
        needed = drawing->parameters(report);
    } catch (const Failure&) {
        // The drawing says what cannot be worked out, as the export's does.
    }
    const auto values = access_.valuesFor(drawing->database(), needed);
    if (!values) return;  // the user cancelled the parameter box
    const int dotsPerInch = pictureDotsPerInch();
    drawing->draw(report, dotsPerInch, *values);
    auto* window = new PreviewWindow(std::move(drawing), report, dotsPerInch);
    std::erase_if(windows_, [](const QPointer<QWidget>& open) { return open.isNull(); });
    windows_.emplace_back(window);
    window->show();
    window->raise();
    window->activateWindow();
}

std::vector<PreviewWindow*> QtReportPreview::windows() const {
    std::vector<PreviewWindow*> open;
    for (const auto& window : windows_)
        if (window) open.push_back(static_cast<PreviewWindow*>(window.data()));
    return open;
}

}  // namespace platform::qt
