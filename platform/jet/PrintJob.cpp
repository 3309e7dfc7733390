#include "platform/jet/PrintJob.h"

#include <ctime>
#include <string_view>

#include "platform/Failure.h"
#include "platform/jet/ChildProcess.h"
#include "platform/jet/HelperPrograms.h"

namespace platform::jet {
namespace {

// A document that starts as a PDF and ends with its end-of-file marker (and at most line ends after
// it): a helper that died halfway gives neither a whole nor a readable file.
bool isWholePdf(std::string_view pdf) {
    if (!pdf.starts_with("%PDF-")) return false;
    const std::size_t end = pdf.find_last_not_of("\r\n \t");
    return end != std::string_view::npos && end + 1 >= 5 && pdf.substr(end + 1 - 5, 5) == "%%EOF";
}

}  // namespace

std::string localDateTime(std::chrono::system_clock::time_point when) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string renderPrintJob(const PrintJob& job, const EngineOptions& options) {
    ChildLimits limits;
    limits.timeLimit = options.timeLimit;
    ChildResult result = runChild(helperProgramPath(options.helperFolder, kRendererProgram),
                                  {"render", job.title, job.databaseName, job.printedAt}, limits, {},
                                  {"QT_QPA_PLATFORM=offscreen"});
    if (!result.succeeded() || !isWholePdf(result.output))
        throw Failure("The print job for the report '" + job.title + "' could not be rendered.");
    return std::move(result.output);
}

}  // namespace platform::jet
