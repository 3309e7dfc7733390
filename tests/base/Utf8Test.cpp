#include <gtest/gtest.h>

#include <vector>

#include "base/Utf8.h"

namespace {

// Texts no strict reading takes as a character at their start.
const std::vector<std::string> kMalformed = {
    "\x80",              // a continuation byte
    "\xC0\x80",          // the overlong forms of U+0000, U+0020 and U+0800
    "\xE0\x80\xA0",      //
    "\xF0\x80\xA0\x80",  //
    "\xED\xA0\x80",      // a surrogate
    "\xF4\x90\x80\x80",  // beyond U+10FFFF
    "\xF5\x80\x80\x80",  // a lead byte no sequence has
    "\xE2\x82",          // cut short
    "\xE2(\xAC",         // interrupted
};

TEST(Utf8, DecodesOnlyWholeShortestFormsOfScalarValues) {
    const struct {
        std::string text;
        char32_t value;
        std::size_t length;
    } whole[] = {{"A", U'A', 1},
                 {"\xC2\x80", 0x80, 2},
                 {"\xE2\x82\xAC!", 0x20AC, 3},
                 {"\xEF\xBF\xBF", 0xFFFF, 3},
                 {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4}};
    for (const auto& c : whole) {
        const auto character = base::decodeUtf8(c.text);
        ASSERT_TRUE(character) << c.text;
        EXPECT_EQ(character->value, c.value);
        EXPECT_EQ(character->length, c.length);
        std::string encoded;
        base::appendUtf8(encoded, c.value);
        EXPECT_EQ(encoded, c.text.substr(0, c.length));
    }
    for (const auto& text : kMalformed) EXPECT_FALSE(base::decodeUtf8(text)) << testing::PrintToString(text);
    EXPECT_FALSE(base::decodeUtf8(""));
}

TEST(Utf8, ToUtf16ReplacesEachMalformedByteOrRefusesTheText) {
    EXPECT_EQ(base::utf16OfUtf8("a\xF0\x9F\x98\x80\xC3\xA9"), u"a\U0001F600\u00E9");
    EXPECT_EQ(base::utf16OfWellFormedUtf8("a\xF0\x9F\x98\x80\xC3\xA9"), u"a\U0001F600\u00E9");
    EXPECT_EQ(base::utf16OfUtf8("x\xC0\x80y"), u"x\uFFFD\uFFFDy");
    for (const auto& text : kMalformed) {
        const std::u16string replaced = base::utf16OfUtf8(text);
        EXPECT_EQ(replaced.front(), u'\uFFFD') << testing::PrintToString(text);
        EXPECT_FALSE(base::utf16OfWellFormedUtf8("ok" + text)) << testing::PrintToString(text);
    }
}

TEST(Utf8, FromUtf16LeReplacesUnpairedSurrogates) {
    const struct {
        std::vector<std::uint8_t> utf16;
        std::string utf8;
    } cases[] = {
        {{'A', 0, 0xE9, 0}, "A\xC3\xA9"},
        {{0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},          // a pair
        {{0x3D, 0xD8, 'x', 0}, "\xEF\xBF\xBDx"},                 // a high one alone
        {{0x00, 0xDE, 0x3D, 0xD8}, "\xEF\xBF\xBD\xEF\xBF\xBD"},  // the pair reversed
        {{'A', 0, 'B'}, "A"},                                    // an odd last byte
    };
    for (const auto& c : cases) EXPECT_EQ(base::utf8OfUtf16Le(c.utf16), c.utf8);
}

}  // namespace
