#include "export/AddFolder.h"

#include "app/Settings.h"
#include "app/Trap.h"
#include "platform/FileSystem.h"
#include "platform/Ui.h"

namespace calvenor {

std::string SelectFolder(platform::Ui& ui, platform::Window& owner, std::string_view prompt,
                         std::string_view startFolder) {
    return ui.browseForFolder(owner, prompt, startFolder);
}

void ChooseOutputFolder(Trap& trap, platform::Ui& ui, platform::FileSystem& files, Settings& settings,
                        platform::Window& page, platform::TextBox& folderField) {
    std::string lastFolder, path;
    trap.step(100, [&] { lastFolder = settings.GetSetting(Settings::kLastFolder, ""); });
    trap.step(100, [&] { path = SelectFolder(ui, page, "Please select folder:", lastFolder); });
    if (trap.test(102, [&] { return path.empty(); })) return;
    const char separator = files.pathSeparator();
    trap.step(104, [&] { lastFolder = path; });
    trap.step(104, [&] { settings.SaveSetting(Settings::kLastFolder, lastFolder); });
    if (trap.test(104, [&] { return path.back() != separator; })) {
        trap.step(106, [&] { folderField.setText(path + separator); });
        return;
    }
    trap.step(108, [&] { folderField.setText(path); });
}

}  // namespace calvenor
