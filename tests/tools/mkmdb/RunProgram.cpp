#include "RunProgram.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "tests/support/TestSupport.h"

extern char** environ;

namespace mkmdb::testing {
namespace {

// posix_spawn's file actions, released at the end.
class SpawnActions {
  public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    void redirect(int fd, const std::filesystem::path& file) {
        posix_spawn_file_actions_addopen(&actions_, fd, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    const posix_spawn_file_actions_t* get() const { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

}  // namespace

ProgramResult runProgram(const std::vector<std::string>& arguments) {
    test_support::TemporaryFolder folder;
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (auto& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    SpawnActions actions;
    actions.redirect(1, folder / "stdout");
    actions.redirect(2, folder / "stderr");
    ProgramResult result;
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], actions.get(), nullptr, argv.data(), environ) != 0) return result;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.output = test_support::readFile(folder / "stdout");
    result.errors = test_support::readFile(folder / "stderr");
    return result;
}

bool programExists(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((std::filesystem::path(folder) / name).c_str(), X_OK) == 0)
            return true;
    return false;
}

}  // namespace mkmdb::testing
