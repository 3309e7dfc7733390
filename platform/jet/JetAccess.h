#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/Access.h"
#include "platform/DrawnReports.h"
#include "platform/ParameterPrompt.h"
#include "platform/PrinterValuesLock.h"
#include "platform/Registry.h"
#include "platform/ReportParameters.h"
#include "platform/jet/file/EngineOptions.h"
#include "platform/jet/print/PrintQueues.h"

namespace platform::jet {

// What each report drawn into a file left out, by the file's path, as the drawing said it: the program
// learns it from the job that wrote the file, not by reading the file back.
class DrawnNotes {
  public:
    void record(const std::string& path, std::string note);
    // The note of the file written last at the path, once; nothing when it was drawn whole or not here.
    std::optional<std::string> take(const std::string& path);

  private:
    std::map<std::string, std::string> notes_;
};

// Access on Linux: an application object that opens a database file read-only, lists its reports
// and prints them as PDF documents on the "Drevmark PDF Writer" stand-in (which reads its registry
// key) or on a print server's queue. Each report is drawn from its design and its record source's rows
// (by the helper calvenor-print); one whose design cannot be read gets a page naming it, the database
// file and the time it was printed, and saying why. A job on the PDF writer takes its output file
// before it is drawn and then lets the printer values' lock go, when there is one, so that the next run
// may point the printer elsewhere while this report is drawn.
//
// It draws the reports itself, so it also answers what their record sources ask for (ReportParameters):
// the values given are passed to every report's record sources. With a prompt, a report asking for a
// value not given has it asked for before it is drawn, each name once per application (one run), the last
// answer for the database remembered in the registry as the box's starting text. And it tells what each
// file it drew left out (DrawnReports).
class JetAccess : public access::Access, public ReportParameters, public DrawnReports {
  public:
    JetAccess(Registry& registry, PrintQueues& queues, EngineOptions options = {},
              PrinterValuesLock* printerValues = nullptr);
    std::unique_ptr<access::Application> createApplication() override;
    // Where the values are asked for from now on; none (the default) draws such reports without rows.
    void askWith(ParameterPrompt* prompt) { prompt_ = prompt; }

    // The values a report of the database (its path made absolute) asking for these parameters is
    // given: the values given to every report and, with a prompt, the others asked for now as a job asks
    // for them, the last answers for the database offered and the new ones remembered. Nothing when the
    // user cancels.
    std::optional<std::vector<std::pair<std::string, std::string>>> valuesFor(
        const std::string& database, const std::vector<std::pair<std::string, std::string>>& needed);

    void giveValues(std::vector<std::pair<std::string, std::string>> values) override;
    std::vector<Listed> listParameters(const std::string& database, const std::string& password,
                                       const std::vector<std::string>& reports) override;

    std::optional<std::string> approximationNote(const std::string& path) override { return notes_.take(path); }

  private:
    Registry& registry_;
    PrintQueues& queues_;
    EngineOptions options_;
    PrinterValuesLock* printerValues_;
    ParameterPrompt* prompt_ = nullptr;
    DrawnNotes notes_;
};

}  // namespace platform::jet
