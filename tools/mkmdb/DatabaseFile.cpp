#include "DatabaseFile.h"

#include <string>
#include <string_view>

#include "DatabaseImage.h"

namespace mkmdb {

void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         Overwrite overwrite) {
    const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    try {
        platform::posix::writeFileAtomically(path.string(), content, platform::posix::FileAccess::Ordinary,
                                             overwrite);
    } catch (const platform::posix::FileExists&) {
        throw Error('"' + path.string() +
                    "\" exists already; it was left as it is (use --force to replace it)");
    } catch (const platform::Failure& failure) {
        throw Error(failure.description());
    }
}

void writeDatabaseFile(const Database& database, const std::filesystem::path& path, Overwrite overwrite) {
    const auto image = buildDatabaseImage(database);
    writeFileAtomically(path, image.bytes(), overwrite);
}

}  // namespace mkmdb
