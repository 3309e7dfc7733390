#pragma once

namespace platform {
class DrawnReports;
class FileSystem;
class ListView;
class PrinterValuesLock;
class Registry;
class TextBox;
class Ui;
class Window;
namespace access {
class Access;
}
}  // namespace platform

namespace calvenor {

class Trap;
struct DatabaseFields;

struct ExportRun {
    platform::Ui& ui;
    platform::FileSystem& files;
    platform::Registry& registry;
    platform::access::Access& access;
    platform::PrinterValuesLock& printerValues;
    platform::DrawnReports* drawn;         // null where Access prints the reports
    platform::Window& page;                // whose pointer shows the hourglass, and caption the progress
    platform::ListView& reports;           // the checked ones are saved, in list order
    const platform::TextBox& folderField;  // read again for every report
    const DatabaseFields& database;        // read once, when the database is opened
};

// "Save Checked Reports As PDF": SaveReports over the page. Failures are shown in the error report of
// the handler's trap; a folder that cannot take the files and the end of the run in message boxes; the
// page shows the hourglass, and its caption the report being saved, while the run is busy. Where the
// program draws the reports itself, the closing message says which were approximations and which
// failed, with the whole list in a text file in the folder.
void SaveCheckedReports(Trap& trap, const ExportRun& run);

// The name of that text file.
inline constexpr char kResultsFileName[] = "Calvenor results.txt";

}  // namespace calvenor
