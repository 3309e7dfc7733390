#pragma once

#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "platform/ReportPreview.h"
#include "platform/jet/file/EngineOptions.h"

class QWidget;

namespace platform::jet {
class JetAccess;
}

namespace platform::qt {

class PreviewWindow;

// The Linux edition's preview: a window of its own per report, showing the pages as the renderer helper
// draws them for the export, at the screen's resolution, the first as soon as it is drawn while the rest
// follow. A report that asks for parameter values has them asked for first, as the export asks (the
// access object's box and remembered answers); Cancel shows nothing. The windows close with the object.
class QtReportPreview final : public ReportPreview {
  public:
    QtReportPreview(jet::JetAccess& access, jet::EngineOptions options);
    ~QtReportPreview() override;

    // Raises Failure when the database cannot be opened or the helper cannot start; a report the helper
    // cannot draw says why in its window.
    void preview(const std::string& database, const std::string& password,
                 const std::string& report) override;

    // The preview windows still open, the last opened last.
    std::vector<PreviewWindow*> windows() const;

  private:
    jet::JetAccess& access_;
    jet::EngineOptions options_;
    std::vector<QPointer<QWidget>> windows_;
};

}  // namespace platform::qt
