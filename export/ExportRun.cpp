#include "export/ExportRun.h"

#include "app/Trap.h"
#include "catalogue/Access1.h"
#include "export/SaveReports.h"
#include "platform/Ui.h"

namespace calvenor {
namespace {

// The report list page as what the run saves: its list, its folder field, the first page's fields.
class PageChoice : public ExportChoice {
  public:
    explicit PageChoice(const ExportRun& run) : run_(run) {}
    std::string databasePath() const override { return run_.database.path.text(); }
    std::string databasePassword() const override { return run_.database.password.text(); }
    std::string folder() const override { return run_.folderField.text(); }
    int reportCount() const override { return run_.reports.count(); }
    bool isChecked(int position) const override { return run_.reports.checked(position); }
    std::string reportName(int position) const override { return run_.reports.itemText(position); }

  private:
    const ExportRun& run_;
};

// The run as the page shows it: the handler's error report, message boxes, the hourglass.
class PageReporting : public ExportReporting {
  public:
    PageReporting(Trap& trap, const ExportRun& run) : trap_(trap), run_(run) {}
    bool step(int number, const std::function<void()>& statement) override {
        return trap_.step(number, statement);
    }
    void yield() override { run_.ui.doEvents(); }
    void showBusy(bool busy) override {
        run_.page.setPointer(busy ? platform::Pointer::Hourglass : platform::Pointer::Default);
    }
    void reportStarting(int, int) override {}
    void reportFinished(int) override {}
    void folderMissing() override { say("Folder does not exist. Please select another folder."); }
    void done() override { say("Done."); }

  private:
    void say(std::string_view text) {
        run_.ui.messageBox(text, "", platform::MessageButtons::Ok, platform::MessageIcon::None);
    }

    Trap& trap_;
    const ExportRun& run_;
};

}  // namespace

void SaveCheckedReports(Trap& trap, const ExportRun& run) {
    const PageChoice choice{run};
    PageReporting reporting{trap, run};
    SaveReports({run.files, run.registry, run.access}, choice, reporting);
}

}  // namespace calvenor
