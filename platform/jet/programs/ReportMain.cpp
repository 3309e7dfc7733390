// calvenor-report: reads report designs from one database file and answers with them as readable text,
// in lines on the result descriptor. Like calvenor-jet it runs as a child of the program, as libmdb
// and the design decoder read whatever a damaged file holds.
//
//   calvenor-report design NAME PATH [ROWS]   one report, and the first ROWS rows of its record source
//   calvenor-report all PATH                  every report, in catalogue order
//   -> report  NAME                    before each report's lines
//      text  LINE                      one line of its description
//      end  COUNT                      COUNT reports came before
//   or error  MESSAGE                  a message for the user

#include <glib.h>  // mdbtools.h includes it inside extern "C"
#include <mdbtools.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/jet/design/DesignDescription.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/ReportDesignReader.h"
#include "platform/jet/process/HelperProcess.h"
#include "platform/jet/process/LineProtocol.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/tables/PageFile.h"
#include "platform/jet/tables/ReportStorage.h"

namespace {

using platform::jet::joinFields;
using platform::jet::design::DesignError;

[[noreturn]] void answer(const std::string& result, int exitCode) {
    platform::jet::helper::writeResult(result);
    _exit(exitCode);  // no library clean-up: on a damaged file even that can go wrong
}

[[noreturn]] void fail(const std::string& message) {
    answer(joinFields({"error", message}), 1);
}

// The first rows of the record source, as lines of tab-separated values under a line of column names.
std::string rowsOf(MdbHandle* mdb, const std::string& recordSource, std::size_t count) {
    using namespace platform::jet::query;
    RowSet rows;
    try {
        rows = readRecordSource(mdb, recordSource, QueryLimits{});
    } catch (const QueryError& error) {  // the design is still worth seeing
        return joinFields({"text", ""}) + joinFields({"text", std::string("no rows: ") + error.what()});
    }
    std::string result =
        joinFields({"text", ""}) +
        joinFields({"text", "rows " + std::to_string(rows.rows.size()) + " of " + recordSource});
    std::string names;
    for (const auto& column : rows.columns) names += (names.empty() ? "" : "\t") + column;
    result += joinFields({"text", names});
    for (std::size_t i = 0; i < rows.rows.size() && i < count; ++i) {
        std::string line;
        for (const auto& value : rows.rows[i]) line += (line.empty() ? "" : "\t") + displayText(value);
        result += joinFields({"text", line});
    }
    return result;
}

std::string describedReport(MdbHandle* mdb, platform::jet::helper::ReportStorage& storage,
                            const std::string& name, std::size_t rows) {
    const auto design = platform::jet::design::decodeReportDesign(storage.designBlob(name),
                                                                  platform::jet::helper::jet3Charset());
    std::string result = joinFields({"report", name});
    std::istringstream lines(platform::jet::design::describeReportDesign(design));
    for (std::string line; std::getline(lines, line);) result += joinFields({"text", line});
    if (rows > 0) result += rowsOf(mdb, design.recordSource, rows);
    return result;
}

[[noreturn]] void describe(const char* path, const char* report, std::size_t rows) {
    auto file = platform::jet::helper::PageFile::open(path);
    if (!file) fail("The file is not a database file that can be read.");
    MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb) fail("The file is not a database file that can be read.");
    try {
        platform::jet::helper::ReportStorage storage(mdb, *file);
        std::string result;
        std::size_t count = 0;
        if (report) {
            result = describedReport(mdb, storage, report, rows);
            count = 1;
        } else {
            for (const auto& name : storage.reportNames()) {
                result += describedReport(mdb, storage, name, rows);
                ++count;
            }
        }
        answer(result + joinFields({"end", std::to_string(count)}), 0);
    } catch (const DesignError& error) {
        fail(error.what());
    }
}

// A row count as given; 0 for text that is not one.
std::size_t rowCount(const char* text) {
    char* end = nullptr;
    const unsigned long count = std::strtoul(text, &end, 10);
    return end && *end == '\0' && count <= 1'000'000 ? count : 0;
}

}  // namespace

int main(int argc, char** argv) {
    platform::jet::helper::prepareHelperProcess();
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "design") == 0)
        describe(argv[3], argv[2], argc == 5 ? rowCount(argv[4]) : 0);
    if (argc == 3 && std::strcmp(argv[1], "all") == 0) describe(argv[2], nullptr, 0);
    fail("usage: calvenor-report design NAME PATH [ROWS] | all PATH");
}
