#include <gtest/gtest.h>

#include <cctype>

#include "platform/jet/query/QueryEngine.h"
#include "platform/jet/query/SelectQuery.h"
#include "platform/jet/vba/ModuleFunctions.h"
#include "tests/platform/jet/vba/ProgramRun.h"

namespace platform::jet::vba {
namespace {

using query::ColumnType;
using testing::shown;

std::string nameOf(const char* behaviour) {
    std::string name;
    for (const char* c = behaviour; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

const char* const kModule = R"(Option Compare Database
Public Function Range(ByVal v As Variant) As Integer
    If IsNull(v) Then Range = 3: Exit Function
    Select Case v
    Case 0 To 110: Range = 1
    Case Else: Range = 2
    End Select
End Function
Function FormatName(First, Last) As String
    FormatName = Last & ", " & First
End Function
Public Function NextDay(d As Date) As Date
    NextDay = d + 1
End Function
Public Function Broken(x)
    Broken = 1 / x
End Function
Private Function Hidden()
    Hidden = 1
End Function
)";

const char* const kReportModule = R"(Public Function Heading() As String
    Heading = "Own"
End Function
)";

std::vector<Module> databaseModules() {
    std::vector<Module> modules;
    modules.push_back(parseModule("modRpt", kModule));
    modules.push_back(parseModule("Report_Sales", kReportModule));
    return modules;
}

// People(First, Last, Turnover, Joined) loaded into an engine calling the modules' functions.
struct EngineWithCode {
    Interpreter code{databaseModules(), Services{}};
    ModuleFunctions functions;
    query::QueryEngine engine;

    explicit EngineWithCode(bool withReportModule)
        : functions(code, withReportModule),
          engine(query::QueryLimits{}, [](query::QueryEngine& into, const std::string&) {
              into.beginTable("People", {{"First", ColumnType::Text},
                                         {"Last", ColumnType::Text},
                                         {"Turnover", ColumnType::Currency},
                                         {"Joined", ColumnType::Date}});
              into.insertRow({std::string("Ann"), std::string("Ash"), query::Currency{500000}, query::Date{35000}});
              into.insertRow({std::string("Bob"), std::string("Birch"), query::Currency{2000000}, query::Date{36000}});
              into.insertRow({std::string("Cy"), std::string("Cole"), Value(), query::Date{37000}});
              into.endTable();
          }) {
        engine.setCodeFunctions(&functions);
    }

    std::vector<std::string> rows(const std::string& sql) {
        std::vector<std::string> texts;
        for (const auto& row : engine.select(query::parseSelect(sql), "the query").rows) {
            std::string line;
            for (std::size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + query::displayText(row[i]);
            texts.push_back(line);
        }
        return texts;
    }
};

struct CodeQuery {
    const char* behaviour;
    const char* sql;
    std::vector<std::string> expected;
};

class CodeInQueries : public ::testing::TestWithParam<CodeQuery> {};

TEST_P(CodeInQueries, CallTheModulesFunctions) {
    EngineWithCode run(false);
    EXPECT_EQ(run.rows(GetParam().sql), GetParam().expected) << GetParam().sql;
}

INSTANTIATE_TEST_SUITE_P(
    Vba, CodeInQueries,
    ::testing::Values(
        CodeQuery{"in the select list, money and Null going in", "SELECT First, Range([Turnover]) FROM People",
                  {"Ann|1", "Bob|2", "Cy|3"}},
        CodeQuery{"with two fields", "SELECT FormatName([First],[Last]) AS N FROM People ORDER BY Last DESC",
                  {"Cole, Cy", "Birch, Bob", "Ash, Ann"}},
        CodeQuery{"in WHERE", "SELECT First FROM People WHERE Range(Turnover) = 2", {"Bob"}},
        CodeQuery{"in GROUP BY", "SELECT Range(Turnover), Count(*) FROM People GROUP BY Range(Turnover)",
                  {"1|1", "2|1", "3|1"}},
        CodeQuery{"in ORDER BY", "SELECT First FROM People ORDER BY FormatName(Last, First) DESC",
                  {"Cy", "Bob", "Ann"}},
        CodeQuery{"a declared Date comes back a date",
                  "SELECT NextDay([Joined]) FROM People WHERE First = 'Ann'", {"1995-10-29 00:00:00"}}),
    [](const auto& info) { return nameOf(info.param.behaviour); });

TEST(CodeFunctions, ReachOnlyWhatAccessReaches) {
    EngineWithCode records(false), controls(true);
    const auto failure = [](EngineWithCode& run, const std::string& sql) {
        try {
            run.rows(sql);
        } catch (const query::QueryError& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(failure(records, "SELECT Hidden() FROM People").find("Hidden is not supported"), std::string::npos);
    EXPECT_NE(failure(records, "SELECT Heading() FROM People").find("Heading is not supported"), std::string::npos);
    EXPECT_EQ(controls.rows("SELECT Heading() FROM People WHERE First = 'Cy'"), std::vector<std::string>{"Own"});
    // A run-time error the function does not handle fails the query, saying where.
    try {
        records.rows("SELECT Broken(0) FROM People");
        ADD_FAILURE() << "a division by zero gave rows";
    } catch (const query::CodeFailure& error) {
        EXPECT_NE(std::string(error.what()).find("Broken stops at \"Broken = 1 / x\" (line 16): run-time error 11"),
                  std::string::npos)
            << error.what();
    }
}

// A database of one table, as DAO reads it.
class OneTable : public DatabaseRows {
  public:
    query::RowSet rows(const std::string& source) override {
        if (source != "Orders" && !source.starts_with("SELECT")) throw std::runtime_error("no table " + source);
        query::RowSet rows;
        rows.columns = {"ID", "Qty"};
        if (source.find("WHERE") == std::string::npos)
            rows.rows = {{std::int64_t{1}, std::int64_t{5}}, {std::int64_t{2}, Value()}, {std::int64_t{3}, std::int64_t{7}}};
        return rows;
    }
    std::optional<std::string> querySql(const std::string& name) override {
        if (name == "Big") return "SELECT * FROM Orders WHERE Qty > 5;";
        return std::nullopt;
    }
    bool formOpen(const std::string& form) override { return form == "Dialog"; }
};

struct DaoProgram {
    const char* behaviour;
    const char* body;  // of Function F()
    const char* expected;
};

class DaoPrograms : public ::testing::TestWithParam<DaoProgram> {};

TEST_P(DaoPrograms, ReadTheDatabase) {
    OneTable database;
    Services services;
    services.database = &database;
    Interpreter interpreter(testing::modulesOf("Module1", std::string("Function F()\n") + GetParam().body +
                                                              "\nEnd Function"),
                            services);
    EXPECT_EQ(shown(interpreter.call("F")), GetParam().expected) << GetParam().body;
}

INSTANTIATE_TEST_SUITE_P(
    Vba, DaoPrograms,
    ::testing::Values(
        DaoProgram{"a loop to EOF over rs!Field, Null in a field",
                   " Dim db As DAO.Database, rs As DAO.Recordset, s\n Set db = CurrentDb()\n"
                   " Set rs = db.OpenRecordset(\"SELECT * FROM Orders\", dbOpenSnapshot)\n"
                   " Do While Not rs.EOF\n  s = s & rs!ID & \":\" & Nz(rs!Qty, \"-\") & \" \"\n  rs.MoveNext\n Loop\n"
                   " rs.Close: Set rs = Nothing: db.Close\n F = s",
                   "1:5 2:- 3:7 "},
        DaoProgram{"a query's records count as reached, a table's all at once",
                   " Set rs = CurrentDb.OpenRecordset(\"SELECT * FROM Orders\")\n F = rs.RecordCount\n"
                   " rs.MoveLast\n F = F & rs.RecordCount & rs.AbsolutePosition\n"
                   " F = F & CurrentDb.OpenRecordset(\"Orders\").RecordCount\n"
                   " F = F & CurrentDb.OpenRecordset(\"Orders\", dbOpenDynaset).RecordCount",
                   "13231"},
        DaoProgram{"fields by number and name, their count, names and values, backwards",
                   " Set rs = DBEngine(0)(0).OpenRecordset(\"Orders\")\n rs.MoveLast\n"
                   " F = rs.Fields.Count & rs(0) & rs.Fields(1).Name & rs.Fields(\"Qty\").Value\n"
                   " rs.MovePrevious: rs.MovePrevious\n F = F & rs(\"id\") & rs.BOF\n rs.MovePrevious\n F = F & rs.BOF",
                   "23Qty71FalseTrue"},
        DaoProgram{"no current record is error 3021, trapped as any",
                   " On Error Resume Next\n Set rs = CurrentDb.OpenRecordset(\"SELECT * FROM Orders WHERE 0\")\n"
                   " F = rs.EOF And rs.BOF\n rs.MoveNext\n F = F & Err.Number",
                   "True3021"},
        DaoProgram{"a saved query's SQL", " F = CurrentDb.QueryDefs(\"Big\").SQL",
                   "SELECT * FROM Orders WHERE Qty > 5;"},
        DaoProgram{"writing is skipped", " CurrentDb.Execute \"DELETE * FROM Orders\"\n Set rs = CurrentDb.OpenRecordset(\"Orders\")\n"
                   " rs.AddNew: rs!Qty = 1: rs.Update\n F = rs.RecordCount",
                   "3"},
        DaoProgram{"a form not open is error 2450, trapped as any",
                   " On Error Resume Next\n Forms(\"Dialog\").Requery\n F = Err.Number & Forms.Count\n"
                   " F = F & Forms!Dialog!Start",
                   "24500"},
        DaoProgram{"TempVars: Null until set, by name, number or Application, removed, counted",
                   " F = IsNull(TempVars![Display]) & TempVars.Count\n TempVars.Add \"Year\", 2006\n"
                   " TempVars!display = \"Product\": TempVars(\"YEAR\") = TempVars(\"year\") + 1\n"
                   " F = F & Application.TempVars!Year & TempVars(1) & TempVars.Count\n TempVars.Remove \"year\"\n"
                   " F = F & IsNull(TempVars!Year) & TempVars.Item(0): TempVars.RemoveAll: F = F & TempVars.Count",
                   "True02007Product2TrueProduct0"},
        DaoProgram{"a form is loaded, in form view, where the run filled in its dialog",
                   " With CurrentProject.AllForms(\"Dialog\")\n  F = .Name & .IsLoaded & (.CurrentView <> acCurViewDesign)\n"
                   " End With\n F = F & CurrentProject.AllForms.Item(\"Other\").IsLoaded",
                   "DialogTrueTrueFalse"},
        DaoProgram{"a path not known stops rather than guess one", " F = CurrentProject.FullName",
                   "F stops at \"F = CurrentProject.FullName\" (line 2): CurrentProject has no member FullName"}),
    [](const auto& info) { return nameOf(info.param.behaviour); });

}  // namespace
}  // namespace platform::jet::vba
