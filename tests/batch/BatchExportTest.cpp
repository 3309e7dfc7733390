// The batch export's command line, choices and exit statuses, over the fakes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/Text.h"
#include "batch/Arguments.h"
#include "batch/BatchExport.h"
#include "tests/fakes/FakeDatabase.h"
#include "tests/fakes/FakeDevices.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeRegistry.h"

namespace calvenor::batch {
namespace {

using Lines = std::vector<std::string>;

constexpr char kDatabase[] = "C:\\Data\\Sales.mdb";
constexpr char kOut[] = "C:\\Out";

// The program over the fakes; paths given relative are taken from C:\Work.
struct BatchOverFakes {
    fakes::FakeFileSystem files;
    fakes::FakeRegistry registry;
    fakes::FakeAdo ado;
    fakes::FakeAccess access;
    fakes::FakePrinters printers;
    fakes::FakePrinterValuesLock printerValues;
    fakes::FakeDrawnReports drawn;
    std::map<std::string, std::string> variables;
    bool terminal = false;
    std::chrono::steady_clock::time_point now{};
    std::ostringstream out, errors;

    BatchOverFakes() {
        files.addFile(kDatabase);
        files.addFolder(kOut);
        access.reports = {"Sales", "Costs", "sales 2020", "Übersicht"};
    }

    int run(const Lines& arguments) {
        const Environment environment{
            [this](std::string_view name) -> std::optional<std::string> {
                const auto found = variables.find(std::string{name});
                if (found == variables.end()) return std::nullopt;
                return found->second;
            },
            [](const std::string& path) {
                return path.starts_with("C:") || path.starts_with("/") ? path : "C:\\Work\\" + path;
            },
            [this] { return now += std::chrono::seconds{65}; }, terminal};
        return runBatchExport(arguments, {files, registry, ado, access, printers, printerValues, &drawn},
                              environment, out, errors);
    }
    // What Access was asked to print or to write as PDF itself, in order.
    Lines printed() const {
        Lines result;
        for (const auto& call : access.calls) {
            if (call.starts_with("print ")) result.push_back(call.substr(6, call.find(" on ") - 6));
            if (call.starts_with("output "))
                result.push_back(call.substr(7, call.find(" as ") - 7) + " itself");
        }
        return result;
    }
    Lines errorLines() const {
        Lines lines;
        std::istringstream stream{errors.str()};
        for (std::string line; std::getline(stream, line);) lines.push_back(line);
        return lines;
    }
};

TEST(BatchArguments, ReadTheCommandLineOrSayWhatIsWrongWithIt) {
    struct Case {
        Lines arguments;
        std::string error;  // empty: accepted
        Options expected{};
    };
    const std::vector<Case> cases{
        {{"db.mdb", "--output", "out"}, "", {"db.mdb", "out", {}, {}, {}, std::nullopt, false}},
        {{"--output=out", "db.mdb", "--report", "A", "--report=B", "--containing", "x",
          "--not-containing=", "--list"},
         "",
         {"db.mdb", "out", {"A", "B"}, {"x"}, {""}, std::nullopt, true}},
        {{"--list", "--password-file", "pw.txt", "--", "-odd.mdb"},
         "",
         {"-odd.mdb", std::nullopt, {}, {}, {}, "pw.txt", true}},
        {{"db.mdb", "--list-parameters", "--parameter", "Beginning Date=1/1/97", "--parameter=[X]=a=b",
          "--parameter", "Empty="},
         "",
         {"db.mdb",
          std::nullopt,
          {},
          {},
          {},
          std::nullopt,
          false,
          {{"Beginning Date", "1/1/97"}, {"[X]", "a=b"}, {"Empty", ""}},
          true}},
        {{"db.mdb", "--list", "--parameter", "Beginning Date"}, "--parameter takes NAME=VALUE"},
        {{"db.mdb", "--list", "--parameter", "[]=1"}, "--parameter takes NAME=VALUE"},
        {{"db.mdb", "--list", "--list-parameters"}, "do not go together"},
        {{}, "no database named"},
        {{"db.mdb"}, "--output DIR is needed"},
        {{"db.mdb", "--output"}, "--output needs a value"},
        {{"db.mdb", "--output", ""}, "--output names no folder"},
        {{"db.mdb", "--output", "a", "--output=b"}, "--output is given twice"},
        {{"db.mdb", "--password", "secret", "--list"}, "CALVENOR_PASSWORD"},
        {{"db.mdb", "--password=secret", "--list"}, "CALVENOR_PASSWORD"},
        {{"db.mdb", "--colour", "--list"}, "unknown option --colour"},
        {{"a.mdb", "b.mdb", "--list"}, "one database at a time; also named: b.mdb"},
        {{"", "--list"}, "the database's name is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments.front());
        const Command command = parseArguments(c.arguments);
        if (!c.error.empty()) {
            ASSERT_TRUE(std::holds_alternative<UsageError>(command));
            EXPECT_NE(std::get<UsageError>(command).message.find(c.error), std::string::npos)
                << std::get<UsageError>(command).message;
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<Options>(command));
        const auto& options = std::get<Options>(command);
        EXPECT_EQ(options.database, c.expected.database);
        EXPECT_EQ(options.output, c.expected.output);
        EXPECT_EQ(options.reports, c.expected.reports);
        EXPECT_EQ(options.containing, c.expected.containing);
        EXPECT_EQ(options.notContaining, c.expected.notContaining);
        EXPECT_EQ(options.passwordFile, c.expected.passwordFile);
        EXPECT_EQ(options.list, c.expected.list);
        EXPECT_EQ(options.parameters, c.expected.parameters);
        EXPECT_EQ(options.listParameters, c.expected.listParameters);
    }
}

TEST(BatchArguments, HelpAndVersionPrintAndSucceedWithoutTouchingTheDatabase) {
    for (const Lines& arguments : {Lines{"--help"}, Lines{"db.mdb", "-h"}, Lines{"--version", "--bogus"}}) {
        BatchOverFakes p;
        EXPECT_EQ(p.run(arguments), kAllSaved);
        EXPECT_TRUE(p.access.calls.empty() && p.ado.calls.empty());
        EXPECT_EQ(p.errors.str(), "");
        if (arguments.front() == "--version") {
            EXPECT_EQ(p.out.str(), std::string{"calvenor-export "} + CALVENOR_VERSION + "\n");
        } else {
            EXPECT_NE(p.out.str().find("Exit status:"), std::string::npos);
            EXPECT_NE(p.out.str().find("CALVENOR_PASSWORD"), std::string::npos);
        }
    }
}

TEST(BatchExport, ExitStatusSaysWhetherEveryChosenReportWasSaved) {
    struct Case {
        const char* what;
        std::function<void(BatchOverFakes&)> arrange;
        Lines arguments;
        int status;
        std::string said;  // in the error stream
        Lines printed;
    };
    const Lines all{"Sales", "Costs", "sales 2020", "Übersicht"};
    const Lines save{kDatabase, "--output", kOut};
    const auto with = [&](Lines more) {
        Lines arguments = save;
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    };
    const std::vector<Case> cases{
        {"every report saved", [](auto&) {}, save, kAllSaved, ": 4 saved, 0 approximated, 0 failed", all},
        {"an approximation is named, with what it leaves out, and counted",
         [](auto& p) { p.drawn.notes["C:\\Out\\Costs.pdf"] = "a chart is not drawn"; }, save, kAllSaved,
         "approximated: Costs: a chart is not drawn\n3 of 4", all},
        {"one report fails to print; the others are still saved",
         [](auto& p) { p.access.failAt = "print Costs on Drevmark PDF Writer (0,0)"; },
         save,
         kSomeFailed,
         "failed: Costs: step 148: Access failed at print Costs on Drevmark PDF Writer (0,0)",
         {"Sales", "Costs", "sales 2020", "Übersicht"}},
        {"the printer cannot be told the file: nothing printed over another file",
         [](auto& p) { p.registry.failWriting = "OutputFile"; },
         with({"--report", "costs"}),
         kSomeFailed,
         "failed: Costs: step 136: Access is denied.",
         {}},
        {"restoring Access's printer fails after every report was saved",
         [](auto& p) { p.access.failAt = "printer = Office Laser"; },
         with({"--report", "Sales"}),
         kSomeFailed,
         "failed: step 156: Access failed at printer = Office Laser",
         {"Sales"}},
        {"without the PDF printer Access writes the files itself, and the run says so",
         [](auto& p) { p.printers.names = p.access.printers = {"Office Laser"}; },
         with({"--report", "Costs"}),
         kAllSaved,
         "note: the printer \"Drevmark PDF Writer\" is not installed; Access writes the PDF files itself",
         {"Costs itself"}},
        {"no such database",
         [](auto& p) { p.files = fakes::FakeFileSystem{}, p.files.addFolder(kOut); },
         save,
         kCannotRun,
         "calvenor-export: the database C:\\Data\\Sales.mdb does not exist",
         {}},
        {"wrong password",
         [](auto& p) { p.ado.openFailure = "Not a valid password."; },
         save,
         kCannotRun,
         "calvenor-export: the database C:\\Data\\Sales.mdb did not open: Not a valid password.",
         {}},
        {"Access cannot open it",
         [](auto& p) { p.access.failAt = "open"; },
         save,
         kCannotRun,
         "did not open: Not a valid password.",
         {}},
        {"an output folder that is not there yet is made",
         [](auto&) {},
         {kDatabase, "--output", "Missing", "--report", "Sales"},
         kAllSaved,
         "created the folder C:\\Work\\Missing\n",
         {"Sales"}},
        {"an output folder that cannot be made",
         [](auto& p) { p.files.refuseCreating = "Access is denied."; },
         {kDatabase, "--output", "Missing"},
         kCannotRun,
         "calvenor-export: the output folder C:\\Work\\Missing cannot be created: Cannot create the folder "
         "C:\\Work\\Missing: Access is denied.\n",
         {}},
        {"an output folder that cannot take the files: nothing is drawn",
         [](auto& p) { p.files.unwritable[kOut] = "it is not a full path"; },
         save,
         kCannotRun,
         "calvenor-export: the output folder C:\\Out cannot take the PDF files: it is not a full path\n",
         {}},
        {"an unknown report",
         [](auto&) {},
         with({"--report", "Sales", "--report", "Nope"}),
         kCannotRun,
         "has no report named Nope",
         {}},
        {"filters that choose nothing",
         [](auto&) {},
         with({"--containing", "zzz"}),
         kCannotRun,
         "no report of C:\\Data\\Sales.mdb is chosen",
         {}},
        {"a database without reports",
         [](auto& p) { p.access.reports.clear(); },
         save,
         kCannotRun,
         "is chosen",
         {}},
        {"bad usage", [](auto&) {}, {kDatabase}, kCannotRun, "Try 'calvenor-export --help'.", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BatchOverFakes p;
        c.arrange(p);
        EXPECT_EQ(p.run(c.arguments), c.status);
        EXPECT_NE(p.errors.str().find(c.said), std::string::npos) << p.errors.str();
        EXPECT_EQ(p.printed(), c.printed);
        if (std::count(p.access.calls.begin(), p.access.calls.end(), "create") > 0) {
            EXPECT_EQ(p.access.calls.back(), "release") << "Access is never left running";
        }
    }
}

TEST(BatchExport, OptionsAddReportsInTheDatabasesOrderEachOnce) {
    struct Case {
        Lines options;
        Lines printed;
    };
    const std::vector<Case> cases{
        {{}, {"Sales", "Costs", "sales 2020", "Übersicht"}},
        {{"--report", "übersicht", "--report", "SALES"}, {"Sales", "Übersicht"}},
        {{"--containing", "SAL"}, {"Sales", "sales 2020"}},
        {{"--not-containing", "sal"}, {"Costs", "Übersicht"}},
        {{"--containing", "ÜBER", "--report", "Costs", "--containing", "2020"},
         {"Costs", "sales 2020", "Übersicht"}},
        {{"--containing", "s", "--report", "Sales"}, {"Sales", "Costs", "sales 2020", "Übersicht"}},
    };
    for (const auto& c : cases) {
        BatchOverFakes p;
        Lines arguments{kDatabase, "--output", kOut};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(p.run(arguments), kAllSaved) << p.errors.str();
        EXPECT_EQ(p.printed(), c.printed);
    }
}

TEST(BatchExport, SavesThroughTheWizardsRunWithItsFileNamesAndTouchesNoSetting) {
    BatchOverFakes p;
    p.files = fakes::FakeFileSystem{'/'};
    p.files.addFile("/data/db.mdb");
    p.files.addFolder("/out");
    p.access.reports = {"a/b", "a_b", "Sales"};
    p.registry.journal = &p.access.calls;
    ASSERT_EQ(p.run({"/data/db.mdb", "--output=/out"}), kAllSaved) << p.errors.str();
    Lines files;
    for (const auto& w : p.registry.writes) {
        EXPECT_EQ(w.key, "Software\\Drevmark PDF Writer") << "nothing but the printer's key is written";
        if (w.name == "OutputFile") files.push_back(w.value);
    }
    EXPECT_EQ(files, (Lines{"/out/a_b.pdf", "/out/a_b (2).pdf", "/out/Sales.pdf"}));
    EXPECT_EQ(p.access.calls.at(1), "open /data/db.mdb|false|");
    EXPECT_EQ(p.access.calls.back(), "release");

    // A later run of one of them writes the same file: its name comes from the whole list.
    p.registry.writes.clear();
    ASSERT_EQ(p.run({"/data/db.mdb", "--output=/out", "--report", "a_b"}), kAllSaved) << p.errors.str();
    EXPECT_EQ(p.registry.value("Software\\Drevmark PDF Writer", "OutputFile"), "/out/a_b (2).pdf");
}

TEST(BatchExport, ThePasswordComesFromTheFileElseTheEnvironmentElseIsEmpty) {
    const auto folder = std::filesystem::temp_directory_path() / "calvenor-batch-password-test";
    std::filesystem::create_directories(folder);
    const auto write = [&](const std::string& name, const std::string& content) {
        std::ofstream{folder / name, std::ios::binary} << content;
        return (folder / name).string();
    };
    struct Case {
        std::optional<std::string> variable, fileContent;
        int status;
        std::string password;
    };
    const std::vector<Case> cases{
        {std::nullopt, std::nullopt, kAllSaved, ""},
        {"from env", std::nullopt, kAllSaved, "from env"},
        {"from env", "from file\r\nsecond line", kAllSaved, "from file"},
        {std::nullopt, "p;w \"x\"\n", kAllSaved, "p;w \"x\""},
        {std::nullopt, "", kAllSaved, ""},
    };
    for (const auto& c : cases) {
        BatchOverFakes p;
        if (c.variable) p.variables["CALVENOR_PASSWORD"] = *c.variable;
        Lines arguments{kDatabase, "--list"};
        if (c.fileContent)
            arguments.insert(arguments.end(), {"--password-file", write("pw", *c.fileContent)});
        EXPECT_EQ(p.run(arguments), c.status);
        EXPECT_EQ(p.access.calls.at(1), std::string{"open "} + kDatabase + "|false|" + c.password);
        ASSERT_EQ(p.ado.opened.size(), 1u);
        EXPECT_NE(p.ado.opened[0].find("Database Password="), std::string::npos);
    }
    BatchOverFakes unreadable;
    for (const auto& file : {(folder / "missing").string(), folder.string()}) {
        EXPECT_EQ(unreadable.run({kDatabase, "--list", "--password-file", file}), kCannotRun);
        EXPECT_NE(unreadable.errors.str().find("cannot read the password file " + file), std::string::npos);
    }
    EXPECT_TRUE(unreadable.ado.calls.empty());
    std::filesystem::remove_all(folder);
}

TEST(BatchExport, ListPrintsTheChosenNamesOneALineWithLineBreaksEscaped) {
    BatchOverFakes p;
    p.access.reports = {"Plain", "Tab\there", "Two\r\nlines", "Back\\slash\\n", ""};
    EXPECT_EQ(p.run({kDatabase, "--list"}), kAllSaved);
    EXPECT_EQ(p.out.str(), "Plain\nTab\\there\nTwo\\r\\nlines\nBack\\\\slash\\\\n\n\n");
    EXPECT_TRUE(p.printed().empty());

    BatchOverFakes filtered;
    EXPECT_EQ(filtered.run({kDatabase, "--list", "--containing", "sal"}), kAllSaved);
    EXPECT_EQ(filtered.out.str(), "Sales\nsales 2020\n");
    BatchOverFakes none;
    EXPECT_EQ(none.run({kDatabase, "--list", "--report", "Nope"}), kCannotRun);
    EXPECT_EQ(none.out.str(), "");
}

TEST(BatchExport, ProgressIsOneRewrittenLineOnATerminalAndPlainLinesElsewhere) {
    for (const bool terminal : {false, true}) {
        BatchOverFakes p;
        p.terminal = terminal;
        p.access.reports = {"A", "B\nC"};
        p.access.failAt = "print A on Drevmark PDF Writer (0,0)";
        EXPECT_EQ(p.run({kDatabase, "--output", kOut}), kSomeFailed);
        // The clock moves 65 s at each look: the start, then once per report.
        const std::string failure =
            "failed: A: step 148: Access failed at print A on Drevmark PDF Writer (0,0)\n";
        if (terminal) {
            EXPECT_EQ(p.errors.str(),
                      "\r\x1b[K1 of 2  1:05  A\r\x1b[K" + failure +
                          "\r\x1b[K2 of 2  2:10  B\\nC\r\x1b[K2 reports to C:\\Out in 3:15: 1 saved, 0 "
                          "approximated, 1 failed\n");
        } else {
            EXPECT_EQ(p.errors.str(), "1 of 2  1:05  A\n" + failure +
                                          "2 of 2  2:10  B\\nC\n2 reports to C:\\Out in 3:15: 1 saved, 0 "
                                          "approximated, 1 failed\n");
        }
    }
}

}  // namespace
}  // namespace calvenor::batch
