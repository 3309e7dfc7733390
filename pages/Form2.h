#pragma once

#include <memory>

#include "pages/RememberedText.h"
#include "platform/Ui.h"

namespace platform {
class FileSystem;
class Shell;
}  // namespace platform

namespace calvenor {

class ErrorReport;
class Settings;

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
        platform::Window& databasePage;  // shown again by "< Back"
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
    void PushButton4_Click();  // "Uncheck All"
    void PushButton5_Click();  // "Check Entries Not Containing X"
    void PushButton6_Click();  // "Check Entries Containing X Chars"
    void Text1_Change();
    void Form_Unload();

  private:
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
