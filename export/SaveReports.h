#pragma once

#include <functional>
#include <string>

namespace platform {
class FileSystem;
class Registry;
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
    // Asked once, when the walk over the reports starts; positions run from 1 to the count.
    virtual int reportCount() const = 0;
    virtual bool isChecked(int position) const = 0;
    virtual std::string reportName(int position) const = 0;
};

// How a run is seen and how its failures are told: message boxes in the wizard, lines of text in the
// batch program.
class ExportReporting {
  public:
    virtual ~ExportReporting() = default;
    // Runs one numbered statement of the run. A failure of it is told, and the run goes on; the answer
    // says whether the statement completed.
    virtual bool step(int number, const std::function<void()>& statement) = 0;
    // Between printers and between reports: a window repaints here.
    virtual void yield() = 0;
    virtual void showBusy(bool busy) = 0;
    // Around the statements that save the checked report at the position.
    virtual void reportStarting(int position, int count) = 0;
    virtual void reportFinished(int position) = 0;
    // After Access has printed or output the report at the position to the file at the path.
    virtual void reportWritten(int /*position*/, const std::string& /*path*/) {}
    virtual void folderMissing() = 0;
    virtual void done() = 0;
};

struct ExportServices {
    platform::FileSystem& files;
    platform::Registry& registry;
    platform::access::Access& access;
};

// One Access instance saves every checked report as a PDF file named after it in the folder, through
// the PDF printer when Access has it (its registry values written before each report) and through
// Access's own PDF output when it has not, so that no report ever goes to paper; then done. A folder
// that does not exist is told and nothing else happens. Access that cannot start or open the database
// ends the run with that one failure and without done. A report whose printer values cannot be written
// is told and not printed, so that it cannot overwrite the previous report's file.
void SaveReports(const ExportServices& services, const ExportChoice& choice, ExportReporting& reporting);

}  // namespace calvenor
