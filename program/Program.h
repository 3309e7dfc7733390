#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/ErrorReport.h"
#include "app/Settings.h"
#include "pages/OneCommandAtATime.h"

namespace platform {
class DrawnReports;
class FileSystem;
class PrinterValuesLock;
class Printers;
class Registry;
class ReportPreview;
class Shell;
class SkinFramework;
class Ui;
namespace ado {
class Ado;
}
namespace access {
class Access;
}
}  // namespace platform

namespace calvenor {

class Form1;
class Form2;

// The program: its two pages, and the start-up sequence that dresses the first of them.
class Program {
  public:
    struct Services {
        platform::Ui& ui;
        platform::Shell& shell;
        platform::FileSystem& files;
        platform::Registry& registry;
        platform::ado::Ado& ado;
        platform::access::Access& access;
        platform::Printers& printers;
        platform::SkinFramework& skin;  // the database selection page's skin engine
        platform::PrinterValuesLock& printerValues;
        platform::DrawnReports*
            drawn;  // where the program draws the reports itself; null where Access prints
        // Uniform fractions in [0, 1) for the rare visit of the home page; time-seeded when empty.
        std::function<double()> randomFraction = {};
        // Shows a report from the report list before it is saved; none: the list offers no preview.
        platform::ReportPreview* preview = nullptr;
    };

    explicit Program(const Services& services);
    ~Program();

    // Creates the main window and runs its start-up sequence, which may end the program (no data
    // provider) or go on to the report list by itself; then shows the main window unless the report
    // list took its place. A database named on the command line (a file opened with the program)
    // takes the remembered one's place as if typed, and goes on to the report list only when it opens
    // without a password; otherwise the first page waits with the password box focused.
    void start(const std::optional<std::string>& database = std::nullopt);

    Form1& form1() { return *form1_; }
    // The report list page: created and loaded at its first use, then kept until the program ends.
    Form2& form2();

  private:
    // False when the program ended during it.
    bool Form_Load(const std::optional<std::string>& database);
    bool opensWithoutPassword(const std::string& database);

    Services services_;
    ErrorReport errors_;
    Settings settings_;
    OneCommandAtATime longCommands_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    bool passwordAwaited_ = false;  // the database given at start wants a password typed
};

}  // namespace calvenor
