#pragma once

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "tests/support/TestSupport.h"

namespace jet_tests {

// A folder of helper programs for the engine: each is the build's own, a wrapper that counts its
// starts and then runs the build's own, or a script standing in for it.
class HelperFolder {
  public:
    HelperFolder() {
        for (const char* program : {"calvenor-jet", "calvenor-print"})
            std::filesystem::create_symlink(std::filesystem::path(CALVENOR_HELPER_DIR) / program,
                                            folder_.path() / program);
    }

    // The build's program, started through a wrapper that counts its starts.
    void countStarts(const std::string& program) {
        addScript(program, "exec '" + std::string(CALVENOR_HELPER_DIR) + "/" + program + "' \"$@\"\n");
    }

    // A shell script in the program's place; its starts are counted too.
    void addScript(const std::string& program, const std::string& body) {
        const auto path = folder_.path() / program;
        std::filesystem::remove(path);
        test_support::writeFile(path, "#!/bin/sh\necho start >> '" + startsLog(program) + "'\n" + body);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }

    int starts(const std::string& program) const {
        std::ifstream log(startsLog(program));
        return static_cast<int>(std::count(std::istreambuf_iterator<char>(log), {}, '\n'));
    }

    platform::jet::EngineOptions options() const {
        auto options = testOptions();
        options.helperFolder = folder_.path().string();
        return options;
    }

  private:
    std::string startsLog(const std::string& program) const { return folder_ / (program + ".starts"); }

    test_support::TemporaryFolder folder_;
};

// The processes this one started that have not been reaped, ended ones too.
inline std::vector<pid_t> childProcesses() {
    std::vector<pid_t> children;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream list(task.path() / "children");
        for (pid_t pid; list >> pid;) children.push_back(pid);
    }
    return children;
}

// The child running the program, or 0.
inline pid_t childRunning(const std::string& program) {
    for (pid_t pid : childProcesses()) {
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string name;
        if (std::getline(comm, name) && name == program.substr(0, 15)) return pid;  // comm is cut there
    }
    return 0;
}

// Kills the child and waits until it has ended, leaving it unreaped for its parent to find.
inline void killAndWaitForItsEnd(pid_t pid) {
    ::kill(pid, SIGKILL);
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
}

inline std::size_t openDescriptors() {
    auto entries = std::filesystem::directory_iterator("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

}  // namespace jet_tests
