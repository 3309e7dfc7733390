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

// "Save Checked Reports As PDF": SaveReports over the page. Failures are shown in the error report of
// the handler's trap; a folder that does not exist and the end of the run ("Done.") in message boxes,
// and the page shows the hourglass while the run is busy.
void SaveCheckedReports(Trap& trap, const ExportRun& run);

}  // namespace calvenor
