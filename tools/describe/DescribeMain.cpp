// calvenor-describe: prints what Calvenor reads of a report's design, for looking inside a database.
//
//   calvenor-describe REPORT DATABASE    the report's design and the first rows of its record source
//   calvenor-describe --all DATABASE     every report's design
//   calvenor-describe --modules DATABASE         the database's Visual Basic modules and their procedures
//   calvenor-describe --module NAME DATABASE     one module's source
//
// A report's description ends with its code: the procedures and macros its events run, and the module
// functions its record source, groups and controls call.
//
// The database password, if any, comes from CALVENOR_PASSWORD. The file is checked as the program
// checks it, then read by the contained helper calvenor-report, never in this process.

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/Failure.h"
#include "platform/jet/catalogue/CatalogueReader.h"
#include "platform/jet/catalogue/DatabaseFile.h"
#include "platform/jet/file/DatabaseError.h"
#include "platform/jet/process/ChildProcess.h"
#include "platform/jet/process/HelperPrograms.h"
#include "platform/jet/process/LineProtocol.h"
#include "platform/posix/ScopedHandles.h"

namespace {

using namespace platform::jet;

constexpr char kReportProgram[] = "calvenor-report";
constexpr auto kTimeLimit = std::chrono::seconds(30);
constexpr char kRowsShown[] = "5";

int usage() {
    std::cerr << "usage: calvenor-describe REPORT DATABASE\n"
                 "       calvenor-describe --all DATABASE\n"
                 "       calvenor-describe --modules DATABASE\n"
                 "       calvenor-describe --module NAME DATABASE\n"
                 "The database password, if it has one, is taken from CALVENOR_PASSWORD.\n";
    return 2;
}

int failure(const std::string& message) {
    std::cerr << "calvenor-describe: " << message << '\n';
    return 1;
}

enum class Answer { Whole, Refused, Broken };

// Prints the helper's answer: whole, a refusal it explained (printed here), or broken off. A module's
// source is printed as it is, without its name; an answer of none says whenNone.
Answer printAnswer(const std::string& answer, bool moduleSource, const char* whenNone) {
    std::size_t reports = 0;
    for (const auto& fields : splitLines(answer)) {
        if ((fields[0] == "report" || fields[0] == "module") && fields.size() == 2) {
            if (!moduleSource)
                std::cout << (reports ? "\n" : "") << fields[0] << " \"" << fields[1] << "\"\n";
            ++reports;
        } else if (fields[0] == "text" && fields.size() == 2) {
            std::cout << fields[1] << '\n';
        } else if (fields[0] == "end" && fields.size() == 2) {
            if (fields[1] != std::to_string(reports)) return Answer::Broken;
            if (reports == 0) std::cout << whenNone;
            return Answer::Whole;
        } else if (fields[0] == "error" && fields.size() == 2) {
            std::cerr << "calvenor-describe: " << fields[1] << '\n';
            return Answer::Refused;
        } else {
            return Answer::Broken;
        }
    }
    return Answer::Broken;
}

}  // namespace

int main(int argc, char** argv) {
    const bool moduleSource = argc == 4 && std::strcmp(argv[1], "--module") == 0;
    if ((argc != 3 && !moduleSource) || argv[1][0] == '\0') return usage();
    const std::string report = argv[1], path = argv[argc - 1];
    const bool all = report == "--all", modules = report == "--modules";
    if (!all && !modules && !moduleSource && report[0] == '-') return usage();
    const char* password = std::getenv("CALVENOR_PASSWORD");
    try {
        // The file the password was checked on, or the decrypted copy of an encoded or encrypted one.
        const ReadableDatabase database =
            openReadableDatabase(path, password ? password : "", AcceptedFormats::JetAndAce, EngineOptions{});
        const FileHeader& header = database.header;
        const std::string input = "/proc/self/fd/" + std::to_string(kInputDescriptor);
        std::vector<std::string> arguments =
            all            ? std::vector<std::string>{"all", input}
            : modules      ? std::vector<std::string>{"modules", input}
            : moduleSource ? std::vector<std::string>{"module", argv[2], input}
                           : std::vector<std::string>{"design", report, input, kRowsShown};
        ChildLimits limits;
        limits.timeLimit = kTimeLimit;
        const ChildResult result =
            runChild(helperProgramPath("", kReportProgram), arguments, limits, {"MDBOPTS", "MDBPATH"},
                     textConversionEnvironment(header), database.descriptor.get());
        if (result.ending == ChildResult::Ending::TimedOut)
            return failure("reading the designs took longer than " + secondsText(limits.timeLimit) +
                           " seconds.");
        if (result.ending == ChildResult::Ending::OutputTooLarge)
            return failure("the designs are too large to print.");
        switch (printAnswer(
            result.output, moduleSource,
            modules ? "The database has no Visual Basic modules.\n" : "The database has no reports.\n")) {
            case Answer::Whole:
                return result.succeeded() ? 0 : failure("the report reader failed on this file.");
            case Answer::Refused:
                return 1;
            case Answer::Broken:
                break;
        }
        return failure("the report reader failed on this file.");
    } catch (const DatabaseError& error) {
        return failure(error.what());
    } catch (const platform::Failure& error) {
        return failure(error.description());
    }
}
