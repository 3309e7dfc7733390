#include "platform/jet/helper/HelperProcess.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

#include "platform/jet/ChildProcess.h"

namespace platform::jet::helper {
namespace {

void limit(int resource, rlim_t value) {
    rlimit bound{value, value};
    setrlimit(resource, &bound);
}

}  // namespace

void prepareHelperProcess() {
    limit(RLIMIT_CORE, 0);
    prctl(PR_SET_DUMPABLE, 0);  // also no dump through a core_pattern pipe, where the limit does not apply
    limit(RLIMIT_AS, rlim_t{2} << 30);
    limit(RLIMIT_CPU, 120);  // the caller's time limit is shorter; this only stops an orphan
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1) _exit(3);  // the program ended before the line above took effect
}

bool writeResult(std::string_view result) {
    while (!result.empty()) {
        ssize_t written = ::write(kResultDescriptor, result.data(), result.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        result.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace platform::jet::helper
