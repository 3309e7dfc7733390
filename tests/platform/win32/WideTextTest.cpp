#include <gtest/gtest.h>
#include <windows.h>

#include "platform/Failure.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"

namespace {

using namespace platform::win32;

TEST(WideText, RoundTripsEveryPlane) {
    const struct {
        std::string utf8;
        std::wstring wide;
    } cases[] = {
        {"", L""},
        {"Sales by Year", L"Sales by Year"},
        {"Πωλήσεις ανά έτος",
         L"\u03a0\u03c9\u03bb\u03ae\u03c3\u03b5\u03b9\u03c2 \u03b1\u03bd\u03ac \u03ad\u03c4\u03bf\u03c2"},
        {"年度売上", L"\u5e74\u5ea6\u58f2\u4e0a"},
        {"\xF0\x9F\x93\x84 report", L"\xD83D\xDCC4 report"},  // outside the BMP: a surrogate pair
        {std::string{"a\0b", 3}, std::wstring{L"a\0b", 3}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toWide(c.utf8), c.wide) << c.utf8;
        EXPECT_EQ(toUtf8(c.wide), c.utf8) << c.utf8;
    }
}

TEST(WideText, MalformedInputBecomesReplacementCharacters) {
    // Never a crash, never silently another valid name: the bad part reads U+FFFD.
    for (const std::string bad : {"\xFF", "caf\xC3", "\xC0\xAF", "a\xED\xA0\x80z"}) {
        const std::wstring wide = toWide(bad);
        EXPECT_NE(wide.find(L'\uFFFD'), std::wstring::npos) << testing::PrintToString(bad);
    }
    EXPECT_EQ(toWide("ok\xFF"), L"ok\uFFFD");
    EXPECT_EQ(toUtf8(std::wstring{L"a\xD800z"}), "a\xEF\xBF\xBDz");  // an unpaired surrogate
}

TEST(SystemError, CarriesTheActionTheSystemsTextAndTheCode) {
    try {
        raiseSystemError("Cannot open the registry key X", ERROR_ACCESS_DENIED);
        FAIL() << "no Failure raised";
    } catch (const platform::Failure& failure) {
        const std::string text = systemMessage(ERROR_ACCESS_DENIED);
        EXPECT_EQ(failure.description(), "Cannot open the registry key X: " + text);
        EXPECT_EQ(failure.number(), ERROR_ACCESS_DENIED);
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
        EXPECT_EQ(text.find("Error "), std::string::npos);  // the system's words, not the fallback
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_THROW(
        try { raiseLastError("Cannot run x"); } catch (const platform::Failure& failure) {
            EXPECT_EQ(failure.number(), ERROR_FILE_NOT_FOUND);
            throw;
        },
        platform::Failure);
    EXPECT_EQ(systemMessage(0x2FFFFFFF), "Error " + std::to_string(0x2FFFFFFF));
}

}  // namespace
