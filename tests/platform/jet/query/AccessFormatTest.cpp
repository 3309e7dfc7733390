#include <gtest/gtest.h>

#include <optional>

#include "platform/jet/query/AccessFormat.h"
#include "platform/jet/query/DayNumbers.h"

namespace query_tests {
namespace {

using namespace platform::jet::query;

struct FormatCase {
    Value value;
    const char* format;
    const char* text;
};

class Formats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Formats, ShowValuesAsAccessDoes) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(formatValue(c.value, c.format), c.text) << displayText(c.value) << " as \"" << c.format << "\"";
}

const Value kJuly4 = Date{dayNumber(1996, 7, 4)};
const Value kJuly4Afternoon = Date{withTime(dayNumber(1996, 7, 4), timeOfDay(13, 5, 9))};

INSTANTIATE_TEST_SUITE_P(
    Named, Formats,
    ::testing::Values(FormatCase{Currency{12'345'000}, "Currency", "$1,234.50"},
                      FormatCase{Currency{-12'345'000}, "Currency", "($1,234.50)"},
                      FormatCase{0.5, "Percent", "50.00%"}, FormatCase{1234.567, "Standard", "1,234.57"},
                      FormatCase{2.5, "Fixed", "2.50"}, FormatCase{12345.0, "Scientific", "1.23E+04"},
                      FormatCase{true, "Yes/No", "Yes"}, FormatCase{std::int64_t{0}, "On/Off", "Off"},
                      FormatCase{kJuly4, "Short Date", "7/4/1996"},
                      FormatCase{kJuly4, "Long Date", "Thursday, July 4, 1996"},
                      FormatCase{kJuly4, "Medium Date", "04-Jul-96"},
                      FormatCase{kJuly4Afternoon, "General Date", "7/4/1996 1:05:09 PM"},
                      FormatCase{kJuly4Afternoon, "Short Time", "13:05"},
                      FormatCase{kJuly4Afternoon, "Medium Time", "01:05 PM"}));

INSTANTIATE_TEST_SUITE_P(
    Custom, Formats,
    ::testing::Values(
        FormatCase{-1234.5, "#,##0.00;(#,##0.00)", "(1,234.50)"},
        FormatCase{0.0, "0.0;-0.0;\"zero\"", "zero"}, FormatCase{Value(), "0;0;0;\"none\"", "none"},
        FormatCase{2.675, "0.00", "2.68"}, FormatCase{-0.001, "0.00", "0.00"}, FormatCase{7.0, "000", "007"},
        FormatCase{0.25, "#.##", ".25"}, FormatCase{Currency{15000}, "$#,##0.00;-$#,##0.00", "$1.50"},
        FormatCase{Currency{-15000}, "$#,##0.00;-$#,##0.00", "-$1.50"},
        FormatCase{kJuly4, "dd-mmm-yyyy", "04-Jul-1996"}, FormatCase{kJuly4, "mmmm yyyy", "July 1996"},
        FormatCase{kJuly4, "\"Q\"q yy", "Q3 96"}, FormatCase{kJuly4, "ddd d/m", "Thu 4/7"},
        FormatCase{kJuly4Afternoon, "hh:nn:ss", "13:05:09"},
        FormatCase{kJuly4Afternoon, "h:mm AM/PM", "1:05 PM"}, FormatCase{std::string("abc"), ">", "ABC"},
        FormatCase{std::string("ABC"), "<", "abc"}));

// The sections Access chooses by sign, zero, Null, empty text, Yes and No; literal text between digits.
INSTANTIATE_TEST_SUITE_P(Sections, Formats,
                         ::testing::Values(FormatCase{-6.0, "0;!0![Red];\"Out\";\"N/A\"", "6"},
                                           FormatCase{0.0, "0;!0![Red];\"Out\";\"N/A\"", "Out"},
                                           FormatCase{Value(), "0;!0![Red];\"Out\";\"N/A\"", "N/A"},
                                           FormatCase{Value(), "@;\"Unk\"", "Unk"},
                                           FormatCase{std::string(), "@;\"Unk\"", "Unk"},
                                           FormatCase{std::string("Bolt"), "@;\"Unk\"", "Bolt"},
                                           FormatCase{true, ";\"Yes\";\"No\"", "Yes"},
                                           FormatCase{false, ";\"Yes\"[Green];\"No\"[Red]", "No"},
                                           FormatCase{std::int64_t{123456789}, "000-00-0000", "123-45-6789"},
                                           FormatCase{1234567.0, "#,##0,", "1,235"},
                                           FormatCase{5.5, ".00", "5.50"}, FormatCase{5.0, "#.##", "5."},
                                           FormatCase{12.5, "\\$0.0\" net\"", "$12.5 net"},
                                           FormatCase{0.00012, "0.0e-0", "1.2e-4"},
                                           FormatCase{Currency{12'345'000}, "Euro", "\u20AC1,234.50"}));

// Text placeholders fill from the right, or from the left after "!"; & leaves out what @ shows as a space.
INSTANTIATE_TEST_SUITE_P(Text, Formats,
                         ::testing::Values(FormatCase{std::string("465043799"), "@@@-@@-@@@@", "465-04-3799"},
                                           FormatCase{std::string("ab"), "@@@@", "  ab"},
                                           FormatCase{std::string("ab"), "!@@@@", "ab  "},
                                           FormatCase{std::string("ab"), "&&&&", "ab"},
                                           FormatCase{std::string("abcdef"), "@@-@@", "abcd-ef"},
                                           FormatCase{std::string("abcdef"), "!@@-@@", "ab-cdef"},
                                           FormatCase{std::string("\u00e9t\u00e9"), "(@@@)",
                                                      "(\u00e9t\u00e9)"},
                                           FormatCase{std::string("ab"), ">\"#\"@@@", "# AB"},
                                           FormatCase{12.5, "@\"%\"", "12.5%"}));

struct DrawingCase {
    Value value;
    const char* format;
    const char* text;
    std::optional<std::uint32_t> color;
    bool leftAligned;
    const char* fill;
    std::size_t fillAt;
};

TEST(FormatForDisplay, CarriesTheSectionsColorAlignmentAndFillToTheDrawing) {
    const DrawingCase cases[] = {
        {-6.0, "0;!0![Red];\"Out\"", "6", 0xFF0000, true, "", 0},
        {6.0, "0;!0![Red];\"Out\"", "6", std::nullopt, false, "", 0},
        {false, ";\"Yes\"[Green];\"No\"[bLuE]", "No", 0x0000FF, false, "", 0},
        {kJuly4, "[Magenta]dd/mm", "04/07", 0xFF00FF, false, "", 0},
        {std::string("x"), "@;[Yellow]\"Unk\"", "x", std::nullopt, false, "", 0},
        {Value(), "@;[Yellow]\"Unk\"", "Unk", 0xFFFF00, false, "", 0},
        {std::string("a!b"), "\"[Red]\"\\!@", "[Red]!a!b", std::nullopt, false, "", 0},
        {-12.5, "$*-0.00", "-$12.50", std::nullopt, false, "-", 2},
        {std::string("ab"), "@*\u00b7\"|\"", "ab|", std::nullopt, false, "\u00b7", 2},
    };
    for (const auto& c : cases) {
        const FormattedValue shown = formatForDisplay(c.value, c.format);
        EXPECT_EQ(shown.text, c.text) << c.format;
        EXPECT_EQ(shown.color, c.color) << c.format;
        EXPECT_EQ(shown.leftAligned, c.leftAligned) << c.format;
        EXPECT_EQ(shown.fill, c.fill) << c.format;
        if (*c.fill) {
            EXPECT_EQ(shown.fillAt, c.fillAt) << c.format;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(General, Formats,
                         ::testing::Values(FormatCase{0.1 + 0.2, "", "0.3"}, FormatCase{1e20, "", "1E+20"},
                                           FormatCase{Currency{-5}, "", "-0.0005"},
                                           FormatCase{kJuly4, "", "7/4/1996"},
                                           FormatCase{Date{0.75}, "", "6:00:00 PM"},
                                           FormatCase{Date{-1.25}, "", "12/29/1899 6:00:00 AM"},
                                           FormatCase{false, "", "False"}, FormatCase{Value(), "", ""}));

struct DateTextCase {
    const char* text;
    std::optional<double> days;  // none for text that is no date
};

class DateTexts : public ::testing::TestWithParam<DateTextCase> {};

TEST_P(DateTexts, ReadAsAccessReadsThem) {
    const auto& c = GetParam();
    const auto days = parseDate(c.text);
    ASSERT_EQ(days.has_value(), c.days.has_value()) << c.text;
    if (days) {
        EXPECT_DOUBLE_EQ(*days, *c.days) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dates, DateTexts,
    ::testing::Values(DateTextCase{"7/4/1996", 35250}, DateTextCase{"1996-07-04", 35250},
                      DateTextCase{"July 4, 1996", 35250}, DateTextCase{"4-Jul-96", 35250},
                      DateTextCase{"7/4/1996 6:00 PM", 35250.75}, DateTextCase{"12/30/1899", 0.0},
                      DateTextCase{"2/30/1997", std::nullopt}, DateTextCase{"13/1/1997", std::nullopt},
                      DateTextCase{"soon", std::nullopt}, DateTextCase{"1/1/1900", 2}));

}  // namespace
}  // namespace query_tests
