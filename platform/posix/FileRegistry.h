#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace platform::posix {

// The current user's registry kept in files below one root folder. A key is a folder, its path
// mirrored as nested folders ("Software\Drevmark PDF Writer" is <root>/Software/Drevmark PDF Writer);
// its values are in the text file ".values.reg" inside it (format: ValueFile). Key names compare
// without regard to ASCII letter case and keep the spelling they were created with.
//
// The files are private to the user (0600, folders 0700: the database password is kept here) and are
// replaced atomically, so a reader sees either the old or the new file; they are not flushed to the disk
// (a value is stored per keystroke), so only a crash of the whole system can lose the latest stores. Writers
// of one key, in this or another process, take turns through an advisory lock on ".values.lock" beside the
// value file, so no update is lost. Nothing is cached: every call reads the files afresh.
class FileRegistry : public Registry {
  public:
    explicit FileRegistry(std::string rootFolder);

    // $XDG_CONFIG_HOME/calvenor/registry (by default ~/.config/calvenor/registry). Raises Failure when
    // neither XDG_CONFIG_HOME nor HOME names an absolute folder.
    static std::string defaultRoot();
    static FileRegistry forCurrentUser() { return FileRegistry{defaultRoot()}; }

    std::unique_ptr<RegistryKey> createKey(std::string_view path) override;
    std::unique_ptr<RegistryKey> openKey(std::string_view path) override;

    const std::string& rootFolder() const { return root_; }

  private:
    std::string root_;
};

}  // namespace platform::posix
