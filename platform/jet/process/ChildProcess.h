#pragma once

#include <sys/types.h>

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

// The environment variable that tells a helper the code page of the database it reads.
inline constexpr char kCodePageVariable[] = "CALVENOR_CODE_PAGE";

// The environment variable that tells a helper the database's path as the user gave it, made absolute:
// it reads the file through a descriptor, yet report code and expressions may name the file.
inline constexpr char kDatabasePathVariable[] = "CALVENOR_DATABASE_PATH";

// A started child that is killed and reaped on every way out, so that none is ever left behind.
class RunningChild {
  public:
    using Clock = std::chrono::steady_clock;

    explicit RunningChild(pid_t pid) : pid_(pid) {}
    RunningChild(RunningChild&& other) noexcept;
    RunningChild& operator=(RunningChild&& other) noexcept;
    RunningChild(const RunningChild&) = delete;
    RunningChild& operator=(const RunningChild&) = delete;
    ~RunningChild() { kill(); }

    // Waits for the child's end until the deadline; false when it is still running then.
    bool waitUntil(Clock::time_point deadline);
    // Ends it now, if it has not ended, and reaps it.
    void kill();

    int status() const { return status_; }  // waitpid's status, once it has ended
    bool lost() const { return lost_; }     // reaped by someone else: how it ended is unknown

  private:
    void reap();

    pid_t pid_;
    int status_ = 0;
    bool lost_ = false;
};

// Starts the program (an absolute path) with the arguments and the current environment minus the
// names in removedEnvironment, plus the entries of addedEnvironment ("NAME=value") and
// kParentProcessVariable. Our descriptor resultEnd becomes the child's kResultDescriptor and an
// inputDescriptor (not -1) its kInputDescriptor; stdin, stdout and stderr are /dev/null and no other
// descriptor is passed on. Raises Failure when the program cannot be started.
RunningChild startChild(const std::string& program, const std::vector<std::string>& arguments, int resultEnd,
                        const std::vector<std::string>& removedEnvironment = {},
                        const std::vector<std::string>& addedEnvironment = {}, int inputDescriptor = -1);

// A time limit as a message gives it: "10", or "2.5" for a limit that is not whole seconds.
std::string secondsText(std::chrono::milliseconds limit);

// Runs the program as startChild does and collects what it writes on its result descriptor until it
// ends. Raises Failure only when the program cannot be started at all.
ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildLimits& limits, const std::vector<std::string>& removedEnvironment = {},
                     const std::vector<std::string>& addedEnvironment = {}, int inputDescriptor = -1);

}  // namespace platform::jet
