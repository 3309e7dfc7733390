#pragma once

namespace platform {
class FileSystem;
class ListView;
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
    platform::Window& page;                // whose pointer shows the hourglass
    platform::ListView& reports;           // the checked ones are saved, in list order
    const platform::TextBox& folderField;  // read again for every report
    const DatabaseFields& database;        // read once, when the database is opened
};

// "Save Checked Reports As PDF": one Access instance saves every checked report as a PDF file named
// after it in the output folder, through the PDF printer when Access has it (its registry values
// written before each report) and through Access's own PDF output when it has not, so that no report
// ever goes to paper; then "Done.". A folder that does not exist is said and nothing else happens.
// Access that cannot start or open the database ends the run with that one report and no "Done.". A
// report whose printer values cannot be written is reported and not printed, so that it cannot
// overwrite the previous report's file. Runs its numbered statements through the handler's trap.
void SaveCheckedReports(Trap& trap, const ExportRun& run);

}  // namespace calvenor
