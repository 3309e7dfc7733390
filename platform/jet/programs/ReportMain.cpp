// calvenor-report: reads report designs from one database file and answers with them as readable text,
// in lines on the result descriptor. Like calvenor-jet it runs as a child of the program, as libmdb
// and the design decoder read whatever a damaged file holds.
//
//   calvenor-report design NAME PATH [ROWS]   one report, and the first ROWS rows of its record source
//   calvenor-report all PATH                  every report, in catalogue order
//   calvenor-report modules PATH              the database's Visual Basic modules, one line each
//   calvenor-report module NAME PATH          one module's source
//   -> report  NAME                    before each report's lines
//      module  NAME                    before each module's lines
//      text  LINE                      one line of its description
//      end  COUNT                      COUNT reports or modules came before
//   or error  MESSAGE                  a message for the user

#include <glib.h>  // mdbtools.h includes it inside extern "C"
#include <mdbtools.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/AsciiCase.h"
#include "platform/jet/design/DesignDescription.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/ReportDesignReader.h"
#include "platform/jet/process/HelperProcess.h"
#include "platform/jet/process/LineProtocol.h"
#include "platform/jet/query/CodeFunctions.h"
#include "platform/jet/query/ExpressionTranslator.h"
#include "platform/jet/query/Parameters.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/tables/PageFile.h"
#include "platform/jet/tables/ReportStorage.h"
#include "platform/jet/vba/MacroRunner.h"
#include "platform/jet/vba/Parser.h"

namespace {

using platform::jet::joinFields;
using platform::jet::design::DesignError;
namespace design = platform::jet::design;
namespace vba = platform::jet::vba;

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

// A procedure of the database's code, where it is.
struct CodePlace {
    std::string module, name;
    int line = 0;
};

std::string placeText(const CodePlace& place) {
    return place.name + " (" + place.module + ", line " + std::to_string(place.line) + ")";
}

// The functions expressions can call (the standard modules' Public ones and the report's own), by
// lower-case name, and the procedures of the report's own module.
struct ReportCode {
    std::map<std::string, CodePlace> functions, ownProcedures;
    const design::CodeModule* ownModule = nullptr;
};

ReportCode codeOfReport(const std::vector<design::CodeModule>& modules, const std::string& report) {
    ReportCode code;
    for (const auto& module : modules) {
        const bool own = !module.standard && base::equalIgnoringCase(module.name, "Report_" + report);
        if (!module.standard && !own) continue;
        if (own) code.ownModule = &module;
        const vba::Module parsed = vba::parseModule(module.name, module.source);
        for (const auto& procedure : parsed.procedures) {
            const CodePlace place{module.name, procedure->name, procedure->line};
            const std::string key = base::lowerAscii(procedure->name);
            if (own) code.ownProcedures.emplace(key, place);
            if (procedure->kind == "function" && (own || !procedure->isPrivate))
                code.functions.emplace(key, place);
        }
    }
    return code;
}

// The query engine's questions about functions it lacks, answered yes for the code's and noted: which
// of them a record source (and the saved queries under it) calls.
class CalledFunctions : public platform::jet::query::CodeFunctions {
  public:
    explicit CalledFunctions(const std::map<std::string, CodePlace>& functions) : functions_(functions) {}
    bool has(std::string_view name) const override {
        const std::string key = base::lowerAscii(std::string(name));
        if (!functions_.count(key)) return false;
        called.insert(key);
        return true;
    }
    std::optional<platform::jet::query::Value> call(
        std::string_view, const std::vector<platform::jet::query::Value>&) override {
        return std::nullopt;
    }
    mutable std::set<std::string> called;

  private:
    const std::map<std::string, CodePlace>& functions_;
};

void addControlTexts(const std::vector<design::Control>& controls,
                     std::vector<std::pair<std::string, std::string>>& texts) {
    for (const auto& control : controls) {
        if (!control.controlSource.empty())
            texts.emplace_back(
                std::string(design::controlKindName(control.kind)) + " \"" + control.name + "\"",
                control.controlSource);
        addControlTexts(control.children, texts);
    }
}

// The rows of the named macro an event runs, indented below it; or why it has none.
void addMacroLines(platform::jet::helper::ReportStorage& storage, const std::string& event,
                   std::vector<std::string>& lines) {
    const auto reference = platform::jet::vba::macroReference(event);
    std::optional<design::Macro> macro;
    try {
        macro = storage.macro(reference.macro, platform::jet::helper::jet3Charset());
    } catch (const DesignError& error) {
        lines.push_back(std::string("  ") + error.what());
        return;
    }
    if (!macro) {
        lines.push_back("  the database has no macro \"" + reference.macro + "\"");
        return;
    }
    const auto rows = design::macroRows(*macro, reference.name);
    if (rows.empty() && !reference.name.empty())
        lines.push_back("  the macro \"" + reference.macro + "\" has no macro \"" + reference.name + "\"");
    for (const auto& row : rows)
        if (const std::string line = design::describeMacroRow(row); !line.empty()) lines.push_back("  " + line);
}

// What code the report runs: its event properties with the procedures or macros they name, the event
// procedures no property names (Access never runs them), and the module functions its record source,
// groups, controls and events call.
std::vector<std::string> reportCodeLines(MdbHandle* mdb, platform::jet::helper::ReportStorage& storage,
                                         const std::string& name, const design::ReportDesign& report) {
    std::vector<std::string> lines;
    std::vector<design::CodeModule> modules;
    try {
        modules = storage.modules();
        for (const auto& problem : storage.moduleProblems()) lines.push_back("code: " + problem);
    } catch (const DesignError& error) {
        return {std::string("code: ") + error.what()};
    }
    const ReportCode code = codeOfReport(modules, name);
    if (code.ownModule)
        lines.push_back("code module \"" + code.ownModule->name + "\" with " +
                        std::to_string(code.ownProcedures.size()) + " procedures");

    struct Event {
        std::string object, event, value;
    };
    std::vector<Event> events;
    for (const auto& [event, value] : {std::pair{"Open", &report.onOpen},
                                       {"Close", &report.onClose},
                                       {"NoData", &report.onNoData},
                                       {"Page", &report.onPage},
                                       {"Activate", &report.onActivate}})
        events.push_back({"Report", event, *value});
    for (const auto& section : report.sections)
        for (const auto& [event, value] : {std::pair{"Format", &section.onFormat},
                                           {"Print", &section.onPrint},
                                           {"Retreat", &section.onRetreat},
                                           {"Paint", &section.onPaint}})
            events.push_back({section.name, event, *value});

    std::vector<std::pair<std::string, std::string>> texts;  // where, expression
    std::set<std::string> named;                             // event procedures the design names
    for (const auto& [object, event, value] : events) {
        if (value.empty()) continue;
        const std::string property = "event " + object + ".On" + event + ": ";
        const std::string procedure = object + "_" + event;
        if (base::equalIgnoringCase(value, "[Event Procedure]")) {
            named.insert(base::lowerAscii(procedure));
            const auto found = code.ownProcedures.find(base::lowerAscii(procedure));
            lines.push_back(property + (found != code.ownProcedures.end()
                                            ? "runs " + placeText(found->second)
                                            : "[Event Procedure], but the report's module has no " +
                                                  procedure + " (Access runs nothing)"));
        } else if (base::equalIgnoringCase(value, "[Embedded Macro]")) {
            lines.push_back(property + "runs its embedded macro");
        } else if (value[0] == '=') {
            lines.push_back(property + "evaluates " + value);
            texts.emplace_back("event " + object + ".On" + event, value);
        } else {
            lines.push_back(property + "runs the macro \"" + value + "\"");
            addMacroLines(storage, value, lines);
        }
    }
    for (const auto& [key, place] : code.ownProcedures) {
        const auto separator = place.name.find('_');
        if (separator == std::string::npos || named.count(key)) continue;
        const std::string object = place.name.substr(0, separator), event = place.name.substr(separator + 1);
        const bool isEvent = std::any_of(events.begin(), events.end(), [&](const Event& e) {
            return base::equalIgnoringCase(e.object, object) && base::equalIgnoringCase(e.event, event);
        });
        if (isEvent)
            lines.push_back("event procedure " + placeText(place) + " is named by no event property");
    }

    if (code.functions.empty()) return lines;
    for (std::size_t level = 0; level < report.groups.size(); ++level)
        texts.emplace_back("group " + std::to_string(level), report.groups[level].expression);
    for (const auto& section : report.sections) addControlTexts(section.controls, texts);
    std::map<std::string, std::vector<std::string>> callers;  // by function
    if (!report.recordSource.empty()) {
        CalledFunctions recorder(code.functions);
        try {
            platform::jet::query::recordSourceParameters(mdb, report.recordSource, {}, &recorder);
        } catch (const std::exception&) {  // what it called before it stopped is still known
        }
        for (const auto& function : recorder.called) callers[function].push_back("the record source");
    }
    for (const auto& [where, expression] : texts)
        for (const auto& function : platform::jet::query::calledNames(expression))
            if (code.functions.count(function)) callers[function].push_back(where);
    for (const auto& [function, where] : callers) {
        std::string line = "calls " + placeText(code.functions.at(function)) + " from ";
        for (std::size_t i = 0; i < where.size(); ++i) line += (i ? ", " : "") + where[i];
        lines.push_back(line);
    }
    return lines;
}

std::string describedReport(MdbHandle* mdb, platform::jet::helper::ReportStorage& storage,
                            const std::string& name, std::size_t rows) {
    const auto design = platform::jet::design::decodeReportDesign(storage.designBlob(name),
                                                                  platform::jet::helper::jet3Charset());
    std::string result = joinFields({"report", name});
    std::istringstream lines(platform::jet::design::describeReportDesign(design));
    for (std::string line; std::getline(lines, line);) result += joinFields({"text", line});
    for (const auto& line : reportCodeLines(mdb, storage, name, design)) result += joinFields({"text", line});
    if (rows > 0) result += rowsOf(mdb, design.recordSource, rows);
    return result;
}

// Opens the file's report storage and answers with what the call gives: the lines and how many reports or
// modules they describe.
template <typename Call>
[[noreturn]] void answerFor(const char* path, Call call) {
    auto file = platform::jet::helper::PageFile::open(path);
    if (!file) fail("The file is not a database file that can be read.");
    MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb) fail("The file is not a database file that can be read.");
    try {
        platform::jet::helper::ReportStorage storage(mdb, *file);
        const auto [result, count] = call(mdb, storage);
        answer(result + joinFields({"end", std::to_string(count)}), 0);
    } catch (const DesignError& error) {
        fail(error.what());
    }
}

[[noreturn]] void describe(const char* path, const char* report, std::size_t rows) {
    answerFor(path, [&](MdbHandle* mdb, platform::jet::helper::ReportStorage& storage) {
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
        return std::pair{result, count};
    });
}

// Each module with its kind, size and procedures; or, with a name, that module's source line by line.
[[noreturn]] void describeModules(const char* path, const char* wanted) {
    answerFor(path, [&](MdbHandle*, platform::jet::helper::ReportStorage& storage) {
        std::string result;
        std::size_t count = 0;
        for (const auto& module : storage.modules()) {
            if (wanted && !base::equalIgnoringCase(module.name, wanted)) continue;
            result += joinFields({"module", module.name});
            ++count;
            if (wanted) {
                std::istringstream lines(module.source);
                for (std::string line; std::getline(lines, line);) {
                    if (!line.empty() && line.back() == '\r') line.pop_back();
                    result += joinFields({"text", line});
                }
                continue;
            }
            const vba::Module parsed = vba::parseModule(module.name, module.source);
            std::string procedures;
            for (const auto& procedure : parsed.procedures)
                procedures += (procedures.empty() ? ": " : ", ") + procedure->name;
            result += joinFields({"text", std::string(module.standard ? "standard" : "class or document") +
                                              " module, " + std::to_string(module.source.size()) +
                                              " bytes, " + std::to_string(parsed.procedures.size()) +
                                              " procedures" + procedures});
            for (const auto& problem : parsed.problems)
                result += joinFields({"text", "  not understood: " + problem});
        }
        for (const auto& problem : storage.moduleProblems()) result += joinFields({"text", problem});
        if (wanted && count == 0) fail(std::string("The database has no module named ") + wanted + ".");
        return std::pair{result, count};
    });
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
    if (argc == 3 && std::strcmp(argv[1], "modules") == 0) describeModules(argv[2], nullptr);
    if (argc == 4 && std::strcmp(argv[1], "module") == 0) describeModules(argv[3], argv[2]);
    fail("usage: calvenor-report design NAME PATH [ROWS] | all PATH | modules PATH | module NAME PATH");
}
