#pragma once

namespace platform {
class Printers;
class Ui;
}  // namespace platform

namespace calvenor {

// Whether an installed printer bears the PDF printer's device name, compared whole and with letter case.
// Failures to list the printers go to the caller.
bool IsPdfPrinterInstalled(platform::Printers& printers);

// Tells the user, in one message, how to install the PDF printer when no installed printer bears its
// device name (compared whole and with letter case); says nothing when one does. Failures to list the
// printers go to the caller.
void CheckPdfPrinter(platform::Printers& printers, platform::Ui& ui);

}  // namespace calvenor
