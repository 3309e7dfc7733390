#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "TestFiles.h"

extern char** environ;

namespace jet_tests {

// A CUPS server of the test's own, on a socket in a temporary folder, with one raw queue
// "TestQueue" (the default). It keeps every job's document in its spool folder, so a test can read
// what a queue was sent. Not running (running() false) where cupsd is not installed.
class PrivateCupsServer {
  public:
    // extraSettings: more cupsd.conf lines, such as a limit on the size of a request.
    explicit PrivateCupsServer(const std::string& extraSettings = "") {
        const auto root = folder_.path();
        for (const char* sub : {"spool", "cache", "state", "tmp"})
            std::filesystem::create_directory(root / sub);
        std::ofstream(root / "cupsd.conf") << "Listen " << socket() << "\nLogLevel warn\nWebInterface No\n"
                                           << "Browsing No\nPreserveJobFiles Yes\n"
                                           << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                           << extraSettings;
        std::ofstream(root / "cups-files.conf")
            << "ServerRoot " << root.string() << "\nRequestRoot " << (root / "spool").string()
            << "\nCacheDir " << (root / "cache").string() << "\nStateDir " << (root / "state").string()
            << "\nTempDir " << (root / "tmp").string() << "\nErrorLog " << (root / "error_log").string()
            << "\nAccessLog " << (root / "access_log").string() << "\nPageLog "
            << (root / "page_log").string() << "\n";
        std::ofstream(root / "printers.conf") << "<DefaultPrinter TestQueue>\nDeviceURI "
                                                 "file:///dev/null\nState Idle\nAccepting Yes\nShared No\n"
                                              << "</DefaultPrinter>\n";
        if (!std::filesystem::exists(kCupsd)) return;

        std::string conf = (root / "cupsd.conf").string(), files = (root / "cups-files.conf").string();
        char* argv[] = {const_cast<char*>(kCupsd),
                        const_cast<char*>("-f"),
                        const_cast<char*>("-c"),
                        conf.data(),
                        const_cast<char*>("-s"),
                        files.data(),
                        nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, kCupsd, &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; pid_ > 0 && i < 100 && !std::filesystem::exists(socket()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~PrivateCupsServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    PrivateCupsServer(const PrivateCupsServer&) = delete;
    PrivateCupsServer& operator=(const PrivateCupsServer&) = delete;

    bool running() const { return pid_ > 0 && std::filesystem::exists(socket()); }
    std::string socket() const { return folder_ / "cups.sock"; }

    // The document of the server's first job, as it arrived; empty until the job is spooled.
    std::string firstJobDocument() const {
        return test_support::readFile(folder_.path() / "spool" / "d00001-001");
    }
    // The page log: one line per job with its queue and title.
    std::string pageLog() const { return test_support::readFile(folder_.path() / "page_log"); }

  private:
    static constexpr char kCupsd[] = "/usr/sbin/cupsd";

    test_support::TemporaryFolder folder_;
    pid_t pid_ = -1;
};

}  // namespace jet_tests
