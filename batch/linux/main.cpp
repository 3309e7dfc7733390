// The batch export's entry on Linux: the POSIX stand-ins for the registry and the files, the database
// engine standing in for ADO and Access, and no window at all. The PDF writer's renderer runs on Qt's
// offscreen platform, so a scheduled run without a display works as well.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "batch/BatchExport.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/jet/print/InstalledPrinters.h"
#include "platform/jet/print/PrintQueues.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PrinterValuesFileLock.h"

namespace {

std::optional<std::string> environmentVariable(std::string_view name) {
    const char* value = std::getenv(std::string{name}.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string{value};
}

// Absolute, and without "." or ".." parts, which the PDF writer refuses in an output path.
std::string fullPath(const std::string& path) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    return (error ? std::filesystem::path{path} : absolute).lexically_normal().string();
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    try {
        // The PDF writer learns each output file from its key in the per-user registry emulation.
        platform::posix::FileRegistry registry{platform::posix::FileRegistry::defaultRoot()};
        platform::posix::PosixFileSystem files;
        platform::jet::CupsPrintQueues queues;
        platform::jet::JetAdo ado;
        auto printerValues = platform::posix::PrinterValuesFileLock::forRegistry(registry.rootFolder());
        platform::jet::JetAccess access(registry, queues, {}, &printerValues);
        platform::jet::InstalledPrinters printers(queues);
        const calvenor::batch::Environment environment{environmentVariable, fullPath,
                                                       [] { return std::chrono::steady_clock::now(); },
                                                       ::isatty(STDERR_FILENO) == 1};
        return calvenor::batch::runBatchExport(
            arguments, {files, registry, ado, access, printers, printerValues, &access, &access}, environment,
            std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "calvenor-export: " << e.what() << '\n';
        return calvenor::batch::kCannotRun;
    }
}
