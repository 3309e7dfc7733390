#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace platform::jet {

// What a helper program may take and give: it is killed when it runs longer or says more.
struct ChildLimits {
    std::chrono::milliseconds timeLimit{10000};
    std::size_t outputLimit = 16 * 1024 * 1024;
};

struct ChildResult {
    // Lost: the child was reaped by someone else, so how it ended is unknown (never a success).
    enum class Ending { Exited, Signalled, TimedOut, OutputTooLarge, Lost };
    Ending ending = Ending::Exited;
    int exitCode = 0;    // when Exited
    std::string output;  // everything the child wrote to its result descriptor

    bool succeeded() const { return ending == Ending::Exited && exitCode == 0; }
};

// The descriptor on which a helper writes its result. Its stdout and stderr go to /dev/null, so
// nothing a library inside it prints reaches the user's terminal or the result.
inline constexpr int kResultDescriptor = 3;

// The descriptor on which a helper finds the file it was given to read, when it was given one: the
// very file the program checked, whatever happens to its path meanwhile.
inline constexpr int kInputDescriptor = 4;

// The environment variable that tells a child the process id of the program that started it, so that
// it can tell whether that program has ended already.
inline constexpr char kParentProcessVariable[] = "CALVENOR_PARENT_PID";

// Runs the program (an absolute path) with the arguments and the current environment minus the
// names in removedEnvironment, plus the entries of addedEnvironment ("NAME=value") and
// kParentProcessVariable, and collects its
// result. An inputDescriptor of ours (not -1) becomes the child's kInputDescriptor. Raises Failure
// only when the program cannot be started at all.
ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildLimits& limits, const std::vector<std::string>& removedEnvironment = {},
                     const std::vector<std::string>& addedEnvironment = {}, int inputDescriptor = -1);

}  // namespace platform::jet
