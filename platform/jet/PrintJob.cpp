#include "platform/jet/PrintJob.h"

#include <ctime>

#include "platform/Failure.h"
#include "platform/jet/ChildProcess.h"
#include "platform/jet/HelperPrograms.h"

namespace platform::jet {

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
    if (!result.succeeded() || result.output.rfind("%PDF-", 0) != 0)
        throw Failure("The print job for the report '" + job.title + "' could not be rendered.");
    return std::move(result.output);
}

}  // namespace platform::jet
