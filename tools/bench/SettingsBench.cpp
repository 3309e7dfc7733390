// What one keystroke in a remembered field costs: 1,000 stores of a growing text through the settings
// store over the file registry, as typing a long path does, on the user-interface thread.
//
//     settings_bench [FOLDER]
//
// FOLDER (default: a new folder under $TMPDIR or /tmp) must be on the file system that holds the user's
// configuration, or the numbers say nothing about it.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "platform/posix/FileRegistry.h"

namespace {

constexpr int kStores = 1000;

std::string scratchFolder(int argc, char* argv[]) {
    if (argc > 1) return argv[1];
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string{tmp != nullptr && *tmp != '\0' ? tmp : "/tmp"} + "/settings_bench.XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create " + pattern);
    return pattern;
}

double percentile(std::vector<double> sorted, double fraction) {
    std::sort(sorted.begin(), sorted.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[index];
}

}  // namespace

int main(int argc, char* argv[]) try {
    const std::string folder = scratchFolder(argc, argv);
    platform::posix::FileRegistry registry{folder + "/registry"};
    calvenor::Settings settings{registry};
    settings.SaveSetting(calvenor::Settings::kPassword, "secret");  // the key's file holds its neighbours too
    settings.SaveSetting(calvenor::Settings::kLocation, "/home/ann/Desktop/");

    const std::string typed =
        "/home/ann/Documents/Accounts/Quarterly reports for the board, 2026 edition.mdb";
    std::string text;
    std::vector<double> milliseconds;
    milliseconds.reserve(kStores);
    for (int store = 0; store < kStores; ++store) {
        text += typed[static_cast<std::size_t>(store) % typed.size()];
        const auto start = std::chrono::steady_clock::now();
        settings.SaveSetting(calvenor::Settings::kDatabase, text);
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    if (settings.GetSetting(calvenor::Settings::kDatabase, "") != text)
        throw std::runtime_error("the last store was lost");

    std::printf("%d stores of a growing text (1 to %zu characters) under %s\n", kStores, text.size(),
                folder.c_str());
    std::printf("median %.3f ms, 95th percentile %.3f ms, slowest %.3f ms\n", percentile(milliseconds, 0.5),
                percentile(milliseconds, 0.95), *std::max_element(milliseconds.begin(), milliseconds.end()));
    if (argc <= 1) std::filesystem::remove_all(folder);
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "settings_bench: %s\n", e.what());
    return 1;
}
