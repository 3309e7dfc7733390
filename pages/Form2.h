// Form2 — the report list page: "< Back" (PushButton2), the reports with their check boxes (ListView1),
// the selection commands (PushButton1, 4, 6, 5), the output folder (Text1, its "..." is PushButton7) and
// "Save Checked Reports As PDF" (PushButton3).
#pragma once

#include <memory>

#include "catalogue/Access1.h"
#include "pages/OneCommandAtATime.h"
#include "pages/RememberedText.h"
#include "platform/Ui.h"

namespace platform {
class DrawnReports;
class FileSystem;
class PrinterValuesLock;
class Registry;
class ReportPreview;
class Shell;
namespace access {
class Access;
}
}  // namespace platform

namespace calvenor {

class ErrorReport;
class Settings;
class Trap;

// The report list page: the reports as a check-box list, the commands that mark them in bulk, the
// output folder, the export and "< Back".
class Form2 {
  public:
    struct Services {
        platform::Ui& ui;
        platform::Shell& shell;
        platform::FileSystem& files;
        Settings& settings;
        ErrorReport& errors;
        platform::Registry& registry;
        platform::access::Access& access;
        platform::PrinterValuesLock& printerValues;
        platform::DrawnReports* drawn;     // null where Access prints
        platform::ReportPreview* preview;  // null: the list offers no preview
        OneCommandAtATime& longCommands;
        platform::Window& databasePage;  // shown again by "< Back"
        DatabaseFields database;         // the database selection page's path and password
    };

    // Creates the page, hidden; Form_Load dresses it.
    explicit Form2(const Services& services);
    Form2(const Form2&) = delete;
    Form2& operator=(const Form2&) = delete;

    platform::Window& window() { return *window_; }
    platform::ListView& ListView1() { return listView1_; }
    platform::TextBox& Text1() { return text1_; }

    void Form_Load();
    void PushButton1_Click();  // "Check All"
    void PushButton2_Click();  // "< Back"
    void PushButton3_Click();  // "Save Checked Reports As PDF"
    void PushButton4_Click();  // "Uncheck All"
    void PushButton5_Click();  // "Check Entries Not Containing X"
    void PushButton6_Click();  // "Check Entries Containing X Chars"
    void PushButton7_Click();  // "..."
    void Text1_Change();
    void ListView1_DblClick();  // previews the report
    void mnuPreview_Click();    // the list's context menu: "Preview"
    void Form_Unload();

  private:
    // Shows the selected report's preview; its check mark and the settings stay as they are.
    void PreviewSelectedReport(Trap& trap);

    Services services_;
    std::unique_ptr<platform::Window> window_;
    platform::PushButton& pushButton2_;
    platform::ListView& listView1_;
    platform::PushButton& pushButton1_;
    platform::PushButton& pushButton4_;
    platform::PushButton& pushButton6_;
    platform::PushButton& pushButton5_;
    platform::Frame& frame2_;
    platform::TextBox& text1_;
    platform::PushButton& pushButton7_;
    platform::PushButton& pushButton3_;
    RememberedText location_;
};

}  // namespace calvenor
