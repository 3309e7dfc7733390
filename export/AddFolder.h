#pragma once

#include <string>
#include <string_view>

namespace platform {
class FileSystem;
class TextBox;
class Ui;
class Window;
}  // namespace platform

namespace calvenor {

class Settings;
class Trap;

// The folder chooser over the owner window: the prompt, the start folder selected. The chosen folder's
// full path, or the empty text when the user cancelled.
std::string SelectFolder(platform::Ui& ui, platform::Window& owner, std::string_view prompt,
                         std::string_view startFolder);

// "...": the chooser opens at the folder last chosen in it ("LastFolderDot"), not at the field's
// text; a confirmed folder is remembered exactly as chosen and put into the field with one trailing
// separator. Cancel changes nothing. Runs its numbered statements through the handler's trap.
void ChooseOutputFolder(Trap& trap, platform::Ui& ui, platform::FileSystem& files, Settings& settings,
                        platform::Window& page, platform::TextBox& folderField);

}  // namespace calvenor
