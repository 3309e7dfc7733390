// Form1 — the database selection page: the database file (Text1, its "..." is PushButton5), its
// password (Text2), "Load Sample/Example Database" (PushButton1) and "Next >" (PushButton3).
#pragma once

#include <functional>
#include <memory>

#include "pages/OneCommandAtATime.h"
#include "pages/RememberedText.h"
#include "platform/Ui.h"

namespace platform {
class FileSystem;
class Shell;
namespace ado {
class Ado;
}
namespace access {
class Access;
}
}  // namespace platform

namespace calvenor {

class ErrorReport;
class Form2;
class Settings;

// The database selection page: the database file, its password, the sample database and "Next >".
class Form1 {
  public:
    struct Services {
        platform::Ui& ui;
        platform::Shell& shell;
        platform::FileSystem& files;
        Settings& settings;
        ErrorReport& errors;
        platform::ado::Ado& ado;
        platform::access::Access& access;
        OneCommandAtATime& longCommands;
        // The report list page, brought into being (and loaded) at its first use.
        std::function<Form2&()> reportListPage;
    };

    explicit Form1(const Services& services);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    platform::Window& window() { return *window_; }
    platform::TextBox& Text1() { return text1_; }
    platform::TextBox& Text2() { return text2_; }

    void PushButton1_Click();  // "Load Sample/Example Database"
    void PushButton3_Click();  // "Next >"
    void PushButton5_Click();  // "..."
    void Text1_Change();
    void Text2_Change();
    void Text1_GotFocus();
    void Text2_GotFocus();
    void Form_Unload();

  private:
    Services services_;
    std::unique_ptr<platform::Window> window_;
    platform::Frame& frame1_;
    platform::TextBox& text1_;
    platform::PushButton& pushButton5_;
    platform::TextBox& text2_;
    platform::PushButton& pushButton1_;
    platform::PushButton& pushButton3_;
    platform::OpenFileDialog commonDialog1_;
    RememberedText database_;
    RememberedText password_;
};

}  // namespace calvenor
