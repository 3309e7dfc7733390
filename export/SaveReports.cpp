#include "export/SaveReports.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Text.h"
#include "export/OutputFileNames.h"
#include "export/PdfPrinter.h"
#include "platform/Access.h"
#include "platform/DrawnReports.h"
#include "platform/FileSystem.h"
#include "platform/PrinterValuesLock.h"
#include "platform/Registry.h"

namespace calvenor {
namespace {

using platform::access::Application;
using platform::access::PrinterRef;

// Makes the PDF printer Access's current printer; answers whether it did. Every printer is looked at,
// as the walk does not stop at a match. A device name that cannot be read selects nothing: a printer
// chosen blindly could be one that prints on paper.
bool selectPdfPrinter(ExportReporting& reporting, Application& access) {
    std::vector<PrinterRef> printers;
    int count = 0;
    reporting.step(112, [&] {
        printers = access.printers();
        count = static_cast<int>(printers.size());
    });
    bool selected = false;
    for (int i = 0; i < count; ++i) {
        reporting.step(114, [&] { reporting.yield(); });
        bool isPdfPrinter = false;
        if (!reporting.step(116,
                            [&] { isPdfPrinter = printers[i]->deviceName() == pdf_printer::kDeviceName; }))
            continue;
        if (isPdfPrinter && reporting.step(118, [&] { access.setPrinter(printers[i]); })) selected = true;
    }
    return selected;
}

// The list as the run starts: its length, each report's file name over the whole list, and how many
// are checked (for "3 of 13").
struct ListAtStart {
    int count = 0;
    std::vector<std::string> fileNames;
    int checked = 0;
};

ListAtStart readList(const ExportChoice& choice, platform::FileNameRules rules) {
    ListAtStart list;
    const int count = choice.reportCount();
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
        names.push_back(choice.reportName(i));
        if (choice.isChecked(i)) ++list.checked;
    }
    list.fileNames = reportFileNames(names, rules);
    list.count = count;
    return list;
}

// Saving one checked report: its statements, and what became of it.
struct SavingOne : NumberedSteps {
    SavingOne(const ExportServices& services, const ExportChoice& choice, ExportReporting& reporting,
              Application& access, const std::string& fileName, int position)
        : services(services),
          choice(choice),
          reporting(reporting),
          access(access),
          fileName(fileName),
          position(position) {}

    const ExportServices& services;
    const ExportChoice& choice;
    ExportReporting& reporting;
    Application& access;
    const std::string& fileName;
    int position;
    ReportResult result;
    std::string path;

    // Each failure of this report's statements is told as the run's own are; the first is what became
    // of the report.
    void failed(int number, const std::string& reason) override {
        if (result.outcome != ReportOutcome::Failed) {
            result.outcome = ReportOutcome::Failed;
            result.detail = reason;
            result.failedStep = number;
        }
        reporting.failed(number, reason);
    }

    // Step 134: the report's name and the path of its file, from the folder as it is now.
    bool nameFile() {
        return step(134, [&] {
            result.name = choice.reportName(position);
            path = outputPath(choice.folder(), services.files.pathSeparator(), fileName);
        });
    }

    // Points the PDF printer at the file and has Access print the report on it. Each registry call is
    // checked: with a value missing the printer would write over the previous report's file. The values
    // stay this run's until the job has taken them: the printer lets the lock go then, or the run after
    // the print.
    void printThroughPdfPrinter() {
        struct Release {
            platform::PrinterValuesLock& lock;
            ~Release() { lock.release(); }
        } release{services.printerValues};
        std::unique_ptr<platform::RegistryKey> key;
        std::string bypass;
        bool ready = step(132,
                          [&] {
                              services.printerValues.acquire([&] { reporting.yield(); });
                              key = services.registry.createKey(pdf_printer::kKey);
                          }) &&
                     nameFile() && step(136, [&] { key->writeString(pdf_printer::kOutputFile, path); }) &&
                     step(138, [&] { bypass = std::string{"1"}; }) &&
                     step(140, [&] { key->writeString(pdf_printer::kBypassSaveAs, bypass); });
        ready = step(142, [&] { key.reset(); }) && ready;
        if (!ready) return;
        step(148, [&] {
            access.openReport(result.name, platform::access::ReportView::Normal,
                              platform::access::WindowMode::Normal);
        });
    }

    // Without the PDF printer, Access writes the PDF file itself.
    void outputAsPdf() {
        if (!nameFile()) return;
        step(148, [&] { access.outputReport(result.name, platform::access::kFormatPdf, path); });
    }

    // A file drawn without Access says what it left out.
    void judgeFile() {
        if (result.outcome == ReportOutcome::Failed || services.drawn == nullptr) return;
        try {
            if (auto note = services.drawn->approximationNote(path)) {
                result.outcome = ReportOutcome::Approximated;
                result.detail = *note;
            }
        } catch (const std::exception&) {
            // The file was written; what it says of itself cannot be read, so nothing is claimed.
        }
    }
};

}  // namespace

std::string resultLine(const ReportResult& result) {
    const std::string name = printableName(result.name);
    switch (result.outcome) {
        case ReportOutcome::Saved:
            return "saved: " + name;
        case ReportOutcome::Approximated:
            return "approximated: " + name + ": " + printableName(result.detail);
        case ReportOutcome::Failed:
            break;
    }
    return "failed: " + name + ": step " + std::to_string(result.failedStep) + ": " +
           printableName(result.detail);
}

void SaveReports(const ExportServices& services, const ExportChoice& choice, ExportReporting& reporting) {
    std::optional<platform::FolderProblem> problem;
    std::string folder;
    if (!reporting.test(100, [&] {
            folder = choice.folder();
            problem = services.files.outputFolderProblem(folder);
            return !problem;
        })) {
        reporting.step(170, [&] { reporting.folderRefused(folder, *problem); });
        return;
    }
    reporting.step(102, [&] { reporting.yield(); });
    reporting.step(104, [&] { reporting.showBusy(true); });

    // Without Access or without the database nothing can be saved: one failure says why, then the run
    // ends, rather than a failure for every later step and a "done" for nothing.
    std::unique_ptr<Application> access;
    const auto giveUp = [&] {
        if (access) {
            try {
                access->quit(platform::access::QuitOption::SaveAll);
            } catch (const std::exception&) {
                // Released below all the same; the one failure has been told.
            }
            access.reset();
        }
        reporting.showBusy(false);
    };
    if (!reporting.step(106, [&] { access = services.access.createApplication(); })) return giveUp();
    if (!reporting.step(108, [&] {
            access->openCurrentDatabase(choice.databasePath(), false, choice.databasePassword());
        }))
        return giveUp();

    PrinterRef previousPrinter;
    reporting.step(110, [&] { previousPrinter = access->printer(); });
    const bool throughPdfPrinter = selectPdfPrinter(reporting, *access);

    // A failing loop head makes no pass.
    ListAtStart list;
    reporting.step(124, [&] { list = readList(choice, services.files.fileNameRules()); });
    std::vector<ReportResult> results;
    for (int i = 1; i <= list.count; ++i) {
        reporting.step(126, [&] { reporting.yield(); });
        reporting.step(128, [&] { reporting.showBusy(true); });
        if (!reporting.test(130, [&] { return choice.isChecked(i); })) continue;
        const int number = static_cast<int>(results.size()) + 1;
        SavingOne saving{
            services, choice, reporting, *access, list.fileNames[static_cast<std::size_t>(i - 1)], i};
        try {
            saving.result.name = choice.reportName(i);
        } catch (const std::exception&) {
            // Step 134 reads it again, and tells its failure.
        }
        reporting.reportStarting(number, std::max(number, list.checked), saving.result.name);
        if (throughPdfPrinter)
            saving.printThroughPdfPrinter();
        else
            saving.outputAsPdf();
        saving.judgeFile();
        reporting.reportEnded(saving.result);
        results.push_back(std::move(saving.result));
    }

    reporting.step(152, [&] { access->closeCurrentDatabase(); });
    reporting.step(154, [&] { reporting.yield(); });
    reporting.step(156, [&] { access->setPrinter(previousPrinter); });
    reporting.step(158, [&] { access->quit(platform::access::QuitOption::SaveAll); });
    reporting.step(160, [&] { access.reset(); });
    reporting.step(166, [&] { reporting.done(results); });
    reporting.step(168, [&] { reporting.showBusy(false); });
}

}  // namespace calvenor
