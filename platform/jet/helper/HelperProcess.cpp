#include "platform/jet/helper/HelperProcess.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/jet/ChildProcess.h"

// Sanitizer run-times reserve terabytes of address space for their shadow memory: a bound on it
// would stop such a build at its start.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CALVENOR_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define CALVENOR_SANITIZED 1
#endif
#endif

namespace platform::jet::helper {
namespace {

void limit(int resource, rlim_t value) {
    rlimit bound{value, value};
    setrlimit(resource, &bound);
}

// The program that started us, as it told us; 0 when we were not started by it (run by hand).
pid_t startingProgram() {
    const char* text = std::getenv(kParentProcessVariable);
    if (!text) return 0;
    char* end = nullptr;
    long pid = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && pid > 0 ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

void prepareHelperProcess() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The program may have ended before that took effect; then our parent is someone else now (init
    // or a subreaper).
    const pid_t parent = startingProgram();
    if (parent != 0 && getppid() != parent) _exit(3);
    limit(RLIMIT_CORE, 0);
    prctl(PR_SET_DUMPABLE, 0);  // also no dump through a core_pattern pipe, where the limit does not apply
#ifndef CALVENOR_SANITIZED
    limit(RLIMIT_AS, rlim_t{2} << 30);
#endif
    limit(RLIMIT_CPU, 120);  // the caller's time limit is shorter; this only stops an orphan
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

std::string jet3Charset() {
    const char* charset = std::getenv("MDB_JET3_CHARSET");
    return charset && *charset ? charset : "CP1252";
}

std::uint16_t databaseCodePage() {
    const char* text = std::getenv(kCodePageVariable);
    unsigned value = 0;
    if (!text || std::from_chars(text, text + std::strlen(text), value).ec != std::errc() || value > 0xFFFF)
        return 0;
    return static_cast<std::uint16_t>(value);
}

}  // namespace platform::jet::helper
