#include "platform/posix/PosixShell.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/Failure.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/ScopedHandles.h"
#include "platform/posix/SystemFailure.h"
#include "platform/posix/XdgFolders.h"

namespace platform::posix {

namespace {

constexpr char kUrlOpener[] = "xdg-open";

bool isFolder(const std::string& path) {
    return !path.empty() && PosixFileSystem{}.examine(path) == PathKind::Folder;
}

[[noreturn]] void reportErrorAndExit(int reportFd, int error) {
    [[maybe_unused]] const auto written = ::write(reportFd, &error, sizeof error);
    ::_exit(127);
}

// Runs in the grandchild, between fork and exec: only async-signal-safe calls, since the program may
// have other threads whose locks were copied mid-use.
[[noreturn]] void execOpener(char* const* arguments, int reportFd) {
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &defaultAction, nullptr);
    ::sigaction(SIGCHLD, &defaultAction, nullptr);

    const int devNull = ::open("/dev/null", O_RDWR);
    if (devNull < 0) reportErrorAndExit(reportFd, errno);
    for (int stream = 0; stream <= 2; ++stream) {
        if (::dup2(devNull, stream) < 0) reportErrorAndExit(reportFd, errno);
    }
    if (devNull > 2) ::close(devNull);

    ::execvp(arguments[0], arguments);
    reportErrorAndExit(reportFd, errno);
}

}  // namespace

std::string PosixShell::programFolder() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) raiseSystemFailure("Cannot find the program file through", "/proc/self/exe", errno);
        if (static_cast<std::size_t>(length) < buffer.size()) {
            std::string path{buffer.data(), static_cast<std::size_t>(length)};
            // A program in "/" gives empty text, which still forms "/name" when "/name" is appended.
            return path.substr(0, path.find_last_of('/'));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string PosixShell::desktopFolder() {
    const std::string home = homeFolder();
    std::string desktop =
        userFolder("XDG_DESKTOP_DIR").value_or(home.empty() ? std::string{} : home + "/Desktop");
    // Many desktops (and most servers) have no Desktop folder. Home is a folder that exists, and a
    // default output folder that exists saves the user a "Folder does not exist" message.
    return isFolder(desktop) ? desktop : home;
}

void PosixShell::openWebPage(std::string_view address) {
    startDetached({kUrlOpener, std::string{address}}, address);
}

// Windows' "explorer" shows a web address in the browser; here the desktop's opener does.
void PosixShell::runCommand(std::string_view commandLine, int /*windowStyle: no counterpart here*/) {
    std::vector<std::string> arguments = splitCommandLine(commandLine);
    if (arguments.empty()) throw Failure{"Cannot run an empty command line"};
    if (arguments[0] == "explorer") arguments[0] = kUrlOpener;
    startDetached(std::move(arguments), commandLine);
}

// Words separated by blanks; double quotes keep blanks inside a word and are dropped, as Windows
// splits a command line.
std::vector<std::string> splitCommandLine(std::string_view commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

void PosixShell::startDetached(std::vector<std::string> words, std::string_view what) {
    for (const auto& word : words) {
        if (word.find('\0') != std::string::npos)
            throw Failure{"Cannot run a command that contains a NUL character"};
    }
    const std::string& program = words.front();
    std::vector<char*> arguments;
    for (auto& word : words) arguments.push_back(word.data());
    arguments.push_back(nullptr);

    // The grandchild reports a failed exec through this pipe; a successful exec closes it silently.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) raiseSystemFailure("Cannot start", program, errno);
    ScopedFd reportRead{ends[0]};
    ScopedFd reportWrite{ends[1]};

    // Two forks: the command becomes a child of init in a session of its own, so it outlives nothing of
    // ours, holds no terminal, and never lingers as our zombie; we wait only for the short-lived middle.
    const pid_t middle = ::fork();
    if (middle < 0) raiseSystemFailure("Cannot start", program, errno);
    if (middle == 0) {
        ::setsid();
        const pid_t child = ::fork();
        if (child < 0) reportErrorAndExit(reportWrite.get(), errno);
        if (child > 0) ::_exit(0);
        execOpener(arguments.data(), reportWrite.get());
    }

    reportWrite.reset();
    while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t count;
    while ((count = ::read(reportRead.get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (count == static_cast<ssize_t>(sizeof error))
        raiseSystemFailure("Cannot start " + program + " to open", what, error);
}

}  // namespace platform::posix
