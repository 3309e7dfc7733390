#include "platform/jet/process/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/Failure.h"
#include "platform/posix/ScopedHandles.h"

extern char** environ;

namespace platform::jet {
namespace {

using Clock = std::chrono::steady_clock;
using posix::ScopedFd;

// A posix_spawn settings record, initialised on creation and destroyed on every way out.
template <class Record, int (*Init)(Record*), int (*Destroy)(Record*)>
class SpawnRecord {
  public:
    SpawnRecord() { Init(&record_); }
    ~SpawnRecord() { Destroy(&record_); }
    SpawnRecord(const SpawnRecord&) = delete;
    SpawnRecord& operator=(const SpawnRecord&) = delete;
    Record* get() { return &record_; }

  private:
    Record record_;
};
using SpawnActions =
    SpawnRecord<posix_spawn_file_actions_t, posix_spawn_file_actions_init, posix_spawn_file_actions_destroy>;
using SpawnAttributes = SpawnRecord<posix_spawnattr_t, posix_spawnattr_init, posix_spawnattr_destroy>;

// A copy of our descriptor numbered above those the child is given, so that placing one of them in
// the child never overwrites another before it is placed.
ScopedFd copyAboveChildDescriptors(int fd) {
    return ScopedFd(fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, kInputDescriptor + 1));
}

std::vector<std::string> childEnvironment(const std::vector<std::string>& removed,
                                          const std::vector<std::string>& added) {
    auto isReplaced = [&](std::string_view entry) {
        std::string_view name = entry.substr(0, entry.find('='));
        for (const auto& r : removed)
            if (name == r) return true;
        for (const auto& a : added)
            if (name == std::string_view(a).substr(0, a.find('='))) return true;
        return false;
    };
    std::vector<std::string> environment;
    for (char** entry = environ; entry && *entry; ++entry)
        if (!isReplaced(*entry)) environment.emplace_back(*entry);
    environment.insert(environment.end(), added.begin(), added.end());
    return environment;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

ChildResult::Ending endingOf(int status, int& exitCode) {
    if (WIFEXITED(status)) {
        exitCode = WEXITSTATUS(status);
        return ChildResult::Ending::Exited;
    }
    return ChildResult::Ending::Signalled;
}

}  // namespace

RunningChild::RunningChild(RunningChild&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), status_(other.status_), lost_(other.lost_) {}

RunningChild& RunningChild::operator=(RunningChild&& other) noexcept {
    if (this != &other) {
        kill();
        pid_ = std::exchange(other.pid_, -1);
        status_ = other.status_;
        lost_ = other.lost_;
    }
    return *this;
}

bool RunningChild::waitUntil(Clock::time_point deadline) {
    while (pid_ > 0) {
        int status = 0;
        pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = status;
            pid_ = -1;
        } else if (done < 0 && errno != EINTR) {
            // Reaped elsewhere (SIGCHLD ignored, another waitpid): how it ended is unknown.
            pid_ = -1;
            lost_ = true;
        } else if (Clock::now() >= deadline) {
            return false;
        } else {
            ::usleep(200);
        }
    }
    return true;
}

void RunningChild::kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        reap();
    }
}

void RunningChild::reap() {
    int status = 0;
    pid_t done;
    while ((done = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    status_ = status;
    lost_ = done != pid_;
    pid_ = -1;
}

RunningChild startChild(const std::string& program, const std::vector<std::string>& arguments, int resultEnd,
                        const std::vector<std::string>& removedEnvironment,
                        const std::vector<std::string>& addedEnvironment, int inputDescriptor) {
    auto cannotStart = [&](int error) {
        return Failure("Cannot start the helper program '" + program + "': " + std::strerror(error));
    };
    ScopedFd result = copyAboveChildDescriptors(resultEnd),
             input = copyAboveChildDescriptors(inputDescriptor);
    if (!result || (inputDescriptor >= 0 && !input)) throw cannotStart(errno);

    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), result.get(), kResultDescriptor);
    if (input) posix_spawn_file_actions_adddup2(actions.get(), input.get(), kInputDescriptor);
    posix_spawn_file_actions_addclosefrom_np(actions.get(),
                                             (input ? kInputDescriptor : kResultDescriptor) + 1);

    // The child starts with default signal handling, whatever the program has installed.
    SpawnAttributes attributes;
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(attributes.get(), &all);
    posix_spawnattr_setsigmask(attributes.get(), &none);
    posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> argumentTexts{program};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> added = addedEnvironment;
    added.push_back(std::string(kParentProcessVariable) + "=" + std::to_string(::getpid()));
    std::vector<std::string> environmentTexts = childEnvironment(removedEnvironment, added);
    auto argv = pointers(argumentTexts);
    auto envp = pointers(environmentTexts);

    pid_t pid = -1;
    int error =
        ::posix_spawn(&pid, program.c_str(), actions.get(), attributes.get(), argv.data(), envp.data());
    if (error != 0) throw cannotStart(error);
    return RunningChild(pid);
}

std::string secondsText(std::chrono::milliseconds limit) {
    std::string text = std::to_string(limit.count() / 1000);
    if (limit.count() % 1000 != 0) text += "." + std::to_string(limit.count() % 1000 / 100);
    return text;
}

ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildLimits& limits, const std::vector<std::string>& removedEnvironment,
                     const std::vector<std::string>& addedEnvironment, int inputDescriptor) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw Failure("Cannot start the helper program '" + program + "': " + std::strerror(errno));
    ScopedFd readEnd(ends[0]), writeEnd(ends[1]);
    RunningChild child =
        startChild(program, arguments, writeEnd.get(), removedEnvironment, addedEnvironment, inputDescriptor);
    writeEnd.reset();  // the child holds the only write end now: its end is our end of file

    const auto deadline = Clock::now() + limits.timeLimit;
    ChildResult result;
    char buffer[65536];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            child.kill();
            result.ending = ChildResult::Ending::TimedOut;
            return result;
        }
        pollfd waitFor{readEnd.get(), POLLIN, 0};
        int ready = ::poll(&waitFor, 1, static_cast<int>(std::min<long long>(left.count() + 1, 1000)));
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            break;
        }
        if (got == 0) break;  // end of file: the child closed its result or ended
        if (result.output.size() + static_cast<std::size_t>(got) > limits.outputLimit) {
            child.kill();
            result.output.clear();
            result.ending = ChildResult::Ending::OutputTooLarge;
            return result;
        }
        result.output.append(buffer, static_cast<std::size_t>(got));
    }

    if (!child.waitUntil(deadline)) {
        child.kill();
        result.ending = ChildResult::Ending::TimedOut;
        return result;
    }
    result.ending = child.lost() ? ChildResult::Ending::Lost : endingOf(child.status(), result.exitCode);
    return result;
}

}  // namespace platform::jet
