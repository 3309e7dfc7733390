// calvenor-report: reads report designs from one database file and answers with them as readable text,
// in lines on the result descriptor. Like calvenor-jet it runs as a child of the program, as libmdb
// and the design decoder read whatever a damaged file holds.
//
//   calvenor-report design NAME PATH   one report
//   calvenor-report all PATH           every report, in catalogue order
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

#include "platform/jet/LineProtocol.h"
#include "platform/jet/design/DesignDescription.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/ReportDesignReader.h"
#include "platform/jet/helper/HelperProcess.h"
#include "platform/jet/helper/PageFile.h"
#include "platform/jet/helper/ReportStorage.h"

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

// The charset of Access 97 texts, as the program found it in the file's header.
std::string jet3Charset() {
    const char* charset = std::getenv("MDB_JET3_CHARSET");
    return charset && *charset ? charset : "CP1252";
}

std::string describedReport(platform::jet::helper::ReportStorage& storage, const std::string& name) {
    const auto design = platform::jet::design::decodeReportDesign(storage.designBlob(name), jet3Charset());
    std::string result = joinFields({"report", name});
    std::istringstream lines(platform::jet::design::describeReportDesign(design));
    for (std::string line; std::getline(lines, line);) result += joinFields({"text", line});
    return result;
}

[[noreturn]] void describe(const char* path, const char* report) {
    auto file = platform::jet::helper::PageFile::open(path);
    if (!file) fail("The file is not a database file that can be read.");
    MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb) fail("The file is not a database file that can be read.");
    try {
        platform::jet::helper::ReportStorage storage(mdb, *file);
        std::string result;
        std::size_t count = 0;
        if (report) {
            result = describedReport(storage, report);
            count = 1;
        } else {
            for (const auto& name : storage.reportNames()) {
                result += describedReport(storage, name);
                ++count;
            }
        }
        answer(result + joinFields({"end", std::to_string(count)}), 0);
    } catch (const DesignError& error) {
        fail(error.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    platform::jet::helper::prepareHelperProcess();
    if (argc == 4 && std::strcmp(argv[1], "design") == 0) describe(argv[3], argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "all") == 0) describe(argv[2], nullptr);
    fail("usage: calvenor-report design NAME PATH | all PATH");
}
