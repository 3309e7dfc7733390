#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Access.h"
#include "platform/ReportPreview.h"
#include "platform/win32/com/Dispatch.h"
#include "platform/win32/com/ObjectFactory.h"

namespace platform::win32::com {

// Microsoft Access by automation, late-bound through the Application object's IDispatch.
class WinAccess : public access::Access {
  public:
    WinAccess();
    // Applications come from `createApplication` instead (tests hand in objects of their own).
    explicit WinAccess(ObjectFactory createApplication);
    std::unique_ptr<access::Application> createApplication() override;

  private:
    ObjectFactory factory_;
};

// Access's own print preview of a report (DoCmd.OpenReport with acViewPreview), in one Access instance
// kept for the previews and shown to the user, brought to the front with each. Its database stays open
// while the next preview is of the same one; an Access its user has closed is started anew. Access is
// quit when the object ends, with the program.
class WinReportPreview : public ReportPreview {
  public:
    WinReportPreview();
    explicit WinReportPreview(ObjectFactory createApplication);
    WinReportPreview(const WinReportPreview&) = delete;
    WinReportPreview& operator=(const WinReportPreview&) = delete;
    ~WinReportPreview() override;

    // Raises Failure with Access's own description when it cannot start, open the database or preview
    // the report.
    void preview(const std::string& database, const std::string& password,
                 const std::string& report) override;

  private:
    ObjectFactory factory_;
    std::optional<Dispatch> application_;
    std::optional<std::pair<std::string, std::string>> database_;  // open in it: path and password
};

}  // namespace platform::win32::com
