#pragma once

#include <string>
#include <vector>

#include "app/Trap.h"

namespace platform {
class DrawnReports;
class FileSystem;
class PrinterValuesLock;
class Registry;
struct FolderProblem;
namespace access {
class Access;
}
}  // namespace platform

namespace calvenor {

// What one run saves. Each answer is asked for at the moment the run needs it, so that a page edited
// during the run is read as it is then.
class ExportChoice {
  public:
    virtual ~ExportChoice() = default;
    // Asked once, when the database is opened.
    virtual std::string databasePath() const = 0;
    virtual std::string databasePassword() const = 0;
    // Asked again for every report saved.
    virtual std::string folder() const = 0;
    // Asked once, when the walk over the reports starts; positions run from 1 to the count. Every
    // report of the database is listed, the checked ones are saved.
    virtual int reportCount() const = 0;
    virtual bool isChecked(int position) const = 0;
    virtual std::string reportName(int position) const = 0;
};

enum class ReportOutcome {
    Saved,         // its file holds the report as designed
    Approximated,  // its file holds the report with something left out
    Failed,        // no file was written for it; an older file of its name is as it was
};

struct ReportResult {
    std::string name;
    ReportOutcome outcome = ReportOutcome::Saved;
    std::string detail;  // approximated: what was left out; failed: why
    int failedStep = 0;  // failed: the number of the statement that failed
};

// What became of the report as one line: "saved: NAME", "approximated: NAME: WHAT WAS LEFT OUT" or
// "failed: NAME: step N: WHY", the texts as printableName writes them.
std::string resultLine(const ReportResult& result);

// How a run is seen and how its failures are told: message boxes in the wizard, lines of text in the
// batch program. The run's statements are its numbered steps.
class ExportReporting : public NumberedSteps {
  public:
    // Between printers and between reports: a window repaints here.
    virtual void yield() = 0;
    virtual void showBusy(bool busy) = 0;
    // Before the statements that save a checked report: the number-th of the total the run saves.
    virtual void reportStarting(int number, int total, const std::string& name) = 0;
    // After them, with what became of it. A failure is also told through step as it happens.
    virtual void reportEnded(const ReportResult& result) = 0;
    // The folder cannot take the files: nothing is drawn.
    virtual void folderRefused(const std::string& folder, const platform::FolderProblem& problem) = 0;
    // The run has ended with every checked report tried, in list order.
    virtual void done(const std::vector<ReportResult>& results) = 0;
};

struct ExportServices {
    platform::FileSystem& files;
    platform::Registry& registry;
    platform::access::Access& access;
    platform::PrinterValuesLock& printerValues;
    platform::DrawnReports* drawn;  // where the program draws the reports itself; null where Access prints
};

// One Access instance saves every checked report as a PDF file in the folder, named by
// reportFileNames over the whole list, through the PDF printer when Access has it (its registry values
// written before each report, under the printer values' lock until the job has taken them) and through
// Access's own PDF output when it has not, so that no report ever goes to paper; then done. A folder
// that cannot take the files is told and nothing else happens. Access that cannot start or open the
// database ends the run with that one failure and without done. A report whose printer values cannot be
// written is told and not printed, so that it cannot overwrite the previous report's file.
void SaveReports(const ExportServices& services, const ExportChoice& choice, ExportReporting& reporting);

}  // namespace calvenor
