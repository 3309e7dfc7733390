#include <gtest/gtest.h>

#include <optional>

#include "platform/jet/query/AccessFormat.h"
#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/query/Region.h"

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
        FormatCase{kJuly4, "\"Q\"q yy", "Q3 96"}, FormatCase{std::string("7/4/1996"), "mmmm d", "July 4"},
        FormatCase{kJuly4, "ddd d/m", "Thu 4/7"}, FormatCase{kJuly4Afternoon, "hh:nn:ss", "13:05:09"},
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
                                           FormatCase{std::string("ab"), "\\@&\"&\"&", "@a&b"},
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

Value decimal(const char* text) {
    return *decimalOfText(text);
}

// Decimals from all their digits, where a Double keeps 15: General Number shows each, the others round
// half away from zero at their places.
INSTANTIATE_TEST_SUITE_P(
    Decimals, Formats,
    ::testing::Values(FormatCase{decimal("1234567890123456789.12"), "", "1234567890123456789.12"},
                      FormatCase{decimal("-0.0000000000000000000000000001"), "General Number",
                                 "-0.0000000000000000000000000001"},
                      FormatCase{decimal("1234567890123456789.125"), "Fixed", "1234567890123456789.13"},
                      FormatCase{decimal("-0.005"), "Fixed", "-0.01"},
                      FormatCase{decimal("-0.004"), "Fixed", "0.00"},
                      FormatCase{decimal("1234567890123456789.125"), "Standard",
                                 "1,234,567,890,123,456,789.13"},
                      FormatCase{decimal("0.12345"), "Percent", "12.35%"},
                      FormatCase{decimal("98765432109876543210.5"), "#,##0,", "98,765,432,109,876,543"},
                      FormatCase{decimal("-1234567890123456789.5"), "0;(0)", "(1234567890123456790)"}));

INSTANTIATE_TEST_SUITE_P(General, Formats,
                         ::testing::Values(FormatCase{0.1 + 0.2, "", "0.3"}, FormatCase{1e20, "", "1E+20"},
                                           FormatCase{Currency{-5}, "", "-0.0005"},
                                           FormatCase{kJuly4, "", "7/4/1996"},
                                           FormatCase{Date{0.75}, "", "6:00:00 PM"},
                                           FormatCase{Date{-1.25}, "", "12/29/1899 6:00:00 AM"},
                                           FormatCase{false, "", "False"}, FormatCase{Value(), "", ""},
                                           FormatCase{Date{1e10}, "", "10000000000"},  // beyond the year 9999
                                           FormatCase{1e10, "yyyy", "10000000000"}));

struct RegionCase {
    std::uint16_t codePage;
    const char *shortDate, *longDate, *longTime, *currency, *euro, *standard;
};

// Windows' settings for the language of each ANSI code page (names of months stay English here: the
// renderer adds the language's own).
TEST(WindowsRegions, EveryAnsiCodePageFormatsAsWindowsSetsUpItsLanguage) {
    const Value afternoon = Date{withTime(dayNumber(1996, 7, 4), timeOfDay(13, 5, 9))};
    const Value amount = Currency{-12'345'678};
    const RegionCase cases[] = {
        {874, "4/7/1996", "4 July 1996", "13:05:09", "-\u0E3F1,234.57", "-\u20AC1,234.57", "-1,234.57"},
        {932, "1996/07/04", "1996\u5E747\u67084\u65E5", "13:05:09", "-\u00A51,235", "-\u20AC1,235",
         "-1,234.57"},
        {936, "1996/7/4", "1996\u5E747\u67084\u65E5", "13:05:09", "-\u00A51,234.57", "-\u20AC1,234.57",
         "-1,234.57"},
        {949, "1996-07-04", "1996\uB144 7\uC6D4 4\uC77C Thursday", "\uC624\uD6C4 1:05:09", "-\u20A91,235",
         "-\u20AC1,235", "-1,234.57"},
        {950, "1996/7/4", "1996\u5E747\u67084\u65E5", "\u4E0B\u5348 01:05:09", "-NT$1,234.57",
         "-\u20AC1,234.57", "-1,234.57"},
        {1250, "04.07.1996", "4 July 1996", "13:05:09", "-1\u00A0234,57 z\u0142", "-1\u00A0234,57 \u20AC",
         "-1\u00A0234,57"},
        {1251, "04.07.1996", "4 July 1996 \u0433.", "13:05:09", "-1\u00A0234,57 \u20BD",
         "-1\u00A0234,57 \u20AC", "-1\u00A0234,57"},
        {1252, "7/4/1996", "Thursday, July 4, 1996", "1:05:09 PM", "($1,234.57)", "(\u20AC1,234.57)",
         "-1,234.57"},
        {1253, "4/7/1996", "Thursday, 4 July 1996", "1:05:09 \u03BC\u03BC", "-1.234,57 \u20AC",
         "-1.234,57 \u20AC", "-1.234,57"},
        {1254, "4.07.1996", "4 July 1996 Thursday", "13:05:09", "-\u20BA1.234,57", "-\u20AC1.234,57",
         "-1.234,57"},
        {1255, "04/07/1996", "Thursday 04 July 1996", "13:05:09", "-\u20AA 1,234.57", "-\u20AC 1,234.57",
         "-1,234.57"},
        {1256, "04/07/1996", "04 July, 1996", "01:05:09 \u0645", "\u0631.\u0633.\u200F 1,234.57-",
         "\u20AC 1,234.57-", "-1,234.57"},
        {1257, "1996-07-04", "1996 m. July 4 d.", "13:05:09", "-1\u00A0234,57 \u20AC",
         "-1\u00A0234,57 \u20AC", "-1\u00A0234,57"},
        {1258, "04/07/1996", "04 July 1996", "1:05:09 CH", "-1.235 \u20AB", "-1.235 \u20AC", "-1.234,57"},
    };
    for (const auto& c : cases) {
        const auto region = windowsRegion(c.codePage);
        ASSERT_TRUE(region) << c.codePage;
        useRegion(*region);
        EXPECT_EQ(formatValue(afternoon, "Short Date"), c.shortDate) << c.codePage;
        EXPECT_EQ(formatValue(afternoon, "Long Date"), c.longDate) << c.codePage;
        EXPECT_EQ(formatValue(afternoon, "Long Time"), c.longTime) << c.codePage;
        EXPECT_EQ(formatValue(amount, "Currency"), c.currency) << c.codePage;
        EXPECT_EQ(formatValue(amount, "Euro"), c.euro) << c.codePage;
        EXPECT_EQ(formatValue(amount, "Standard"), c.standard) << c.codePage;
        EXPECT_EQ(region->paperSize, c.codePage == 1252 ? 1 : 9) << c.codePage;
    }
    useRegion(kUnitedStates);
    EXPECT_FALSE(windowsRegion(437));
}

TEST(WindowsRegions, ACodePageOfAnotherScriptHoldsOnlyWhereTheDatabasesNamesAreWrittenInIt) {
    const struct {
        std::uint16_t codePage;
        std::vector<std::string> names;
        std::uint16_t chosen;
    } cases[] = {
        {932, {"Invoice", "Customer Phone Book"}, 0},  // English made on a Japanese machine
        {932, {"Invoice", "\u58F2\u4E0A\u30EC\u30DD\u30FC\u30C8"}, 932},  // 売上レポート
        {1251, {"Sales", "\u041F\u0440\u043E\u0434\u0430\u0436\u0438"}, 1251},
        {1251, {"Sales"}, 0},
        {949, {"\uB9E4\uCD9C"}, 949},
        {1255, {"\u05D3\u05D5\u05D7"}, 1255},
        {1253, {"\u0410"}, 0},                // Cyrillic is not Greek
        {1250, {"Sales"}, 1250},              // Latin letters: Polish as much as English
        {932, {}, 932},                       // nothing to judge by
        {932, {std::string("\xE6\xBC")}, 0},  // a damaged character is none of the script's
    };
    for (const auto& c : cases) EXPECT_EQ(regionCodePage(c.codePage, c.names), c.chosen) << c.codePage;
}

TEST(DecimalPlaces, RewriteTheNamedNumberFormatsInTheRegion) {
    const struct {
        std::uint16_t codePage;
        const char* format;
        int places;
        const char* written;  // "" where the places change nothing
    } cases[] = {
        {1252, "Currency", 0, "$#,##0;($#,##0)"},
        {1252, "euro", 1, "\u20AC#,##0.0;(\u20AC#,##0.0)"},
        {1252, "Fixed", 3, "0.000"},
        {1252, "Percent", 0, "0%"},
        {1252, "Scientific", 1, "0.0E+00"},
        {932, "Currency", 2, "\"\u00A5\"#,##0.00;-\"\u00A5\"#,##0.00"},  // the yen has no decimals of its own
        {1250, "Standard", 1, "#,##0.0"},
        {1252, "General Number", 2, ""},
        {1252, "0.00", 1, ""},
        {1252, "Currency", 16, ""},
    };
    for (const auto& c : cases) {
        useRegion(*windowsRegion(c.codePage));
        EXPECT_EQ(withDecimalPlaces(c.format, c.places), c.written) << c.format << " " << c.places;
    }
    useRegion(kUnitedStates);
}

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
