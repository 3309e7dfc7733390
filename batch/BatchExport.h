#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class DrawnReports;
class FileSystem;
class ReportParameters;
class PrinterValuesLock;
class Printers;
class Registry;
namespace ado {
class Ado;
}
namespace access {
class Access;
}
}  // namespace platform

namespace calvenor::batch {

// The exit statuses.
inline constexpr int kAllSaved = 0;
inline constexpr int kSomeFailed = 1;
inline constexpr int kCannotRun = 2;  // bad usage, a database that does not open, no report chosen

struct Services {
    platform::FileSystem& files;
    platform::Registry& registry;  // where the PDF printer learns its output file; nothing else
    platform::ado::Ado& ado;
    platform::access::Access& access;
    platform::Printers&
        printers;  // looked at for the PDF printer, to say when Access writes the files itself
    platform::PrinterValuesLock& printerValues;
    platform::DrawnReports* drawn;  // where the program draws the reports itself; null where Access prints
    // Where the program reads the reports itself, the parameters they ask for; null where Access asks.
    platform::ReportParameters* parameters = nullptr;
};

// What the program learns from the system it runs on.
struct Environment {
    // The value of an environment variable, when it is set.
    std::function<std::optional<std::string>(std::string_view name)> variable;
    // The full path of a path given on the command line, as the system resolves it from the current
    // folder, without "." or ".." parts.
    std::function<std::string(const std::string& path)> fullPath;
    std::function<std::chrono::steady_clock::time_point()> clock;
    bool errorsToTerminal = false;  // whether the error stream is a terminal
};

// The whole program: the arguments after its name in, the exit status out. Report names go to out,
// progress and failures to errors.
int runBatchExport(const std::vector<std::string>& arguments, const Services& services,
                   const Environment& environment, std::ostream& out, std::ostream& errors);

}  // namespace calvenor::batch
