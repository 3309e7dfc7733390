#include "export/ExportRun.h"

#include <optional>
#include <string>
#include <vector>

#include "app/Text.h"
#include "app/Trap.h"
#include "catalogue/Access1.h"
#include "export/OutputFileNames.h"
#include "export/SaveReports.h"
#include "platform/FileSystem.h"
#include "platform/Ui.h"

namespace calvenor {
namespace {

// The closing message names at most this many failures; the file has them all.
constexpr std::size_t kFailuresNamed = 5;
// A report's name in the caption, and a reason in the message, are cut to this many characters.
constexpr std::size_t kNameInCaption = 60;
constexpr std::size_t kReasonInMessage = 160;

std::string cut(std::string_view text, std::size_t characters) {
    const std::string_view line = text.substr(0, text.find_first_of("\r\n"));
    if (characterCount(line) <= characters && line.size() == text.size()) return std::string{text};
    return std::string{firstCharacters(line, characters)} + "...";
}

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

// The run as the page shows it: the handler's error report, message boxes, the hourglass and the
// progress in the caption.
class PageReporting : public ExportReporting {
  public:
    PageReporting(Trap& trap, const ExportRun& run) : trap_(trap), run_(run) {}
    void failed(int number, const std::string& description) override { trap_.failed(number, description); }
    void yield() override { run_.ui.doEvents(); }
    void showBusy(bool busy) override {
        run_.page.setPointer(busy ? platform::Pointer::Hourglass : platform::Pointer::Default);
        if (!busy) restoreCaption();
    }
    void reportStarting(int number, int total, const std::string& name) override {
        if (!caption_) caption_ = run_.page.caption();
        run_.page.setCaption(*caption_ + " \u2014 saving " + std::to_string(number) + " of " +
                             std::to_string(total) + ": " + cut(name, kNameInCaption));
    }
    void reportEnded(const ReportResult&) override {}
    void folderRefused(const std::string& folder, const platform::FolderProblem& problem) override {
        if (problem.missing) return say("Folder does not exist. Please select another folder.");
        say("The folder \"" + folder + "\" cannot take the PDF files: " + problem.reason +
            ".\r\n\r\nPlease select another folder.");
    }
    void done(const std::vector<ReportResult>& results) override {
        restoreCaption();
        say(run_.drawn != nullptr ? closingMessage(results) : "Done.");
    }

  private:
    void say(std::string_view text) {
        run_.ui.messageBox(text, "", platform::MessageButtons::Ok, platform::MessageIcon::None);
    }

    void restoreCaption() {
        if (caption_) run_.page.setCaption(*caption_);
        caption_.reset();
    }

    // "Done." when every report was saved as designed; otherwise what was approximated and what failed.
    std::string closingMessage(const std::vector<ReportResult>& results) {
        std::size_t approximated = 0;
        std::vector<const ReportResult*> failed;
        for (const auto& result : results) {
            if (result.outcome == ReportOutcome::Approximated) ++approximated;
            if (result.outcome == ReportOutcome::Failed) failed.push_back(&result);
        }
        if (approximated == 0 && failed.empty()) return "Done.";
        const std::size_t saved = results.size() - failed.size();
        std::string text = "Done.\r\n\r\nSaved " + std::to_string(saved) + " of " +
                           std::to_string(results.size()) + (results.size() == 1 ? " report" : " reports");
        if (approximated > 0)
            text += "; " + std::to_string(approximated) +
                    (approximated == 1 ? " is an approximation" : " are approximations") +
                    ", with something left out that cannot be drawn here";
        text += ".";
        if (!failed.empty()) {
            text += "\r\n\r\n" + std::to_string(failed.size()) +
                    (failed.size() == 1 ? " report failed" : " reports failed") +
                    ", and no file was written for " + (failed.size() == 1 ? "it:" : "them:");
            for (std::size_t i = 0; i < failed.size() && i < kFailuresNamed; ++i)
                text += "\r\n" + cut(failed[i]->name, kNameInCaption) + ": " +
                        cut(failed[i]->detail, kReasonInMessage);
            if (failed.size() > kFailuresNamed)
                text += "\r\n... and " + std::to_string(failed.size() - kFailuresNamed) + " more.";
        }
        return text + "\r\n\r\n" + writeResultsFile(results);
    }

    // The whole list, one line a report, in the folder; the closing message's sentence about it.
    std::string writeResultsFile(const std::vector<ReportResult>& results) {
        const std::string path =
            pathInFolder(run_.folderField.text(), run_.files.pathSeparator(), kResultsFileName);
        std::string lines;
        for (const auto& result : results) lines += resultLine(result) + "\n";
        try {
            run_.files.writeTextFile(path, lines);
            return "The whole list, with what each approximation leaves out, is in \"" + path + "\".";
        } catch (const std::exception& e) {
            return "The whole list could not be written: " + cut(e.what(), kReasonInMessage);
        }
    }

    Trap& trap_;
    const ExportRun& run_;
    std::optional<std::string> caption_;  // the page's own, while the progress stands in it
};

}  // namespace

void SaveCheckedReports(Trap& trap, const ExportRun& run) {
    const PageChoice choice{run};
    PageReporting reporting{trap, run};
    SaveReports({run.files, run.registry, run.access, run.printerValues, run.drawn}, choice, reporting);
}

}  // namespace calvenor
