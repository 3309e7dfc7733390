#include "export/ExportRun.h"

#include <memory>
#include <string>
#include <vector>

#include "app/ShellUtilities.h"
#include "app/Trap.h"
#include "catalogue/Access1.h"
#include "export/OutputFileNames.h"
#include "export/PdfPrinter.h"
#include "platform/Access.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Ui.h"

namespace calvenor {
namespace {

using platform::access::Application;
using platform::access::PrinterRef;

// Makes the PDF printer Access's current printer; answers whether it did. Every printer is looked at,
// as the walk does not stop at a match. A device name that cannot be read selects nothing: a printer
// chosen blindly could be one that prints on paper.
bool selectPdfPrinter(Trap& trap, platform::Ui& ui, Application& access) {
    std::vector<PrinterRef> printers;
    const int count = trap.passes(112, [&] {
        printers = access.printers();
        return static_cast<int>(printers.size());
    });
    bool selected = false;
    for (int i = 0; i < count; ++i) {
        trap.step(114, [&] { ui.doEvents(); });
        bool isPdfPrinter = false;
        if (!trap.step(116, [&] { isPdfPrinter = printers[i]->deviceName() == pdf_printer::kDeviceName; }))
            continue;
        if (isPdfPrinter && trap.step(118, [&] { access.setPrinter(printers[i]); })) selected = true;
    }
    return selected;
}

// Points the PDF printer at the file and has Access print the report on it. Each registry call is
// checked: with a value missing the printer would write over the previous report's file.
void printThroughPdfPrinter(Trap& trap, const ExportRun& run, Application& access, int position,
                            OutputFileNames& names) {
    std::unique_ptr<platform::RegistryKey> key;
    std::string report, path, bypass;
    bool ready = trap.step(132, [&] { key = run.registry.createKey(pdf_printer::kKey); }) &&
                 trap.step(134,
                           [&] {
                               report = run.reports.itemText(position);
                               path = names.pathFor(run.folderField.text(), report);
                           }) &&
                 trap.step(136, [&] { key->writeString(pdf_printer::kOutputFile, path); }) &&
                 trap.step(138, [&] { bypass = std::string{"1"}; }) &&
                 trap.step(140, [&] { key->writeString(pdf_printer::kBypassSaveAs, bypass); });
    ready = trap.step(142, [&] { key.reset(); }) && ready;
    if (!ready) return;
    trap.step(148, [&] {
        access.openReport(report, platform::access::ReportView::Normal, platform::access::WindowMode::Normal);
    });
}

// Without the PDF printer, Access writes the PDF file itself.
void outputAsPdf(Trap& trap, const ExportRun& run, Application& access, int position,
                 OutputFileNames& names) {
    std::string report, path;
    if (!trap.step(134, [&] {
            report = run.reports.itemText(position);
            path = names.pathFor(run.folderField.text(), report);
        }))
        return;
    trap.step(148, [&] { access.outputReport(report, platform::access::kFormatPdf, path); });
}

}  // namespace

void SaveCheckedReports(Trap& trap, const ExportRun& run) {
    if (!trap.test(100, [&] { return IsFolder(run.files, run.folderField.text()); })) {
        trap.step(170, [&] {
            run.ui.messageBox("Folder does not exist. Please select another folder.", "",
                              platform::MessageButtons::Ok, platform::MessageIcon::None);
        });
        return;
    }
    trap.step(102, [&] { run.ui.doEvents(); });
    trap.step(104, [&] { run.page.setPointer(platform::Pointer::Hourglass); });

    // Without Access or without the database nothing can be saved: one report says why, then the run
    // ends, rather than a report for every later step and a "Done." for nothing.
    std::unique_ptr<Application> access;
    const auto giveUp = [&] {
        if (access) {
            try {
                access->quit(platform::access::QuitOption::SaveAll);
            } catch (const std::exception&) {
                // Released below all the same; the one report has been shown.
            }
            access.reset();
        }
        run.page.setPointer(platform::Pointer::Default);
    };
    if (!trap.step(106, [&] { access = run.access.createApplication(); })) return giveUp();
    if (!trap.step(108, [&] {
            access->openCurrentDatabase(run.database.path.text(), false, run.database.password.text());
        }))
        return giveUp();

    PrinterRef previousPrinter;
    trap.step(110, [&] { previousPrinter = access->printer(); });
    const bool throughPdfPrinter = selectPdfPrinter(trap, run.ui, *access);

    OutputFileNames names{run.files.fileNameRules(), run.files.pathSeparator()};
    const int count = trap.passes(124, [&] { return run.reports.count(); });
    for (int i = 1; i <= count; ++i) {
        trap.step(126, [&] { run.ui.doEvents(); });
        trap.step(128, [&] { run.page.setPointer(platform::Pointer::Hourglass); });
        if (!trap.test(130, [&] { return run.reports.checked(i); })) continue;
        if (throughPdfPrinter)
            printThroughPdfPrinter(trap, run, *access, i, names);
        else
            outputAsPdf(trap, run, *access, i, names);
    }

    trap.step(152, [&] { access->closeCurrentDatabase(); });
    trap.step(154, [&] { run.ui.doEvents(); });
    trap.step(156, [&] { access->setPrinter(previousPrinter); });
    trap.step(158, [&] { access->quit(platform::access::QuitOption::SaveAll); });
    trap.step(160, [&] { access.reset(); });
    trap.step(166, [&] {
        run.ui.messageBox("Done.", "", platform::MessageButtons::Ok, platform::MessageIcon::None);
    });
    trap.step(168, [&] { run.page.setPointer(platform::Pointer::Default); });
}

}  // namespace calvenor
