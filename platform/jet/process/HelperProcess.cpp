#include "platform/jet/process/HelperProcess.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/jet/process/ChildProcess.h"

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

// The processor time a job may take; the caller's time limit is shorter, so this only stops an orphan.
constexpr rlim_t kProcessorSecondsPerJob = 120;
// The whole life of a helper serving many jobs (the renderer replaces its helper after 1,000).
constexpr rlim_t kProcessorSecondsInAll = kProcessorSecondsPerJob * 1000;

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
    rlimit processor{kProcessorSecondsPerJob, kProcessorSecondsInAll};
    setrlimit(RLIMIT_CPU, &processor);
}

void allowProcessorTimeForNextJob() {
    allowProcessorTimeForNextJob(kProcessorSecondsPerJob);
}

void allowProcessorTimeForNextJob(rlim_t seconds) {
    rusage usage{};
    rlimit processor{};
    if (getrusage(RUSAGE_SELF, &usage) != 0 || getrlimit(RLIMIT_CPU, &processor) != 0) return;
    const long long microseconds = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL +
                                   usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    const auto used = static_cast<rlim_t>((microseconds + 999999) / 1000000);  // whole seconds, rounded up
    processor.rlim_cur = std::min(processor.rlim_max, used + seconds);
    setrlimit(RLIMIT_CPU, &processor);
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

std::optional<std::string> databasePath() {
    const char* text = std::getenv(kDatabasePathVariable);
    if (!text || !*text) return std::nullopt;
    return std::string(text);
}

}  // namespace platform::jet::helper
