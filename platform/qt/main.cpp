// The Linux edition's entry: Qt's application object, the POSIX stand-ins for the registry, the files
// and the shell, the database engine standing in for ADO and Access, and the program's start-up; then
// the event loop until a page ends the program. A file named on the command line (an Access file
// opened with the program) is the database to start with.
#include <QApplication>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/jet/print/InstalledPrinters.h"
#include "platform/jet/print/PrintQueues.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixShell.h"
#include "platform/posix/PrinterValuesFileLock.h"
#include "platform/qt/ProgramIcon.h"
#include "platform/qt/QtReportPreview.h"
#include "platform/qt/QtSkinFramework.h"
#include "platform/qt/QtUi.h"
#include "program/Program.h"

int main(int argc, char* argv[]) {
    QApplication application{argc, argv};
    // The pages end the program themselves when one of them closes; a hidden page must not keep it
    // alive, and closing the last visible one must not end it behind the handlers' back.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(platform::qt::programIcon());  // the pages take it from here

    platform::qt::QtUi ui;
    std::optional<platform::posix::FileRegistry> registry;
    try {
        registry.emplace(platform::posix::FileRegistry::defaultRoot());
    } catch (const std::exception& e) {
        ui.messageBox(std::string{"The settings folder cannot be found.\r\n\r\n"} + e.what(), "",
                      platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
        return 1;
    }
    platform::posix::PosixFileSystem files;
    platform::posix::PosixShell shell;
    // Access and ADO stand in as readers of the database file itself.
    platform::jet::CupsPrintQueues queues;
    platform::jet::JetAdo ado;
    platform::jet::EngineOptions engine;
    engine.whileDrawing = [&ui] { ui.keepPainted(); };  // a report of many pages takes a while
    auto printerValues = platform::posix::PrinterValuesFileLock::forRegistry(registry->rootFolder());
    platform::jet::JetAccess access(*registry, queues, engine, &printerValues);
    access.askWith(&ui);  // the wizard asks for the values a report's record source needs
    platform::jet::InstalledPrinters printers(queues);
    platform::qt::QtSkinFramework skin;
    // The report list's preview draws with the same helper and asks as the export asks.
    platform::qt::QtReportPreview preview(access, engine);

    calvenor::Program program{
        {ui, shell, files, *registry, ado, access, printers, skin, printerValues, &access, {}, &preview}};
    try {
        // Qt has taken its own options out of argv; the path is kept whole, made absolute so that it
        // still names the file when the program is next started from elsewhere.
        std::optional<std::string> database;
        if (argc > 1) {
            std::error_code unresolved;
            const auto full = std::filesystem::absolute(argv[1], unresolved);
            database = unresolved ? argv[1] : full.string();
        }
        program.start(database);
    } catch (const platform::ProgramEnded&) {
        return 0;  // a page was closed while start-up waited for the user
    }
    if (ui.programEnded()) return 0;
    return QApplication::exec();
}
