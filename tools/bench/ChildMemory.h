#pragma once

// The memory of this process and of the helper programs it runs, as the kernel counts it.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace bench {

// The "VmRSS" and "VmHWM" lines of a process's status, in kB: resident now, and the most it ever was
// resident (which a process that has ended takes with it). 0 when it has gone.
struct Memory {
    long resident = 0, peak = 0;
};

inline Memory memoryOf(const std::string& process) {
    Memory memory;
    std::ifstream status("/proc/" + process + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) memory.resident = std::atol(line.c_str() + 6);
        if (line.starts_with("VmHWM:")) memory.peak = std::atol(line.c_str() + 6);
    }
    return memory;
}

// The child of this process running the program named, found by name; "" when none runs.
inline std::string runningChild(const std::string& program) {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream children(task.path() / "children");
        for (std::string pid; children >> pid;) {
            std::ifstream comm("/proc/" + pid + "/comm");
            std::string name;
            if (std::getline(comm, name) && name == program) return pid;
        }
    }
    return {};
}

}  // namespace bench
