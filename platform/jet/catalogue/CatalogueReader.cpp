#include "platform/jet/catalogue/CatalogueReader.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <set>

#include "platform/Failure.h"
#include "platform/jet/file/DatabaseError.h"
#include "platform/jet/process/ChildProcess.h"
#include "platform/jet/process/HelperPrograms.h"
#include "platform/jet/process/LineProtocol.h"

namespace platform::jet {
namespace {

// libmdb prints 32-bit values as signed decimals; a null value is an empty field.
std::optional<std::int64_t> number(const std::string& text) {
    if (text.empty()) return 0;
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < INT32_MIN || value > UINT32_MAX) return std::nullopt;
    return value;
}

}  // namespace

CatalogueAnswer parseCatalogueAnswer(std::string_view answer) {
    CatalogueAnswer result;
    std::set<std::int32_t> parameterised;
    for (const auto& fields : splitLines(answer)) {
        const std::string& kind = fields[0];
        if (kind == "object" && fields.size() == 6) {
            auto id = number(fields[1]), parent = number(fields[2]), type = number(fields[3]),
                 flags = number(fields[4]);
            // Access gives every object an Id: a null one is a row read from damaged pages.
            if (fields[1].empty() || !id || !parent || !type || !flags) return {};
            result.objects.push_back({static_cast<std::int32_t>(*id), static_cast<std::int32_t>(*parent),
                                      static_cast<std::int32_t>(*type), static_cast<std::uint32_t>(*flags),
                                      fields[5], false});
        } else if (kind == "parameters" && fields.size() == 2) {
            auto id = number(fields[1]);
            if (!id) return {};
            parameterised.insert(static_cast<std::int32_t>(*id));
        } else if (kind == "end" && fields.size() == 2) {
            auto count = number(fields[1]);
            if (!count || static_cast<std::size_t>(*count) != result.objects.size()) return {};
            for (auto& object : result.objects)
                object.hasParameters = object.type == object_type::kQuery && parameterised.count(object.id);
            result.complete = true;
            return result;
        } else if (kind == "error") {
            return {false, fields.size() == 2 && fields[1] == "open", {}};
        } else {
            return {};
        }
    }
    return {};
}

std::vector<std::string> textConversionEnvironment(const FileHeader& header) {
    return {"MDBICONV=UTF-8", "MDB_JET3_CHARSET=" + charsetOfCodePage(header.codePage),
            std::string{kCodePageVariable} + "=" + std::to_string(header.codePage)};
}

std::vector<CatalogueObject> readCatalogue(int databaseFile, const FileHeader& header,
                                           const std::string& path, const EngineOptions& options) {
    ChildLimits limits;
    limits.timeLimit = options.timeLimit;
    ChildResult result;
    try {
        // The helper reads the very file that was checked, through its descriptor, not by its name.
        // MDBOPTS switches on libmdb's debug printing; MDBPATH makes it look for files elsewhere.
        result = runChild(helperProgramPath(options.helperFolder, kReaderProgram),
                          {"catalogue", "/proc/self/fd/" + std::to_string(kInputDescriptor)}, limits,
                          {"MDBOPTS", "MDBPATH"}, textConversionEnvironment(header), databaseFile);
    } catch (const Failure& failure) {
        throw DatabaseError(DatabaseProblem::EngineFailure, path, failure.description());
    }
    if (result.ending == ChildResult::Ending::TimedOut)
        throw DatabaseError(DatabaseProblem::TimedOut, path, secondsText(options.timeLimit));
    if (result.ending == ChildResult::Ending::OutputTooLarge)
        throw DatabaseError(DatabaseProblem::TooLarge, path);
    if (result.ending == ChildResult::Ending::Lost)
        throw DatabaseError(DatabaseProblem::EngineFailure, path,
                            "the end of the database engine's helper program went unnoticed.");
    CatalogueAnswer answer = parseCatalogueAnswer(result.output);
    if (result.succeeded() && answer.complete && holdsEngineObjects(answer.objects) &&
        holdsSoundObjects(answer.objects))
        return std::move(answer.objects);
    if (answer.failedToOpen) throw DatabaseError(DatabaseProblem::UnrecognizedFormat, path);
    throw DatabaseError(DatabaseProblem::Damaged, path);
}

}  // namespace platform::jet
