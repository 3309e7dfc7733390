// The Windows edition's entry: COM for the folder chooser, Access and ADO; the registry, the files, the
// shell and the printers through Win32; Access and ADO by automation; then the program's start-up and
// the message loop until a page ends the program. A file named on the command line (an Access file
// opened with the program) is the database to start with.
#include <windows.h>
// after windows.h, whose types it uses
#include <stdlib.h>

#include <optional>
#include <string>

#include "program/Program.h"
#include "platform/Failure.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinFileSystem.h"
#include "platform/win32/WinPrinterValuesLock.h"
#include "platform/win32/WinPrinters.h"
#include "platform/win32/WinRegistry.h"
#include "platform/win32/WinShell.h"
#include "platform/win32/com/BusyServerFilter.h"
#include "platform/win32/com/ComApartment.h"
#include "platform/win32/com/WinAccess.h"
#include "platform/win32/com/WinAdo.h"
#include "platform/win32/program/WinSkinFramework.h"
#include "platform/win32/ui/WinUi.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    namespace win32 = platform::win32;
    win32::ui::WinUi ui;
    try {
        win32::com::ComApartment apartment;
        win32::com::BusyServerFilter busyAccess;
        win32::WinRegistry registry;
        win32::WinFileSystem files;
        win32::WinShell shell;
        win32::WinPrinters printers;
        win32::com::WinAdo ado;
        // Every Access the program starts is quit when its object goes, also when a page is closed in the
        // middle of a run: no hidden Access is left holding the database.
        win32::com::WinAccess access;
        win32::WinSkinFramework skin;
        win32::WinPrinterValuesLock printerValues;
        // The report list's preview is Access's own, in an Access shown to the user and quit with the
        // program.
        win32::com::WinReportPreview preview;

        // Access prints every report itself: nothing is drawn here.
        calvenor::Program program{
            {ui, shell, files, registry, ado, access, printers, skin, printerValues, nullptr, {}, &preview}};
        try {
            std::optional<std::string> database;
            if (__argc > 1) database = win32::fullPath(win32::toUtf8(__wargv[1]));
            program.start(database);
        } catch (const platform::ProgramEnded&) {
            return 0;  // a page was closed while start-up waited for the user
        }
        return ui.programEnded() ? 0 : ui.run();
    } catch (const platform::Failure& failure) {
        // Only what must exist before the first page can fail here: COM itself, the message filter.
        ui.messageBox("Calvenor cannot start.\r\n\r\n" + failure.description(), "Calvenor",
                      platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
        return 1;
    }
}
