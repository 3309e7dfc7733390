#include <gtest/gtest.h>

#include "platform/jet/vba/AccessFunctionLibrary.h"
#include "tests/platform/jet/vba/ProgramRun.h"

namespace platform::jet::vba {
namespace {

struct BuiltinCall {
    const char* expression;  // the body of F = ...
    const char* expected;
};

class BuiltinFunctions : public ::testing::TestWithParam<BuiltinCall> {};

// Report code reaches the query engine's own functions, with VBA's values in and out.
TEST_P(BuiltinFunctions, AnswerAsInQueries) {
    AccessFunctionLibrary library;
    const std::string source = std::string("Function F()\n F = ") + GetParam().expression + "\nEnd Function";
    Interpreter interpreter(testing::modulesOf("Module1", source), Services{nullptr, nullptr, &library});
    EXPECT_EQ(testing::shown(interpreter.call("F")), GetParam().expected) << source;
}

const BuiltinCall kCalls[] = {
    {"Mid$(\"Calvenor\", 2, 3) & Right(\"abc\", 2) & Len(12.5)", "alvbc4"},
    {"InStr(3, \"abcabc\", \"B\") & InStr(\"abc\", \"z\")", "50"},
    {"Replace(\"a-b-c\", \"-\", \"+\", 1, 1)", "a+b-c"},
    {"Trim(\"  x  \") & \"|\" & StrConv(\"mary ann\", 3)", "x|Mary Ann"},
    {"Format(1234.5, \"#,##0.00\")", "1,234.50"},
    {"DateSerial(96, 14, 1)", "2/1/1997"},
    {"DateAdd(\"m\", 1, #1/31/2000#)", "2/29/2000"},
    {"DateDiff(\"d\", #12/25/1999#, #1/1/2000#) & DatePart(\"q\", #8/15/2000#)", "73"},
    {"Year(#7/4/1996#) + Month(#7/4/1996#) + Day(#7/4/1996#)", "2007"},
    {"TypeName(DateSerial(2000, 1, 1)) & TypeName(IsDate(\"x\"))", "DateBoolean"},
    {"Round(2.5) & Round(3.14159, 2) & Int(-1.5) & Fix(-1.5) & Abs(-3)", "23.14-2-13"},
    {"IsNull(Left(Null, 1)) & IsNull(Year(Null))", "TrueTrue"},
    {"Left(\"abc\", -1)", "F stops at \"F = Left(\"abc\", -1)\" (line 2): run-time error 5: The function Left was given a negative length."},
    {"Mid(\"abc\")", "F stops at \"F = Mid(\"abc\")\" (line 2): run-time error 5: The function mid was given 1 arguments."},
};

INSTANTIATE_TEST_SUITE_P(Calls, BuiltinFunctions, ::testing::ValuesIn(kCalls));

}  // namespace
}  // namespace platform::jet::vba
