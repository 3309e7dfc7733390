#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "tests/platform/jet/vba/ProgramRun.h"

namespace platform::jet::vba {
namespace {

using testing::shown;

struct Program {
    const char* behaviour;
    const char* source;  // defines Function F(), called without arguments
    const char* expected;
};

class Programs : public ::testing::TestWithParam<Program> {};

TEST_P(Programs, GiveTheirResult) {
    testing::SmallLibrary library;
    Interpreter interpreter(testing::modulesOf("Module1", GetParam().source), Services{nullptr, nullptr, &library});
    EXPECT_EQ(shown(interpreter.call("F")), GetParam().expected) << GetParam().source;
}

const Program kPrograms[] = {
    {"precedence", "Function F()\n F = 2 + 3 * 4 ^ 2 \\ 5 Mod 3 & \"|\" & -2 ^ 2\nEnd Function", "2|-4"},
    {"null propagates, & and And absorb it",
     "Function F()\n F = IsNull(Null + 1) & (Null & \"a\") & (Null And False)\nEnd Function", "TrueaFalse"},
    {"empty counts from zero", "Function F()\n Dim c\n c = c + 1: c = c + 1\n F = c\nEnd Function", "2"},
    {"integers round to even and overflow",
     "Function F()\n Dim i As Integer\n i = 2.5\n F = i\n i = 40000\nEnd Function",
     "F stops at \"i = 40000\" (line 5): run-time error 6: Overflow"},
    {"text compares without case, Like with wildcards",
     "Function F()\n F = (\"abc\" = \"ABC\") And (\"Smith\" Like \"s*H\") And (\"B7\" Like \"[A-C]#\") And Not (\"x\" Like \"[!x]\")\nEnd Function",
     "True"},
    {"dates, hex and continuations",
     "Function F()\n F = (#7/4/1996# + 1) & \" \" & _\n     (&HFF + &H10) & \" \" & &HFFFF\nEnd Function", "7/5/1996 271 -1"},
    {"If ElseIf Else, one-line If Else",
     "Function F()\n Dim x: x = 5\n If x < 3 Then\n F = \"a\"\n ElseIf x < 9 Then\n F = \"b\"\n Else\n F = \"c\"\n End If\n"
     " If x = 5 Then F = F & \"y\": F = F & \"!\" Else F = F & \"n\"\nEnd Function",
     "by!"},
    {"Select Case with Is, To and lists",
     "Function F()\n Dim v, s\n For Each v In Array(1, 5, 12, 40, \"x\")\n  Select Case v\n  Case 1, 2: s = s & \"a\"\n"
     "  Case 3 To 10: s = s & \"b\"\n  Case Is > 30: s = s & \"c\"\n  Case \"x\": s = s & \"x\"\n  Case Else: s = s & \"e\"\n"
     "  End Select\n Next\n F = s\nEnd Function",
     "abecc"},
    {"For with Step, Exit For, Do and While loops",
     "Function F()\n Dim i As Integer, s As String, n As Long\n For i = 10 To 1 Step -3: s = s & i & \",\": Next i\n"
     " Do While n < 5: n = n + 2: Loop\n Do: n = n + 1: If n > 20 Then Exit Do\n Loop Until n Mod 7 = 0\n"
     " While n < 30: n = n * 2: Wend\n For i = 1 To 100: If i = 4 Then Exit For\n Next\n F = s & n & \",\" & i\nEnd Function",
     "10,7,4,1,56,4"},
    {"ByRef changes the caller's variable, ByVal not",
     "Sub Bump(a, ByVal b As Integer)\n a = a + 1: b = b + 1\nEnd Sub\nFunction F()\n Dim x, y\n x = 1: y = 1\n Bump x, y\n"
     " Call Bump(x, y)\n F = x & y\nEnd Function",
     "31"},
    {"Optional arguments, defaults, IsMissing, named arguments and ParamArray",
     "Function G(a, Optional b As Integer = 7, Optional c)\n G = a & b & IsMissing(c)\nEnd Function\n"
     "Function J(ParamArray p() As Variant)\n J = UBound(p) + 1\nEnd Function\n"
     "Function F()\n F = G(1) & G(1, c:=2) & G(1, , 3) & J(4, 5, 6)\nEnd Function",
     "17True17False17False3"},
    {"module variables and Static locals live across calls",
     "Dim total As Long\nFunction Counted()\n Static n As Integer\n n = n + 1: total = total + 10\n Counted = n\nEnd Function\n"
     "Function F()\n Call Counted: Counted\n F = Counted() & \" \" & total\nEnd Function",
     "3 30"},
    {"recursion through the function's name",
     "Function Fact(n)\n If n <= 1 Then Fact = 1 Else Fact = n * Fact(n - 1)\nEnd Function\nFunction F()\n F = Fact(10)\nEnd Function",
     "3628800"},
    {"arrays with bounds, ReDim Preserve",
     "Function F()\n Dim a(1 To 3) As Integer, i\n For i = 1 To 3: a(i) = i * i: Next\n ReDim Preserve a(1 To 4)\n"
     " a(4) = 100\n F = a(2) + a(4) & \" \" & LBound(a) & UBound(a)\nEnd Function",
     "104 14"},
    {"On Error Resume Next and Err",
     "Function F()\n On Error Resume Next\n Dim x\n x = 1 / 0\n F = Err.Number & \" \" & Err.Description\nEnd Function",
     "11 Division by zero"},
    {"On Error GoTo a handler that resumes at a label, line numbers and Rem",
     "Function F()\n10 On Error GoTo Oops\n Rem a comment\n F = \"a\"\n Err.Raise 5\n F = \"never\"\nDone:\n F = F & \"d\"\n Exit Function\n"
     "Oops:\n F = F & Err.Number\n Resume Done\nEnd Function",
     "a5d"},
    {"Resume Next continues after the failing statement",
     "Function F()\n On Error GoTo H\n F = \"a\"\n F = F & (1 / 0)\n F = F & \"b\"\n Exit Function\nH:\n F = F & \"h\"\n Resume Next\nEnd Function",
     "ahb"},
    {"Erl is the last line number passed before the error, 0 without line numbers",
     "Function G()\n On Error GoTo H\n Err.Raise 5\nH:\n G = Erl\nEnd Function\n"
     "Function F()\n On Error GoTo H\n10 F = \"a\"\n20 F = F & (1 / 0)\n F = F & \"b\"\n Exit Function\n"
     "H:\n F = F & Erl & Err.Description & G()\nEnd Function",
     "a20Division by zero0"},
    {"On Error and Exit Function clear Err: a handler reached without error sees none; Resume without one is error 20",
     "Function R()\n On Error GoTo T\n R = \"r\"\nX:\n On Error Resume Next\nT:\n R = R & Err.Number\n"
     " If Err.Number = 0 Then Resume X\n R = R & Err.Description\nEnd Function\n"
     "Function F()\n F = R() & \"|\" & R()\nEnd Function",
     "r0Resume without error|r0Resume without error"},
    {"errors not handled pass to the caller's handler",
     "Sub Inner()\n Dim i As Integer\n i = \"x\"\nEnd Sub\nFunction F()\n On Error Resume Next\n Inner\n F = Err.Number\nEnd Function", "13"},
    {"Enum members count on; conditional compilation lines are passed over",
     "#If Win64 Then\n#End If\nPrivate Enum Colors\n Red\n Green = 5\n Blue\nEnd Enum\nFunction F()\n F = Red & Green & Blue\nEnd Function",
     "056"},
    {"built-in functions come from the library, Left$ as Left",
     "Function F()\n F = UCase(Left$(\"report\", 3)) & Nz(Null, \"-\") & IIf(1 > 2, \"y\", \"n\") & RGB(1, 2, 3)\nEnd Function",
     "REP-n197121"},
    {"MsgBox answers its default button",
     "Function F()\n F = MsgBox(\"Sure?\", vbYesNo + vbDefaultButton2)\nEnd Function", "7"},
    {"an unknown object stops the procedure, naming the statement",
     "Function F()\n Dim db\n F = 1\n Set db = CurrentDb()\n F = 2\nEnd Function",
     "F stops at \"Set db = CurrentDb()\" (line 4): CurrentDb has no database to ask"},
    {"under Option Explicit an unknown name stops, naming its block's first line",
     "Option Explicit\nFunction F()\n If Nowhere![Year] = 1 Then\n  F = 1\n End If\nEnd Function",
     "F stops at \"If Nowhere![Year] = 1 Then\" (line 3): unknown name Nowhere"},
    {"Type blocks are records, copied whole on assignment",
     "Private Type Pt\n x As Long\n tags(1 To 3) As String\nEnd Type\nType Box\n corner As Pt\nEnd Type\nDim shared As Box\n"
     "Function F()\n Dim p As Pt, q As Pt\n p.x = 5: p.tags(2) = \"b\"\n q = p\n p.x = 6: p.tags(2) = \"c\"\n"
     " shared.corner = q\n q.x = 3.7\n With q\n F = .x & .tags(2) & p.x & p.tags(2) & shared.corner.x & TypeName(p)\n End With\n"
     "End Function",
     "4b6c5Pt"},
    {"a Type holding itself stops",
     "Type A\n inner As A\nEnd Type\nFunction F()\n Dim v As A\nEnd Function",
     "F stops at \"Dim v As A\" (line 5): the Type A holds itself"},
    {"a procedure declared from a library stops the call, naming it",
     "Private Declare PtrSafe Function GetTickCount Lib \"kernel32\" _\n () As Long\nFunction F()\n F = 1\n F = GetTickCount()\nEnd Function",
     "F stops at \"F = GetTickCount()\" (line 5): GetTickCount is a procedure of kernel32, outside the database"},
    {"calls reaching outside are skipped",
     "Function F()\n Shell \"rm -rf /\"\n Kill \"x.txt\"\n Set o = CreateObject(\"Scripting.FileSystemObject\")\n DoCmd.OpenForm \"Dialog\"\n F = \"went on\"\nEnd Function",
     "went on"},
    {"dates outside Access's years overflow",
     "Function F()\n On Error Resume Next\n d = #1/1/2000# + 1E308\n F = Err.Number\n Err.Clear\n d = CDate(3000000)\n"
     " F = F & Err.Number\nEnd Function",
     "66"},
    {"a runaway loop stops", "Function F()\n Do\n Loop\nEnd Function", "F stops at \"Do\" (line 2): runs past 2000000 statements"},
    {"copying long text over and over stops",
     "Function F()\n Dim s As String, t As String\n s = Space(1000000)\n Do\n t = s & \"x\"\n Loop\nEnd Function",
     "F stops at \"t = s & \"x\"\" (line 5): makes more than 536870912 bytes"},
    {"reading long text over and over stops",
     "Function F()\n Dim s As String, x\n s = Space(1000000)\n Do\n x = s\n Loop\nEnd Function",
     "F stops at \"x = s\" (line 5): makes more than 536870912 bytes"},
    {"a Collection by number, key (any case), its default member, For Each and Remove",
     "Function F()\n Dim c As New Collection, v\n c.Add \"a\", \"KA\"\n c.Add \"b\"\n c.Add \"z\", , 1\n"
     " c.Add \"y\", Key:=\"ky\", After:=\"ka\"\n For Each v In c\n F = F & v\n Next\n"
     " F = F & c.Count & c(\"ka\") & c!KY & c.Item(2) & c(4)\n c.Remove \"KA\"\n c.Remove 1\n F = F & c.Count & c(1)\nEnd Function",
     "zayb4ayab2y"},
    {"a Collection's errors: a key twice, an index or key not there, before and after both",
     "Function F()\n On Error Resume Next\n Set c = New Collection\n c.Add 1, \"k\"\n c.Add 2, \"K\"\n F = Err.Number\n"
     " Err.Clear\n x = c(5)\n F = F & Err.Number\n Err.Clear\n x = c(\"none\")\n F = F & Err.Number\n Err.Clear\n"
     " c.Add 3, , 1, 1\n F = F & Err.Number\n Err.Clear\n c.Remove 0\n F = F & Err.Number & c.Count\nEnd Function",
     "45795591"},
    {"As New makes its Collection when used holding none",
     "Dim c As New Collection\nFunction F()\n F = (c Is Nothing)\n c.Add 1\n Set c = Nothing\n F = F & c.Count\nEnd Function",
     "False0"},
    {"New of a class module stops naming it",
     "Function F()\n Set o = New clsReportList\n F = 1\nEnd Function",
     "F stops at \"Set o = New clsReportList\" (line 2): New clsReportList makes an object of a class the report's code cannot make"},
    {"runaway recursion stops",
     "Function F()\n F = F()\nEnd Function", "F stops at \"F = F()\" (line 2): calls nested deeper than 64"},
};

INSTANTIATE_TEST_SUITE_P(Vba, Programs, ::testing::ValuesIn(kPrograms), [](const auto& info) {
    std::string name;
    for (const char* c = info.param.behaviour; *c && name.size() < 60; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
});

TEST(VbaInterpreter, NotesWhatTheReportCannotShow) {
    Interpreter interpreter(testing::modulesOf("Module1", "Sub S()\n MsgBox \"Hi\"\n Shell \"calc\"\nEnd Sub"), Services{});
    ASSERT_TRUE(interpreter.call("S").completed);
    ASSERT_EQ(interpreter.notes().size(), 2u);
    EXPECT_EQ(interpreter.notes()[0], "MsgBox \"Hi\" answered 1");
    EXPECT_EQ(interpreter.notes()[1], "\"Shell \"calc\"\" (line 3) skipped: Shell reaches outside the report");
}

// Calls that each stay within their own budget stop once the run's is spent, every later one at its first
// statement.
TEST(VbaInterpreter, TheRunsStatementsAreBoundedAcrossItsCalls) {
    RunLimits limits;
    limits.statementsPerRun = 1000;
    Interpreter interpreter(testing::modulesOf("Module1", "Dim calls\nFunction F()\n calls = calls + 1\n For i = 1 To 100\n"
                                                          " x = i\n Next\n F = calls\nEnd Function"),
                            Services{}, limits);
    int completed = 0;
    for (int i = 0; i < 20; ++i) completed += interpreter.call("F").completed;
    EXPECT_GT(completed, 0);
    EXPECT_LT(completed, 10);
    const CallResult last = interpreter.call("F");
    EXPECT_EQ(last.stoppedAt, "F stops at \"calls = calls + 1\" (line 3)");
    EXPECT_EQ(last.reason, "the report's code has run 1000 statements in all, the most one report may");
    EXPECT_EQ(interpreter.notes().back(), last.stoppedAt + ": " + last.reason);
}

// Each long message box is noted by its start only, so that its notes stay small.
TEST(VbaInterpreter, NotesOfLongMessagesAreCut) {
    testing::SmallLibrary library;
    Interpreter interpreter(
        testing::modulesOf("Module1", "Sub S()\n For i = 1 To 20\n MsgBox i & \"\xC3\xA9\" & Space(100000)\n Next\nEnd Sub"),
        Services{nullptr, nullptr, &library});
    ASSERT_TRUE(interpreter.call("S").completed);
    ASSERT_EQ(interpreter.notes().size(), 20u);
    for (const std::string& note : interpreter.notes()) EXPECT_LT(note.size(), 1100u);
}

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// Hostile texts the fuzzer found: each stops soon, at the first line it cannot run.
TEST(VbaInterpreter, HostileTextsStopSoon) {
    struct Case {
        const char* what;
        std::string source;  // defines Function F()
        const char* stoppedAt;
        const char* reason;
    };
    const Case cases[] = {
        {"blocks left open, each level read once", "Function F()\n F = 1\n" + repeated("If 1 Then\n Do\n", 40) + "End Function",
         "F stops at \"If 1 Then\" (line 3)", "expected End"},
        {"a long chain of operators", "Function F()\n F = 1" + repeated(" + 1", 5000) + "\nEnd Function",
         "F stops at \"F = 1 + 1 + 1", "an expression too long"},
    };
    for (const auto& c : cases) {
        Interpreter interpreter(testing::modulesOf("Module1", c.source), Services{});
        const CallResult result = interpreter.call("F");
        EXPECT_EQ(result.stoppedAt.substr(0, std::string(c.stoppedAt).size()), c.stoppedAt) << c.what;
        EXPECT_EQ(result.reason, c.reason) << c.what;
    }
}

// Text that is mostly not code (a hostile or garbled stream) is read only as far as a real module's worth of
// lines not understood.
TEST(VbaInterpreter, AModuleMostlyNotUnderstoodIsReadNoFurther) {
    const Module module = parseModule("Module1", repeated("End If\n", 1500) + "Function F()\nEnd Function\n");
    EXPECT_TRUE(module.procedures.empty());
    ASSERT_FALSE(module.problems.empty());
    EXPECT_EQ(module.problems.back(), "line 1001 on: not read, as 1000 lines before it were not understood");
}

// Damaged modules: every cut of real code parses and runs to an end or a stop, never a crash or hang.
TEST(VbaInterpreter, SurvivesTruncatedAndShuffledModules) {
    const std::string source =
        "Option Compare Database\r\nPublic Function modRPT_GetTORange(ByVal varTurnover As Variant _\r\n    ) As Integer\r\n"
        "    If IsNull(varTurnover) Then\r\n        modRPT_GetTORange = 3\r\n        Exit Function\r\n    End If\r\n"
        "    Select Case varTurnover\r\n        Case 0 To 110\r\n            modRPT_GetTORange = 1\r\n"
        "        Case Else\r\n            modRPT_GetTORange = 3\r\n    End Select\r\nEnd Function\r\n"
        "Sub Loops()\r\n Dim i: For i = 1 To 3: Do While i < 9: i = i + 1: Loop: Next\r\n With Me\r\n .Line (0, 0)-(1, 1)\r\n"
        " End With\r\n x = \"unterminated\r\n y = #1/2/\r\n On Error GoTo 10\r\n10 Resume Next\r\nEnd Sub\r\n";
    std::mt19937 random(24);
    for (int round = 0; round < 400; ++round) {
        std::string text = source.substr(0, random() % (source.size() + 1));
        if (round % 2)
            for (int k = 0; k < 5 && !text.empty(); ++k) text[random() % text.size()] = "()\"#:_.!&\r\n x"[random() % 14];
        std::vector<Value> arguments{Value(std::int64_t{50})};
        Interpreter interpreter(testing::modulesOf("Module1", text), Services{}, RunLimits{10000, 16, 400});
        for (const CallResult& result : {interpreter.call("modRPT_GetTORange", arguments), interpreter.call("Loops")})
            EXPECT_TRUE(!result.found || result.completed || !result.reason.empty()) << text;
    }
}

}  // namespace
}  // namespace platform::jet::vba
