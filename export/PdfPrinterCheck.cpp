#include "export/PdfPrinterCheck.h"

#include <string>

#include "export/PdfPrinter.h"
#include "platform/Printers.h"
#include "platform/Ui.h"

namespace calvenor {

bool IsPdfPrinterInstalled(platform::Printers& printers) {
    for (const auto& name : printers.deviceNames()) {
        if (name == pdf_printer::kDeviceName) return true;
    }
    return false;
}

void CheckPdfPrinter(platform::Printers& printers, platform::Ui& ui) {
    if (IsPdfPrinterInstalled(printers)) return;
    const std::string printer = pdf_printer::kDeviceName;
    ui.messageBox(printer + " is not installed. Please follow these instructions:" + "\r\n\r\n" +
                      "1) Go to Control Panel -> Printers and Faxes to add a local printer." + "\r\n" +
                      "2) Choose ''CPW2: (" + printer +
                      ")'' on Select a Printer Port dialog box, click Next." + "\r\n" +
                      "3) Choose a Postscript printer (e.g. HP Color LaserJet PS), click Next." + "\r\n" +
                      "4) Enter " + printer + " as Printer name, click Next -> Finish.",
                  "", platform::MessageButtons::Ok, platform::MessageIcon::None);
}

}  // namespace calvenor
