#include "batch/Password.h"

#include <filesystem>
#include <fstream>

namespace calvenor::batch {
namespace {

// Far beyond any database password: a file without a line end (a device, a huge file) is not read
// to its end.
constexpr std::size_t kLongestLine = 64 * 1024;

}  // namespace

std::optional<std::string> readPasswordFile(const std::string& utf8Path) {
    // Through a UTF-8 path, so that any name reaches the system whole on Windows too.
    const std::filesystem::path path{std::u8string{utf8Path.begin(), utf8Path.end()}};
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return std::nullopt;
    std::ifstream file{path, std::ios::binary};
    if (!file) return std::nullopt;
    std::string line;
    char c;
    while (line.size() < kLongestLine && file.get(c) && c != '\n') line += c;
    if (file.bad()) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace calvenor::batch
