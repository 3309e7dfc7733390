#include "export/SaveReports.h"

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/ShellUtilities.h"
#include "export/OutputFileNames.h"
#include "export/PdfPrinter.h"
#include "platform/Access.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"

namespace calvenor {
namespace {

using platform::access::Application;
using platform::access::PrinterRef;

// A conditional's test: its answer, or true when the test itself failed, as the run then goes on with
// the "then" part.
bool test(ExportReporting& reporting, int number, const std::function<bool()>& condition) {
    bool answer = true;
    reporting.step(number, [&] { answer = condition(); });
    return answer;
}

// A counted loop's head: the number of passes, none when the bound cannot be read.
int passes(ExportReporting& reporting, int number, const std::function<int()>& bound) {
    int count = 0;
    reporting.step(number, [&] { count = bound(); });
    return count;
}

// Makes the PDF printer Access's current printer; answers whether it did. Every printer is looked at,
// as the walk does not stop at a match. A device name that cannot be read selects nothing: a printer
// chosen blindly could be one that prints on paper.
bool selectPdfPrinter(ExportReporting& reporting, Application& access) {
    std::vector<PrinterRef> printers;
    const int count = passes(reporting, 112, [&] {
        printers = access.printers();
        return static_cast<int>(printers.size());
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

struct Saving {
    const ExportServices& services;
    const ExportChoice& choice;
    ExportReporting& reporting;
    Application& access;
    OutputFileNames names;

    // Step 134: the report's name and the path of its file, from the folder as it is now.
    bool nameFile(int position, std::string& report, std::string& path) {
        return reporting.step(134, [&] {
            report = choice.reportName(position);
            path = names.pathFor(choice.folder(), report);
        });
    }

    // Points the PDF printer at the file and has Access print the report on it. Each registry call is
    // checked: with a value missing the printer would write over the previous report's file.
    void printThroughPdfPrinter(int position) {
        std::unique_ptr<platform::RegistryKey> key;
        std::string report, path, bypass;
        bool ready = reporting.step(132, [&] { key = services.registry.createKey(pdf_printer::kKey); }) &&
                     nameFile(position, report, path) &&
                     reporting.step(136, [&] { key->writeString(pdf_printer::kOutputFile, path); }) &&
                     reporting.step(138, [&] { bypass = std::string{"1"}; }) &&
                     reporting.step(140, [&] { key->writeString(pdf_printer::kBypassSaveAs, bypass); });
        ready = reporting.step(142, [&] { key.reset(); }) && ready;
        if (!ready) return;
        if (reporting.step(148, [&] {
                access.openReport(report, platform::access::ReportView::Normal,
                                  platform::access::WindowMode::Normal);
            }))
            reporting.reportWritten(position, path);
    }

    // Without the PDF printer, Access writes the PDF file itself.
    void outputAsPdf(int position) {
        std::string report, path;
        if (!nameFile(position, report, path)) return;
        if (reporting.step(148, [&] { access.outputReport(report, platform::access::kFormatPdf, path); }))
            reporting.reportWritten(position, path);
    }
};

}  // namespace

void SaveReports(const ExportServices& services, const ExportChoice& choice, ExportReporting& reporting) {
    if (!test(reporting, 100, [&] { return IsFolder(services.files, choice.folder()); })) {
        reporting.step(170, [&] { reporting.folderMissing(); });
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

    Saving saving{services, choice, reporting, *access,
                  OutputFileNames{services.files.fileNameRules(), services.files.pathSeparator()}};
    const int count = passes(reporting, 124, [&] { return choice.reportCount(); });
    for (int i = 1; i <= count; ++i) {
        reporting.step(126, [&] { reporting.yield(); });
        reporting.step(128, [&] { reporting.showBusy(true); });
        if (!test(reporting, 130, [&] { return choice.isChecked(i); })) continue;
        reporting.reportStarting(i, count);
        if (throughPdfPrinter)
            saving.printThroughPdfPrinter(i);
        else
            saving.outputAsPdf(i);
        reporting.reportFinished(i);
    }

    reporting.step(152, [&] { access->closeCurrentDatabase(); });
    reporting.step(154, [&] { reporting.yield(); });
    reporting.step(156, [&] { access->setPrinter(previousPrinter); });
    reporting.step(158, [&] { access->quit(platform::access::QuitOption::SaveAll); });
    reporting.step(160, [&] { access.reset(); });
    reporting.step(166, [&] { reporting.done(); });
    reporting.step(168, [&] { reporting.showBusy(false); });
}

}  // namespace calvenor
